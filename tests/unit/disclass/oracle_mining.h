// The descriptor mining written out plainly from the method's rules, for the property tests to
// hold the library's mining to. It shares nothing with the library: it takes the families as
// strings and works with strings, maps and flags, one length after the other, as the rules read.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace oracle {

// One accepted descriptor.
struct Descriptor {
    std::string text;
    int number = 0;               // from 1, in order of acceptance
    size_t first_position = 0;    // in the sequences written end to end, family by family
    std::vector<int> tie_set;     // family numbers (from 1), ascending
    int best_hits = 0;            // sequences of the best family (the last of the tie set) holding it
    int best_size = 0;            // sequences of the best family
    std::vector<std::pair<int, int>> occurrences;  // (sequence number from 1, count), ascending
};

struct Mining {
    std::vector<Descriptor> descriptors;  // in order of acceptance
    std::vector<int> family_counts;       // per family: the descriptors whose best family it is
    std::vector<int> sequence_counts;     // per sequence: the descriptors found in it for their tie set
    std::vector<bool> eliminated;         // per position of the sequences end to end
    size_t longest_candidate = 0;         // the greatest length that had a candidate
};

// Mines the families (each a list of sequences, numbered from 1 across all families in order)
// under ALPHA and BETA; from `filter_from_length` on, the occurrences of an accepted descriptor
// are eliminated.
Mining mine(const std::vector<std::vector<std::string>>& families, float alpha, float beta,
            unsigned filter_from_length);

}  // namespace oracle
