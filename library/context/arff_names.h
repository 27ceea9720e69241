#pragma once

#include <string>

namespace tessar {

// A class name or nominal value as an ARFF file must spell it: written as it stands unless it
// holds a blank, tab, comma, brace, quote or '%', or is exactly "?"; then it is put in single
// quotes with '\' and '\'' escaped. Used for the class attribute and the class values of rows.
std::string arff_quote(const std::string& name);

}  // namespace tessar
