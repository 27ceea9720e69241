// The descriptor grouping and row encoding as they stood before the tries: letter masks that
// leave the windows (or earlier entries) facing a text everywhere, each then tested with
// is_similar. Kept as the oracles the property tests compare the library's tries with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ddms/grouping.h"

namespace oracle {

using tessar::DescriptorTable;
using tessar::SimilarityRule;

// For each letter used by a set of descriptors, the positions of one sequence that the letter
// may face: similar windows can only start where every letter of the descriptor finds a set bit.
struct SequenceMasks {
    size_t n_words = 0;
    int slot[256];                             // letter -> row of bits, -1 when unused
    std::vector<std::vector<uint64_t>> bits;   // one row of n_words words per used letter
};

// Prepares the rows for the letters of `letters` (each letter once); fill_masks then sets them
// for one sequence.
SequenceMasks make_masks(const std::string& letters);
void fill_masks(const SimilarityRule& rule, std::string_view sequence, SequenceMasks& masks);

// has_similar_window with the same answer, testing only the windows that the masks allow.
int exist_motif_masked(const SimilarityRule& rule, const SequenceMasks& masks, std::string_view sequence,
                       std::string_view descriptor);

// PM, ordering of each length by decreasing PM, merge and removal of the merged descriptors.
void group_descriptors(DescriptorTable& table, const SimilarityRule& rule);

// The descriptors of `table` whose value is 1 for `sequence` of class `sequence_class`,
// ascending: exact occurrences, then similar windows for the descriptors of its own class.
std::vector<std::uint32_t> encode_row(const DescriptorTable& table, const SimilarityRule& rule,
                                      const std::string& sequence, const std::string& sequence_class);

}  // namespace oracle
