// Answer conversion and the question loops of the dialogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "dialogue.h"

namespace {

// Runs a dialogue with `typed` as standard input; the questions go to a scratch file whose
// text is kept in `printed`.
class Console {
public:
    explicit Console(const std::string& typed) : in_(std::tmpfile()), out_(std::tmpfile()) {
        std::fwrite(typed.data(), 1, typed.size(), in_);
        std::rewind(in_);
        std::fflush(stdout);
        saved_in_ = stdin;
        saved_out_ = stdout;
        stdin = in_;
        stdout = out_;
    }
    ~Console() {
        restore();
        std::fclose(in_);
        std::fclose(out_);
    }
    std::string printed() {
        restore();
        std::fflush(out_);
        std::rewind(out_);
        std::string text;
        for (int c; (c = std::getc(out_)) != EOF;) text.push_back(static_cast<char>(c));
        return text;
    }

private:
    void restore() {
        if (stdin == in_) stdin = saved_in_;
        if (stdout == out_) stdout = saved_out_;
    }
    std::FILE* in_;
    std::FILE* out_;
    std::FILE* saved_in_ = nullptr;
    std::FILE* saved_out_ = nullptr;
};

short parsed(const std::string& answer) {
    short v = -999;
    return parse_short(answer, v) ? v : -999;
}

const Prompt kAsk = [] { std::printf("?"); };

}  // namespace

TEST(ParseShort, ReadsTheLeadingDecimalNumber) {
    EXPECT_EQ(parsed("  +12abc"), 12);
    EXPECT_EQ(parsed("\t-7 8"), -7);
    EXPECT_EQ(parsed("007"), 7);
    EXPECT_EQ(parsed("0x10"), 0);  // decimal only: the number is the 0
    EXPECT_EQ(parsed("32767"), 32767);
    EXPECT_EQ(parsed("-32768"), -32768);
}

TEST(ParseShort, RefusesTextWithoutNumberAndOutOfRangeValues) {
    short v = 5;
    for (const char* answer : {"abc", "   ", "+", "-", "- 3", "32768", "40000", "-32769",
                               "99999999999999999999999"}) {
        EXPECT_FALSE(parse_short(answer, v)) << answer;
    }
    EXPECT_EQ(v, 5);  // a refused answer leaves the value alone
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

TEST(ReadAnswer, StripsCrLfAndKeepsALastLineWithoutLineEnd) {
    Console console("first\r\nsecond\rx\nlast");
    EXPECT_EQ(read_answer(), "first");
    EXPECT_EQ(read_answer(), "second\rx");
    EXPECT_EQ(read_answer(), "last");
    EXPECT_THROW(read_answer(), EndOfInput);
}

TEST(AskShort, EmptyAnswerTakesTheDefaultOthersAreAskedAgain) {
    Console console("abc\n   \n40000\n9\n\n");
    EXPECT_EQ(ask_short(kAsk, 3, 1, 5), 3);  // abc, blanks, 40000 and 9 (out of range) refused
    EXPECT_EQ(console.printed(), "?????");
}

TEST(AskShort, AcceptsTheRangeEnds) {
    Console console("0\n1\n-2\n");
    EXPECT_EQ(ask_short(kAsk, 3, 1, 5), 1);
    EXPECT_EQ(ask_short(kAsk, 3, -2, 5), -2);
}

TEST(AskShort, EndOfInputIsThrown) {
    Console console("77\n");
    EXPECT_THROW(ask_short(kAsk, 3, 1, 5), EndOfInput);
}

TEST(AskInputFile, MissingFileAndFolderAreAskedAgain) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("tessar-dialogue-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string file = (dir / "seq.txt").string();
    std::FILE* f = std::fopen(file.c_str(), "w");
    std::fputs(">a\n", f);
    std::fclose(f);
    {
        Console console(dir.string() + "\n" + (dir / "none.txt").string() + "\n" + file + "\n");
        std::string name;
        File opened = ask_input_file(kAsk, "Sample.txt", name);
        EXPECT_TRUE(opened);
        EXPECT_EQ(name, file);
        EXPECT_EQ(console.printed(), "???");
    }
    {
        Console console("\n");
        std::string name = "old";
        EXPECT_FALSE(ask_input_file(kAsk, "Sample.txt", name, true));
        EXPECT_EQ(name, "");
    }
    fs::remove_all(dir);
}

TEST(AskOutputFile, FolderIsAskedAgain) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("tessar-dialogue-out-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string file = (dir / "out.txt").string();
    {
        Console console(dir.string() + "\n" + file + "\n");
        std::string name;
        EXPECT_TRUE(ask_output_file(kAsk, "x", name));
        EXPECT_EQ(name, file);
        EXPECT_EQ(console.printed(), "??");
    }
    fs::remove_all(dir);
}
