// What the two ARFF formats share: the quoting of names and the header pieces.
#pragma once

#include <string>
#include <vector>

#include "context/table_format.h"

namespace tessar {

// A class name or nominal value as an ARFF file must spell it: written as it stands unless it
// holds a blank, tab, comma, brace, quote or '%', or is exactly "?"; then it is put in single
// quotes with '\' and '\'' escaped. Used for the class attribute and the class values of rows.
std::string arff_quote(const std::string& name);

// "@relation Context", a blank line, "@attribute id string" when `with_ids`, then
// "@attribute <text> <binary_values>" per feature.
void append_arff_begin(std::string& out, const std::vector<std::string>& attributes, const char* binary_values,
                       bool with_ids);
// "@attribute class {" and "a,b,c}\n", the names quoted.
void append_arff_class_begin(std::string& out);
void append_arff_class_end(std::string& out, const std::vector<std::string>& listed);
// "\n@data\n"
void append_arff_data(std::string& out);

// The class of a row as the ARFF rows spell it: quoted, or "?" when unknown.
std::string arff_class_value(RowClass cls);

// A row's id as the ARFF rows spell it: quoted like a name, and the empty id as '' (an empty
// value would be read as missing, or refused).
std::string arff_id_value(const std::string& id);

}  // namespace tessar
