#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "discover/rows.h"
#include "oracle_match.h"

using namespace tessar;

namespace {

std::string random_text(std::mt19937& rng, int length, int letters) {
    std::uniform_int_distribution<int> letter(0, letters - 1);
    std::string s(length, 'A');
    for (char& c : s) c = static_cast<char>('A' + letter(rng));
    return s;
}

// Row e of sequence t, as the positions it holds.
std::vector<int> positions(const SampleMasks& masks, const RowFrame& frame, size_t t, int e) {
    const int words = masks.shape[frame.seqs[t]].n_words;
    const uint64_t* row = frame.words.get() + frame.at[t] + static_cast<size_t>(e) * words;
    std::vector<int> out;
    for (int j = 0; j < words * 64; ++j)
        if (row[j / 64] >> (j % 64) & 1) out.push_back(j);
    return out;
}

}  // namespace

TEST(OccurrenceRows, RowsHoldTheEndsWithinEachCost) {
    // ABC in XABCX: exact end after residue 4; within one operation also after 3 (AB) and 5
    const std::vector<std::string> sample = {"XABCX"};
    const SampleMasks masks = make_masks(sample, 1);
    RowFrame a, b;
    whole_text_frame(masks, a);
    extend_rows(masks, a, 'A', b, false, 1);
    extend_rows(masks, b, 'B', a, false, 1);
    extend_rows(masks, a, 'C', b, false, 1);
    EXPECT_EQ(positions(masks, b, 0, 0), (std::vector<int>{4}));
    EXPECT_EQ(positions(masks, b, 0, 1), (std::vector<int>{3, 4, 5}));
}

TEST(OccurrenceRows, GapRowsStartAtTheEarliestEnd) {
    const std::vector<std::string> sample = {"KKAB"};
    const SampleMasks masks = make_masks(sample, 1);
    RowFrame a, b, gap;
    whole_text_frame(masks, a);
    extend_rows(masks, a, 'A', b, false, 1);
    extend_rows(masks, b, 'B', a, false, 1);
    gap_frame(masks, a, gap);
    EXPECT_EQ(positions(masks, gap, 0, 0), (std::vector<int>{4}));
    EXPECT_EQ(positions(masks, gap, 0, 1), (std::vector<int>{3, 4}));  // A alone, B deleted
}

// Rows grown letter by letter against the reference matcher, for both steps, on sequences
// short and longer than one 512-bit register.
TEST(OccurrenceRows, BothStepsAgreeWithTheMatcher) {
    std::mt19937 rng(314);
    for (int round = 0; round < 400; ++round) {
        const int dist = round % 4;
        const int letters = 2 + round % 3;
        // word and register boundaries first: positions 0..length fill whole words at 63, 511...
        const std::vector<int> edges = {63, 64, 127, 511, 512, 1023, 1024};
        const int length = round < static_cast<int>(edges.size()) ? edges[round]
                           : round % 5 == 0                       ? 500 + round % 150
                                                                  : round % 70;
        const std::vector<std::string> sample = {random_text(rng, length, letters)};
        const SampleMasks masks = make_masks(sample, dist);
        if (sample[0].empty()) continue;
        RowFrame base;
        whole_text_frame(masks, base);
        const size_t size = base.size;
        std::vector<uint64_t> narrow(base.words.get(), base.words.get() + size), wide = narrow;
        std::vector<uint64_t> next(size), next_wide(size);
        std::string motif;
        for (int m = 0; m < 12; ++m) {
            const char letter = sample[0][(round * 7 + m * 3) % sample[0].size()];
            motif += letter;
            const bool occurs = extend_sequence(masks, 0, narrow.data(), letter, next.data(), false);
            const bool occurs_wide = extend_sequence(masks, 0, wide.data(), letter, next_wide.data(), true);
            ASSERT_EQ(next, next_wide) << motif << " in " << sample[0];
            const int cost = oracle::match("*" + motif + "*", sample[0]);
            ASSERT_EQ(occurs, cost <= dist) << motif << " in " << sample[0] << " within " << dist;
            EXPECT_EQ(occurs_wide, occurs);
            narrow.swap(next);
            wide.swap(next_wide);
        }
    }
}

// The 512-bit step against the one-word step for every count of operations the dialogue
// allows, on sequences of one to seventeen register-wide chunks: the motifs follow the sequence
// from a random place, every fourth letter drawn anew, so that their rows stay busy.
TEST(OccurrenceRows, WideStepAgreesWithThePlainOneForEveryMutationCount) {
    if (!has_wide_words()) GTEST_SKIP() << "this processor has no AVX-512F: the wide step is never taken here";
    std::mt19937 rng(1618);
    for (int dist = 0; dist <= 10; ++dist)
        for (int round = 0; round < 60; ++round) {
            const int length = round < 8 ? 64 * (round + 1) - 1 + round % 2 : 1 + static_cast<int>(rng() % 1100);
            const std::vector<std::string> sample = {random_text(rng, length, 2 + round % 4)};
            const std::string& text = sample[0];
            const SampleMasks masks = make_masks(sample, dist);
            RowFrame base;
            whole_text_frame(masks, base);
            std::vector<uint64_t> narrow(base.words.get(), base.words.get() + base.size), wide = narrow;
            std::vector<uint64_t> next(base.size), next_wide(base.size);
            std::string motif;
            const size_t from = rng() % text.size();
            for (size_t m = 0; m < static_cast<size_t>(3 * dist + 6); ++m) {
                const char letter = m % 4 == 3 ? text[rng() % text.size()] : text[(from + m) % text.size()];
                motif += letter;
                const bool occurs = extend_sequence(masks, 0, narrow.data(), letter, next.data(), false);
                const bool occurs_wide = extend_sequence(masks, 0, wide.data(), letter, next_wide.data(), true);
                ASSERT_EQ(next_wide, next) << motif << " within " << dist << " in " << text;
                ASSERT_EQ(occurs_wide, occurs) << motif << " within " << dist << " in " << text;
                narrow.swap(next);
                wide.swap(next_wide);
            }
        }
}
