#include <gtest/gtest.h>

#include <random>
#include <string>

#include "oracle_match.h"

using namespace tessar;

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
}

TEST(OccursWithin, AgreesWithTheMatcherOnTheSearchShapes) {
    std::mt19937 rng(20240607);
    auto word = [&](int max_length, int letters) {
        std::uniform_int_distribution<int> len(0, max_length), letter(0, letters - 1);
        std::string s(len(rng), 'A');
        for (char& c : s) c = static_cast<char>('A' + letter(rng));
        return s;
    };
    std::vector<int> row;
    int n_within = 0, n_beyond = 0;  // both answers must come up often, or the draw proves little
    for (int round = 0; round < 40000; ++round) {
        const int letters = 2 + round % 3;
        std::string x = word(7, letters), y = word(5, letters);
        if (x.empty()) x = "A";
        const std::string text = word(14, letters);
        const std::string pattern = round % 2 ? "*" + x + "*" : "*" + x + "*" + (y.empty() ? "B" : y) + "*";
        const int exact = match(pattern, text);
        for (int dist = 0; dist <= 4; ++dist) {
            ASSERT_EQ(occurs_within(pattern, text, dist, row), exact <= dist)
                << pattern << " in " << text << " within " << dist;
            ++(exact <= dist ? n_within : n_beyond);
        }
    }
    EXPECT_GT(n_within, 20000);
    EXPECT_GT(n_beyond, 20000);
}

TEST(OccursWithin, OtherShapesFallBackToTheMatcher) {
    std::vector<int> row;
    EXPECT_TRUE(occurs_within("ABC", "ABC", 0, row));
    EXPECT_FALSE(occurs_within("ABC", "XABC", 0, row));
    EXPECT_TRUE(occurs_within("**", "", 0, row));
    EXPECT_TRUE(occurs_within("*A*B*C*", "AXBXC", 0, row));
    EXPECT_FALSE(occurs_within("*A*B*C*", "CBA", 1, row));
}

TEST(OccursWithin, LongPatternsBeyondOneWordOfCells) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> letter(0, 19);
    std::string text(300, 'A');
    for (char& c : text) c = "ARNDCQEGHILKMFPSTWYV"[letter(rng)];
    std::string mutated = text.substr(20, 150);
    mutated[10] = mutated[10] == 'W' ? 'Y' : 'W';
    mutated.erase(80, 1);
    const std::string tail = text.substr(200, 50);
    std::vector<int> row;
    EXPECT_EQ(match("*" + mutated + "*", text), 2);
    EXPECT_FALSE(occurs_within("*" + mutated + "*", text, 1, row));
    EXPECT_TRUE(occurs_within("*" + mutated + "*", text, 2, row));
    EXPECT_TRUE(occurs_within("*" + mutated + "*" + tail + "*", text, 2, row));
    const std::string swapped = "*" + tail + "*" + mutated + "*";
    const int cost = match(swapped, text);
    EXPECT_GT(cost, 10);
    for (int dist : {0, 1, 10, cost - 1, cost}) EXPECT_EQ(occurs_within(swapped, text, dist, row), cost <= dist);

    // runs on both sides of 64 letters, the limit of the one-word scan
    std::uniform_int_distribution<int> two(0, 1), run_length(58, 70);
    for (int round = 0; round < 300; ++round) {
        std::string x(run_length(rng), 'A'), t(90, 'A');
        for (char& c : x) c = "AB"[two(rng)];
        for (char& c : t) c = "AB"[two(rng)];
        const std::string single = "*" + x + "*";
        const std::string pair = "*" + x.substr(0, 40) + "*" + x.substr(40) + "*";
        const int d1 = match(single, t), d2 = match(pair, t);
        for (int dist : {d1 - 1, d1})
            ASSERT_EQ(occurs_within(single, t, dist, row), d1 <= dist) << single << " in " << t;
        for (int dist : {d2 - 1, d2})
            ASSERT_EQ(occurs_within(pair, t, dist, row), d2 <= dist) << pair << " in " << t;
    }
}
