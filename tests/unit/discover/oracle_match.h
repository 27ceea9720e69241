// The reference matcher of the motif search tests: approximate matching of a motif pattern
// against one sequence, under unit-cost edit operations (substitution, insertion, deletion of
// one residue), '*' standing for any run of residues. One plain table of edit costs, nothing
// shared with the library.
#pragma once

#include <string_view>

namespace oracle {

// The least number of edit operations under which `pattern` covers the whole `text`.
int match(std::string_view pattern, std::string_view text);

}  // namespace oracle
