#include "ddms/merge_search.h"

#include "parallel/parallel.h"
#include "ddms/similarity_trie.h"

#include <algorithm>

namespace tessar {

namespace {

// The first two levels of a trie, looked up rather than walked: for each pair of probe letters
// the admitted nodes of depth 2 are listed by decreasing gain, so that a probe takes the head of
// its list and stops at the first node its remaining letters cannot save.
struct StartLists {
    // A node of depth 2 admitted by a pair of probe letters, with the sums of its two positions.
    struct Start {
        double gain = 0;
        std::uint32_t node = 0;
        int pair = 0, self = 0;
    };
    // the list of probe letters a, b ('A' + index): starts[start_at[a * 26 + b]] onwards, up to
    // start_at[a * 26 + b + 1] (empty below length 2)
    std::vector<std::uint32_t> start_at;
    std::vector<Start> starts;
};

// The depth-2 lists of every pair of probe letters, by decreasing gain.
StartLists list_starts(const SimilarityIndex& index) {
    const SimilaritySearch& s = *index.search;
    StartLists lists;
    lists.start_at.assign(26 * 26 + 1, 0);
    if (index.length < 2 || index.items.empty()) return lists;
    const SimilarityIndex::Node& root = index.nodes[0];
    for (int a = 0; a < 26; ++a)
        for (int b = 0; b < 26; ++b) {
            const unsigned char ya = static_cast<unsigned char>('A' + a), yb = static_cast<unsigned char>('A' + b);
            const size_t begin = lists.starts.size();
            for (std::uint32_t m0 = root.letters & s.admits[ya]; m0; m0 &= m0 - 1) {
                const std::uint32_t bit0 = m0 & (0u - m0);
                const int x0 = __builtin_ctz(bit0);
                const SimilarityIndex::Node& n1 = index.nodes[child_of(root, bit0)];
                for (std::uint32_t m1 = n1.letters & s.admits[yb]; m1; m1 &= m1 - 1) {
                    const std::uint32_t bit1 = m1 & (0u - m1);
                    const int x1 = __builtin_ctz(bit1);
                    lists.starts.push_back({s.gain[ya][x0] + s.gain[yb][x1], child_of(n1, bit1),
                                            s.pair[ya][x0] + s.pair[yb][x1], s.self[ya][x0] + s.self[yb][x1]});
                }
            }
            std::stable_sort(lists.starts.begin() + static_cast<std::ptrdiff_t>(begin), lists.starts.end(),
                             [](const StartLists::Start& u, const StartLists::Start& v) { return u.gain > v.gain; });
            lists.start_at[a * 26 + b + 1] = static_cast<std::uint32_t>(lists.starts.size());
        }
    return lists;
}

// A node of the trie as the merge walks it: the index's node with the letters of the children
// that still hold texts waiting for an answer, side by side so that a step reads one record.
struct LiveNode {
    std::uint32_t letters = 0;  // as in SimilarityIndex::Node
    std::uint32_t first = 0;
    std::uint32_t live = 0;     // the children with waiting texts below them (none: 0)
};

// What the probe letter at one depth brings to a step: its rows of the search's tables, and the
// gain a branch must keep to stay alive after it (-kMargin less the best the later letters add).
struct ProbeStep {
    const double* ranked;
    const std::uint32_t* top;
    const int* pair;
    const int* self;
    const double* gain;
    double threshold;
};

// A node on the path of a search, with the sums down to it and its children still to try.
struct Frame {
    double gain;
    std::uint32_t node, todo;
    int pair, self;
};

// Working storage of a search, reused from probe to probe (one per thread).
struct SimilarityScratch {
    std::vector<ProbeStep> steps;
    std::vector<Frame> frames;
};

// Walks the branches of the trie that may hold texts similar to `probe`: below a node only its
// live children are taken, and of those only the ones whose gain keeps the verdict's bound
// alive; keep(node) may refuse the root and the nodes of depth 2 (and their branches);
// similar_leaf(leaf) gets every leaf whose text is similar.
template <class Keep, class Leaf>
void search_trie(const SimilarityIndex& index, const StartLists& lists, const LiveNode* nodes, std::string_view probe,
                 SimilarityScratch& scratch, Keep keep, Leaf similar_leaf) {
    const size_t L = index.length;
    // no text of length 0 is similar to anything (nothing to compare)
    if (L == 0 || index.items.empty() || probe.size() != L) return;
    const SimilaritySearch& s = *index.search;
    const unsigned char* w = reinterpret_cast<const unsigned char*>(probe.data());

    // the probe's letters from the last: the best gain they can still add
    if (scratch.steps.size() < L) {
        scratch.steps.resize(L);
        scratch.frames.resize(L);
    }
    ProbeStep* const steps = scratch.steps.data();
    Frame* const frames = scratch.frames.data();
    double bound = 0, after_two = 0;  // of the letters after c; after the first two
    for (size_t c = L; c-- > 0;) {
        const unsigned char y = w[c];
        steps[c] = {s.ranked[y], s.top[y], s.pair[y], s.self[y], s.gain[y], -SimilarityVerdict::kMargin - bound};
        if (c == 1) after_two = bound;
        bound += s.best[y];
    }
    if (!SimilarityVerdict::may_reach(bound) || !keep(0)) return;

    // The children of a node that keep a branch of gain g alive, the probe letter being that of
    // `step`: the head of its ranking whose gains reach the threshold. The ranking falls, so the
    // head is as long as the count of gains that reach it: counted without a branch over the
    // first eight, which mostly hold it.
    auto alive = [nodes](const ProbeStep& step, std::uint32_t at, double g) {
        const double threshold = step.threshold - g;
        const double* ranked = step.ranked;
        unsigned k = 0;
        for (unsigned i = 0; i < 8; ++i) k += ranked[i] >= threshold;
        if (k == 8)
            while (ranked[k] >= threshold) ++k;
        return nodes[at].live & step.top[k];
    };

    // Depth-first below node `from` at depth d0 with the sums down to it.
    auto descend = [&index, nodes, steps, frames, L, &alive, &similar_leaf](std::uint32_t from, size_t d0, int p0,
                                                                             int q0, double g0) {
        size_t d = d0;
        frames[d] = {g0, from, alive(steps[d], from, g0), p0, q0};
        for (;;) {
            Frame& f = frames[d];
            if (!f.todo) {
                if (d == d0) return;
                --d;
                continue;
            }
            const std::uint32_t bit = f.todo & (0u - f.todo);
            f.todo ^= bit;
            const std::uint32_t child = child_of(nodes[f.node], bit);
            const int x = __builtin_ctz(bit);
            const ProbeStep& step = steps[d];
            const int p = f.pair + step.pair[x];
            const int q = f.self + step.self[x];
            if (d + 1 == L) {
                if (index.verdict.similar(p, q)) similar_leaf(child);
                continue;
            }
            const double g = f.gain + step.gain[x];
            ++d;
            frames[d] = {g, child, alive(steps[d], child, g), p, q};
        }
    };

    if (L == 1) {
        descend(0, 0, 0, 0, 0);
        return;
    }
    // the first two levels from the list of the first two probe letters
    if (w[0] < 'A' || w[0] > 'Z' || w[1] < 'A' || w[1] > 'Z') return;  // no trie letter faces them
    const size_t list = static_cast<size_t>(w[0] - 'A') * 26 + (w[1] - 'A');
    for (std::uint32_t i = lists.start_at[list]; i < lists.start_at[list + 1]; ++i) {
        const StartLists::Start& st = lists.starts[i];
        if (!SimilarityVerdict::may_reach(st.gain + after_two)) break;  // and every one after
        if (!keep(st.node)) continue;
        if (L == 2) {
            if (index.verdict.similar(st.pair, st.self)) similar_leaf(st.node);
        } else {
            descend(st.node, 2, st.pair, st.self, st.gain);
        }
    }
}

// earliest_similar for the texts of one part (include[u]), which must all be in 'A'..'Z': their
// answers go to earliest[u], which no other part writes.
void earliest_in_part(const std::vector<std::string_view>& texts, size_t length, const std::vector<char>& include,
                      const SimilaritySearch& search, std::vector<std::uint32_t>& earliest) {
    const size_t n = texts.size();
    const SimilarityIndex index = index_similar(texts, length, search, &include);
    const StartLists lists = list_starts(index);

    // The nodes as the merge walks them, each with the parent it leaves when it empties. A
    // leaf's `live` counts its texts still waiting for an answer.
    const size_t n_nodes = index.nodes.size();
    std::vector<LiveNode> live(n_nodes);
    std::vector<std::uint32_t> parent(n_nodes, 0), leaf_of(n, 0);
    std::vector<char> waits(n, 0);
    const size_t first_leaf = n_nodes - (index.leaf_start.size() - 1);
    for (size_t k = 0; k < n_nodes; ++k) live[k] = {index.nodes[k].letters, index.nodes[k].first, index.nodes[k].letters};
    for (size_t k = 0; k < first_leaf; ++k)
        for (std::uint32_t c = 0, children = bits_in(index.nodes[k].letters); c < children; ++c)
            parent[index.nodes[k].first + c] = static_cast<std::uint32_t>(k);
    for (size_t leaf = first_leaf; leaf < n_nodes; ++leaf) {
        const std::uint32_t k = index.nodes[leaf].first;
        for (std::uint32_t i = index.leaf_start[k]; i < index.leaf_start[k + 1]; ++i) {
            leaf_of[index.items[i]] = static_cast<std::uint32_t>(leaf);
            waits[index.items[i]] = 1;
        }
        live[leaf].live = index.leaf_start[k + 1] - index.leaf_start[k];
    }
    // u leaves the trie: an emptied node leaves its parent's live children, up to the first
    // node that keeps some (the root empties last: then no text waits)
    auto leave = [&](std::uint32_t u) {
        waits[u] = 0;
        std::uint32_t node = leaf_of[u];
        if (--live[node].live != 0) return;
        for (size_t d = length; d > 0; --d) {
            node = parent[node];
            live[node].live &= ~(1u << (texts[u][d - 1] - 'A'));
            if (live[node].live != 0) return;
        }
    };

    SimilarityScratch scratch;
    for (size_t j = 0; j < n && live[0].live != 0; ++j) {
        if (waits[j]) leave(static_cast<std::uint32_t>(j));  // no earlier text was similar to it
        search_trie(
            index, lists, live.data(), texts[j], scratch, [&](std::uint32_t node) { return live[node].live != 0; },
            [&](std::uint32_t leaf) {
                const std::uint32_t k = live[leaf].first;
                for (std::uint32_t i = index.leaf_start[k]; i < index.leaf_start[k + 1]; ++i) {
                    const std::uint32_t u = index.items[i];
                    if (!waits[u]) continue;
                    earliest[u] = static_cast<std::uint32_t>(j);
                    leave(u);
                }
            });
    }
}

}  // namespace

std::vector<std::uint32_t> earliest_similar(const std::vector<std::string_view>& texts, size_t length,
                                            const std::vector<char>& searching, const SimilarityRule& rule) {
    const size_t n = texts.size();
    std::vector<std::uint32_t> earliest(n);
    for (size_t u = 0; u < n; ++u) earliest[u] = static_cast<std::uint32_t>(u);
    const SimilaritySearch search = make_similarity_search(rule, TrieRole::Candidates);

    // The searching texts are shared out by first letter, the parts as even as the letters
    // allow, and each part searched on a core of its own: a text's answer depends on the
    // earlier texts only, never on the other searching texts.
    constexpr size_t kPerPart = 4096;  // fewer texts than this a part are not worth a thread
    std::vector<size_t> per_letter(26, 0);
    std::vector<char> odd(n, 0);
    for (size_t u = 0; u < n; ++u) {
        if (!searching[u]) continue;
        odd[u] = !in_letters(texts[u]);
        if (!odd[u] && length) ++per_letter[texts[u][0] - 'A'];
    }
    size_t total = 0;
    for (size_t c : per_letter) total += c;
    const size_t parts = std::max<size_t>(1, std::min(thread_count(), total / kPerPart));
    std::vector<int> letters(26);
    for (int x = 0; x < 26; ++x) letters[x] = x;
    std::stable_sort(letters.begin(), letters.end(), [&](int a, int b) { return per_letter[a] > per_letter[b]; });
    std::vector<size_t> load(parts, 0), part_of(26, 0);
    for (int x : letters) {
        const size_t lightest = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        part_of[x] = lightest;
        load[lightest] += per_letter[x];
    }
    std::vector<std::vector<char>> include(parts, std::vector<char>(n, 0));
    for (size_t u = 0; u < n; ++u)
        if (searching[u] && !odd[u]) include[length ? part_of[texts[u][0] - 'A'] : 0][u] = 1;
    parallel_blocks(parts, 1, [&](size_t, size_t begin, size_t end) {
        for (size_t part = begin; part < end; ++part) earliest_in_part(texts, length, include[part], search, earliest);
    });

    // texts holding a byte outside 'A'..'Z', one by one
    for (size_t u = 0; u < n; ++u) {
        if (!odd[u]) continue;
        for (std::uint32_t j = 0; j < u; ++j)
            if (is_similar(rule, texts[j], texts[u])) {
                earliest[u] = j;
                break;
            }
    }
    return earliest;
}

}  // namespace tessar
