// Approximate occurrence of a motif carried from a pattern to its one-letter extensions.
//
// For a sequence s of n residues and a pattern P of m letters, D[j] (j from 0 to n) is the
// least number of edit operations (substitution, insertion, deletion of one residue) that turn
// P into some substring of s ending after residue j. Row e is the bit set {j : D[j] <= e}; a
// sequence keeps Dist + 1 rows, bit j of row e in bit j % 64 of word j / 64. Adding letter c
// to P turns the rows R into R' by
//   R'_0 = (R_0 << 1) & M_c
//   R'_e = ((R_e << 1) & M_c) | (R_{e-1} << 1) | R_{e-1} | (R'_{e-1} << 1)
// (match or substitution, deletion of the letter, insertion of a residue), where M_c holds the
// positions j >= 1 with s[j - 1] == c: a few word operations per 64 positions. *P* occurs in
// s within Dist operations when row Dist is not empty, and an extension never occurs where P
// does not, so a frame keeps only the sequences still in reach.
//
// The same rows serve *X*Y*: after X, row e of the gap is every position from X's earliest end
// within e operations on (the gap may swallow anything), and Y's letters extend it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One letter mask per sequence and letter of the sample.
struct SampleMasks {
    int n_sequences = 0;
    int dist = 0;                       // rows per sequence: dist + 1
    std::vector<int> n_words;           // per sequence: words per row, for positions 0..length
    std::vector<uint64_t> last_bits;    // per sequence: the bits of its last word that are positions
    std::vector<size_t> mask_at;        // per sequence: its first mask in `masks`
    std::array<int, 256> code{};        // letter code of each byte, -1 for bytes not in the sample
    int n_codes = 0;
    std::vector<uint64_t> masks;        // per sequence, per letter code: n_words words
};

SampleMasks make_masks(const std::vector<std::string>& sample, int dist);

// The rows of one pattern: the sequences it occurs in within dist operations, in sample order,
// and their rows, each sequence's dist + 1 rows one after the other.
struct RowFrame {
    std::vector<int> seqs;
    std::vector<size_t> at;        // start of each listed sequence's rows in `words`
    std::vector<uint64_t> words;
    void clear() {
        seqs.clear();
        at.clear();
        words.clear();
    }
};

// The empty pattern: every position of every sequence, at every cost.
void whole_text_frame(const SampleMasks& masks, RowFrame& frame);

// The rows of *X* followed by a gap, from X's frame.
void gap_frame(const SampleMasks& masks, const RowFrame& x, RowFrame& frame);

// The outcome of an extension. For an occurrence test, `count` is the number of sequences the
// extension occurs in, or -1 when the test gives up: it goes through the sample in order and
// stops at the first sequence after which even a match in every remaining one would leave the
// count below the threshold; `ticks` is the number of sequences it went through, those known
// to miss included.
struct Extension {
    int count = 0;
    unsigned long ticks = 0;
};

// Extends the pattern of `from` by `letter` into `to` (a different frame). When `tested`, runs
// the occurrence test against `min_sam`, and `to` is complete only when the test accepts;
// otherwise every sequence of `from` is extended and nothing is ticked.
Extension extend_rows(const SampleMasks& masks, const RowFrame& from, char letter, RowFrame& to,
                      bool tested, int min_sam);
