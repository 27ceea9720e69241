// N-gram extraction: order of first appearance and the per-sequence count, checked against a
// plain search on small inputs; the rows of N-gram features against a plain search too.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ngrams/ngrams.h"

using namespace tessar;

namespace {

using Texts = std::vector<std::string>;

// Brute force: each sequence's distinct N-grams in order, joined in sequence order.
NgramTable naive_ngrams(const Texts& sequences, int n) {
    NgramTable table;
    std::set<std::string> seen;
    for (const std::string& s : sequences) {
        std::set<std::string> mine;
        for (size_t p = 0; p + n <= s.size(); ++p) {
            std::string g = s.substr(p, n);
            if (mine.insert(g).second) ++table.n_sequence_ngrams;
            if (seen.insert(g).second) table.ngrams.push_back(g);
        }
    }
    return table;
}

}  // namespace

TEST(ExtractNgrams, BigramsOfTwoSequencesInOrderOfFirstAppearance) {
    const Texts seqs{"MKVL", "KVLA"};
    NgramTable t = extract_ngrams(seqs, 2);
    EXPECT_EQ(t.ngrams, (Texts{"MK", "KV", "VL", "LA"}));
    EXPECT_EQ(t.n_sequence_ngrams, 6);
}

TEST(ExtractNgrams, RepeatWithinOneSequenceCountsOnce) {
    const Texts seqs{"AAAA"};
    NgramTable t = extract_ngrams(seqs, 3);
    EXPECT_EQ(t.ngrams, Texts{"AAA"});
    EXPECT_EQ(t.n_sequence_ngrams, 1);
}

TEST(ExtractNgrams, SingleResiduesInOrderOfFirstAppearance) {
    const Texts seqs{"GAGC", "TCAW"};
    NgramTable t = extract_ngrams(seqs, 1);
    EXPECT_EQ(t.ngrams, (Texts{"G", "A", "C", "T", "W"}));
    EXPECT_EQ(t.n_sequence_ngrams, 3 + 4);
}

TEST(ExtractNgrams, ShortAndEmptySequencesGiveNoneAndLaterOnesStillCount) {
    const Texts seqs{"MK", "", "MKVL", "VLM"};
    NgramTable t = extract_ngrams(seqs, 3);
    EXPECT_EQ(t.ngrams, (Texts{"MKV", "KVL", "VLM"}));
    EXPECT_EQ(t.n_sequence_ngrams, 3);
}

TEST(ExtractNgrams, NoSequenceLongEnoughGivesAnEmptyTable) {
    const Texts seqs{"MKV", "AC"};
    NgramTable t = extract_ngrams(seqs, 4);
    EXPECT_TRUE(t.ngrams.empty());
    EXPECT_EQ(t.n_sequence_ngrams, 0);
}

TEST(ExtractNgrams, WholeSequenceAsOneNgramWhenNEqualsItsLength) {
    const Texts seqs{"ACDEFGHIKLMNPQRSTVWY", "ACDEFGHIKLMNPQRSTVWY", "ACDEFGHIKLMNPQRSTVWA"};
    NgramTable t = extract_ngrams(seqs, 20);
    EXPECT_EQ(t.ngrams, (Texts{seqs[0], seqs[2]}));
    EXPECT_EQ(t.n_sequence_ngrams, 3);
}

// Random sequences over a small alphabet (many repeats, many hash lookups that hit) and a few
// window sizes, long ones included: the hashed extraction must match brute force.
TEST(ExtractNgrams, MatchesBruteForceOnRandomSequences) {
    std::mt19937 rng(12345);
    for (int n : {1, 2, 3, 4, 5, 9, 40}) {
        Texts seqs;
        for (int i = 0; i < 30; ++i) {
            std::string s(rng() % 80, 'A');
            for (char& c : s) c = "ACGTZ"[rng() % (n > 5 ? 2 : 5)];
            seqs.push_back(s);
        }
        // a character outside A to Z (as a library caller may hand in) takes the general way
        if (n == 2) seqs[3] += "a-Z";
        NgramTable got = extract_ngrams(seqs, n);
        NgramTable want = naive_ngrams(seqs, n);
        ASSERT_EQ(got.ngrams, want.ngrams) << "n=" << n;
        EXPECT_EQ(got.n_sequence_ngrams, want.n_sequence_ngrams) << "n=" << n;
    }
}

TEST(NgramRows, EachFeatureIsOneExactlyWhenItsNgramOccurs) {
    std::mt19937 rng(77);
    for (int n : {1, 2, 3, 4, 5}) {
        Texts seqs;
        for (int i = 0; i < 40; ++i) {
            std::string s(rng() % 60, 'A');
            for (char& c : s) c = "ACDZY"[rng() % 5];
            seqs.push_back(s);
        }
        const Texts features = extract_ngrams(seqs, n).ngrams;
        // sequences to encode: new ones, with letters no feature holds, and a stray character
        seqs.push_back("ZZZZZQQQ");
        seqs.push_back("AC-DZ.YA");
        const RowFiller fill = ngram_coder(features)();
        std::vector<std::uint32_t> ones;
        for (const std::string& s : seqs) {
            std::vector<std::uint32_t> want;
            for (size_t j = 0; j < features.size(); ++j)
                if (s.find(features[j]) != std::string::npos) want.push_back(static_cast<std::uint32_t>(j));
            fill(s, nullptr, ones);
            ASSERT_EQ(ones, want) << "n=" << n << " " << s;
        }
    }
}
