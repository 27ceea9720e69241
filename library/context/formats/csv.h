#pragma once

#include <string>

namespace tessar {

// A CSV field as it must be written: in double quotes, its quotes doubled, when it holds a
// comma, a quote or a line end.
std::string csv_quote(const std::string& field);

}  // namespace tessar
