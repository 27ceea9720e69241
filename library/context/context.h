// The context writer: the one writer of every method's feature tables. It asks for the output
// names, reads the classification files in step with what it writes, and writes the ARFF file,
// the test ARFF file (with a test file) and, for the motif and N-gram methods, the TXT and DAT
// context files. A method describes only what is its own: the attribute texts, how many rows
// each file gets and the values of a row.
//
// Layouts (n attributes, k classes; a value is 1 or 0); the ARFF files as the console writes
// them (context/table_format.h has the other formats, context/table_writer.h writes them):
//   ARFF    "@relation Context", a blank line, "@attribute <text> {1,0}" per attribute,
//           "@attribute class {<names>}" with classes, a blank line, "@data", then one row per
//           sequence: the values and the class, separated by ",".
//   TXT     "#motifs number", n, "#motifs", the texts; with classes "#classes number", k,
//           "#classes", the names; "#instances number", the rows, "#context", then one row per
//           sequence: the values and a 1/0 membership column per class, separated by ",".
//   DAT     (with classes) "<rows> <n> <k>", "<text> 2 1 1" per attribute, a blank line, then
//           "<row number> <values separated by blanks> <class>" per sequence.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "context/table_format.h"
#include "dialogue/dialogue.h"
#include "inputs/classfile.h"

namespace tessar {

// The output-name questions.
extern const Question kArffName;
extern const Question kArffNameAfterBlankLines;  // the N-gram method's, with two line ends first
extern const Question kTestArffName;
extern const Question kTxtName;
extern const Question kDatName;

// Puts the attributes whose value is 1 in row i (from 0), ascending, into `ones`; `label` is the
// row's class ("" without classes).
using RowFill = std::function<void(size_t i, const std::string& label, std::vector<std::uint32_t>& ones)>;

// The rows of one file: `fill` is called for each row in order, from the writer's thread. A
// method whose rows cost more than their writing gives `make_fill` instead: the writer then makes
// one filler per thread and fills rows ahead on every core while it writes, in row order; each
// filler is called from one thread only, so it keeps its working storage to itself.
struct TableRows {
    size_t count = 0;
    RowFill fill = {};
    std::function<RowFill()> make_fill = {};
    // The id of each row's sequence, for tables that name them (null: every id empty).
    const std::vector<std::string>* ids = nullptr;
};

// The classification files of a run. The files are read once: the writer reads them from where
// they stand, in step with the output, or takes what was read before (by the method's class
// walk, or whole before the run when labels must fit: Limits::labels_must_fit).
struct ClassFiles {
    // Read by the writer, each keyword line checked in step with the output, so that a failed
    // check keeps what was written before it (null: no classification file, and no test file).
    // With `training_read` the stream it was read from, if any: no output may take its name.
    std::FILE* training = nullptr;
    // Or read already; the writer then takes its names and labels.
    const ClassesRead* training_read = nullptr;
    std::FILE* test = nullptr;      // the test classification file, exactly when there is a test file
    const ClassesRead* test_read = nullptr;  // or the test classification file read already
    // The descriptor methods' way with the test file: read without checks, by its own count.
    bool test_unchecked = false;
    // How many of the training file's class names the class attribute lists (the descriptor
    // methods list one per family); all of them when larger than their number.
    size_t n_listed = SIZE_MAX;
    // For the warnings on labels that do not fit (the menu writes them as they stand): the
    // files' names and the number of sequences of their sequence files (SIZE_MAX: one per row).
    std::string training_name, test_name;
    size_t training_sequences = SIZE_MAX, test_sequences = SIZE_MAX;

    bool given() const { return training || training_read; }
    bool with_test() const { return test || test_read; }
};

struct ContextRequest {
    explicit ContextRequest(const std::vector<std::string>& texts) : attributes(texts) {}
    const std::vector<std::string>& attributes;  // attribute texts, in the method's order
    TableRows training;
    TableRows test;                       // used with a test classification file
    ClassFiles classes;
    bool txt_and_dat = true;              // the descriptor methods write the ARFF files only
    bool blank_lines_first = false;       // the N-gram method's ARFF question
};

// What the tables hold besides the features: whether they have a class attribute, the classes
// it lists, in the order of the training classification file, and the number of rows.
struct ContextSummary {
    bool with_classes = false;  // a training classification file was given
    std::vector<std::string> class_names;
    size_t training_rows = 0;
    std::string test_table;  // the test ARFF file's name as answered ("" without one)
    size_t test_rows = 0;
};

// The dialogue's table format (dense ARFF when it names none).
const TableFormat& table_format_of(const Dialogue& io);

// Asks for the output names and writes the files (throws FatalError on a bad classification
// file, after keeping what was written). The ARFF file and the test ARFF file are written in
// the dialogue's table format. Once they are written, the user is warned when the ARFF file has
// no attribute at all (data-mining tools cannot load it), then when the labels of a
// classification file do not fit its sequences or its class names. Reports its rows to
// io.progress ("writing").
ContextSummary write_context_files(Dialogue& io, const ContextRequest& request);

}  // namespace tessar
