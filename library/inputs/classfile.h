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

// Reads a test classification file up to its first label line as it is read beside a
// training file: each keyword line checked (fatal with the message of its position), its own
// count read but not used, and `count` name lines (the training file's count) passed over.
void read_test_class_header(ClassFile& file, int count);

// The class of the next sequence: the next label line (the last one again past the end).
const std::string& next_label(ClassFile& file);

}  // namespace tessar
