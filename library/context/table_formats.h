// The pieces of the feature tables that differ between formats. Every format has the same rows
// (one per sequence, features in attribute order, the class last); a row is given as the
// ascending indices of its features whose value is 1.
//
//   arff         "@attribute X {1,0}" per feature, rows "1,0,...,class"
//   sparse-arff  "@attribute X {0,1}" per feature, rows "{3 1,17 1,<n> class}": an absent value
//                is a nominal attribute's first value, so 0 comes first; the class is written
//                always, even when it is the class attribute's first value
//   csv          a header row "X,Y,...,class", rows "1,0,...,class"; a field holding a comma,
//                a quote or a line end is put in double quotes, its quotes doubled
//   libsvm       no header, rows "<class index> 4:1 18:1": the class's index in the training
//                classification file's names (from 0; 0 for every row without classes), then
//                the 1-based numbers of the features whose value is 1
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// Whether the format's files open with an ARFF header.
bool has_arff_header(TableFormat format);

// The nominal values of a binary feature in the format's ARFF header: "{1,0}" or "{0,1}".
const char* arff_binary_values(TableFormat format);

// A CSV field as it must be written.
std::string csv_quote(const std::string& field);

// The CSV header row: the feature texts, then "class" when the rows have one.
std::string csv_header(const std::vector<std::string>& attributes, bool with_class);

// Appends a sparse ARFF row of `n_attributes` features and, when `class_value` is given, the
// class (the attribute after the features) spelled as ARFF wants it, with its line end.
void append_sparse_arff_row(std::string& row, const std::vector<std::uint32_t>& ones,
                            size_t n_attributes, const std::string* class_value);

// Appends a LibSVM row with its line end.
void append_libsvm_row(std::string& row, const std::vector<std::uint32_t>& ones, size_t class_index);

}  // namespace tessar
