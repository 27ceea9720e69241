// The nearest name to a mistyped one: "did you mean --classes?" for an unknown flag or
// subcommand of the command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessar::cli {

// The edits that turn `a` into `b`: letters inserted, deleted, replaced, or two neighbours
// swapped (each one edit), the case of ASCII letters ignored.
size_t edit_distance(std::string_view a, std::string_view b);

// The name of `names` nearest to `given`, or "" when none is near: at most one edit in three
// letters of the longer of the two. Leading dashes are not compared ("--clases" is near
// "--classes", not "-n"); the first of equally near names wins.
std::string nearest_name(std::string_view given, const std::vector<std::string>& names);

}  // namespace tessar::cli
