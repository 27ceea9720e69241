// The table of methods: every method record, in menu order. Adding a method is a folder of its
// own with its record (see the README's layout section) and one line in table.cpp.
#pragma once

#include <string_view>
#include <vector>

#include "methods/method.h"

namespace tessar {

const std::vector<const Method*>& methods();

// The method of that name, or null.
const Method* find_method(std::string_view name);

// The names of the methods that save models, "motifs, ngrams, disclass or ddms".
std::string model_method_names();

}  // namespace tessar
