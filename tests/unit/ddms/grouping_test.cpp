#include "ddms/grouping.h"
#include "table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace tessar;

namespace {

std::string six_decimals(float v) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(v));
    return text;
}

DescriptorTable table_of(const std::vector<std::string>& texts) {
    DescriptorTable t;
    for (const std::string& text : texts) add_descriptor(t, text, "c");
    return t;
}

SimilarityRule blosum62(float score = 0.5f) { return make_similarity_rule(BLOSUM62, score); }

}  // namespace

TEST(MutationPossibility, Blosum62Alanine) {
    // A: diagonal 4, the only positive entry off the diagonal is S (1): factor 4/5 per A
    EXPECT_EQ(six_decimals(mutation_possibility(blosum62(), "A")), "0.200000");
    EXPECT_EQ(six_decimals(mutation_possibility(blosum62(), "AA")), "0.360000");
}

TEST(MutationPossibility, CysteineGlycineProlineAreZeroUnderBlosum) {
    for (const SubstitutionMatrix* m : {&BLOSUM45, &BLOSUM62, &BLOSUM80}) {
        SimilarityRule rule = make_similarity_rule(*m, 0.5f);
        EXPECT_EQ(mutation_possibility(rule, "CGPPGC"), 0.0f);
        EXPECT_GT(mutation_possibility(rule, "CGPA"), 0.0f);
    }
}

TEST(MutationPossibility, LettersOutsideTheAlphabetCountAsFactorOne) {
    EXPECT_EQ(mutation_possibility(blosum62(), "XAB"), mutation_possibility(blosum62(), "A"));
    EXPECT_EQ(mutation_possibility(blosum62(), "XBZ"), 0.0f);
}

TEST(IsSimilar, QuotientMustExceedScoreStrictly) {
    // IL against VL: self 4 + 4, pair 3 + 4, quotient 0.875
    EXPECT_EQ(is_similar(blosum62(0.5f), "IL", "VL"), 1);
    EXPECT_EQ(is_similar(blosum62(0.875f), "IL", "VL"), 0);
    EXPECT_EQ(is_similar(blosum62(0.87f), "IL", "VL"), 1);
    // normalised by the reference: VL against IL has self 4 + 4 too, but IV against LV differs
    EXPECT_EQ(is_similar(blosum62(0.5f), "IV", "LV"), 1);  // (2 + 4) / (4 + 4) = 0.75
    EXPECT_EQ(is_similar(blosum62(0.75f), "IV", "LV"), 0);
}

TEST(IsSimilar, OneNegativeEntryMakesThePairDissimilar) {
    // A-A four times (16) and W-R (-3): the quotient 13 / 27 would pass 0.1
    EXPECT_EQ(is_similar(blosum62(0.1f), "AAAAW", "AAAAR"), 0);
    EXPECT_EQ(is_similar(blosum62(0.1f), "AAAAW", "AAAAW"), 1);
    // a zero entry is not negative: A-G is 0 in BLOSUM62, (6 + 0) / (6 + 4) = 0.6
    EXPECT_EQ(is_similar(blosum62(0.5f), "GA", "GG"), 1);
}

TEST(IsSimilar, LettersOutsideTheAlphabet) {
    // equal outside letters add nothing: XA vs XS is A vs S, 1 / 4
    EXPECT_EQ(is_similar(blosum62(0.2f), "XA", "XS"), 1);
    EXPECT_EQ(is_similar(blosum62(0.25f), "XA", "XS"), 0);
    // different letters, either one outside, are dissimilar
    EXPECT_EQ(is_similar(blosum62(0.0f), "XA", "BA"), 0);
    EXPECT_EQ(is_similar(blosum62(0.0f), "AA", "BA"), 0);
    EXPECT_EQ(is_similar(blosum62(0.0f), "BA", "AA"), 0);
    // nothing left to compare: never similar
    EXPECT_EQ(is_similar(blosum62(0.0f), "XB", "XB"), 0);
}

TEST(HasSimilarWindow, Windows) {
    SimilarityRule rule = blosum62(0.99f);
    EXPECT_EQ(has_similar_window(rule, "MKVL", "MKVL"), 1);  // the whole sequence, quotient 1
    EXPECT_EQ(has_similar_window(rule, "MKV", "MKVL"), 0);   // no window
    EXPECT_EQ(has_similar_window(rule, "", "A"), 0);
    EXPECT_EQ(has_similar_window(rule, "GGGWKV", "WKV"), 1);  // last window
    EXPECT_EQ(has_similar_window(rule, "GGGWKV", "WRV"), 0);
    EXPECT_EQ(has_similar_window(blosum62(0.5f), "GGGWKV", "WRV"), 1);  // K-R 2: (11+2+4)/(11+5+4)
    EXPECT_EQ(has_similar_window(blosum62(1.0f), "MKVL", "MKVL"), 0);   // quotient 1 is not above 1
}

TEST(SortByPm, OrderOfEqualPMsFollowsTheSwaps) {
    DescriptorTable t = table_of({"a", "b", "c"});
    set_pms(t, {0.5f, 0.5f, 0.5f});
    sort_by_pm(t, 0, 2);
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"b", "c", "a"}));

    t = table_of({"a", "b", "c", "d"});
    set_pms(t, {0.2f, 0.5f, 0.2f, 0.5f});
    sort_by_pm(t, 0, 3);
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"b", "d", "a", "c"}));
    EXPECT_EQ(pms_of(t), (std::vector<float>{0.5f, 0.5f, 0.2f, 0.2f}));
}

TEST(SortByPm, SortsDescendingAndMovesClassWithText) {
    DescriptorTable t = table_of({"p", "q", "r", "s", "u"});
    set_classes(t, {"P", "Q", "R", "S", "U"});
    set_pms(t, {0.1f, 0.4f, 0.3f, 0.9f, 0.2f});
    sort_by_pm(t, 0, 4);
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"s", "q", "r", "u", "p"}));
    EXPECT_EQ(classes_of(t), (std::vector<std::string>{"S", "Q", "R", "U", "P"}));
}

namespace {

// sort_by_pm as first written: the quicksort swapping the table's entries themselves.
void swapping_quicksort(DescriptorTable& t, int first, int last) {
    if (last <= first) return;
    const float pivot = t[last].pm;
    int i = first - 1;
    int j = last;
    for (;;) {
        do ++i; while (t[i].pm > pivot);
        do --j; while (t[j].pm < pivot && j > first);
        if (i >= j) break;
        swap_entries(t, i, j);
    }
    swap_entries(t, i, last);
    swapping_quicksort(t, first, i - 1);
    swapping_quicksort(t, i + 1, last);
}

}  // namespace

TEST(SortByPm, SameOrderAsSwappingTheEntries) {
    // few distinct PMs, so that ties (whose order the swaps decide) abound; runs of every size
    // from 0, anywhere in the table, the entries outside the run left alone
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + static_cast<int>(rng() % 60);
        DescriptorTable t;
        for (int i = 0; i < n; ++i) add_descriptor(t, "T" + std::to_string(i), "C" + std::to_string(i % 7));
        const int distinct = 1 + static_cast<int>(rng() % 5);
        for (int i = 0; i < n; ++i) t[i].pm = static_cast<float>(rng() % distinct) / 4;
        const int first = static_cast<int>(rng() % n);
        const int last = first + static_cast<int>(rng() % (n - first + 1)) - 1;
        DescriptorTable want = t;
        swapping_quicksort(want, first, last);
        sort_by_pm(t, first, last);
        ASSERT_EQ(texts_of(t), texts_of(want)) << "round " << round;
        ASSERT_EQ(classes_of(t), classes_of(want));
        ASSERT_EQ(pms_of(t), pms_of(want));
    }
}

TEST(SortByPm, LongSortedRunsDoNotExhaustTheStack) {
    DescriptorTable t;
    const int n = 20000;
    for (int i = 0; i < n; ++i) add_descriptor(t, "A", "c");
    for (int i = 0; i < n; ++i) t[i].pm = static_cast<float>(i) / n;  // ascending: worst case
    sort_by_pm(t, 0, n - 1);
    for (int i = 1; i < n; ++i) ASSERT_GE(t[i - 1].pm, t[i].pm);
}

TEST(Group, SimilarPairMergesIntoTheHigherPM) {
    // PM(IL) = 1 - 0.4 * 4/9 is above PM(VL) = 1 - (4/9)^2; VL is similar to IL
    DescriptorTable t = table_of({"VL", "IL"});
    group_descriptors(t, blosum62());
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"IL"}));
    EXPECT_EQ(t.size(), 1u);
    EXPECT_TRUE(t[0].kept);
}

TEST(Group, ADescriptorWithPMZeroAlwaysSurvives) {
    // GG (PM 0) is similar to GA (PM 0.2) but stays
    DescriptorTable t = table_of({"GG", "GA"});
    group_descriptors(t, blosum62());
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"GA", "GG"}));
}

TEST(Group, DifferentLengthsAreNeverMerged) {
    DescriptorTable t = table_of({"ILV", "IL", "VL"});
    group_descriptors(t, blosum62(0.0f));
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"ILV", "IL"}));
}

TEST(Group, NegativeEntryKeepsBoth) {
    DescriptorTable t = table_of({"AAAAW", "AAAAR"});
    group_descriptors(t, blosum62(0.1f));
    EXPECT_EQ(t.size(), 2u);
}

TEST(Group, ScoreOfOneMergesNothingUnderStrictDiagonals) {
    std::vector<std::string> texts;
    for (char a : std::string(kResidueOrder))
        for (char b : std::string("ILVKR")) texts.push_back(std::string(1, a) + b);
    for (char a : std::string(kResidueOrder)) texts.push_back(std::string(1, a));
    for (int number : {1, 2, 3, 4, 5}) {
        DescriptorTable t = table_of(texts);
        group_descriptors(t, make_similarity_rule(*substitution_matrix(number), 1.0f));
        EXPECT_EQ(t.size(), texts.size()) << number;
    }
    // with a low threshold the same table does shrink
    DescriptorTable t = table_of(texts);
    group_descriptors(t, blosum62(0.3f));
    EXPECT_LT(t.size(), texts.size());
}

TEST(Group, EachLengthIsOrderedByDecreasingPM) {
    // PM: AAA 1 - 0.8^3 = 0.488, WWW 1 - (11/14)^3 = 0.515; AS 0.543, CG 0; A 0.2, C 0
    DescriptorTable t = table_of({"AAA", "WWW", "CG", "AS", "C", "A"});
    group_descriptors(t, blosum62(1.0f));
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"WWW", "AAA", "AS", "CG", "A", "C"}));
}

TEST(Group, MergedCandidateMarksItsFirstSimilarPredecessor) {
    // PMs: IL 0.82, VL and LL tie at 0.80 and sort_by_pm puts LL before VL. At 0.8, VL is similar
    // to IL (7/8) and merged; LL is not (6/8), so it is kept by reaching itself.
    DescriptorTable t = table_of({"IL", "VL", "LL"});
    group_descriptors(t, blosum62(0.8f));
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"IL", "LL"}));
}

TEST(Group, EmptyTable) {
    DescriptorTable t;
    group_descriptors(t, blosum62());
    EXPECT_EQ(t.size(), 0u);
}

TEST(Copy, TextFromTAndClassOfTheFirstFamily) {
    DescriptorData data;
    data.text = "MKVMRV";
    data.classes.names = {"first class", "second"};
    MinedDescriptor a;
    a.first_occurrence = 3;
    a.length = 3;
    a.families = {2};
    MinedDescriptor b;
    b.first_occurrence = 1;
    b.length = 1;
    b.families = {1, 2};
    data.descriptors = {a, b};
    data.n_descriptors = 2;
    DescriptorTable t = copy_descriptors(data);
    EXPECT_EQ(texts_of(t), (std::vector<std::string>{"MRV", "K"}));
    EXPECT_EQ(classes_of(t), (std::vector<std::string>{"second", "first class"}));
    EXPECT_EQ(t.size(), 2u);
}
