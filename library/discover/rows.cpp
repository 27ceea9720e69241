#include "discover/rows.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define DISCOVER_WIDE_STEP 1  // the 512-bit step is compiled, and used where the processor has it
#endif

#include <algorithm>
#include <bit>

namespace tessar {

void RowFrame::make_room(size_t n, size_t n_words) {
    if (seqs.size() < n) {
        seqs.resize(n);
        at.resize(n);
    }
    if (n_words > capacity) {
        // no value-initialisation: every word is written before it is read
        words.reset(new uint64_t[n_words]);
        capacity = n_words;
    }
}

SampleMasks make_masks(const std::vector<std::string>& sample, int dist) {
    SampleMasks m;
    m.n_sequences = static_cast<int>(sample.size());
    m.dist = dist;
    m.code.fill(-1);
    for (const auto& s : sample)
        for (char ch : s) {
            int& c = m.code[static_cast<unsigned char>(ch)];
            if (c < 0) c = m.n_codes++;
        }
    for (const auto& s : sample) {
        const size_t bits = s.size() + 1;  // positions 0..length
        SequenceShape shape;
        shape.word_at = m.total_words;
        shape.n_words = static_cast<int>((bits + 63) / 64);
        shape.last_bits = bits % 64 ? (uint64_t{1} << (bits % 64)) - 1 : ~uint64_t{0};
        m.shape.push_back(shape);
        m.total_words += shape.n_words;
    }
    m.masks.assign(m.total_words * m.n_codes, 0);
    for (size_t i = 0; i < sample.size(); ++i) {
        const size_t at = m.shape[i].word_at;
        for (size_t j = 1; j <= sample[i].size(); ++j) {
            const int c = m.code[static_cast<unsigned char>(sample[i][j - 1])];
            m.masks[c * m.total_words + at + j / 64] |= uint64_t{1} << (j % 64);
        }
    }
    return m;
}

void whole_text_frame(const SampleMasks& masks, RowFrame& frame) {
    const size_t rows = masks.dist + 1;
    frame.clear();
    frame.make_room(masks.n_sequences, rows * masks.total_words);
    for (int s = 0; s < masks.n_sequences; ++s) {
        const SequenceShape& shape = masks.shape[s];
        frame.seqs[frame.n_seqs] = s;
        frame.at[frame.n_seqs++] = frame.size;
        for (size_t e = 0; e < rows; ++e) {
            uint64_t* row = frame.words.get() + frame.size;
            std::fill(row, row + shape.n_words - 1, ~uint64_t{0});
            row[shape.n_words - 1] = shape.last_bits;
            frame.size += shape.n_words;
        }
    }
}

void gap_frame(const SampleMasks& masks, const RowFrame& x, RowFrame& frame) {
    const size_t rows = masks.dist + 1;
    frame.clear();
    frame.make_room(x.n_seqs, x.size);
    for (size_t t = 0; t < x.n_seqs; ++t) {
        const int s = x.seqs[t];
        const SequenceShape& shape = masks.shape[s];
        const int words = shape.n_words;
        const uint64_t* from = x.words.get() + x.at[t];
        frame.seqs[frame.n_seqs] = s;
        frame.at[frame.n_seqs++] = frame.size;
        for (size_t e = 0; e < rows; ++e) {
            const uint64_t* row = from + e * words;
            int w = 0;
            while (w < words && row[w] == 0) ++w;
            for (int v = 0; v < words; ++v) {
                uint64_t word = 0;
                if (v > w)
                    word = ~uint64_t{0};
                else if (v == w)
                    word = ~uint64_t{0} << std::countr_zero(row[w]);  // from the earliest end on
                if (v == words - 1) word &= shape.last_bits;
                frame.words[frame.size++] = word;
            }
        }
    }
}

namespace {

// One sequence's rows extended by one letter (see rows.h); returns the last new row's OR,
// non-zero when the extension occurs. `p` and `n` hold rows * words words, `m` the letter's
// mask. D is the number of operations, a constant so that the rows' carries stay in
// registers; the generic version (D < 0) reads it from `dist`.
template <int D>
uint64_t step(const uint64_t* __restrict p, uint64_t* __restrict n, const uint64_t* __restrict m, int words,
              uint64_t last, int dist, uint64_t* __restrict spare) {
    constexpr int kFixed = D >= 0 ? D + 1 : 1;
    const int rows = D >= 0 ? D + 1 : dist + 1;
    // the previous word of each old and each new row, for the bit shifted in at the bottom
    uint64_t fixed_old[kFixed] = {}, fixed_new[kFixed] = {};
    uint64_t* old_prev = fixed_old;
    uint64_t* new_prev = fixed_new;
    if constexpr (D < 0) {
        old_prev = spare;
        new_prev = spare + rows;
        std::fill(spare, spare + 2 * rows, 0);
    }
    uint64_t any = 0;
    for (int w = 0; w < words; ++w) {
        const uint64_t match = m[w];
        const uint64_t keep = w == words - 1 ? last : ~uint64_t{0};
        uint64_t below_old = 0, below_shifted = 0, below_new_shifted = 0;  // row e - 1 at this word
#pragma GCC unroll 16
        for (int e = 0; e < rows; ++e) {
            const uint64_t o = p[static_cast<size_t>(e) * words + w];
            const uint64_t shifted = (o << 1) | (old_prev[e] >> 63);
            old_prev[e] = o;
            uint64_t v = shifted & match;
            if (e > 0) v |= below_shifted | below_old | below_new_shifted;
            v &= keep;
            below_new_shifted = (v << 1) | (new_prev[e] >> 63);
            new_prev[e] = v;
            n[static_cast<size_t>(e) * words + w] = v;
            below_old = o;
            below_shifted = shifted;
        }
        any |= new_prev[rows - 1];
    }
    return any;
}

#ifdef DISCOVER_WIDE_STEP
// Shifts and lane moves are used in their zero-masked forms: the plain forms start from an
// undefined register, which some compilers warn about.
constexpr __mmask8 kAllLanes = 0xFF;

// The same step with one 512-bit register per row, eight words at a time, for processors that
// have the instructions (checked once, at run time). A lane's top bit moves into the next
// lane's bottom through alignr with the previous chunk. Lanes past the sequence's words are
// neither loaded nor stored, and bits only ever move upwards, so they cannot reach the
// sequence's positions.
template <int D>
[[gnu::always_inline]] inline __attribute__((target("avx512f"))) uint64_t step_wide(
    const uint64_t* __restrict p, uint64_t* __restrict n, const uint64_t* __restrict m, int words, uint64_t last) {
    constexpr int kRows = D + 1;
    __m512i old_prev[kRows], new_prev[kRows];
    for (int e = 0; e < kRows; ++e) old_prev[e] = new_prev[e] = _mm512_setzero_si512();
    const __m512i ones = _mm512_set1_epi64(-1);
    __mmask8 any = 0;
    for (int c = 0; c < words; c += 8) {
        const int lanes = std::min(8, words - c);
        const __mmask8 k = static_cast<__mmask8>((1u << lanes) - 1);
        const __m512i match = _mm512_maskz_loadu_epi64(k, m + c);
        // every bit but those past the last position
        const __m512i keep = c + 8 >= words ? _mm512_mask_set1_epi64(ones, static_cast<__mmask8>(1u << (lanes - 1)),
                                                                     static_cast<long long>(last))
                                            : ones;
        __m512i below_old = _mm512_setzero_si512(), below_shifted = below_old, below_new_shifted = below_old;
#pragma GCC unroll 16
        for (int e = 0; e < kRows; ++e) {
            const __m512i o = _mm512_maskz_loadu_epi64(k, p + static_cast<size_t>(e) * words + c);
            const __m512i shifted = _mm512_or_si512(
                _mm512_maskz_slli_epi64(kAllLanes, o, 1),
                _mm512_maskz_srli_epi64(kAllLanes, _mm512_maskz_alignr_epi64(kAllLanes, o, old_prev[e], 7), 63));
            old_prev[e] = o;
            __m512i v = _mm512_and_si512(shifted, match);
            if (e > 0)
                v = _mm512_or_si512(v, _mm512_or_si512(below_shifted, _mm512_or_si512(below_old, below_new_shifted)));
            v = _mm512_and_si512(v, keep);
            below_new_shifted = _mm512_or_si512(
                _mm512_maskz_slli_epi64(kAllLanes, v, 1),
                _mm512_maskz_srli_epi64(kAllLanes, _mm512_maskz_alignr_epi64(kAllLanes, v, new_prev[e], 7), 63));
            new_prev[e] = v;
            _mm512_mask_storeu_epi64(n + static_cast<size_t>(e) * words + c, k, v);
            below_old = o;
            below_shifted = shifted;
        }
        any |= _mm512_mask_test_epi64_mask(k, new_prev[D], new_prev[D]);
    }
    return any;
}

// step_wide for rows of at most eight words (sequences of up to 511 residues, most of them):
// one register per row, nothing carried in from below.
template <int D>
[[gnu::always_inline]] inline __attribute__((target("avx512f"))) uint64_t step_wide_short(
    const uint64_t* __restrict p, uint64_t* __restrict n, const uint64_t* __restrict m, int words, uint64_t last) {
    const __m512i zero = _mm512_setzero_si512();
    const __mmask8 k = static_cast<__mmask8>((1u << words) - 1);
    const __m512i match = _mm512_maskz_loadu_epi64(k, m);
    const __m512i keep =
        _mm512_mask_set1_epi64(_mm512_set1_epi64(-1), static_cast<__mmask8>(1u << (words - 1)), static_cast<long long>(last));
    auto shift_up = [&](__m512i x) __attribute__((target("avx512f"))) {
        return _mm512_or_si512(_mm512_maskz_slli_epi64(kAllLanes, x, 1),
                               _mm512_maskz_srli_epi64(kAllLanes, _mm512_maskz_alignr_epi64(kAllLanes, x, zero, 7), 63));
    };
    __m512i below_old = zero, below_shifted = zero, below_new = zero;
#pragma GCC unroll 16

    for (int e = 0; e <= D; ++e) {
        const __m512i o = _mm512_maskz_loadu_epi64(k, p + static_cast<size_t>(e) * words);
        const __m512i shifted = shift_up(o);
        __m512i v = _mm512_and_si512(shifted, match);
        if (e > 0) v = _mm512_or_si512(v, _mm512_or_si512(below_shifted, _mm512_or_si512(below_old, shift_up(below_new))));
        v = _mm512_and_si512(v, keep);
        _mm512_mask_storeu_epi64(n + static_cast<size_t>(e) * words, k, v);
        below_old = o;
        below_shifted = shifted;
        below_new = v;
    }
    return _mm512_mask_test_epi64_mask(k, below_new, below_new);
}

// The wide step as the sample loop takes it, short rows or not.
template <int D>
[[gnu::always_inline]] inline __attribute__((target("avx512f"))) uint64_t step_wide_any(
    const uint64_t* __restrict p, uint64_t* __restrict n, const uint64_t* __restrict m, int words, uint64_t last) {
    return words <= 8 ? step_wide_short<D>(p, n, m, words, last) : step_wide<D>(p, n, m, words, last);
}

// The same on its own, for callers compiled without the instructions.
template <int D>
__attribute__((target("avx512f"), noinline)) uint64_t step_wide_alone(const uint64_t* p, uint64_t* n,
                                                                     const uint64_t* m, int words, uint64_t last) {
    return step_wide_any<D>(p, n, m, words, last);
}
#endif

// The bookkeeping of an occurrence test as it goes through the sample in order: it gives up
// at the miss that makes the misses exceed n_sequences - min_sequences, the sequences its
// pattern's prefix already misses counted as they are passed.
struct Tally {
    long give_up;        // misses at which the test gives up (past every count when not testing)
    long misses = 0;
    int previous = -1;   // the last sequence gone through
    Extension result{};  // set when the test gives up

    // Passes the known misses before sequence s; whether the test gives up among them.
    bool skip_to(int s) {
        const long skipped = s - previous - 1;
        if (misses + skipped >= give_up) {
            result = {-1, static_cast<unsigned long>(previous + (give_up - misses) + 1)};
            return true;
        }
        misses += skipped;
        previous = s;
        return false;
    }
    // Counts sequence s (the last passed); whether the test gives up at it.
    bool count(bool hit) {
        misses += !hit;
        if (misses < give_up) return false;
        result = {-1, static_cast<unsigned long>(previous + 1)};
        return true;
    }
};

// The sample loop (discover/sample_loop.inc) is written once and compiled twice: around the
// one-word step, and for 512-bit registers around the wide step, which only a function compiled
// for them can take inlined (a loop shared through a template would not carry the target to its
// step). Each copy finds its step as sample_step<D> in its own namespace.
namespace narrow {
template <int D>
inline uint64_t sample_step(const uint64_t* p, uint64_t* n, const uint64_t* m, int words, uint64_t last, int dist,
                            uint64_t* spare) {
    return step<D>(p, n, m, words, last, dist, spare);
}
#define SAMPLE_LOOP_TARGET
#include "discover/sample_loop.inc"
#undef SAMPLE_LOOP_TARGET
}  // namespace narrow

#ifdef DISCOVER_WIDE_STEP
namespace wide {
template <int D>
[[gnu::always_inline]] inline __attribute__((target("avx512f"))) uint64_t sample_step(
    const uint64_t* p, uint64_t* n, const uint64_t* m, int words, uint64_t last, int, uint64_t*) {
    return step_wide_any<D>(p, n, m, words, last);
}
#define SAMPLE_LOOP_TARGET __attribute__((target("avx512f")))
#include "discover/sample_loop.inc"
#undef SAMPLE_LOOP_TARGET
}  // namespace wide
#endif

template <int D>
Extension extend_all(const SampleMasks& masks, const RowFrame& from, int code, RowFrame& to, bool tested,
                     int min_sequences) {
#ifdef DISCOVER_WIDE_STEP
    if constexpr (D >= 0)
        if (has_wide_words()) return wide::extend_sample<D>(masks, from, code, to, tested, min_sequences);
#endif
    return narrow::extend_sample<D>(masks, from, code, to, tested, min_sequences);
}

}  // namespace

bool has_wide_words() {
#ifdef DISCOVER_WIDE_STEP
    static const bool has = __builtin_cpu_supports("avx512f");
    return has;
#else
    return false;
#endif
}

bool extend_sequence(const SampleMasks& masks, int seq, const uint64_t* from, char letter, uint64_t* to,
                     bool wide) {
    const SequenceShape& shape = masks.shape[seq];
    const uint64_t* m = masks.masks.data() + masks.code[static_cast<unsigned char>(letter)] * masks.total_words +
                        shape.word_at;
    std::vector<uint64_t> spare(2 * static_cast<size_t>(masks.dist + 1));
#ifdef DISCOVER_WIDE_STEP
    // every count of operations the search takes the wide step for
    if (wide && has_wide_words()) switch (masks.dist) {
        case 0: return step_wide_alone<0>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 1: return step_wide_alone<1>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 2: return step_wide_alone<2>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 3: return step_wide_alone<3>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 4: return step_wide_alone<4>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 5: return step_wide_alone<5>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 6: return step_wide_alone<6>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 7: return step_wide_alone<7>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 8: return step_wide_alone<8>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 9: return step_wide_alone<9>(from, to, m, shape.n_words, shape.last_bits) != 0;
        case 10: return step_wide_alone<10>(from, to, m, shape.n_words, shape.last_bits) != 0;
        default: break;
        }
#else
    (void)wide;
#endif
    return step<-1>(from, to, m, shape.n_words, shape.last_bits, masks.dist, spare.data()) != 0;
}

Extension extend_rows(const SampleMasks& masks, const RowFrame& from, char letter, RowFrame& to, bool tested,
                      int min_sequences) {
    to.clear();
    if (masks.n_sequences == 0) return {0, 0};
    const int code = masks.code[static_cast<unsigned char>(letter)];
    switch (masks.dist) {
    case 0: return extend_all<0>(masks, from, code, to, tested, min_sequences);
    case 1: return extend_all<1>(masks, from, code, to, tested, min_sequences);
    case 2: return extend_all<2>(masks, from, code, to, tested, min_sequences);
    case 3: return extend_all<3>(masks, from, code, to, tested, min_sequences);
    case 4: return extend_all<4>(masks, from, code, to, tested, min_sequences);
    case 5: return extend_all<5>(masks, from, code, to, tested, min_sequences);
    case 6: return extend_all<6>(masks, from, code, to, tested, min_sequences);
    case 7: return extend_all<7>(masks, from, code, to, tested, min_sequences);
    case 8: return extend_all<8>(masks, from, code, to, tested, min_sequences);
    case 9: return extend_all<9>(masks, from, code, to, tested, min_sequences);
    case 10: return extend_all<10>(masks, from, code, to, tested, min_sequences);
    default: return extend_all<-1>(masks, from, code, to, tested, min_sequences);
    }
}

}  // namespace tessar
