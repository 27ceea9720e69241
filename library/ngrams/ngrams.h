// The N-gram method: every distinct substring of N residues of the training sequences becomes
// an attribute, in order of first appearance (sequence order, then position), and every
// sequence is encoded by the presence of each one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "context/context.h"
#include "dialogue/dialogue.h"
#include "methods/method.h"

namespace tessar {

// The method's own question: N.
extern const Question kNgramSize;

// An N-gram as a hash key: the text (a view into a training sequence) and its rolling hash.
struct NgramKey {
    std::string_view text;
    std::uint64_t hash;
    bool operator==(const NgramKey& other) const { return text == other.text; }
};
struct NgramHash {
    size_t operator()(const NgramKey& key) const { return static_cast<size_t>(key.hash); }
};

struct NgramTable {
    int n = 0;                          // N
    std::vector<std::string> ngrams;    // the distinct N-grams, in order of first appearance
    int n_sequence_ngrams = 0;          // sum over the sequences of their distinct N-grams
};

// Collects the distinct N-grams of `sequences` (n >= 1). A sequence shorter than n has none.
NgramTable extract_ngrams(const std::vector<std::string>& sequences, int n);

// Short N-grams of the letters A to Z as numbers: a window of n letters is its value in base 26,
// so that a table indexed by it stands for a hash map (n up to kMaxLetterCodeN: 26^4 places).
constexpr int kMaxLetterCodeN = 4;
// 26^n.
size_t letter_code_count(int n);
// Whether every byte of `text` is a letter A to Z.
bool letters_only(std::string_view text);
// Calls f(code, position) for every window of n letters of `text` (letters_only), left to right.
template <typename F>
void for_each_letter_code(std::string_view text, int n, F f) {
    const size_t width = static_cast<size_t>(n);
    if (n < 1 || text.size() < width) return;
    // the code rolls: the letter that leaves the window takes its place value away
    const std::uint32_t top = static_cast<std::uint32_t>(letter_code_count(n - 1));
    std::uint32_t code = 0;
    for (size_t p = 0; p + 1 < width; ++p) code = code * 26 + static_cast<std::uint32_t>(text[p] - 'A');
    for (size_t p = width - 1; p < text.size(); ++p) {
        code = code * 26 + static_cast<std::uint32_t>(text[p] - 'A');
        f(code, p + 1 - width);
        code -= static_cast<std::uint32_t>(text[p + 1 - width] - 'A') * top;
    }
}

// The rows of the N-grams `ngrams` (of n letters each, as extract_ngrams gives them): feature j is 1
// when ngrams[j] occurs in the sequence. Short N-grams of letters are looked up by their codes,
// window by window; anything else (and a sequence holding a byte that is no letter) goes to the
// presence engine (presence_coder), whose rows these equal.
RowCoder ngram_coder(const std::vector<std::string>& ngrams, int n);

// What a run computed. A new sequence is encoded with N and the N-grams alone: feature j is 1
// when ngrams[j] occurs in it.
struct NgramsRun {
    int n = 0;
    std::vector<std::string> ngrams;  // the features, in attribute order
    size_t n_sequences = 0;           // of the training file
    size_t longest_sequence = 0;      // its residues
    ContextSummary tables;
};

// Runs the whole method: dialogue, extraction, context files, closing key press.
NgramsRun run_ngrams(Dialogue& io);

}  // namespace tessar
