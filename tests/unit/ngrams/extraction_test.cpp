// N-gram extraction: order of first appearance, the per-sequence count, and presence, checked
// against a plain search on small inputs.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ngrams/ngrams.h"

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

std::vector<bool> presence_row(const NgramTable& table, const std::string& sequence) {
    Presence present = ngram_presence(table);
    std::vector<bool> row;
    for (size_t j = 0; j < table.ngrams.size(); ++j) row.push_back(present(j, sequence));
    return row;
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
    EXPECT_EQ(presence_row(t, "MK"), (std::vector<bool>{false, false, false}));
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

TEST(NgramPresence, TestSequenceWithUnknownNgramsMarksOnlyTheKnownOnes) {
    const Texts seqs{"MKVL", "KVLA"};
    NgramTable t = extract_ngrams(seqs, 2);
    EXPECT_EQ(presence_row(t, "WWKVWW"), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(presence_row(t, "LAMK"), (std::vector<bool>{true, false, false, true}));
}

TEST(NgramPresence, OneFunctionServesSuccessiveRows) {
    const Texts seqs{"MKVL", "KVLA"};
    NgramTable t = extract_ngrams(seqs, 2);
    Presence present = ngram_presence(t);
    std::vector<bool> first, second;
    for (size_t j = 0; j < 4; ++j) first.push_back(present(j, seqs[0]));
    for (size_t j = 0; j < 4; ++j) second.push_back(present(j, seqs[1]));
    EXPECT_EQ(first, (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(second, (std::vector<bool>{false, true, true, true}));
}

// Random sequences over a small alphabet (many repeats, many hash lookups that hit) and a few
// window sizes, long ones included: the hashed extraction and presence must match brute force.
TEST(ExtractNgrams, MatchesBruteForceOnRandomSequences) {
    std::mt19937 rng(12345);
    for (int n : {1, 2, 3, 5, 9, 40}) {
        Texts seqs;
        for (int i = 0; i < 30; ++i) {
            std::string s(rng() % 80, 'A');
            for (char& c : s) c = "ACGT"[rng() % (n > 5 ? 2 : 4)];
            seqs.push_back(s);
        }
        NgramTable got = extract_ngrams(seqs, n);
        NgramTable want = naive_ngrams(seqs, n);
        ASSERT_EQ(got.ngrams, want.ngrams) << "n=" << n;
        EXPECT_EQ(got.n_sequence_ngrams, want.n_sequence_ngrams) << "n=" << n;
        Presence present = ngram_presence(got);
        for (const std::string& s : seqs)
            for (size_t j = 0; j < got.ngrams.size(); ++j)
                ASSERT_EQ(present(j, s), s.find(got.ngrams[j]) != std::string::npos);
    }
}
