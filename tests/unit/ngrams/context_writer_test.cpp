// The context writer: the four files line for line, the order of the classification checks and
// what a failed check leaves written, labels, quoting and rows without attributes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "context/context.h"
#include "dialogue.h"
#include "inputs/classfile.h"

namespace {

// A scratch folder, the answers typed at the prompts, and in-memory classification files.
class Writer : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessar-writer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (FILE* f : open_files) std::fclose(f);
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    std::string path(const std::string& name) const { return dir + "/" + name; }

    std::string contents(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    bool exists(const std::string& name) const { return access(path(name).c_str(), F_OK) == 0; }

    FILE* text_file(const std::string& text) {
        FILE* f = std::tmpfile();
        std::fputs(text.c_str(), f);
        std::rewind(f);
        open_files.push_back(f);
        return f;
    }

    // Answers every prompt with a file of the scratch folder, in prompt order.
    void answer(const std::vector<std::string>& names) {
        std::string script;
        for (const std::string& n : names) script += (n.empty() || n[0] == '/' ? n : path(n)) + "\n";
        std::ofstream(path("answers")) << script;
        ASSERT_NE(std::freopen(path("answers").c_str(), "r", stdin), nullptr);
    }

    std::string dir;
    std::vector<FILE*> open_files;
    std::vector<std::string> training{"MKVLAG", "GGKVL"};
    std::vector<std::string> test{"KVLAG", "AAA", "KVL"};
};

const char* const kPosNeg = "#classes number\n2\n#classes names\npos\nneg\n#classes instances\npos\nneg";

}  // namespace

TEST_F(Writer, TwoSequencesWithClassesGiveTheThreeFilesLineForLine) {
    answer({"c.arff", "c.txt", "c.dat"});
    ContextRequest r{{"KVL", "AG"}, {}, &training, nullptr, text_file(kPosNeg), nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.arff"),
              "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
              "@attribute class {pos,neg}\n\n@data\n1,1,pos\n1,0,neg\n");
    EXPECT_EQ(contents("c.txt"),
              "#motifs number\n2\n#motifs\nKVL\nAG\n#classes number\n2\n#classes\npos\nneg\n"
              "#instances number\n2\n#context\n1,1,1,0\n1,0,0,1\n");
    EXPECT_EQ(contents("c.dat"), "2 2 2\nKVL 2 1 1\nAG 2 1 1\n\n1 1 1 pos\n2 1 0 neg\n");
}

TEST_F(Writer, WithoutClassesThereIsNoDatFileAndNoClassColumns) {
    answer({"c.arff", "c.txt"});
    ContextRequest r{{"KVL", "AG"}, {}, &training, nullptr, nullptr, nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n\n@data\n1,1\n1,0\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n2\n#motifs\nKVL\nAG\n#instances number\n2\n#context\n1,1\n1,0\n");
}

TEST_F(Writer, AnOutputNameThatCannotBeOpenedIsAskedAgain) {
    answer({"/nonexistent-folder/c.arff", "c.arff", "c.txt"});
    ContextRequest r{{"AG"}, {}, &training, nullptr, nullptr, nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#instances number\n2\n#context\n1\n0\n");
}

TEST_F(Writer, TestFileRowsFollowTheTestSequencesAndTheirOwnLabels) {
    answer({"c.arff", "t.arff", "c.txt", "c.dat"});
    // three test sequences, two test labels: the last label stands for the third sequence
    FILE* test_classes = text_file("#\n2\n#\nx\ny\n#\nneg\npos\n");
    ContextRequest r{{"KVL", "AG"}, {}, &training, &test, text_file(kPosNeg), test_classes, false};
    write_context_files(r);
    EXPECT_EQ(contents("t.arff"),
              "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
              "@attribute class {pos,neg}\n\n@data\n1,1,neg\n0,0,pos\n1,0,pos\n");
    EXPECT_EQ(contents("c.arff").substr(contents("c.arff").size() - 16), "1,1,pos\n1,0,neg\n");
}

TEST_F(Writer, FewerLabelsThanSequencesAndAnUndeclaredClass) {
    answer({"c.arff", "c.txt", "c.dat"});
    std::vector<std::string> three{"MKV", "KVA", "AAA"};
    FILE* classes = text_file("#\n2\n#\npos\nneg\n#\nother");
    ContextRequest r{{"KV"}, {}, &three, nullptr, classes, nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.txt").substr(contents("c.txt").find("#context")), "#context\n1,0,0\n1,0,0\n0,0,0\n");
    EXPECT_EQ(contents("c.dat").substr(contents("c.dat").find("\n\n")), "\n\n1 1 other\n2 1 other\n3 0 other\n");
}

TEST_F(Writer, NoAttributeRowsCarryNoLeadingSeparator) {
    answer({"c.arff", "c.txt", "c.dat"});
    ContextRequest r{{}, {}, &training, nullptr, text_file(kPosNeg), nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute class {pos,neg}\n\n@data\npos\nneg\n");
    EXPECT_EQ(contents("c.txt").substr(contents("c.txt").find("#context")), "#context\n1,0\n0,1\n");
    EXPECT_EQ(contents("c.dat"), "2 0 2\n\n1  pos\n2  neg\n");
}

TEST_F(Writer, ClassNamesThatNeedQuotesAreQuotedInArffOnly) {
    answer({"c.arff", "c.txt", "c.dat"});
    FILE* classes = text_file("#\n2\n#\nyes, sir\nit's\n#\nyes, sir\nit's\n");
    ContextRequest r{{"AG"}, {}, &training, nullptr, classes, nullptr, false};
    write_context_files(r);
    std::string arff = contents("c.arff");
    EXPECT_NE(arff.find("@attribute class {'yes, sir','it\\'s'}\n"), std::string::npos);
    EXPECT_NE(arff.find("\n1,'yes, sir'\n0,'it\\'s'\n"), std::string::npos);
    EXPECT_EQ(contents("c.dat").substr(contents("c.dat").find("\n\n")), "\n\n1 1 yes, sir\n2 0 it's\n");
    EXPECT_NE(contents("c.txt").find("#classes\nyes, sir\nit's\n"), std::string::npos);
}

TEST_F(Writer, PresenceFunctionReplacesTheSubstringSearch) {
    answer({"c.arff", "c.txt"});
    ContextRequest r{{"X", "Y"}, [](size_t j, const std::string& s) { return (j == 0) == (s[0] == 'M'); },
                     &training, nullptr, nullptr, nullptr, false};
    write_context_files(r);
    EXPECT_EQ(contents("c.arff").substr(contents("c.arff").find("@data")), "@data\n1,0\n0,1\n");
}

// Each failed check keeps what the files held at that moment.
TEST_F(Writer, MissingCountKeywordStopsAfterTheAttributeBlocks) {
    answer({"c.arff", "c.txt", "c.dat"});
    ContextRequest r{{"AG"}, {}, &training, nullptr, text_file("classes number\n2\n"), nullptr, false};
    try {
        write_context_files(r);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, kClassNumberError);
    }
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute AG {1,0}\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n");
    EXPECT_EQ(contents("c.dat"), "");
}

TEST_F(Writer, MissingNamesKeywordInTheTestFileStopsAfterTheClassHeaders) {
    answer({"c.arff", "t.arff", "c.txt", "c.dat"});
    ContextRequest r{{"AG"}, {}, &training, &test, text_file(kPosNeg), text_file("#\n2\nnames\n"), false};
    try {
        write_context_files(r);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, kClassNamesError);
    }
    const std::string head = "@relation Context\n\n@attribute AG {1,0}\n@attribute class {";
    EXPECT_EQ(contents("c.arff"), head);
    EXPECT_EQ(contents("t.arff"), head);
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#classes number\n2\n#classes\n");
    EXPECT_EQ(contents("c.dat"), "2 1 2\nAG 2 1 1\n\n");
}

TEST_F(Writer, MissingDataKeywordLeavesACompleteClassAttributeAndNoData) {
    answer({"c.arff", "c.txt", "c.dat"});
    ContextRequest r{{"AG"}, {}, &training, nullptr, text_file("#\n2\n#\npos\nneg\npos\n"), nullptr, false};
    try {
        write_context_files(r);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, kClassDataError);
    }
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute AG {1,0}\n@attribute class {pos,neg}\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#classes number\n2\n#classes\npos\nneg\n");
}

TEST_F(Writer, AFileThatCannotBeWrittenIsAnErrorNotAShortFile) {
    answer({"c.arff", "/dev/full"});
    ContextRequest r{{"AG"}, {}, &training, nullptr, nullptr, nullptr, false};
    try {
        write_context_files(r);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, "\tErr: cannot write /dev/full\n");
    }
}
