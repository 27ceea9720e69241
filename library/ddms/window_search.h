// The window search: the descriptors of a trie (the references) against every window of one
// sequence at once, for the rows of the ARFF files.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ddms/similarity_trie.h"

namespace tessar {

// The places of one sequence that each trie letter may face, as the reference letter against
// the residue there: one set of bits per letter, made once per sequence and shared by every
// length searched in it. For the window search the sets are kept moved down by d places too
// (bit p set when place p + d faces the letter): for the first depths at once, deeper ones
// for a letter and a d when first needed.
struct SequenceFacing {
    std::string_view sequence;
    size_t n_words = 0;               // words of a set of places 0 to size (one past the end)
    std::uint32_t letters = 0;        // the trie letters that face some residue of the sequence
    size_t early = 0;                 // the depths made at once (at least 1)
    std::vector<std::uint64_t> bits;  // letter x moved by d < early: bits[(d * 26 + x) * n_words] onwards
    std::vector<int> pair_at;         // pair_at[q * 26 + x]: the search's pair entry of the residue at q and x
    // the set of letter x moved down by d >= early: moved[(slot[d * 26 + x] - 1) * n_words]
    // onwards, once made (slot 0: not yet); `made` lists the slots in use, to clear them for the
    // next sequence
    std::vector<std::uint64_t> moved;
    std::vector<std::uint32_t> slot, made;
};
// `depths`: the length of the longest texts to be searched, for the moved sets made at once.
void face_sequence(const SimilaritySearch& search, std::string_view sequence, size_t depths, SequenceFacing& facing);

// Working storage of find_similar_windows (one per thread).
struct WindowScratch {
    std::vector<std::uint64_t> alive;
    std::vector<std::uint32_t> todo, child;
    std::vector<int> offset, self;
};

// Appends to `found` every item whose text (the reference) is similar to some window of the
// faced sequence, windows of the index's length. The trie is walked once for all the windows:
// at depth d a node carries the set of windows whose first d residues face its path, one bit per
// window at the place it starts, so that a step is an AND with the letter's places moved down by
// d, and a branch ends when the set is empty. At a leaf the windows left are decided by the
// trie's verdict on their sums; one similar window is enough. `facing` gains the moved sets the
// walk needs.
void find_similar_windows(const SimilarityIndex& index, SequenceFacing& facing, WindowScratch& scratch,
                          std::vector<std::uint32_t>& found);

}  // namespace tessar
