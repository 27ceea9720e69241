// The exact-presence engine against a plain substring search, on random texts over tiny
// alphabets (many repeats, many shared prefixes), with duplicates, empty texts and sequences
// shorter than the texts.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

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

std::vector<std::uint32_t> naive_presence(const std::vector<std::string>& texts, const std::string& sequence) {
    std::vector<std::uint32_t> ones;
    for (size_t j = 0; j < texts.size(); ++j)
        if (sequence.find(texts[j]) != std::string::npos) ones.push_back(static_cast<std::uint32_t>(j));
    return ones;
}

}  // namespace

TEST(Presence, AgreesWithASubstringSearchOnRandomInputs) {
    std::mt19937 rng(7);
    for (const std::string alphabet : {"A", "AB", "ACG", "ARNDCQEGHILKMFPSTWYV"}) {
        for (int round = 0; round < 40; ++round) {
            std::vector<std::string> texts;
            const int n_texts = 1 + static_cast<int>(rng() % 60);
            for (int t = 0; t < n_texts; ++t) texts.push_back(random_text(rng, 0, 7, alphabet));
            texts.push_back(texts.front());  // a duplicate
            PresenceIndex index = index_texts(texts);
            PresenceScratch scratch;
            std::vector<std::uint32_t> ones;
            for (int s = 0; s < 20; ++s) {
                const std::string sequence = random_text(rng, 0, 40, alphabet);
                fill_presence(index, sequence, scratch, ones);
                ASSERT_EQ(ones, naive_presence(texts, sequence)) << alphabet << " " << sequence;
            }
        }
    }
}

TEST(Presence, ReportsEveryOccurrenceWithItsStart) {
    const std::vector<std::string> texts{"AA", "A", "AA", "B"};
    PresenceIndex index = index_texts(texts);
    std::multiset<std::pair<std::uint32_t, size_t>> seen;
    for_each_occurrence(index, "AAAB", [&](std::uint32_t t, size_t at) { seen.insert({t, at}); });
    const std::multiset<std::pair<std::uint32_t, size_t>> expected{
        {1, 0}, {1, 1}, {1, 2}, {0, 0}, {0, 1}, {2, 0}, {2, 1}, {3, 3}};
    EXPECT_EQ(seen, expected);
}

TEST(Presence, HashCollisionsAreSettledByTheBytes) {
    // many texts of one length fill the table densely; only the true ones may be reported
    std::vector<std::string> texts;
    for (char a = 'A'; a <= 'Z'; ++a)
        for (char b = 'A'; b <= 'Z'; ++b) texts.push_back(std::string{a, b, 'Q'});
    PresenceIndex index = index_texts(texts);
    PresenceScratch scratch;
    std::vector<std::uint32_t> ones;
    fill_presence(index, "XYQMNQ", scratch, ones);
    EXPECT_EQ(ones, naive_presence(texts, "XYQMNQ"));
}
