// Random motif-search samples: tiny alphabets and short sequences, which make many ties.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace tessar {

// 1 to max_seqs sequences of 0 to max_length residues, drawn from the first 1 to max_letters
// capital letters (the alphabet drawn once per sample).
inline std::vector<std::string> random_letters(std::mt19937& rng, int max_seqs, int max_length, int max_letters) {
    const int letters = std::uniform_int_distribution<int>(1, max_letters)(rng);
    std::uniform_int_distribution<int> length(0, max_length), letter(0, letters - 1);
    std::vector<std::string> sample(std::uniform_int_distribution<int>(1, max_seqs)(rng));
    for (auto& s : sample) {
        s.resize(length(rng));
        for (char& c : s) c = static_cast<char>('A' + letter(rng));
    }
    return sample;
}

}  // namespace tessar
