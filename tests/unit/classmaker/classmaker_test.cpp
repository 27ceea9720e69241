// classmaker: its word reader, its number notation, the file it writes and how its dialogue ends.
#include <gtest/gtest.h>

#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "classmaker.h"
#include "support.h"

using namespace classmaker;

namespace {

// Runs the whole dialogue on `typed`; returns the status and leaves the screen in `printed`.
int run(const std::string& typed, std::string& printed) {
    tessar::File in = test_support::text_file(typed), out(std::tmpfile());
    const int status = run_classmaker(in.get(), out.get());
    std::rewind(out.get());
    printed.clear();
    for (int c; (c = std::getc(out.get())) != EOF;) printed.push_back(static_cast<char>(c));
    return status;
}

}  // namespace

TEST(ReadWord, WordsSpanBlanksAndLinesAndTheEndOfInputIsThrown) {
    tessar::File in = test_support::text_file("  two\tclasses\r\n\n pos ");
    EXPECT_EQ(read_word(in.get()), "two");
    EXPECT_EQ(read_word(in.get()), "classes");
    EXPECT_EQ(read_word(in.get()), "pos");
    EXPECT_THROW(read_word(in.get()), EndOfInput);
}

TEST(ParseInt, TakesWholeWordsInPercentINotationWithinTheIntRange) {
    int v = -1;
    EXPECT_TRUE(parse_int("12", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(parse_int("010", v));
    EXPECT_EQ(v, 8);
    EXPECT_TRUE(parse_int("0x1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(parse_int("-2147483648", v));
    EXPECT_EQ(v, -2147483648LL);
    for (const char* word : {"", "+", "0x", "3abc", "08", "4294967297", "2147483648"})
        EXPECT_FALSE(parse_int(word, v)) << word;
}

TEST(ClassificationText, SectionsInInputOrderAndNoFinalLineEnd) {
    EXPECT_EQ(classification_text({{"pos", 2}, {"neg", 0}, {"odd", 1}}),
              "#classes number\n3\n#classes names\npos\nneg\nodd\n#classes instances\npos\npos\nodd");
}

TEST(RunClassmaker, WritesTheFileAskedForAndAsksAgainWhatItCannotUse) {
    test_support::ScratchFolder dir;
    std::string printed;
    // a count out of range and a word that is no number are asked again; so is a folder as name
    const int status = run("0 many 2 pos 1 neg two 2\n" + dir.path().string() + " " + (dir / "c.cls") + "\n\n",
                           printed);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test_support::read_file(dir / "c.cls"),
              "#classes number\n2\n#classes names\npos\nneg\n#classes instances\npos\nneg\nneg");
    EXPECT_EQ(printed,
              "\nThis program allows you to create a classification file"
              "\n\nClasses number: \n\nClasses number: \n\nClasses number: "
              "\nClass num 1 name: \nCorresponding instances number: "
              "\nClass num 2 name: \nCorresponding instances number: \nCorresponding instances number: "
              "\nEnter the classification file name: \nEnter the classification file name: "
              "\nClassification file done, press any key to exit");
}

TEST(RunClassmaker, EndOfInputAtAQuestionEndsWithStatus1AndNoFile) {
    std::string printed;
    EXPECT_EQ(run("1 pos", printed), 1);
    const std::string end = "\nCorresponding instances number: \n\tErr: end of input\n";
    EXPECT_EQ(printed.substr(printed.size() - end.size()), end);
}

TEST(RunClassmaker, AFileThatCannotBeWrittenIsAnError) {
    std::string printed;
    EXPECT_EQ(run("1 pos 3 /dev/full\n\n", printed), 1);
    EXPECT_NE(printed.find("\n\tErr: cannot write /dev/full\n"), std::string::npos);
}

// Many instances are written as they go, not held in memory first: a run writing 300 MB (a
// 1000-letter name, 300000 instances) to /dev/null raises the peak memory of its process by far
// less. (Fuzzing found the whole file built in memory: a count of 429496729 took gigabytes.)
TEST(RunClassmaker, ManyInstancesAreWrittenWithoutHoldingTheFileInMemory) {
    const std::string typed = "1 " + std::string(1000, 'L') + " 300000 /dev/null\n\n";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rusage before, after;
        getrusage(RUSAGE_SELF, &before);
        std::string printed;
        const int status = run(typed, printed);
        getrusage(RUSAGE_SELF, &after);
        const long grown_kib = after.ru_maxrss - before.ru_maxrss;
        _exit(status != 0 ? 2 : grown_kib < 100 * 1024 ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the file was held in memory; 2: the run failed";
}
