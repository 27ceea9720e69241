#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "oracle_match.h"

using oracle::match;

TEST(Match, SingleRunIsTheBestSubstringDistance) {
    EXPECT_EQ(match("*ABC*", "XABCX"), 0);
    EXPECT_EQ(match("*ABC*", "ABD"), 1);   // substitution
    EXPECT_EQ(match("*ABC*", "AC"), 1);    // deletion
    EXPECT_EQ(match("*ABC*", "ABXC"), 1);  // insertion
    EXPECT_EQ(match("*ABC*", ""), 3);
}

TEST(Match, PairNeedsXBeforeY) {
    EXPECT_EQ(match("*AB*CD*", "ABXXCD"), 0);
    EXPECT_EQ(match("*AB*CD*", "ABCD"), 0);  // the gap may be empty
    EXPECT_EQ(match("*AB*CD*", "ACD"), 1);
    EXPECT_EQ(match("*AB*CD*", "CDAB"), 2);
}

TEST(Match, WithoutStarsTheWholeTextMustBeCovered) {
    EXPECT_EQ(match("ABC", "ABC"), 0);
    EXPECT_EQ(match("ABC", "XABC"), 1);
    EXPECT_EQ(match("", "AB"), 2);
    EXPECT_EQ(match("*", "ANYTHING"), 0);
    EXPECT_EQ(match("**", ""), 0);
}

// The stars against their meaning spelled out: *X* costs the least edit distance between X and
// a substring of the text, *X*Y* the least sum over the ways to cut the text in two.
namespace {

int edit_distance(const std::string& a, const std::string& b) {
    std::vector<int> previous(b.size() + 1), row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); ++j)
            row[j] = std::min({previous[j - 1] + (a[i - 1] != b[j - 1]), previous[j] + 1, row[j - 1] + 1});
        previous.swap(row);
    }
    return previous[b.size()];
}

int best_substring(const std::string& x, const std::string& text) {
    int best = static_cast<int>(x.size());  // the empty substring
    for (size_t i = 0; i < text.size(); ++i)
        for (size_t n = 1; i + n <= text.size(); ++n) best = std::min(best, edit_distance(x, text.substr(i, n)));
    return best;
}

}  // namespace

TEST(Match, StarsStandForTheBestSubstrings) {
    std::mt19937 rng(20240607);
    auto word = [&](int max_length) {
        std::uniform_int_distribution<int> length(0, max_length), letter(0, 2);
        std::string s(length(rng), 'A');
        for (char& c : s) c = static_cast<char>('A' + letter(rng));
        return s;
    };
    for (int round = 0; round < 2000; ++round) {
        const std::string x = word(5), y = word(4), text = word(9);
        ASSERT_EQ(match("*" + x + "*", text), best_substring(x, text)) << x << " in " << text;
        int pair = 1 << 30;
        for (size_t cut = 0; cut <= text.size(); ++cut)
            pair = std::min(pair, best_substring(x, text.substr(0, cut)) + best_substring(y, text.substr(cut)));
        ASSERT_EQ(match("*" + x + "*" + y + "*", text), pair) << x << "*" << y << " in " << text;
    }
}
