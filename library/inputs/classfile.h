// Reading a classification file: the class count, the class names and one label line per
// sequence, each section opened by a keyword line whose first character is '#'.
//
//     #classes number      <- keyword line (only its '#' is checked)
//     2
//     #classes names
//     kinase               <- one name per line, the order of the classes everywhere
//     other
//     #classes instances
//     kinase               <- one label per sequence, in sequence-file order
//     other
//
// The steps are separate functions because the context writer interleaves them with its output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// The messages of the three keyword positions.
extern const char* const kClassNumberError;  // "\tErr: Class file invalid @class_number"
extern const char* const kClassNamesError;   // "\tErr: Class file invalid @class_names"
extern const char* const kClassDataError;    // "\tErr: Class file invalid @data"

// An open classification file and its last line read. Reading past the end of the file leaves
// the last line read in place, so with fewer label lines than sequences the last label stands
// for the rest.
struct ClassFile {
    std::FILE* stream = nullptr;
    std::string line;
    size_t line_number = 0;  // of `line`, from 1 (0: none read yet)
};

// Reads the next line into `file.line`; at end of file the last line stays. Returns false at
// end of file.
bool next_class_line(ClassFile& file);

// Reads the next line and checks that it begins with '#'; fatal with `message` otherwise.
void check_class_keyword(ClassFile& file, const char* message);

// Reads the class-count line: its leading integer, as atoi reads it (0 when there is none).
// A count outside the int range is fatal (kClassNamesError).
int read_class_count(ClassFile& file);

// Reads `count` class-name lines (none when count < 1). A file that ends before all of them
// is fatal (kClassNamesError).
std::vector<std::string> read_class_names(ClassFile& file, int count);

// Reads a classification file up to its first label line without checks, and returns its
// names: the whole names section is read (as many lines as its own count says), so the labels
// stay aligned whatever the number of classes listed elsewhere. (The descriptor methods' way
// with a test classification file.)
std::vector<std::string> read_class_header_unchecked(ClassFile& file);

// Reads a classification file up to its first label line, each keyword line checked (fatal
// with the message of its position), and returns its names: `count` name lines, or as many as
// its own count says when `count` is negative. (A test classification file read beside a
// training file takes the training file's count, its own read but not used.)
std::vector<std::string> read_class_header(ClassFile& file, int count = -1);

// The class of the next sequence: the next label line (the last one again past the end).
const std::string& next_label(ClassFile& file);

// A classification file read whole: its class names and every line after the keyword line of
// the labels, each the label of a sequence, in sequence-file order.
struct ClassesRead {
    std::vector<std::string> names;
    std::vector<std::string> labels;
    // The line read last before the labels: what a file without label lines gives every
    // sequence (the last line read stays in place).
    std::string before_labels;
    size_t first_label_line = 1;  // the line number of labels[0]

    // The label of sequence i (from 0) as the reader gives it: past the last label line the
    // last line read stands for the rest.
    const std::string& label(size_t i) const;
};

// Reads every line left in `file` into `into.labels` (the names are the caller's).
void read_labels(ClassFile& file, ClassesRead& into);

// Reads a whole classification file: read_class_header, then read_labels.
ClassesRead read_classification(ClassFile& file, int count = -1);

// ---- labels that do not fit
//
// A classification file's labels fit when there is one label line per sequence and every label
// is one of the file's class names. Blank lines at the end of the file are no label lines (an
// editor's final empty line); a blank line followed by a label is a label, and not a class name.

// How the labels of a file fit: the number of label lines and the first label, among those of
// the sequences, that is not a class name.
struct LabelFit {
    static constexpr size_t kNone = SIZE_MAX;
    size_t n_labels = 0;     // label lines, the blank lines at the end not counted
    size_t n_sequences = 0;
    size_t outside = kNone;  // index of the first label outside the names (kNone: none)
    std::string outside_label;  // its text
    bool fits() const { return n_labels == n_sequences && outside == kNone; }
};

// Follows label lines one at a time, in file order, so that a reader that streams them can
// check each as it comes.
class LabelTally {
public:
    explicit LabelTally(const std::vector<std::string>& names);
    // The next label line.
    void add(const std::string& line);
    // The label lines so far, the blank ones at the end not counted.
    size_t n_labels() const { return n_labels_; }
    // The index of the first label line so far that is not a class name (a blank line counts
    // once a label follows it), or LabelFit::kNone, and its text.
    size_t outside() const { return outside_; }
    const std::string& outside_label() const { return outside_label_; }

private:
    bool is_name(const std::string& label) const;

    std::vector<std::string> names_;  // sorted
    size_t n_lines_ = 0;
    size_t n_labels_ = 0;
    // the first blank line since the last label that is not a class name
    size_t blank_outside_ = LabelFit::kNone;
    std::string blank_outside_label_;
    size_t outside_ = LabelFit::kNone;
    std::string outside_label_;
};

// How `labels` fit `n_sequences` sequences and the class names `names`; only the labels of the
// sequences (the first n_sequences) are looked up among the names.
LabelFit fit_labels(const std::vector<std::string>& names, const std::vector<std::string>& labels,
                    size_t n_sequences);

// The error of labels that do not fit, the count first ("Err: <file>: 17 labels for 18
// sequences", "Err: <file> line 9: label \"x\" is not among the class names"), with its line end;
// "" when they fit. The first label is on line `first_label_line`.
std::string label_fit_error(const LabelFit& fit, const std::string& file, size_t first_label_line);

// The menu's warnings for labels that do not fit (its tables are written as they always were),
// one line each; "" when they fit.
std::string label_fit_warnings(const LabelFit& fit, const std::string& file);

// Throws FatalError with label_fit_error's text when the labels of `classes`, the
// classification file `file`, do not fit `n_sequences` sequences and its names.
void require_labels_fit(const ClassesRead& classes, size_t n_sequences, const std::string& file);

// The error of a test label that is not one of the training classes, which the tables list
// ("Err: <file> line 3: label \"x\" is not among the training classes (a, b)"); "" when every
// label of the first n_sequences is one of them.
std::string label_outside_training_error(const ClassesRead& test, size_t n_sequences,
                                         const std::vector<std::string>& training_classes,
                                         const std::string& file);

// The error of the test label `label`, line `line` of `file`, that is not one of the training
// classes.
std::string outside_training_error(const std::string& label, size_t line,
                                   const std::vector<std::string>& training_classes, const std::string& file);

// The checks of a test classification file read whole beside a training file: its labels fit
// its `n_sequences` sequences and its names, and each is one of the training classes. Throws
// FatalError.
void require_test_labels_fit(const ClassesRead& test, size_t n_sequences,
                             const std::vector<std::string>& training_classes, const std::string& file);

}  // namespace tessar
