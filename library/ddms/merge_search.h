// The merge search: for each descriptor of one length, the first earlier descriptor similar to
// it, found through a trie of the descriptors still waiting for an answer.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ddms/grouping.h"

namespace tessar {

// For texts of one length, in their order: earliest[u] is the first j < u with
// is_similar(texts[j], texts[u]) for each u with searching[u], and u itself when there is none
// or u does not search. Every j in turn finds, among the texts after it that still search
// without an answer, those similar to it; they take j and leave the trie, so that the trie
// empties as the answers come. The searching texts are shared out by first letter into parts
// searched on a core each (an answer depends on the earlier texts only).
std::vector<std::uint32_t> earliest_similar(const std::vector<std::string_view>& texts, size_t length,
                                            const std::vector<char>& searching, const SimilarityRule& rule);

}  // namespace tessar
