// Exact presence of a fixed list of texts in sequences: which texts occur in a sequence as
// contiguous substrings. This is the value of every binary attribute of the suite before any
// method-specific rule (motif pairs, similar windows) is layered on it.
//
// The texts make one automaton (a trie of the texts with failure links), so a sequence is read
// once, one step per byte, whatever the number and the lengths of the texts. After each byte the
// state is the longest suffix of what was read that is a prefix of some text; every text ending
// there is a suffix of that state, found through a chain of output links.
//
// Layout. Texts and sequences are byte strings. The bytes that some text holds are numbered
// 1..K in byte order (`symbol_of`); any other byte is symbol 0, which no text holds, so it sends
// the automaton back to the root. States are numbered breadth first, so the children of a state
// are consecutive and shallow states come first. The first `n_dense` states (the ones nearly every
// step visits) hold a full row of K + 1 next states; the deeper ones hold only their children and
// fall back through their failure link, which keeps the memory of hundreds of thousands of texts
// bounded. The index keeps no copy of the texts: the trie spells them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessar {

struct PresenceIndex {
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // (as made here, the index of no text)
    std::array<std::uint16_t, 256> symbol_of{};  // byte -> 1..K, 0 for a byte no text holds
    std::uint32_t width = 1;                     // K + 1 symbols
    std::uint32_t n_dense = 1;                   // states 0 .. n_dense-1 have a row in `next`
    std::vector<std::uint32_t> next{0};          // next[s * width + c]: the state after c

    // per state (the root is 0)
    std::vector<std::uint32_t> first_child{1, 1};  // children of s: first_child[s] .. first_child[s+1]-1
    std::vector<std::uint16_t> symbol{0};          // the symbol of the edge into s
    std::vector<std::uint32_t> fail{0};            // the state of s's longest proper suffix
    std::vector<std::uint32_t> output{kNone};      // the longest text that is a suffix of s, or kNone

    // per text of the list; a text with copies stands for them all in `output` and `shorter`
    // (the copy first in the list does)
    struct Links {
        std::uint32_t shorter;  // the next shorter text that is a suffix of this one, or kNone
        std::uint32_t copy;     // the next copy of this text in the list, or kNone
        std::uint32_t first;    // the first copy of this text (itself for the first)
    };
    std::vector<Links> links;
    std::vector<std::uint32_t> lengths;
    std::uint32_t longest = 0;               // the greatest length
    std::vector<std::uint32_t> empty_texts;  // texts of length 0: present in every sequence
};

// Full rows for the shallow states up to this many cells (1 MiB): the first three levels of
// a 20-letter alphabet, which small caches hold. Deeper states keep their children only; most of
// them have one child or none, and benchmarks found larger tables no faster.
constexpr size_t kPresenceDenseCells = size_t{1} << 18;

// Indexes `texts` (any bytes, any lengths, duplicates allowed); the texts are read, not kept.
// `dense_cells` bounds the full rows (tests make it small to reach the sparse states).
PresenceIndex index_texts(const std::vector<std::string>& texts,
                          size_t dense_cells = kPresenceDenseCells);

// The state after reading `c` (a symbol) in state `s`.
inline std::uint32_t presence_step(const PresenceIndex& index, std::uint32_t s, std::uint16_t c) {
    while (s >= index.n_dense) {
        for (std::uint32_t k = index.first_child[s], end = index.first_child[s + 1]; k < end; ++k)
            if (index.symbol[k] == c) return k;
        s = index.fail[s];
    }
    return index.next[size_t{s} * index.width + c];
}

// Calls at_end(text, end) for every position `end` (just past a byte) where some text ends,
// with the longest such text; the ends come in no set order.
//
// Each step waits for the state the step before it read, so a long sequence is read as
// kPresenceLanes stretches side by side, whose steps do not wait for each other. A stretch starts
// `longest` bytes early without reporting: the state after a byte depends on the last `longest`
// bytes only.
constexpr size_t kPresenceLanes = 4;
template <class AtEnd>
void scan_presence(const PresenceIndex& index, std::string_view sequence, AtEnd&& at_end) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(sequence.data());
    auto step = [&index, bytes](std::uint32_t s, size_t i) {
        return presence_step(index, s, index.symbol_of[bytes[i]]);
    };
    const size_t n = sequence.size();
    const size_t stretch = n / kPresenceLanes;
    std::uint32_t s = 0;
    size_t i = 0;  // the next byte of the last stretch, or of the whole sequence
    if (stretch >= 16 && stretch >= 2 * size_t{index.longest}) {
        std::uint32_t lane[kPresenceLanes] = {};
        for (size_t j = 1; j < kPresenceLanes; ++j)
            for (size_t k = j * stretch - index.longest; k < j * stretch; ++k) lane[j] = step(lane[j], k);
        for (size_t k = 0; k < stretch; ++k)
            for (size_t j = 0; j < kPresenceLanes; ++j) {
                lane[j] = step(lane[j], j * stretch + k);
                const std::uint32_t t = index.output[lane[j]];
                if (t != PresenceIndex::kNone) at_end(t, j * stretch + k + 1);
            }
        s = lane[kPresenceLanes - 1];
        i = kPresenceLanes * stretch;
    }
    for (; i < n; ++i) {
        s = step(s, i);
        const std::uint32_t t = index.output[s];
        if (t != PresenceIndex::kNone) at_end(t, i + 1);
    }
}

// Calls found(text, start) for every occurrence in `sequence` of every distinct text, named by
// its first copy in the list (links[text].copy chains the others), in no set order. A text of
// length 0 (each copy) is reported at 0 and at the end.
template <class Found>
void for_each_distinct_occurrence(const PresenceIndex& index, std::string_view sequence, Found&& found) {
    for (std::uint32_t t : index.empty_texts) {
        found(t, size_t{0});
        found(t, sequence.size());
    }
    scan_presence(index, sequence, [&](std::uint32_t t, size_t end) {
        for (; t != PresenceIndex::kNone; t = index.links[t].shorter) found(t, end - index.lengths[t]);
    });
}

// Calls found(text, start) for every occurrence of every text in `sequence`, in no set order
// (the copies of a text one after the other, in list order).
template <class Found>
void for_each_occurrence(const PresenceIndex& index, std::string_view sequence, Found&& found) {
    for_each_distinct_occurrence(index, sequence, [&](std::uint32_t t, size_t start) {
        for (std::uint32_t c = t; c != PresenceIndex::kNone; c = index.links[c].copy) found(c, start);
    });
}

// Working storage of fill_presence, reused from row to row.
struct PresenceScratch {
    std::vector<std::uint64_t> found;  // bit t for text t, found in this row; all 0 between rows
};

// The texts present in `sequence`, ascending, into `ones`.
void fill_presence(const PresenceIndex& index, std::string_view sequence, PresenceScratch& scratch,
                   std::vector<std::uint32_t>& ones);

}  // namespace tessar
