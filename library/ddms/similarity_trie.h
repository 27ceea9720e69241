// Similar texts found through a trie, so that they need not be tested one by one: the tables a
// search reads, the verdict on a path's sums and the trie itself. The two walks of the trie are
// the window search (ddms/window_search.h: the descriptors against every window of a sequence)
// and the merge search (ddms/merge_search.h: each descriptor against the earlier ones).
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
// one mask. Along a path the sums of is_similar (pair: the entries of the letter pairs, self:
// the reference's diagonal entries) are kept as integers, and a leaf is decided by the
// SimilarityVerdict of the trie, as is_similar decides it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ddms/grouping.h"

namespace tessar {

// Which side of is_similar the trie's texts take; the probe takes the other.
enum class TrieRole {
    References,  // is_similar(text, probe)
    Candidates,  // is_similar(probe, text)
};

// is_similar's verdict on the sums of a path, pair sum p and self sum s, taken over positions
// whose letters all may face each other. For s above 0 the float quotient p / s never falls as p
// grows, so the similar pair sums are those from a least one on: `least_pair` holds it for every
// self sum a path of the trie can reach, and the verdict is one comparison.
//
// The gain of a letter pair, pair - threshold * self, bounds a path from above: the quotient
// exceeds the threshold only when the path's gains add up to more than 0, so a branch whose best
// reachable gain is below -kMargin cannot end similar (the bound adds at most a few thousand terms
// of magnitude below 100, off by far less than kMargin).
struct SimilarityVerdict {
    static constexpr double kMargin = 1e-6;

    float threshold = 0;
    // least_pair[s]: the least similar pair sum for the self sum s (INT_MAX: none is similar)
    std::vector<int> least_pair;

    // The least similar pair sum for a self sum the table holds, else null.
    const int* least_pair_for(int self) const {
        const size_t at = static_cast<size_t>(self);
        return self >= 0 && at < least_pair.size() ? &least_pair[at] : nullptr;
    }
    // is_similar's verdict: from the table, or from the float quotient for a sum it does not hold.
    bool similar(int pair, int self) const {
        if (const int* need = least_pair_for(self)) return pair >= *need;
        return similar_sums(static_cast<float>(pair), static_cast<float>(self), threshold);
    }
    // The gain of a pair sum against a self sum: a pair outside the alphabet (self 0) gains nothing
    // whatever the threshold; a threshold that is not a number makes nothing similar, so its gains
    // count as none (-inf).
    double gain(int pair, int self) const;
    // Whether a branch whose gains can reach `best` at most may still end similar.
    static bool may_reach(double best) { return best >= -kMargin; }
};

// The verdict for the self sums from 0 to `largest_self`.
SimilarityVerdict make_verdict(float threshold, size_t largest_self);

// What a search takes from a rule, for one role: the trie letters each probe byte admits, the
// matrix entries of the admitted pairs and the best gain of each probe byte.
struct SimilaritySearch {
    const SimilarityRule* rule = nullptr;
    TrieRole role = TrieRole::References;
    std::uint32_t admits[256];  // admits[y]: the trie letters ('A' + bit) that may face y
    int pair[256][26];          // pair[y][x]: the entry of the pair (0 for equal letters outside)
    int self[256][26];          // self[y][x]: the reference's diagonal entry (0 outside)
    double gain[256][26];       // gain[y][x]: the verdict's gain of the pair (-inf when not admitted)
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
    const SimilaritySearch* search = nullptr;
    size_t length = 0;
    std::vector<std::string_view> texts;  // by item; they view the caller's strings
    std::vector<Node> nodes;              // the root first, the leaves last
    // leaf k covers items[leaf_start[k]] to items[leaf_start[k + 1] - 1]
    std::vector<std::uint32_t> leaf_start;
    std::vector<std::uint32_t> items;     // sorted by text, equal texts by item
    std::vector<std::uint32_t> odd;       // items holding a byte outside 'A'..'Z', ascending
    // for the self sums a path of the trie can reach (none when the trie is empty)
    SimilarityVerdict verdict;
};

// Indexes texts of one length for a search (both must outlive the index); an item is the index
// of its text in `texts`. With `include`, only the texts u with (*include)[u] are indexed.
SimilarityIndex index_similar(std::vector<std::string_view> texts, size_t length, const SimilaritySearch& search,
                              const std::vector<char>* include = nullptr);

// Whether every byte of a text is a letter 'A'..'Z' (a letter of the trie).
bool in_letters(std::string_view text);

// The set bits of a mask of at most 26 letters (no popcount instruction is assumed).
inline std::uint32_t bits_in(std::uint32_t m) {
    m = m - ((m >> 1) & 0x55555555u);
    m = (m & 0x33333333u) + ((m >> 2) & 0x33333333u);
    return (((m + (m >> 4)) & 0x0f0f0f0fu) * 0x01010101u) >> 24;
}

// The child of a node (any record with `letters` and `first`) for the letter of `bit`.
template <class TrieNode>
std::uint32_t child_of(const TrieNode& n, std::uint32_t bit) {
    return n.first + bits_in(n.letters & (bit - 1));
}

}  // namespace tessar
