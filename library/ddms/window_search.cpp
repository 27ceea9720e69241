#include "ddms/window_search.h"

#include <algorithm>
#include <type_traits>

namespace tessar {

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
            if (is_similar(*s.rule, index.texts[i], sequence.substr(p))) {
                found.push_back(i);
                break;
            }
    // no text of length 0 is similar to anything (nothing to compare)
    if (L == 0 || n < L || index.items.empty()) return;

    const size_t W = facing.n_words;
    const int* pair_at = facing.pair_at.data();
    const SimilarityIndex::Node* nodes = index.nodes.data();
    const SimilarityVerdict& verdict = index.verdict;
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
        if (const int* least = verdict.least_pair_for(leaf_self)) {
            const int need = *least;
            auto reaches = [need](int pair) { return pair >= need; };
            // the common lengths with the sum unrolled
            switch (L) {
            case 4: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<4>{}, reaches); break;
            case 5: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<5>{}, reaches); break;
            case 6: is_similar = any_window_similar(from, places, W, pair_at, offset, Length<6>{}, reaches); break;
            default: is_similar = any_window_similar(from, places, W, pair_at, offset, L, reaches);
            }
        } else {
            is_similar = any_window_similar(from, places, W, pair_at, offset, L, [&verdict, leaf_self](int pair) {
                return verdict.similar(pair, leaf_self);
            });
        }
        if (!is_similar) continue;
        const std::uint32_t k = nodes[at].first;
        found.insert(found.end(), index.items.begin() + index.leaf_start[k], index.items.begin() + index.leaf_start[k + 1]);
    }
}

}  // namespace tessar
