#include "discover/rows.h"

#include <algorithm>
#include <bit>

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
    size_t total = 0;
    for (const auto& s : sample) {
        const size_t bits = s.size() + 1;  // positions 0..length
        const int words = static_cast<int>((bits + 63) / 64);
        m.n_words.push_back(words);
        m.last_bits.push_back(bits % 64 ? (uint64_t{1} << (bits % 64)) - 1 : ~uint64_t{0});
        m.mask_at.push_back(total);
        total += static_cast<size_t>(words) * m.n_codes;
    }
    m.masks.assign(total, 0);
    for (size_t i = 0; i < sample.size(); ++i) {
        uint64_t* base = m.masks.data() + m.mask_at[i];
        const int words = m.n_words[i];
        for (size_t j = 1; j <= sample[i].size(); ++j) {
            const int c = m.code[static_cast<unsigned char>(sample[i][j - 1])];
            base[static_cast<size_t>(c) * words + j / 64] |= uint64_t{1} << (j % 64);
        }
    }
    return m;
}

void whole_text_frame(const SampleMasks& masks, RowFrame& frame) {
    frame.clear();
    const int rows = masks.dist + 1;
    for (int s = 0; s < masks.n_sequences; ++s) {
        const int words = masks.n_words[s];
        frame.seqs.push_back(s);
        frame.at.push_back(frame.words.size());
        for (int e = 0; e < rows; ++e) {
            frame.words.insert(frame.words.end(), words - 1, ~uint64_t{0});
            frame.words.push_back(masks.last_bits[s]);
        }
    }
}

void gap_frame(const SampleMasks& masks, const RowFrame& x, RowFrame& frame) {
    frame.clear();
    const int rows = masks.dist + 1;
    for (size_t t = 0; t < x.seqs.size(); ++t) {
        const int s = x.seqs[t];
        const int words = masks.n_words[s];
        const uint64_t* from = x.words.data() + x.at[t];
        frame.seqs.push_back(s);
        frame.at.push_back(frame.words.size());
        for (int e = 0; e < rows; ++e) {
            const uint64_t* row = from + static_cast<size_t>(e) * words;
            int w = 0;
            while (w < words && row[w] == 0) ++w;
            for (int v = 0; v < words; ++v) {
                uint64_t word = 0;
                if (v > w)
                    word = ~uint64_t{0};
                else if (v == w)
                    word = ~uint64_t{0} << std::countr_zero(row[w]);  // from the earliest end on
                if (v == words - 1) word &= masks.last_bits[s];
                frame.words.push_back(word);
            }
        }
    }
}

namespace {

// One sequence's rows extended by one letter (see rows.h); returns the last new row's OR,
// non-zero when the extension occurs. `p` and `n` are rows * words words, `m` the letter's
// mask. D is the number of operations, fixed for the small counts that matter most; the
// generic version (D = -1) reads it from `dist`.
template <int D>
uint64_t step(const uint64_t* p, uint64_t* n, const uint64_t* m, int words, uint64_t last, int dist,
              uint64_t* carry) {
    const int top = D >= 0 ? D : dist;
    // carry[2e], carry[2e+1]: the bit shifted out of the previous word of row e, old and new
    std::fill(carry, carry + 2 * (top + 1), 0);
    uint64_t any = 0;
    for (int w = 0; w < words; ++w) {
        const uint64_t match = m[w];
        uint64_t old_shifted = 0, old_row = 0, new_row = 0;  // row e - 1 at this word
        for (int e = 0; e <= top; ++e) {
            const uint64_t o = p[static_cast<size_t>(e) * words + w];
            const uint64_t shifted = (o << 1) | carry[2 * e];
            carry[2 * e] = o >> 63;
            uint64_t v = shifted & match;
            if (e > 0) {
                v |= old_shifted | old_row | (new_row << 1) | carry[2 * e - 1];
                carry[2 * e - 1] = new_row >> 63;
            }
            if (w == words - 1) v &= last;
            n[static_cast<size_t>(e) * words + w] = v;
            old_shifted = shifted;
            old_row = o;
            new_row = v;
        }
        any |= new_row;
    }
    return any;
}

template <int D>
Extension extend_all(const SampleMasks& masks, const RowFrame& from, int code, RowFrame& to, bool tested,
                     int min_sam) {
    const int sam = masks.n_sequences;
    const int rows = masks.dist + 1;
    // the test gives up at the miss that makes the misses exceed sam - min_sam
    const long give_up = tested ? static_cast<long>(sam) - min_sam + 1 : static_cast<long>(sam) + 1;
    if (give_up <= 0) return {-1, sam > 0 ? 1ul : 0ul};
    std::vector<uint64_t> carry(2 * static_cast<size_t>(rows));
    long misses = 0;
    int previous = -1;  // the last sequence gone through
    for (size_t t = 0; t < from.seqs.size(); ++t) {
        const int s = from.seqs[t];
        // the sequences between are known misses
        const long skipped = s - previous - 1;
        if (misses + skipped >= give_up) return {-1, static_cast<unsigned long>(previous + (give_up - misses) + 1)};
        misses += skipped;
        const int words = masks.n_words[s];
        const size_t size = static_cast<size_t>(rows) * words;
        const size_t at = to.words.size();
        to.words.resize(at + size);
        const uint64_t* m = masks.masks.data() + masks.mask_at[s] + static_cast<size_t>(code) * words;
        if (step<D>(from.words.data() + from.at[t], to.words.data() + at, m, words, masks.last_bits[s],
                    masks.dist, carry.data())) {
            to.seqs.push_back(s);
            to.at.push_back(at);
        } else {
            to.words.resize(at);
            if (++misses >= give_up) return {-1, static_cast<unsigned long>(s + 1)};
        }
        previous = s;
    }
    const long skipped = sam - previous - 1;
    if (misses + skipped >= give_up) return {-1, static_cast<unsigned long>(previous + (give_up - misses) + 1)};
    return {static_cast<int>(to.seqs.size()), tested ? static_cast<unsigned long>(sam) : 0ul};
}

}  // namespace

Extension extend_rows(const SampleMasks& masks, const RowFrame& from, char letter, RowFrame& to, bool tested,
                      int min_sam) {
    to.clear();
    if (masks.n_sequences == 0) return {0, 0};
    // the letters come from the sample's own tree, so each has its masks
    const int code = masks.code[static_cast<unsigned char>(letter)];
    switch (masks.dist) {
    case 0: return extend_all<0>(masks, from, code, to, tested, min_sam);
    case 1: return extend_all<1>(masks, from, code, to, tested, min_sam);
    case 2: return extend_all<2>(masks, from, code, to, tested, min_sam);
    case 3: return extend_all<3>(masks, from, code, to, tested, min_sam);
    default: return extend_all<-1>(masks, from, code, to, tested, min_sam);
    }
}
