// Encoding any number of sequences with a saved model: one feature table whose header is the
// training file's (the same attributes and class list) and whose rows are those the method
// writes for a test file, computed by the method's own row code.
//
// The sequence file is read as it streams (no sequence limit): a window of sequences is coded on
// every thread of the pool and its rows written in input order while the next window is read,
// so memory holds the model and two windows, however long the file, and the bytes are the same
// for any number of threads. A classification file gives each row its class, read as the method reads a test
// classification file; without one the class is unknown ("?") and the DDMS rule, which needs
// the sequence's class, is not applied: values are exact presence. Each method's rows come
// from its row coder (methods/method.h).
#pragma once

#include <string>
#include <vector>

#include "dialogue/dialogue.h"
#include "encode/model.h"

namespace tessar {

// The questions of `tessar encode`.
extern const Question kEncodeSequences;  // "SEQUENCES"
extern const Question kModelFile;        // "--model"
extern const Question kEncodeClasses;    // "--classes"
extern const Question kEncodedName;      // "--arff": the table, default Encoded.arff
const std::vector<const Question*>& encode_questions();

struct EncodeOptions {
    bool header = true;  // false: the rows alone (a part of a table split by sequence)
};

// What an encoding did.
struct EncodeRun {
    Model model;
    size_t n_rows = 0;
    bool with_labels = false;  // the rows' classes came from a classification file
};

// Asks for the model, the sequence file ("-": standard input), the optional classification file
// and the table's name, then writes the table in the dialogue's format. The model is read first: a bad model
// is fatal before any file is created.
EncodeRun run_encode(Dialogue& io, const EncodeOptions& options = {});

}  // namespace tessar
