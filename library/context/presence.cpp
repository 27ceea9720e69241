#include "context/presence.h"

#include <algorithm>
#include <numeric>

#include "dialogue/dialogue.h"

namespace tessar {

namespace {

// The trie as the sorted texts make it: nodes in depth-first order, the root 0.
struct SortedTrie {
    std::vector<std::uint32_t> parent;
    std::vector<std::uint16_t> symbol;
    std::vector<std::uint32_t> depth;
    std::vector<std::uint32_t> text;  // the text the node spells (its first copy), or kNone
};

// Builds the trie from the non-empty texts in `order` (byte order, copies in list order) and
// chains the copies of each text.
SortedTrie build_sorted_trie(PresenceIndex& index, const std::vector<std::string>& texts,
                             const std::vector<std::uint32_t>& order) {
    SortedTrie trie;
    trie.parent.push_back(PresenceIndex::kNone);
    trie.symbol.push_back(0);
    trie.depth.push_back(0);
    trie.text.push_back(PresenceIndex::kNone);
    std::vector<std::uint32_t> path{0};  // path[d]: the node of the previous text at depth d
    std::uint32_t previous = PresenceIndex::kNone;
    for (std::uint32_t t : order) {
        const std::string_view text = texts[t];
        if (previous != PresenceIndex::kNone && text == texts[previous]) {  // a copy
            index.links[previous].copy = t;
            index.links[t].first = index.links[previous].first;
            previous = t;
            continue;
        }
        // a prefix of a text sorts before it, so the new text leaves the previous path below its
        // end: every node past the shared part is new
        const std::string_view before =
            previous == PresenceIndex::kNone ? std::string_view() : std::string_view(texts[previous]);
        size_t shared = 0;
        while (shared < before.size() && shared < text.size() && before[shared] == text[shared]) ++shared;
        path.resize(text.size() + 1);
        for (size_t d = shared; d < text.size(); ++d) {
            if (trie.parent.size() >= PresenceIndex::kNone)
                fatal("Err: too many texts to index: more than 4294967294 distinct prefixes\n");
            path[d + 1] = static_cast<std::uint32_t>(trie.parent.size());
            trie.parent.push_back(path[d]);
            trie.symbol.push_back(index.symbol_of[static_cast<unsigned char>(text[d])]);
            trie.depth.push_back(static_cast<std::uint32_t>(d + 1));
            trie.text.push_back(PresenceIndex::kNone);
        }
        trie.text[path[text.size()]] = t;
        previous = t;
    }
    return trie;
}

}  // namespace

PresenceIndex index_texts(const std::vector<std::string>& texts, size_t dense_cells) {
    PresenceIndex index;
    if (texts.size() >= PresenceIndex::kNone) fatal("Err: too many texts to index\n");

    // the symbols: the bytes some text holds, numbered in byte order from 1
    std::vector<std::uint32_t> order;
    std::array<bool, 256> held{};
    index.lengths.reserve(texts.size());
    index.links.assign(texts.size(), {PresenceIndex::kNone, PresenceIndex::kNone, 0});
    for (size_t t = 0; t < texts.size(); ++t) {
        index.links[t].first = static_cast<std::uint32_t>(t);
        if (texts[t].size() >= PresenceIndex::kNone) fatal("Err: a text too long to index\n");
        index.lengths.push_back(static_cast<std::uint32_t>(texts[t].size()));
        index.longest = std::max(index.longest, index.lengths.back());
        if (texts[t].empty()) index.empty_texts.push_back(static_cast<std::uint32_t>(t));
        else order.push_back(static_cast<std::uint32_t>(t));
        for (unsigned char c : texts[t]) held[c] = true;
    }
    for (size_t c = 0; c < held.size(); ++c)
        if (held[c]) index.symbol_of[c] = static_cast<std::uint16_t>(index.width++);

    std::stable_sort(order.begin(), order.end(), [&texts](std::uint32_t a, std::uint32_t b) {
        return std::string_view(texts[a]) < std::string_view(texts[b]);
    });
    const SortedTrie trie = build_sorted_trie(index, texts, order);
    const size_t n_states = trie.parent.size();

    // breadth-first numbering: by depth, then in depth-first order, which keeps the children of
    // each state together (their parents are in the same order one level up)
    std::vector<std::uint32_t> renumbered(n_states);
    {
        std::vector<std::uint32_t> at_depth;  // first number of each depth, then the next free one
        for (std::uint32_t d : trie.depth) {
            if (d + 1 >= at_depth.size()) at_depth.resize(d + 2, 0);
            ++at_depth[d + 1];
        }
        std::partial_sum(at_depth.begin(), at_depth.end(), at_depth.begin());
        for (size_t v = 0; v < n_states; ++v) renumbered[v] = at_depth[trie.depth[v]]++;
    }
    std::vector<std::uint32_t> parent(n_states, 0), text(n_states);
    index.symbol.assign(n_states, 0);
    for (size_t v = 0; v < n_states; ++v) {
        const std::uint32_t s = renumbered[v];
        if (v != 0) parent[s] = renumbered[trie.parent[v]];
        index.symbol[s] = trie.symbol[v];
        text[s] = trie.text[v];
    }
    index.first_child.assign(n_states + 1, 0);
    for (size_t s = 1; s < n_states; ++s) ++index.first_child[parent[s] + 1];
    index.first_child[0] = 1;
    std::partial_sum(index.first_child.begin(), index.first_child.end(), index.first_child.begin());

    // failure links, full rows and outputs, state by state: each needs only shallower states
    index.n_dense = static_cast<std::uint32_t>(
        std::clamp<size_t>(dense_cells / index.width, 1, n_states));
    index.next.assign(size_t{index.n_dense} * index.width, 0);
    index.fail.assign(n_states, 0);
    index.output.assign(n_states, PresenceIndex::kNone);
    for (std::uint32_t s = 0; s < n_states; ++s) {
        if (s != 0 && parent[s] != 0) index.fail[s] = presence_step(index, index.fail[parent[s]], index.symbol[s]);
        if (s < index.n_dense) {
            std::uint32_t* row = &index.next[size_t{s} * index.width];
            if (s != 0) std::copy_n(&index.next[size_t{index.fail[s]} * index.width], index.width, row);
            for (std::uint32_t k = index.first_child[s]; k < index.first_child[s + 1]; ++k)
                row[index.symbol[k]] = k;
        }
        if (s == 0) continue;
        const std::uint32_t inherited = index.output[index.fail[s]];
        if (text[s] == PresenceIndex::kNone) {
            index.output[s] = inherited;
        } else {
            index.output[s] = text[s];
            index.links[text[s]].shorter = inherited;
        }
    }
    return index;
}

void fill_presence(const PresenceIndex& index, std::string_view sequence, PresenceScratch& scratch,
                   std::vector<std::uint32_t>& ones) {
    ones.clear();
    std::vector<std::uint64_t>& found = scratch.found;
    found.resize(index.lengths.size() / 64 + 1, 0);
    auto add = [&](std::uint32_t t) {
        found[t / 64] |= std::uint64_t{1} << (t % 64);
        ones.push_back(t);
    };
    for (std::uint32_t t : index.empty_texts) add(t);
    // a text already found in this row was found with its whole chain of shorter suffixes
    scan_presence(index, sequence, [&](std::uint32_t t, size_t) {
        for (; t != PresenceIndex::kNone && !(found[t / 64] >> (t % 64) & 1); t = index.links[t].shorter)
            for (std::uint32_t c = t; c != PresenceIndex::kNone; c = index.links[c].copy) add(c);
    });

    // ascending, the bits left 0: few ones are sorted, many are read out of the bits
    if (ones.size() * 16 < found.size()) {
        for (std::uint32_t t : ones) found[t / 64] = 0;
        std::sort(ones.begin(), ones.end());
        return;
    }
    ones.clear();
    for (size_t w = 0; w < found.size(); ++w) {
        for (std::uint64_t m = found[w]; m; m &= m - 1)
            ones.push_back(static_cast<std::uint32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(m))));
        found[w] = 0;
    }
}

}  // namespace tessar
