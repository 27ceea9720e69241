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
