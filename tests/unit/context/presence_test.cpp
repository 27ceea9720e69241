// The exact-presence engine against a plain substring search (the oracle), on random texts of
// mixed lengths over tiny alphabets (many repeats, overlaps and shared prefixes and suffixes) and
// over every byte, with duplicates, empty texts and texts longer than the sequence, with full
// rows for every state and for the root alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "context/oracle_presence.h"
#include "context/presence.h"

using namespace tessar;

namespace {

std::string random_text(std::mt19937& rng, size_t min_len, size_t max_len, const std::string& alphabet) {
    std::uniform_int_distribution<size_t> len(min_len, max_len);
    std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
    std::string s(len(rng), ' ');
    for (char& c : s) c = alphabet[letter(rng)];
    return s;
}

std::string every_byte() {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    return all;
}

// Texts for one round: random ones, pieces of `source` (so that large alphabets find some too),
// empty ones, long ones (`with_long`), and copies of earlier ones.
std::vector<std::string> random_texts(std::mt19937& rng, const std::string& alphabet, const std::string& source,
                                      bool with_long) {
    std::vector<std::string> texts;
    const int n_texts = 1 + static_cast<int>(rng() % 80);
    for (int t = 0; t < n_texts; ++t) {
        switch (rng() % 8) {
        case 0:
            texts.push_back(texts.empty() ? "" : texts[rng() % texts.size()]);  // a copy
            break;
        case 1:
        case 2: {
            const size_t from = rng() % (source.size() + 1);
            texts.push_back(source.substr(from, 1 + rng() % 9));
            break;
        }
        case 3:
            if (with_long) texts.push_back(random_text(rng, 30, 60, alphabet));  // longer than most sequences
            break;
        default:
            texts.push_back(random_text(rng, 0, 9, alphabet));
        }
    }
    return texts;
}

std::vector<std::pair<std::uint32_t, size_t>> engine_occurrences(const PresenceIndex& index,
                                                                 const std::string& sequence) {
    std::vector<std::pair<std::uint32_t, size_t>> found;
    for_each_occurrence(index, sequence, [&](std::uint32_t t, size_t at) { found.push_back({t, at}); });
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

TEST(Presence, AgreesWithASubstringSearchOnRandomInputs) {
    std::mt19937 rng(7);
    const std::vector<std::string> alphabets{"A", "AB", "ACG", "ARNDCQEGHILKMFPSTWYV", every_byte()};
    for (const std::string& alphabet : alphabets) {
        for (int round = 0; round < 60; ++round) {
            const std::string source = random_text(rng, 0, 300, alphabet);
            const std::vector<std::string> texts = random_texts(rng, alphabet, source, round % 2 == 0);
            // every state with a full row, the root alone, and a few
            for (size_t dense_cells : {kPresenceDenseCells, size_t{1}, size_t{3 * 257}}) {
                const PresenceIndex index = index_texts(texts, dense_cells);
                PresenceScratch scratch;
                std::vector<std::uint32_t> ones;
                for (int s = 0; s < 12; ++s) {
                    // the source itself, random sequences short and long (read in stretches),
                    // and ones with bytes no text holds
                    std::string sequence = s == 0 ? source : random_text(rng, 0, s % 2 ? 40 : 400, alphabet);
                    if (s % 4 == 3) sequence += random_text(rng, 1, 3, "xyz\n") + source;
                    SCOPED_TRACE(testing::PrintToString(sequence) + " dense cells " + std::to_string(dense_cells));
                    ASSERT_EQ(engine_occurrences(index, sequence), oracle::occurrences(texts, sequence));
                    fill_presence(index, sequence, scratch, ones);
                    ASSERT_EQ(ones, oracle::present(texts, sequence));
                }
            }
        }
    }
}

TEST(Presence, RowsOfManyOrFewTextsComeOutAscending) {
    // every 3-letter text over 20 letters, backwards: a long sequence holds many, a short one few
    const std::string letters = "ARNDCQEGHILKMFPSTWYV";
    std::vector<std::string> texts;
    for (char a : letters)
        for (char b : letters)
            for (char c : letters) texts.push_back(std::string{c, b, a});
    std::mt19937 rng(3);
    const PresenceIndex index = index_texts(texts);
    PresenceScratch scratch;
    std::vector<std::uint32_t> ones;
    for (size_t length : {3000, 5, 3000}) {
        const std::string sequence = random_text(rng, length, length, letters);
        fill_presence(index, sequence, scratch, ones);
        EXPECT_EQ(ones, oracle::present(texts, sequence));
    }
}

TEST(Presence, ReportsEveryOccurrenceWithItsStart) {
    const std::vector<std::string> texts{"AA", "A", "AA", "B", ""};
    const PresenceIndex index = index_texts(texts);
    const std::vector<std::pair<std::uint32_t, size_t>> expected{
        {0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {2, 1}, {3, 3}, {4, 0}, {4, 4}};
    EXPECT_EQ(engine_occurrences(index, "AAAB"), expected);
}

TEST(Presence, AByteNoTextHoldsBreaksAMatch) {
    const PresenceIndex index = index_texts({"AB", std::string("\0A", 2)});
    PresenceScratch scratch;
    std::vector<std::uint32_t> ones;
    fill_presence(index, "A\xFF" "B", scratch, ones);
    EXPECT_TRUE(ones.empty());
    fill_presence(index, std::string("\0AB", 3), scratch, ones);
    EXPECT_EQ(ones, (std::vector<std::uint32_t>{0, 1}));
}

TEST(Presence, AnIndexOfNoTextFindsNothing) {
    PresenceScratch scratch;
    std::vector<std::uint32_t> ones{7};
    for (const PresenceIndex& index : {PresenceIndex{}, index_texts({})}) {
        fill_presence(index, "MKVL", scratch, ones);
        EXPECT_TRUE(ones.empty());
        EXPECT_TRUE(engine_occurrences(index, "MKVL").empty());
    }
}
