// The input-file questions several methods share: their order, what an empty answer means, and
// the test classification file that has no way out once a test file is named.
#include <gtest/gtest.h>

#include "inputs/questions.h"
#include "support.h"

using namespace tessar;

namespace {

class Questions : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::write_file(dir / "s.txt", "title\n>a\nMKV\n>b\nKVL\n");
        test_support::write_file(dir / "s.cls", "#\n1\n#\nx\n#\nx\nx\n");
        test_support::write_file(dir / "t.txt", ">t\nAAA\n");
    }
    std::string at(const std::string& name) const { return dir / name; }
    test_support::ScratchFolder dir;
};

const char* const kFound = "found %hd in <%s>\n";

}  // namespace

TEST_F(Questions, WithoutClassesNoTestFileIsAsked) {
    test_support::ScriptedConsole console(at("s.txt") + "\n\n");
    LabelledInput in = ask_labelled_input(console.io(), SequenceReader::NGrams, kFound);
    EXPECT_EQ(in.training.sequences, (std::vector<std::string>{"MKV", "KVL"}));
    EXPECT_FALSE(in.class_file);
    EXPECT_FALSE(in.with_test);
    const std::string printed = console.printed();
    // the found line, then the warning for the skipped title line, then the class question
    EXPECT_NE(printed.find("found 2 in <" + at("s.txt") + ">\n"
                           "\tWarning: 1 lines before the first '>' header were skipped\n"
                           "\n%\tEnter the classification file for the 2 sequences\n"),
              std::string::npos);
    EXPECT_EQ(printed.find("test file"), std::string::npos);
}

TEST_F(Questions, TheTestClassificationFileIsAskedUntilItOpens) {
    test_support::ScriptedConsole console(at("s.txt") + "\n" + at("s.cls") + "\n" + at("t.txt") + "\n\n" +
                                          at("none.cls") + "\n" + at("s.cls") + "\n");
    LabelledInput in = ask_labelled_input(console.io(), SequenceReader::NGrams, kFound);
    ASSERT_TRUE(in.with_test);
    EXPECT_EQ(in.test.sequences, std::vector<std::string>{"AAA"});
    EXPECT_TRUE(in.test.class_file);
    EXPECT_EQ(in.test.class_name, at("s.cls"));
    const std::string question = "\n%\tEnter the test classification file for the 1 sequences\n  \tof the test file: ";
    const std::string printed = console.printed();
    const size_t first = printed.find(question);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(printed.substr(first), question + question + question);  // empty and missing refused
}

TEST_F(Questions, AnEmptyTestAnswerMeansNoTestFile) {
    test_support::ScriptedConsole console(at("s.txt") + "\n" + at("s.cls") + "\n\n");
    LabelledInput in = ask_labelled_input(console.io(), SequenceReader::Discover, kFound);
    EXPECT_TRUE(in.class_file);
    EXPECT_FALSE(in.with_test);
    EXPECT_TRUE(in.test.name.empty());
}

TEST_F(Questions, TheSequenceQuestionShowsTheLimitsItIsGiven) {
    test_support::ScriptedConsole console(at("s.txt") + "\n");
    ask_sequence_file(console.io(), SequenceReader::Descriptors, kDescriptorShownLimits);
    EXPECT_EQ(console.printed(),
              "%\tEnter the file name of sequences\n"
              "  \t(an example file can be found in file SAMPLE;\n"
              "  \tmaximum number of sequences in the file is 3000;\n"
              "  \tmaximum length of sequences is 5000) [Sample.txt]: ");
}
