// Descriptor mining on small hand-checked inputs.
#include <cmath>

#include "helpers.h"

using namespace tessar;

using Mining = InTempFolder;

TEST_F(Mining, TwoFamiliesMkvMrv) {
    DescriptorData d = from_families({{"MKV"}, {"MRV"}});
    mine_descriptors(d, 0, 0);
    // length 1: K and R (support 1, outside 0); M and V occur in both families (outside 1).
    // length 2: labels MK, RV, KV, MR in that order. Length 3: MRV, then MKV.
    EXPECT_EQ(texts(d), (std::vector<std::string>{"MKV", "MRV", "MR", "KV", "RV", "MK", "R", "K"}));
    std::vector<int> numbers;
    for (const MinedDescriptor& dd : d.descriptors) numbers.push_back(dd.number);
    EXPECT_EQ(numbers, (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(d.n_descriptors, 8u);

    const MinedDescriptor* k = find_dd(d, "K");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->families, std::vector<int>{1});
    EXPECT_EQ(k->first_occurrence, 1u);
    EXPECT_EQ(dense_occ(*k, 2), (std::vector<int>{0, 1, 0}));
    const MinedDescriptor* mrv = find_dd(d, "MRV");
    ASSERT_TRUE(mrv);
    EXPECT_EQ(mrv->families, std::vector<int>{2});
    EXPECT_EQ(mrv->length, 3);
    EXPECT_EQ(mrv->best_family_hits, 1);
    EXPECT_EQ(mrv->best_family_size, 1);

    // the start positions of the length-3 descriptors are eliminated, nothing before
    EXPECT_EQ(d.labels[0], 0);
    EXPECT_EQ(d.labels[3], 0);
    EXPECT_EQ(d.families[0].n_descriptors, 4);
    EXPECT_EQ(d.families[1].n_descriptors, 4);
    EXPECT_EQ(d.sequences[0].n_descriptors, 4);
}

TEST_F(Mining, TieSetOfEqualFamilies) {
    // with ALPHA = BETA = 1, M (one hit in each family of one sequence) is accepted with both
    // families in its tie set and the higher-numbered one as its best family
    DescriptorData d = from_families({{"MKV"}, {"MRV"}});
    mine_descriptors(d, 1, 1);
    const MinedDescriptor* m = find_dd(d, "M");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->families, (std::vector<int>{1, 2}));
    EXPECT_EQ(m->best_family_hits, 1);
    EXPECT_EQ(m->best_family_size, 1);
    // with BETA = 0 the same substring is never accepted
    mine_descriptors(d, 0, 0);
    EXPECT_FALSE(find_dd(d, "M"));
    EXPECT_FALSE(find_dd(d, "V"));
}

TEST_F(Mining, TieOnHitsKeepsTheSmallestFamilies) {
    // W is in one sequence of each family: hits 1, 1, 1; family 1 is larger, so the tie set is
    // families 2 and 3 and the best family (hits, size, n_descriptors) is 3
    DescriptorData d = from_families({{"WA", "CC"}, {"WD"}, {"WE"}});
    mine_descriptors(d, 0, 1);
    const MinedDescriptor* w = find_dd(d, "W");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->families, (std::vector<int>{2, 3}));
    EXPECT_EQ(w->best_family_hits, 1);
    EXPECT_EQ(w->best_family_size, 1);
    EXPECT_EQ(dense_occ(*w, 4), (std::vector<int>{0, 1, 0, 1, 1}));
    // W counts for its best family only: A, C, WA, CC / D, WD / E, W, WE
    EXPECT_EQ(d.families[0].n_descriptors, 4);
    EXPECT_EQ(d.families[1].n_descriptors, 2);
    EXPECT_EQ(d.families[2].n_descriptors, 3);
    // and for the sequences of its tie set that hold it
    EXPECT_EQ(d.sequences[0].n_descriptors, 2);  // A, WA
    EXPECT_EQ(d.sequences[2].n_descriptors, 3);  // D, WD, W
}

TEST_F(Mining, ScoresInSinglePrecision) {
    // family 1 holds X in 7 of 10 sequences: 7/10 rounded to float equals the float ALPHA 0.7
    std::vector<std::string> f1(7, "XY"), f2 = {"YY", "YY"};
    f1.insert(f1.end(), 3, "YY");
    DescriptorData d = from_families({f1, f2});
    mine_descriptors(d, 0.7f, 0);
    EXPECT_TRUE(find_dd(d, "X"));
    mine_descriptors(d, std::nextafter(0.7f, 1.0f), 0);
    EXPECT_FALSE(find_dd(d, "X"));
}

TEST_F(Mining, SingleFamilyHasNoDescriptor) {
    DescriptorData d = from_families({{"MKV", "MKW", "AAA"}});
    mine_descriptors(d, 0, 1);
    EXPECT_EQ(d.n_descriptors, 0u);
    EXPECT_TRUE(d.descriptors.empty());
}

TEST_F(Mining, OneResidueSequencesOnlyGiveLengthOne) {
    DescriptorData d = from_families({{"A", "C"}, {"D"}});
    mine_descriptors(d, 0, 0);
    EXPECT_EQ(texts(d), (std::vector<std::string>{"D", "C", "A"}));
    // every position retired at the first extension, with its negated label
    EXPECT_EQ(d.labels, (std::vector<int>{-1, -2, -3}));
    EXPECT_EQ(d.n_labels, 0u);
}

TEST_F(Mining, EliminatedOccurrencesStopGrowing) {
    // ABC is accepted at length 3 for family 1: its occurrences are eliminated, so no longer
    // candidate starts there, and the positions before them (Z) retire at the next extension
    DescriptorData d = from_families({{"ZABCQ", "ABCR"}, {"QQQQ", "RRRR"}});
    mine_descriptors(d, 1, 0);
    const MinedDescriptor* abc = find_dd(d, "ABC");
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->length, 3);
    EXPECT_EQ(abc->first_occurrence, 1u);
    EXPECT_EQ(d.labels[1], 0);
    EXPECT_EQ(d.labels[5], 0);
    EXPECT_LT(d.labels[0], 0);
    for (const MinedDescriptor& dd : d.descriptors) {
        if (dd.length > 3) { EXPECT_NE(dd.first_occurrence, 1u); }
    }
    EXPECT_FALSE(find_dd(d, "ZABC"));
    EXPECT_FALSE(find_dd(d, "ABCQ"));
}

TEST_F(Mining, BelowFilterAtPositionsStayActive) {
    // AB is accepted at length 2 but its positions keep growing: ABC is accepted at length 3
    DescriptorData d = from_families({{"ABC", "ABC"}, {"CCC"}});
    mine_descriptors(d, 1, 0);
    EXPECT_TRUE(find_dd(d, "AB"));
    EXPECT_TRUE(find_dd(d, "ABC"));
}

TEST_F(Mining, FirstOccurrenceTouchingAnEliminationIsRejected) {
    // ABC, BCD and CDE also occur in family 2; DEF does not and is accepted at length 3, which
    // eliminates positions 3 and 9. ABCD lies in both sequences of family 1 only, yet it is
    // rejected at length 4 because position 3, inside its first occurrence, is eliminated.
    DescriptorData d = from_families({{"ABCDEF", "ABCDEF"}, {"ABCXBCDXCDE"}});
    mine_descriptors(d, 1, 0);
    EXPECT_TRUE(find_dd(d, "DEF"));
    EXPECT_EQ(d.labels[3], 0);
    EXPECT_FALSE(find_dd(d, "ABCD"));
    EXPECT_FALSE(find_dd(d, "BCDE"));
    EXPECT_FALSE(find_dd(d, "ABCDE"));
}

TEST_F(Mining, EmptyFirstSequenceOwnsNoPosition) {
    DescriptorData d = from_families({{"", "KK"}, {"RR"}});
    mine_descriptors(d, 0, 0);
    const MinedDescriptor* k = find_dd(d, "K");
    ASSERT_TRUE(k);
    EXPECT_EQ(dense_occ(*k, 3), (std::vector<int>{0, 0, 2, 0}));
    EXPECT_EQ(k->best_family_hits, 1);
    EXPECT_EQ(k->best_family_size, 2);
}

TEST_F(Mining, SecondRunGivesTheSameResult) {
    DescriptorData d = from_families({{"MKVLA", "MKVAA"}, {"MRVLA", "MRAAV"}});
    mine_descriptors(d, 0.5f, 0.5f);
    std::vector<std::string> first = texts(d);
    std::vector<int> counts;
    for (const FamilyRec& f : d.families) counts.push_back(f.n_descriptors);
    mine_descriptors(d, 0.5f, 0.5f);
    EXPECT_EQ(texts(d), first);
    std::vector<int> again;
    for (const FamilyRec& f : d.families) again.push_back(f.n_descriptors);
    EXPECT_EQ(again, counts);
}
