// Similar texts found through a trie, so that they need not be tested one by one.
//
// Layout: texts of one length, nodes level by level from the root; the children of a node are
// consecutive and in letter order, and the node's `letters` mask (bit i for the letter 'A' + i)
// says which letters they stand for, so the child for a letter is found by counting the mask
// bits below it. A leaf (a node at depth `length`) covers the texts equal to its path. Texts
// holding a byte outside 'A'..'Z' are kept aside and tested one by one.
//
// Search: a probe walks down the trie, letter against letter. Two letters can stand at one
// position of a similar pair only where the pair has no negative matrix entry (outside the
// matrix alphabet: only where they are equal), so the trie letters a probe letter admits form
// one mask. Along a path the sums of Substitute (pair: the entries of the letter pairs, self:
// the reference's diagonal entries) are kept as integers, so a leaf is decided as Substitute
// decides it. The quotient pair/self exceeds Score only when pair - Score * self (the gain) is
// above zero; of a node's children a probe takes only those whose gain keeps that hope alive,
// the head of its letter's ranking by gain, with a margin far wider than the rounding of the
// double bound. The first two levels are looked up, not walked: for each pair of probe letters
// the admitted nodes of depth 2 are listed by decreasing gain (`starts`, made for the probe
// searches of earliest_similar), so a probe takes the head of its list and stops at the first
// node its remaining letters cannot save.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ddms/grouping.h"

namespace tessar {

// Which side of Substitute the trie's texts take; the probe takes the other.
enum class TrieRole {
    References,  // Substitute(text, probe)
    Candidates,  // Substitute(probe, text)
};

// What a search takes from a rule, for one role: the trie letters each probe byte admits, the
// matrix entries of the admitted pairs and the best gain of each probe byte.
struct SimilaritySearch {
    const SimilarityRule* rule = nullptr;
    TrieRole role = TrieRole::References;
    std::uint32_t admits[256];  // admits[y]: the trie letters ('A' + bit) that may face y
    int pair[256][26];          // pair[y][x]: the entry of the pair (0 for equal letters outside)
    int self[256][26];          // self[y][x]: the reference's diagonal entry (0 outside)
    double gain[256][26];       // gain[y][x]: pair - Score * self (-inf when Score is no number)
    double best[256];           // best[y]: the largest gain y admits (-inf: none)
    // the letters y admits by decreasing gain: top[y][k] holds the first k, whose gains are
    // ranked[y][0] to ranked[y][k - 1]; ranked[y][admitted] is not a number, to stop a scan
    std::uint32_t top[256][27];
    double ranked[256][27];
};
SimilaritySearch make_similarity_search(const SimilarityRule& rule, TrieRole role);

struct SimilarityIndex {
    struct Node {
        std::uint32_t letters = 0;  // the letters of the children
        std::uint32_t first = 0;    // the first child; for a leaf, its entry in `leaf_start`
    };
    // A node of depth 2 admitted by a pair of probe letters, with the sums of its two positions.
    struct Start {
        double gain = 0;
        std::uint32_t node = 0;
        int pair = 0, self = 0;
    };
    const SimilaritySearch* search = nullptr;
    size_t length = 0;
    std::vector<std::string_view> texts;  // by item; they view the caller's strings
    std::vector<Node> nodes;              // the root first, the leaves last
    // leaf k covers items[leaf_start[k]] to items[leaf_start[k + 1] - 1]
    std::vector<std::uint32_t> leaf_start;
    std::vector<std::uint32_t> items;     // sorted by text, equal texts by item
    std::vector<std::uint32_t> odd;       // items holding a byte outside 'A'..'Z', ascending
    // the list of probe letters a, b ('A' + index): starts[start_at[a * 26 + b]] onwards, up to
    // start_at[a * 26 + b + 1] (empty below length 2)
    std::vector<std::uint32_t> start_at;
    std::vector<Start> starts;
    // Substitute's verdict as one comparison: for a self sum s from 1 to least_pair.size() - 1,
    // a pair sum p is similar exactly when p >= least_pair[s] (the float quotient only grows
    // with p). Made with the trie, for the sums a path of it can reach.
    std::vector<int> least_pair;
};

// Indexes texts of one length for a search (both must outlive the index), without the lists of
// depth 2; an item is the index of its text in `texts`.
SimilarityIndex index_similar(std::vector<std::string_view> texts, size_t length, const SimilaritySearch& search);

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
// d, and a branch ends when the set is empty. At a leaf the windows left are decided with
// Substitute's sums; one similar window is enough. `facing` gains the moved sets the walk needs.
void find_similar_windows(const SimilarityIndex& index, SequenceFacing& facing, WindowScratch& scratch,
                          std::vector<std::uint32_t>& found);

// For texts of one length, in their order: earliest[u] is the first j < u with
// Substitute(texts[j], texts[u]) for each u with searching[u], and u itself when there is none
// or u does not search. Every j in turn finds, among the texts after it that still search
// without an answer, those similar to it; they take j and leave the trie, so that the trie
// empties as the answers come. The searching texts are shared out by first letter into parts
// searched on a core each (an answer depends on the earlier texts only).
std::vector<std::uint32_t> earliest_similar(const std::vector<std::string_view>& texts, size_t length,
                                            const std::vector<char>& searching, const SimilarityRule& rule);

}  // namespace tessar
