// The reference candidate tree of the tree tests: every suffix inserted one at a time into a
// plain trie of the library's nodes, splitting labels as it goes. The suffix-array tree must walk
// exactly like it, also when walks abandon or cut paths.
#pragma once

#include <string>
#include <vector>

#include "discover/tree.h"

namespace tessar {

// Inserts below the root the suffix of sample sequence `seq` that begins at `pos`.
void oracle_insert(CandidateTree& tree, int seq, int pos);

// Inserts every suffix of every sample sequence, sequence by sequence, start by start.
CandidateTree oracle_build_tree(const std::vector<std::string>& sample);

}  // namespace tessar
