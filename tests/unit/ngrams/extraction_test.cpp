// N-gram extraction: order of first appearance and the per-sequence count, checked against a
// plain search on small inputs. (Presence in a row is the context writer's engine, tested there.)
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ngrams/ngrams.h"
#include "parallel/parallel.h"

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
    }
}

TEST(ExtractNgrams, BlocksReadOnSeveralThreadsJoinInFirstAppearanceOrder) {
    // enough sequences for several blocks, N-grams that first appear late, a byte that is no
    // letter in the last block (the whole set then goes the general way): the same table
    std::mt19937 rng(2024);
    Texts seqs(1800);
    for (size_t i = 0; i < seqs.size(); ++i) {
        seqs[i].resize(rng() % 12);
        for (char& c : seqs[i]) c = static_cast<char>('A' + rng() % (i < 1000 ? 4 : 9));
    }
    for (bool odd_byte : {false, true}) {
        if (odd_byte) seqs[1700] += "*K";
        const NgramTable want = naive_ngrams(seqs, 3);
        for (size_t threads : {1, 2, 3}) {
            set_thread_count(threads);
            const NgramTable got = extract_ngrams(seqs, 3);
            EXPECT_EQ(got.ngrams, want.ngrams) << threads << " threads";
            EXPECT_EQ(got.n_sequence_ngrams, want.n_sequence_ngrams) << threads << " threads";
        }
    }
    set_thread_count(0);
}

TEST(NgramRows, EqualThePresenceEngineWhateverTheBytes) {
    // short N-grams of letters go by their codes, the rest by the presence engine: the rows are
    // the same; sequences with bytes that are no letters, empty ones, N-grams of every n
    std::mt19937 rng(99);
    for (int n = 1; n <= 6; ++n) {
        Texts training;
        for (int i = 0; i < 20; ++i) {
            std::string s(rng() % 40, 'A');
            for (char& c : s) c = "ACDKWY"[rng() % 6];
            training.push_back(s);
        }
        const NgramTable table = extract_ngrams(training, n);
        ASSERT_EQ(table.ngrams, naive_ngrams(training, n).ngrams) << "n=" << n;
        const RowFiller rows = ngram_coder(table.ngrams, n)();
        const RowFiller presence = presence_coder(table.ngrams)();
        std::vector<std::uint32_t> got, want;
        for (int i = 0; i < 300; ++i) {
            std::string s(rng() % 50, 'A');
            for (char& c : s) c = "ACDKWYZ"[rng() % 7];
            if (i % 10 == 0 && !s.empty()) s[rng() % s.size()] = i % 20 ? '*' : 'a';
            rows(s, nullptr, got);
            presence(s, nullptr, want);
            ASSERT_EQ(got, want) << "n=" << n << " " << s;
        }
    }
    // an N-gram that is no letters, or a list holding one twice, goes to the presence engine
    for (const Texts& odd : {Texts{"AB", "A*"}, Texts{"AB", "AB"}}) {
        std::vector<std::uint32_t> got, want;
        ngram_coder(odd, 2)()("XAB*AB", nullptr, got);
        presence_coder(odd)()("XAB*AB", nullptr, want);
        EXPECT_EQ(got, want);
    }
}
