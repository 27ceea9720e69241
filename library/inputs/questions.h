// The input-file questions that several methods ask with the same words.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"

namespace tessar {

// The sequence file of the motif, N-gram and descriptor methods; its text shows two limits.
extern const Question kSequenceFile;
// The optional classification file of the motif and N-gram methods (empty answer: none).
extern const Question kOptionalClassFile;
// The classification file the descriptor methods require.
extern const Question kClassFile;
// The optional test file, and its classification file, which has no way out once a test file
// is named.
extern const Question kTestFile;
extern const Question kTestClassFile;

// What the sequence-file question's text shows as the limits (the menu's words, not what it
// enforces, which is console_limits()): 2000 sequences of 6000 residues for the motif and N-gram
// methods, 3000 of 5000 for the descriptor methods.
struct ShownLimits {
    int sequences;
    int length;
};
constexpr ShownLimits kShownLimits = {2000, 6000};
constexpr ShownLimits kDescriptorShownLimits = {3000, 5000};

// A sequence file asked for and read whole.
struct SequenceInput {
    std::string name;  // as answered
    std::vector<std::string> sequences;
    std::vector<std::string> ids;  // of the sequences, in the same order
    SequenceFileStats stats;
};

// Asks for the sequence file (the question shows the limits given, as text only) and reads it
// with `reader`.
SequenceInput ask_sequence_file(Dialogue& io, SequenceReader reader, ShownLimits shown);

// The optional classification file of the motif and N-gram methods.
File ask_optional_class_file(Dialogue& io, int n_sequences, std::string& name);

// The optional test file and its classification file.
struct TestInput {
    std::string name;        // empty: no test file
    std::string class_name;
    std::vector<std::string> sequences;
    std::vector<std::string> ids;  // of the sequences, in the same order
    File class_file;         // open exactly when a test file was named
    // The classification file read whole and checked, when labels must fit (the command line)
    std::optional<ClassesRead> classes;
};

// Asks for the test file; when one is named its sequences are read at once (a file without
// sequences is fatal when the front end's limits say so), and its classification file is asked
// for. Returns whether a test file was given.
bool ask_test_files(Dialogue& io, TestInput& test);

// The inputs of the motif and N-gram methods, asked in this order: the sequence file (read at
// once, its "sequences found" line printed with `found_format`, which takes the count and the
// name), the optional classification file and, only with one, the optional test file. When
// labels must fit (Limits::labels_must_fit), the classification files are then read whole and
// checked: a label that does not fit is fatal before the method computes anything.
struct LabelledInput {
    SequenceInput training;
    std::string class_name;  // empty: no classification file
    File class_file;
    std::optional<ClassesRead> classes;  // read whole and checked, when labels must fit
    TestInput test;
    bool with_test = false;
};
LabelledInput ask_labelled_input(Dialogue& io, SequenceReader reader, const char* found_format);

}  // namespace tessar
