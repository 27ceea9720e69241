// The nearest name to a mistyped flag or subcommand: the edit distance, and when a name is near
// enough to be suggested.
#include <gtest/gtest.h>

#include "suggest.h"

using tessar::cli::edit_distance;
using tessar::cli::nearest_name;

TEST(EditDistance, CountsInsertionsDeletionsReplacementsAndSwapsIgnoringCase) {
    EXPECT_EQ(edit_distance("clases", "classes"), 1u);
    EXPECT_EQ(edit_distance("clsases", "classes"), 1u);  // two neighbours swapped
    EXPECT_EQ(edit_distance("NGRAMS", "ngrams"), 0u);
    EXPECT_EQ(edit_distance("", "abc"), 3u);
}

TEST(NearestName, SuggestsOnlyANameWithinOneEditInThree) {
    const std::vector<std::string> flags = {"--classes", "--test", "--txt", "-n", "--min-length",
                                            "--min-occurrence", "--format", "--form"};
    EXPECT_EQ(nearest_name("--class", flags), "--classes");
    EXPECT_EQ(nearest_name("--minlength", flags), "--min-length");
    EXPECT_EQ(nearest_name("-N", flags), "-n");
    EXPECT_EQ(nearest_name("--formt", flags), "--format");  // the nearest, not the first near one
    EXPECT_EQ(nearest_name("--tst", flags), "--test");      // equally near: the first
    EXPECT_EQ(nearest_name("--colour", flags), "");
    EXPECT_EQ(nearest_name("-m", flags), "");
    EXPECT_EQ(nearest_name("--", flags), "");

    const std::vector<std::string> commands = {"motifs", "ngrams", "disclass", "ddms", "bincod", "encode"};
    EXPECT_EQ(nearest_name("DisClass", commands), "disclass");
    EXPECT_EQ(nearest_name("sample.fasta", commands), "");
}
