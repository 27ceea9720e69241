// The motif row encoder, which reads every occurrence of the presence engine (earliest end of
// each X, latest start of each Y), against holds_pair and a plain search on random motifs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "discover/discover.h"

using namespace tessar;

namespace {

std::string random_text(std::mt19937& rng, size_t max_len, int letters) {
    std::string s(rng() % (max_len + 1), 'A');
    for (char& c : s) c = static_cast<char>('A' + rng() % letters);
    return s;
}

}  // namespace

TEST(MotifRowEncoder, AgreesWithAPlainSearchInBothForms) {
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        const int letters = 1 + round % 4;
        std::vector<std::string> motifs;
        std::vector<std::pair<std::string, std::string>> pairs;
        for (int j = 0, n = 1 + static_cast<int>(rng() % 12); j < n; ++j) {
            motifs.push_back(random_text(rng, 5, letters));
            pairs.push_back({random_text(rng, 4, letters), random_text(rng, 4, letters)});
        }
        pairs.push_back(pairs.front());  // a pair twice
        MotifRowEncoder form1 = make_motif_encoder(motifs, {});
        MotifRowEncoder form2 = make_motif_encoder({}, pairs);
        MotifRowScratch scratch;  // one for both encoders, as a thread keeps one
        std::vector<std::uint32_t> ones;
        for (int s = 0; s < 10; ++s) {
            const std::string sequence = random_text(rng, 24, letters);
            SCOPED_TRACE(sequence);
            std::vector<std::uint32_t> want;
            for (size_t j = 0; j < motifs.size(); ++j)
                if (sequence.find(motifs[j]) != std::string::npos) want.push_back(static_cast<std::uint32_t>(j));
            encode_motif_row(form1, scratch, sequence, ones);
            ASSERT_EQ(ones, want);
            want.clear();
            for (size_t j = 0; j < pairs.size(); ++j)
                if (holds_pair(pairs[j].first, pairs[j].second, sequence)) want.push_back(static_cast<std::uint32_t>(j));
            encode_motif_row(form2, scratch, sequence, ones);
            ASSERT_EQ(ones, want);
        }
    }
}
