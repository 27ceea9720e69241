#include "ddms/similar.h"

#include "parallel/parallel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace tessar {

namespace {

constexpr double kNoGain = -std::numeric_limits<double>::infinity();

// A branch whose best reachable gain lies below -kMargin cannot hold a similar text: the bound
// adds at most a few thousand terms of magnitude below 100, off by far less than that.
constexpr double kMargin = 1e-6;

bool in_letters(std::string_view text) {
    for (char c : text)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

// The set bits of a mask of at most 26 letters (no popcount instruction is assumed).
std::uint32_t bits_in(std::uint32_t m) {
    m = m - ((m >> 1) & 0x55555555u);
    m = (m & 0x33333333u) + ((m >> 2) & 0x33333333u);
    return (((m + (m >> 4)) & 0x0f0f0f0fu) * 0x01010101u) >> 24;
}

// pair - Score * self of one letter pair, for the bound: a pair outside the alphabet (self 0)
// gains nothing whatever the Score; a Score that is not a number makes nothing similar, so its
// gains count as none.
double gain_of(int pair, int self, double Score) {
    const double gain = self ? pair - Score * self : pair;
    return std::isnan(gain) ? kNoGain : gain;
}

// Substitute's verdict on sums taken over positions that all may face each other.
bool similar_sums(int pair, int self, float Score) {
    // only letters outside the alphabet: nothing to compare, never similar
    if (self == 0) return false;
    const float quotient = static_cast<float>(pair) / static_cast<float>(self);
    return quotient > Score;
}

// The least pair sum Substitute takes as similar for each self sum from 1 to the largest a path
// of the trie can reach (L times the largest diagonal entry of a trie letter against itself).
// For a self sum above 0 the float quotient never falls as the pair sum grows, so the similar
// pair sums are those from some least one on, found by bisection; none: INT_MAX.
std::vector<int> least_pairs(const SimilaritySearch& s, size_t length) {
    int diagonal = 0;
    for (int x = 0; x < 26; ++x) diagonal = std::max(diagonal, s.self['A' + x][x]);
    const size_t most = length * static_cast<size_t>(diagonal);
    std::vector<int> least(most + 1, std::numeric_limits<int>::max());
    constexpr int kFar = 1 << 29;  // beyond any pair sum: entries are small, texts short of 2^24
    for (size_t self = 1; self <= most; ++self) {
        const int q = static_cast<int>(self);
        if (!similar_sums(kFar, q, s.rule->Score)) continue;
        int lo = -kFar, hi = kFar;  // similar at hi; lo tested last, or never
        if (similar_sums(lo, q, s.rule->Score)) hi = lo;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            (similar_sums(mid, q, s.rule->Score) ? hi : lo) = mid;
        }
        least[self] = hi;
    }
    return least;
}

// Substitute's verdict on the sums of a path of the index's trie.
bool similar_path(const SimilarityIndex& index, int pair, int self) {
    const std::vector<int>& least = index.least_pair;
    if (self > 0 && static_cast<size_t>(self) < least.size()) return pair >= least[static_cast<size_t>(self)];
    return similar_sums(pair, self, index.search->rule->Score);
}

// The trie of the texts for which include(i) holds (see the header for the layout).
void build_trie(SimilarityIndex& index, const std::vector<char>* include) {
    const std::vector<std::string_view>& t = index.texts;
    for (size_t i = 0; i < t.size(); ++i) {
        if (include && !(*include)[i]) continue;
        (in_letters(t[i]) ? index.items : index.odd).push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(index.items.begin(), index.items.end(),
                     [&t](std::uint32_t a, std::uint32_t b) { return t[a] < t[b]; });

    // level by level: the children of a node split its items by their letter at its depth
    struct Span {
        std::uint32_t lo, hi;
    };
    std::vector<SimilarityIndex::Node>& nodes = index.nodes;
    std::vector<Span> spans = {{0, static_cast<std::uint32_t>(index.items.size())}};
    nodes.push_back({});
    size_t level = 0;
    for (size_t d = 0; d < index.length; ++d) {
        const size_t end = nodes.size();
        for (size_t k = level; k < end; ++k) {
            nodes[k].first = static_cast<std::uint32_t>(nodes.size());
            for (std::uint32_t i = spans[k].lo, hi = spans[k].hi; i < hi;) {
                const char letter = t[index.items[i]][d];
                std::uint32_t j = i + 1;
                while (j < hi && t[index.items[j]][d] == letter) ++j;
                nodes[k].letters |= 1u << (letter - 'A');
                nodes.push_back({});
                spans.push_back({i, j});
                i = j;
            }
        }
        level = end;
    }
    for (size_t k = level; k < nodes.size(); ++k) {
        nodes[k].first = static_cast<std::uint32_t>(index.leaf_start.size());
        index.leaf_start.push_back(spans[k].lo);
    }
    index.leaf_start.push_back(static_cast<std::uint32_t>(index.items.size()));
}

std::uint32_t child_of(const SimilarityIndex::Node& n, std::uint32_t bit) {
    return n.first + bits_in(n.letters & (bit - 1));
}

// The depth-2 lists of every pair of probe letters, by decreasing gain.
void list_starts(SimilarityIndex& index) {
    const SimilaritySearch& s = *index.search;
    index.start_at.assign(26 * 26 + 1, 0);
    if (index.length < 2 || index.items.empty()) return;
    const SimilarityIndex::Node& root = index.nodes[0];
    for (int a = 0; a < 26; ++a)
        for (int b = 0; b < 26; ++b) {
            const unsigned char ya = static_cast<unsigned char>('A' + a), yb = static_cast<unsigned char>('A' + b);
            const size_t begin = index.starts.size();
            for (std::uint32_t m0 = root.letters & s.admits[ya]; m0; m0 &= m0 - 1) {
                const std::uint32_t bit0 = m0 & (0u - m0);
                const int x0 = __builtin_ctz(bit0);
                const SimilarityIndex::Node& n1 = index.nodes[child_of(root, bit0)];
                for (std::uint32_t m1 = n1.letters & s.admits[yb]; m1; m1 &= m1 - 1) {
                    const std::uint32_t bit1 = m1 & (0u - m1);
                    const int x1 = __builtin_ctz(bit1);
                    index.starts.push_back({s.gain[ya][x0] + s.gain[yb][x1], child_of(n1, bit1),
                                            s.pair[ya][x0] + s.pair[yb][x1], s.self[ya][x0] + s.self[yb][x1]});
                }
            }
            std::stable_sort(index.starts.begin() + static_cast<std::ptrdiff_t>(begin), index.starts.end(),
                             [](const SimilarityIndex::Start& u, const SimilarityIndex::Start& v) { return u.gain > v.gain; });
            index.start_at[a * 26 + b + 1] = static_cast<std::uint32_t>(index.starts.size());
        }
}

// A node of the trie as the merge walks it: the index's node with the letters of the children
// that still hold texts waiting for an answer, side by side so that a step reads one record.
struct LiveNode {
    std::uint32_t letters = 0;  // as in SimilarityIndex::Node
    std::uint32_t first = 0;
    std::uint32_t live = 0;     // the children with waiting texts below them (none: 0)
};

std::uint32_t child_of(const LiveNode& n, std::uint32_t bit) { return n.first + bits_in(n.letters & (bit - 1)); }

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
// live children are taken; keep(node) may refuse the root and the nodes of depth 2 (and their
// branches); similar_leaf(leaf) gets every leaf whose text is similar.
template <class Keep, class Leaf>
void search_trie(const SimilarityIndex& index, const LiveNode* nodes, std::string_view probe,
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
        steps[c] = {s.ranked[y], s.top[y], s.pair[y], s.self[y], s.gain[y], -kMargin - bound};
        if (c == 1) after_two = bound;
        bound += s.best[y];
    }
    if (bound < -kMargin || !keep(0)) return;

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
                if (similar_path(index, p, q)) similar_leaf(child);
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
    for (std::uint32_t i = index.start_at[list]; i < index.start_at[list + 1]; ++i) {
        const SimilarityIndex::Start& st = index.starts[i];
        if (st.gain + after_two < -kMargin) break;  // and every one after
        if (!keep(st.node)) continue;
        if (L == 2) {
            if (similar_path(index, st.pair, st.self)) similar_leaf(st.node);
        } else {
            descend(st.node, 2, st.pair, st.self, st.gain);
        }
    }
}

}  // namespace

SimilaritySearch make_similarity_search(const SimilarityRule& rule, TrieRole role) {
    SimilaritySearch s;
    s.rule = &rule;
    s.role = role;
    for (int y = 0; y < 256; ++y) {
        s.admits[y] = 0;
        s.best[y] = kNoGain;
        int ranking[26];
        unsigned admitted = 0;
        for (int x = 0; x < 26; ++x) {
            s.pair[y][x] = s.self[y][x] = 0;
            s.gain[y][x] = kNoGain;
            const int letter = 'A' + x;
            // the reference letter first
            const int ref = role == TrieRole::References ? letter : y;
            const int cand = role == TrieRole::References ? y : letter;
            if (!rule.facing[ref * 256 + cand]) continue;
            s.admits[y] |= 1u << x;
            ranking[admitted++] = x;
            const int a = Index(static_cast<char>(ref)), b = Index(static_cast<char>(cand));
            if (a >= 0 && b >= 0) {
                s.pair[y][x] = rule.MS[a][b];
                s.self[y][x] = rule.MS[a][a];
            }
            s.gain[y][x] = gain_of(s.pair[y][x], s.self[y][x], rule.Score);
            s.best[y] = std::max(s.best[y], s.gain[y][x]);
        }
        std::stable_sort(ranking, ranking + admitted, [&](int u, int v) { return s.gain[y][u] > s.gain[y][v]; });
        s.top[y][0] = 0;
        for (unsigned k = 0; k < admitted; ++k) {
            s.ranked[y][k] = s.gain[y][ranking[k]];
            s.top[y][k + 1] = s.top[y][k] | 1u << ranking[k];
        }
        for (unsigned k = admitted; k < 27; ++k) {
            s.ranked[y][k] = std::numeric_limits<double>::quiet_NaN();
            if (k < 26) s.top[y][k + 1] = s.top[y][k];
        }
    }
    return s;
}

namespace {

// The sets of bits moved at once: deeper ones are made as needed, for few texts are that long.
constexpr size_t kEarlyDepths = 16;

// Bits p of `to` from bits p + d of `from`, sets of W words.
void move_down(const std::uint64_t* from, size_t d, size_t W, std::uint64_t* to) {
    const size_t q = d / 64, r = d % 64;
    for (size_t w = 0; w < W; ++w) {
        std::uint64_t v = w + q < W ? from[w + q] >> r : 0;
        if (r && w + q + 1 < W) v |= from[w + q + 1] << (64 - r);
        to[w] = v;
    }
}

// The places where letter x may face residue d places further on (bit p for place p + d),
// made on first use for this sequence when d is beyond the early ones.
const std::uint64_t* moved_places(SequenceFacing& f, size_t d, int x) {
    const size_t W = f.n_words;
    if (d < f.early) return f.bits.data() + (d * 26 + static_cast<size_t>(x)) * W;
    const size_t at = d * 26 + static_cast<size_t>(x);
    if (f.slot.size() <= at) f.slot.resize((d + 1) * 26, 0);
    if (f.slot[at] == 0) {
        f.made.push_back(static_cast<std::uint32_t>(at));
        f.slot[at] = static_cast<std::uint32_t>(f.made.size());
        f.moved.resize(f.made.size() * W);
        move_down(f.bits.data() + static_cast<size_t>(x) * W, d, W, f.moved.data() + (f.made.size() - 1) * W);
    }
    return f.moved.data() + (f.slot[at] - 1) * W;
}

template <size_t N>
using Length = std::integral_constant<size_t, N>;

// 1 when one of the windows in from & places (bit p: the window at place p) has a pair sum that
// `similar` accepts: the entries pair_at[(p + c) * 26 + letter c] at offset[c] for c below L.
template <class L, class Similar>
bool any_window_similar(const std::uint64_t* from, const std::uint64_t* places, size_t W, const int* pair_at,
                        const int* offset, L length, Similar similar) {
    bool found = false;
    for (size_t w = 0; w < W; ++w)
        for (std::uint64_t m = from[w] & places[w]; m; m &= m - 1) {
            const int* window = pair_at + (w * 64 + static_cast<size_t>(__builtin_ctzll(m))) * 26;
            int pair = 0;
            for (size_t c = 0; c < length; ++c) pair += window[offset[c]];
            found |= similar(pair);
        }
    return found;
}

}  // namespace

SimilarityIndex index_similar(std::vector<std::string_view> texts, size_t length, const SimilaritySearch& search) {
    SimilarityIndex index;
    index.search = &search;
    index.length = length;
    index.texts = std::move(texts);
    build_trie(index, nullptr);
    if (!index.items.empty()) index.least_pair = least_pairs(search, length);
    return index;
}

void face_sequence(const SimilaritySearch& search, std::string_view sequence, size_t depths, SequenceFacing& facing) {
    facing.sequence = sequence;
    const size_t W = facing.n_words = sequence.size() / 64 + 1;
    facing.letters = 0;
    facing.early = std::max<size_t>(1, std::min({depths, sequence.size(), kEarlyDepths}));
    facing.bits.assign(facing.early * 26 * W, 0);
    facing.pair_at.resize(26 * sequence.size());
    for (std::uint32_t at : facing.made) facing.slot[at] = 0;
    facing.made.clear();
    facing.moved.clear();
    for (size_t q = 0; q < sequence.size(); ++q) {
        const std::uint32_t admits = search.admits[static_cast<unsigned char>(sequence[q])];
        facing.letters |= admits;
        for (std::uint32_t m = admits; m; m &= m - 1)
            facing.bits[__builtin_ctz(m) * facing.n_words + q / 64] |= std::uint64_t{1} << (q % 64);
        const int* pair = search.pair[static_cast<unsigned char>(sequence[q])];
        std::copy(pair, pair + 26, facing.pair_at.begin() + static_cast<std::ptrdiff_t>(q * 26));
    }
    for (size_t d = 1; d < facing.early; ++d)
        for (std::uint32_t m = facing.letters; m; m &= m - 1) {
            const size_t x = static_cast<size_t>(__builtin_ctz(m));
            move_down(facing.bits.data() + x * W, d, W, facing.bits.data() + (d * 26 + x) * W);
        }
}

void find_similar_windows(const SimilarityIndex& index, SequenceFacing& facing, WindowScratch& scratch,
                          std::vector<std::uint32_t>& found) {
    const SimilaritySearch& s = *index.search;
    const std::string_view sequence = facing.sequence;
    const size_t L = index.length, n = sequence.size();
    // texts holding a byte outside 'A'..'Z', window by window
    for (std::uint32_t i : index.odd)
        for (size_t p = 0; p + L <= n; ++p)
            if (Substitute(*s.rule, index.texts[i], sequence.substr(p))) {
                found.push_back(i);
                break;
            }
    // no text of length 0 is similar to anything (nothing to compare)
    if (L == 0 || n < L || index.items.empty()) return;

    const size_t W = facing.n_words;
    const int* pair_at = facing.pair_at.data();
    const SimilarityIndex::Node* nodes = index.nodes.data();
    const float Score = s.rule->Score;
    const std::vector<int>& least = index.least_pair;
    scratch.alive.assign(L * W, 0);
    scratch.child.resize(L);
    scratch.todo.resize(L);
    scratch.offset.resize(L);
    scratch.self.resize(L + 1);
    std::uint64_t* alive = scratch.alive.data();
    std::uint32_t* child = scratch.child.data();
    std::uint32_t* todo = scratch.todo.data();
    int* offset = scratch.offset.data();  // of the path's letter at each depth in a window's pair_at
    int* self = scratch.self.data();  // the reference's diagonal entries down to each depth

    // every window, by its first place
    for (size_t p = 0; p + L <= n; ++p) alive[p / 64] |= std::uint64_t{1} << (p % 64);
    // the children of the node at depth d still to try, and the index of the next one (they are
    // taken in letter order, so the index only counts up)
    auto enter = [&](size_t d, std::uint32_t at) {
        todo[d] = nodes[at].letters;
        child[d] = nodes[at].first;
    };
    size_t d = 0;
    enter(0, 0);
    self[0] = 0;
    for (;;) {
        if (!todo[d]) {
            if (d == 0) return;
            --d;
            continue;
        }
        const std::uint32_t bit = todo[d] & (0u - todo[d]);
        todo[d] ^= bit;
        const std::uint32_t at = child[d]++;
        if (!(bit & facing.letters)) continue;
        const int x = __builtin_ctz(bit);
        // the windows that also face x at their place d
        const std::uint64_t* from = alive + d * W;
        const std::uint64_t* places = moved_places(facing, d, x);
        offset[d] = static_cast<int>(d) * 26 + x;
        if (d + 1 < L) {
            std::uint64_t* to = alive + (d + 1) * W;
            std::uint64_t any = 0;
            for (size_t w = 0; w < W; ++w) {
                const std::uint64_t v = from[w] & places[w];
                to[w] = v;
                any |= v;
            }
            if (!any) continue;
            self[d + 1] = self[d] + s.self['A' + x][x];
            ++d;
            enter(d, at);
            continue;
        }
        // a leaf: the windows left face it everywhere; it is similar when one of them is (most
        // are not, and few are left, so all are tried: no branch on each verdict)
        const int leaf_self = self[d] + s.self['A' + x][x];
        bool is_similar = false;
        if (leaf_self > 0 && static_cast<size_t>(leaf_self) < least.size()) {
            const int need = least[static_cast<size_t>(leaf_self)];
            auto reaches = [need](int pair) { return pair >= need; };
            // the common lengths with the sum unrolled
            switch (L) {
            case 4: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<4>{}, reaches); break;
            case 5: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<5>{}, reaches); break;
            case 6: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<6>{}, reaches); break;
            default: is_similar = any_window_similar(from, places, W, pair_at, offset, L, reaches);
            }
        } else {
            is_similar = any_window_similar(from, places, W, pair_at, offset, L, [leaf_self, Score](int pair) {
                return similar_sums(pair, leaf_self, Score);
            });
        }
        if (!is_similar) continue;
        const std::uint32_t k = nodes[at].first;
        found.insert(found.end(), index.items.begin() + index.leaf_start[k], index.items.begin() + index.leaf_start[k + 1]);
    }
}

namespace {

// earliest_similar for the texts of one part (include[u]), which must all be in 'A'..'Z': their
// answers go to earliest[u], which no other part writes.
void earliest_in_part(const std::vector<std::string_view>& texts, size_t length, const std::vector<char>& include,
                      const SimilaritySearch& search, std::vector<std::uint32_t>& earliest) {
    const size_t n = texts.size();
    SimilarityIndex index;
    index.search = &search;
    index.length = length;
    index.texts = texts;
    build_trie(index, &include);
    list_starts(index);
    if (!index.items.empty()) index.least_pair = least_pairs(search, length);

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
            index, live.data(), texts[j], scratch, [&](std::uint32_t node) { return live[node].live != 0; },
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
            if (Substitute(rule, texts[j], texts[u])) {
                earliest[u] = j;
                break;
            }
    }
    return earliest;
}

}  // namespace tessar
