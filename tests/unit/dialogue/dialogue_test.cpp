// Answer conversion and the question loops of the dialogue, on the console dialogue and on a
// dialogue that gives up on a refused answer as batch use does.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>

#include "dialogue/dialogue.h"
#include "support.h"

using namespace tessar;
using test_support::ScratchFolder;
using test_support::ScriptedConsole;

namespace {

const Question kNumber = {"--number", AnswerKind::Number, "?", "a number", "3", 1, 5};
const Question kWideNumber = {"--wide", AnswerKind::Number, "?", "a number", "3", -2, INT_MAX};
const Question kInput = {"--in", AnswerKind::InputFile, "?", "a file", "Sample.txt"};
const Question kOptional = {"--opt", AnswerKind::OptionalInputFile, "?", "a file"};
const Question kOutput = {"--out", AnswerKind::OutputFile, "?", "a file", "x"};

// Answers from a table of flags and throws on the first refusal, as the command line does.
class Preset : public Dialogue {
public:
    explicit Preset(std::map<std::string, std::string> answers, Limits limits = {})
        : answers_(std::move(answers)), limits_(limits) {}
    void print(std::string_view) override {}
    void warn(std::string_view) override {}
    std::string answer(const Question& q, std::string_view) override { return answers_[q.flag]; }
    void refuse(const Question& q, const std::string& answer) override {
        throw std::runtime_error(std::string(q.flag) + " " + answer);
    }
    void wait_key() override {}
    Limits limits() const override { return limits_; }

private:
    std::map<std::string, std::string> answers_;
    Limits limits_;
};

short parsed(const std::string& answer) {
    long long v = -999;
    return parse_leading_integer(answer, v) ? static_cast<short>(v) : -999;
}

}  // namespace

TEST(ParseLeadingInteger, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(parsed("  +12abc"), 12);
    EXPECT_EQ(parsed("\t-7 8"), -7);
    EXPECT_EQ(parsed("007"), 7);
    EXPECT_EQ(parsed("0x10"), 0);  // decimal only: the number is the 0
    EXPECT_EQ(parsed("32767"), 32767);
    EXPECT_EQ(parsed("-32768"), -32768);
}

TEST(ParseLeadingInteger, RefusesTextWithoutNumberAndSaturatesHugeValues) {
    long long v = 5;
    for (const char* answer : {"abc", "   ", "+", "-", "- 3"}) EXPECT_FALSE(parse_leading_integer(answer, v)) << answer;
    EXPECT_EQ(v, 5);  // a refused answer leaves the value alone
    ASSERT_TRUE(parse_leading_integer("99999999999999999999999", v));
    EXPECT_EQ(v, LLONG_MAX);
    ASSERT_TRUE(parse_leading_integer("-99999999999999999999999", v));
    EXPECT_EQ(v, LLONG_MIN);
}

TEST(ParseReal, ReadsTheLeadingDecimalReal) {
    EXPECT_DOUBLE_EQ(parse_real("1e-1"), 0.1);
    EXPECT_DOUBLE_EQ(parse_real(".5"), 0.5);
    EXPECT_DOUBLE_EQ(parse_real("-0.1"), -0.1);
    EXPECT_DOUBLE_EQ(parse_real("  +2.5abc"), 2.5);
    EXPECT_DOUBLE_EQ(parse_real("3."), 3.0);
    EXPECT_DOUBLE_EQ(parse_real("2e"), 2.0);
    EXPECT_DOUBLE_EQ(parse_real("2e+"), 2.0);
    EXPECT_DOUBLE_EQ(parse_real("1E2x"), 100.0);
}

TEST(ParseReal, AnythingElseIsZero) {
    for (const char* answer : {"", "abc", ".", "-.", "nan", "NAN", "inf", "-infinity", "0x1p-1",
                               "+0X10", "e5"}) {
        EXPECT_EQ(parse_real(answer), 0.0) << answer;
    }
}

TEST(ConsoleAnswer, StripsCrLfAndKeepsALastLineWithoutLineEnd) {
    ScriptedConsole console("first\r\nsecond\rx\nlast");
    EXPECT_EQ(console.io().answer(kNumber, "a"), "first");
    EXPECT_EQ(console.io().answer(kNumber, "b"), "second\rx");
    EXPECT_EQ(console.io().answer(kNumber, "c"), "last");
    EXPECT_THROW(console.io().answer(kNumber, "d"), EndOfInput);
    EXPECT_EQ(console.printed(), "abcd");
}

TEST(AskNumber, EmptyAnswerTakesTheDefaultOthersAreAskedAgain) {
    // abc, blanks, 40000 (beyond 16 bits) and 9 (out of range) refused
    ScriptedConsole console("abc\n   \n40000\n9\n\n");
    EXPECT_EQ(ask_number(console.io(), kNumber), 3);
    EXPECT_EQ(console.printed(), "?????");
}

TEST(AskNumber, AcceptsTheRangeEndsAndTheConsoleKeepsTo16Bits) {
    ScriptedConsole console("0\n1\n-2\n32768\n32767\n");
    EXPECT_EQ(ask_number(console.io(), kNumber), 1);
    EXPECT_EQ(ask_number(console.io(), kWideNumber), -2);
    EXPECT_EQ(ask_number(console.io(), kWideNumber), 32767);
}

TEST(AskNumber, TheDefaultIsRangeCheckedLikeATypedAnswer) {
    // the console offers a default below the range as it is, and asks again
    ScriptedConsole console("\n4\n\n2\n");
    EXPECT_EQ(ask_number(console.io(), kNumber, "?", 7), 4);
    EXPECT_EQ(ask_number(console.io(), kNumber, "?", 0), 2);
    EXPECT_EQ(console.printed(), "????");
}

TEST(AskNumber, EndOfInputIsThrown) {
    ScriptedConsole console("77\n");
    EXPECT_THROW(ask_number(console.io(), kNumber), EndOfInput);
}

TEST(AskNumber, BatchUseStopsAtTheFirstRefusalAndTakesWholeInts) {
    Preset preset({{"--number", "9"}, {"--wide", "100000"}});
    EXPECT_EQ(ask_number(preset, kWideNumber), 100000);
    try {
        ask_number(preset, kNumber);
        FAIL() << "no refusal";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "--number 9");
    }
}

TEST(AskInputFile, MissingFileAndFolderAreAskedAgain) {
    ScratchFolder dir;
    test_support::write_file(dir / "seq.txt", ">a\n");
    {
        ScriptedConsole console(dir.path().string() + "\n" + (dir / "none.txt") + "\n" + (dir / "seq.txt") + "\n");
        std::string name;
        File opened = ask_input_file(console.io(), kInput, name);
        EXPECT_TRUE(opened);
        EXPECT_EQ(name, dir / "seq.txt");
        EXPECT_EQ(console.printed(), "???");
    }
    {
        ScriptedConsole console("\n");
        std::string name = "old";
        EXPECT_FALSE(ask_input_file(console.io(), kOptional, name));
        EXPECT_EQ(name, "");
    }
}

TEST(AskInputFile, BatchUseRefusesAFileThatCannotBeOpened) {
    Preset preset(std::map<std::string, std::string>{{"--in", "/nonexistent/file"}});
    std::string name;
    EXPECT_THROW(ask_input_file(preset, kInput, name), std::runtime_error);
}

TEST(AskOutputFile, FolderIsAskedAgain) {
    ScratchFolder dir;
    ScriptedConsole console(dir.path().string() + "\n" + (dir / "out.txt") + "\n");
    std::string name;
    EXPECT_TRUE(ask_output_file(console.io(), kOutput, name));
    EXPECT_EQ(name, dir / "out.txt");
    EXPECT_EQ(console.printed(), "??");
}

TEST(AskOutputFile, AFileInUseIsRefusedBeforeItIsEmptied) {
    ScratchFolder dir;
    test_support::write_file(dir / "in.txt", ">a\nAC\n");
    File input = open_for_reading(dir / "in.txt");
    // the same file under another spelling is the same file
    ScriptedConsole console(dir / "in.txt" + "\n" + dir.path().string() + "/./in.txt\n" + (dir / "out") + "\n");
    std::string name;
    EXPECT_TRUE(ask_output_file(console.io(), kOutput, name, {input.get(), nullptr}));
    EXPECT_EQ(name, dir / "out");
    EXPECT_EQ(console.printed(), "???");
    EXPECT_EQ(test_support::read_file(dir / "in.txt"), ">a\nAC\n");

    Preset preset(std::map<std::string, std::string>{{"--out", dir / "in.txt"}});
    EXPECT_THROW(ask_output_file(preset, kOutput, name, {input.get()}), std::runtime_error);
    EXPECT_EQ(test_support::read_file(dir / "in.txt"), ">a\nAC\n");
}

TEST(CloseOutput, AWriteThatFailedIsTheFatalErrorNotAShortFile) {
    File full(std::fopen("/dev/full", "w"));
    ASSERT_TRUE(full);
    std::fputs("text", full.get());
    EXPECT_EQ(test_support::fatal_message([&] { close_output(full, "x.arff"); }), "\tErr: cannot write x.arff\n");
    File again(std::fopen("/dev/full", "w"));
    std::fputs("text", again.get());
    EXPECT_EQ(test_support::fatal_message([&] { close_output(again, "x", "custom\n"); }), "custom\n");
}

TEST(PromptText, FormatsTheNumbersOfTheQuestion) {
    const Question q = {"--x", AnswerKind::Number, "%%\tfor the %hd sequences [%d]: ", "", "", 0, 1};
    EXPECT_EQ(prompt_text(q, static_cast<short>(18), 6), "%\tfor the 18 sequences [6]: ");
}
