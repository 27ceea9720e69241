// Approximate occurrence of a motif carried from a pattern to its one-letter extensions.
//
// For a sequence s of n residues and a pattern P of m letters, D[j] (j from 0 to n) is the
// least number of edit operations (substitution, insertion, deletion of one residue) that turn
// P into some substring of s ending after residue j. Row e is the bit set {j : D[j] <= e}; with
// dist edit operations allowed, a sequence keeps dist + 1 rows, bit j of row e in bit j % 64 of
// word j / 64. Adding letter c to P turns the rows R into R' by
//   R'_0 = (R_0 << 1) & M_c
//   R'_e = ((R_e << 1) & M_c) | (R_{e-1} << 1) | R_{e-1} | (R'_{e-1} << 1)
// (match or substitution, deletion of the letter, insertion of a residue), where M_c holds the
// positions j >= 1 with s[j - 1] == c: a few word operations per 64 positions. *P* occurs in
// s within dist operations when row dist is not empty, and an extension never occurs where P
// does not, so a frame keeps only the sequences still in reach.
//
// The same rows serve *X*Y*: after X, row e of the gap is every position from X's earliest end
// within e operations on (the gap may swallow anything), and Y's letters extend it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessar {

// The shape of one sequence's rows and its letter masks.
struct SequenceShape {
    size_t word_at = 0;        // its first word among all sequences' words (for the masks)
    int n_words = 0;           // words per row, for positions 0..length
    uint64_t last_bits = 0;    // the bits of its last word that are positions
};

// One letter mask per sequence and letter of the sample, letter by letter: the masks of one
// letter for the whole sample lie together, as an extension by that letter reads them in
// sample order.
struct SampleMasks {
    int n_sequences = 0;
    int dist = 0;                       // rows per sequence: dist + 1
    std::vector<SequenceShape> shape;   // per sequence
    size_t total_words = 0;             // words of one letter's masks over the sample
    std::array<int, 256> code{};        // letter code of each byte, -1 for bytes not in the sample
    int n_codes = 0;
    std::vector<uint64_t> masks;        // masks[code * total_words + word_at + w]
};

SampleMasks make_masks(const std::vector<std::string>& sample, int dist);

// The rows of one pattern: the n_seqs sequences it occurs in within dist operations, in sample
// order, and their rows, each sequence's dist + 1 rows one after the other. The buffers only
// grow, so that a frame reused along a walk stops allocating.
struct RowFrame {
    size_t n_seqs = 0;
    std::vector<int> seqs;                 // the sequences, in the first n_seqs places
    std::vector<size_t> at;                // start of each one's rows in `words`
    std::unique_ptr<uint64_t[]> words{};   // `size` words in use out of `capacity`
    size_t size = 0;
    size_t capacity = 0;

    void clear() {
        n_seqs = 0;
        size = 0;
    }
    // Room for n_seqs sequences and n_words words; the content is lost when a buffer grows.
    void make_room(size_t n_seqs, size_t n_words);
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

// Whether the 512-bit step is compiled in and the processor has its instructions (AVX-512F).
bool has_wide_words();

// One sequence's rows (dist + 1 rows of its words) extended by `letter` into `to`; whether the
// extension occurs. `wide` chooses the 512-bit step, when the processor has it, over the
// one-word step: they must agree bit for bit.
bool extend_sequence(const SampleMasks& masks, int seq, const uint64_t* from, char letter, uint64_t* to,
                     bool wide);

// Extends the pattern of `from` by `letter` (a letter of the sample) into `to` (a different
// frame). When `tested`, runs the occurrence test against `min_sequences`, and `to` is complete
// only when the test accepts; otherwise every sequence of `from` is extended and nothing is
// ticked.
Extension extend_rows(const SampleMasks& masks, const RowFrame& from, char letter, RowFrame& to,
                      bool tested, int min_sequences);

}  // namespace tessar
