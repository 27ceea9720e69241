// The context writer: the four files line for line, the order of the classification checks and
// what a failed check leaves written, labels, quoting, rows without attributes, the descriptor
// methods' way of reading the classification files again, and the warning for a table no tool
// can load.
#include <gtest/gtest.h>

#include <memory>

#include "context/context.h"
#include "inputs/classfile.h"
#include "parallel/parallel.h"
#include "support.h"

using namespace tessar;

namespace {

// A scratch folder, the answers typed at the prompts, and classification files from text.
class Writer : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return dir / name; }
    std::string contents(const std::string& name) const { return test_support::read_file(path(name)); }

    std::FILE* text_file(const std::string& text) {
        open_files.push_back(test_support::text_file(text));
        return open_files.back().get();
    }

    // Answers every prompt with a file of the scratch folder, in prompt order.
    void answer(const std::vector<std::string>& names) {
        std::string script;
        for (const std::string& n : names) script += (n.empty() || n[0] == '/' ? n : path(n)) + "\n";
        console = std::make_unique<test_support::ScriptedConsole>(script);
    }

    // Rows of exact presence, by a plain substring search.
    static TableRows presence(const std::vector<std::string>& attributes,
                              const std::vector<std::string>& sequences) {
        return {sequences.size(), [&attributes, &sequences](size_t i, const std::string&,
                                                            std::vector<std::uint32_t>& ones) {
                    ones.clear();
                    for (size_t j = 0; j < attributes.size(); ++j)
                        if (sequences[i].find(attributes[j]) != std::string::npos)
                            ones.push_back(static_cast<std::uint32_t>(j));
                }};
    }

    // A request of the motif and N-gram methods.
    ContextRequest request(const std::vector<std::string>& attributes, std::FILE* classes,
                           std::FILE* test_classes = nullptr) {
        ContextRequest r{attributes};
        r.training = presence(attributes, training);
        r.test = presence(attributes, test);
        r.classes.training = classes;
        r.classes.test = test_classes;
        return r;
    }

    void write(const ContextRequest& r) { write_context_files(console->io(), r); }

    test_support::ScratchFolder dir;
    std::vector<tessar::File> open_files;
    std::unique_ptr<test_support::ScriptedConsole> console;
    std::vector<std::string> training{"MKVLAG", "GGKVL"};
    std::vector<std::string> test{"KVLAG", "AAA", "KVL"};
    const std::vector<std::string> kvl_ag{"KVL", "AG"}, ag{"AG"}, none{};
};

const char* const kPosNeg = "#classes number\n2\n#classes names\npos\nneg\n#classes instances\npos\nneg";

}  // namespace

TEST_F(Writer, TwoSequencesWithClassesGiveTheThreeFilesLineForLine) {
    answer({"c.arff", "c.txt", "c.dat"});
    write(request(kvl_ag, text_file(kPosNeg)));
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
    write(request(kvl_ag, nullptr));
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n\n@data\n1,1\n1,0\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n2\n#motifs\nKVL\nAG\n#instances number\n2\n#context\n1,1\n1,0\n");
}

TEST_F(Writer, AnOutputNameThatCannotBeOpenedIsAskedAgain) {
    answer({"/nonexistent-folder/c.arff", "c.arff", "c.txt"});
    write(request(ag, nullptr));
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#instances number\n2\n#context\n1\n0\n");
}

TEST_F(Writer, TestFileRowsFollowTheTestSequencesAndTheirOwnLabels) {
    answer({"c.arff", "t.arff", "c.txt", "c.dat"});
    // three test sequences, two test labels: the last label stands for the third sequence
    std::FILE* test_classes = text_file("#\n2\n#\nx\ny\n#\nneg\npos\n");
    write(request(kvl_ag, text_file(kPosNeg), test_classes));
    EXPECT_EQ(contents("t.arff"),
              "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
              "@attribute class {pos,neg}\n\n@data\n1,1,neg\n0,0,pos\n1,0,pos\n");
    EXPECT_EQ(contents("c.arff").substr(contents("c.arff").size() - 16), "1,1,pos\n1,0,neg\n");
}

TEST_F(Writer, FewerLabelsThanSequencesAndAnUndeclaredClass) {
    answer({"c.arff", "c.txt", "c.dat"});
    training = {"MKV", "KVA", "AAA"};
    const std::vector<std::string> kv{"KV"};
    write(request(kv, text_file("#\n2\n#\npos\nneg\n#\nother")));
    EXPECT_EQ(contents("c.txt").substr(contents("c.txt").find("#context")), "#context\n1,0,0\n1,0,0\n0,0,0\n");
    EXPECT_EQ(contents("c.dat").substr(contents("c.dat").find("\n\n")), "\n\n1 1 other\n2 1 other\n3 0 other\n");
}

TEST_F(Writer, NoAttributeRowsCarryNoLeadingSeparator) {
    answer({"c.arff", "c.txt", "c.dat"});
    write(request(none, text_file(kPosNeg)));
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute class {pos,neg}\n\n@data\npos\nneg\n");
    EXPECT_EQ(contents("c.txt").substr(contents("c.txt").find("#context")), "#context\n1,0\n0,1\n");
    EXPECT_EQ(contents("c.dat"), "2 0 2\n\n1  pos\n2  neg\n");
}

TEST_F(Writer, ClassNamesThatNeedQuotesAreQuotedInArffOnly) {
    answer({"c.arff", "c.txt", "c.dat"});
    write(request(ag, text_file("#\n2\n#\nyes, sir\nit's\n#\nyes, sir\nit's\n")));
    std::string arff = contents("c.arff");
    EXPECT_NE(arff.find("@attribute class {'yes, sir','it\\'s'}\n"), std::string::npos);
    EXPECT_NE(arff.find("\n1,'yes, sir'\n0,'it\\'s'\n"), std::string::npos);
    EXPECT_EQ(contents("c.dat").substr(contents("c.dat").find("\n\n")), "\n\n1 1 yes, sir\n2 0 it's\n");
    EXPECT_NE(contents("c.txt").find("#classes\nyes, sir\nit's\n"), std::string::npos);
}

// Each failed check keeps what the files held at that moment.
TEST_F(Writer, MissingCountKeywordStopsAfterTheAttributeBlocks) {
    answer({"c.arff", "c.txt", "c.dat"});
    EXPECT_EQ(test_support::fatal_message([&] { write(request(ag, text_file("classes number\n2\n"))); }), kClassNumberError);
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute AG {1,0}\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n");
    EXPECT_EQ(contents("c.dat"), "");
}

TEST_F(Writer, MissingNamesKeywordInTheTestFileStopsAfterTheClassHeaders) {
    answer({"c.arff", "t.arff", "c.txt", "c.dat"});
    EXPECT_EQ(test_support::fatal_message([&] { write(request(ag, text_file(kPosNeg), text_file("#\n2\nnames\n"))); }), kClassNamesError);
    const std::string head = "@relation Context\n\n@attribute AG {1,0}\n@attribute class {";
    EXPECT_EQ(contents("c.arff"), head);
    EXPECT_EQ(contents("t.arff"), head);
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#classes number\n2\n#classes\n");
    EXPECT_EQ(contents("c.dat"), "2 1 2\nAG 2 1 1\n\n");
}

TEST_F(Writer, MissingDataKeywordLeavesACompleteClassAttributeAndNoData) {
    answer({"c.arff", "c.txt", "c.dat"});
    EXPECT_EQ(test_support::fatal_message([&] { write(request(ag, text_file("#\n2\n#\npos\nneg\npos\n"))); }), kClassDataError);
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n@attribute AG {1,0}\n@attribute class {pos,neg}\n");
    EXPECT_EQ(contents("c.txt"), "#motifs number\n1\n#motifs\nAG\n#classes number\n2\n#classes\npos\nneg\n");
}

TEST_F(Writer, AFileThatCannotBeWrittenIsAnErrorNotAShortFile) {
    answer({"c.arff", "/dev/full"});
    EXPECT_EQ(test_support::fatal_message([&] { write(request(ag, nullptr)); }), "\tErr: cannot write /dev/full\n");
}

TEST_F(Writer, ATableWithNoAttributeAndNoClassWarnsThatToolsCannotLoadIt) {
    answer({"c.arff", "c.txt"});
    write(request(none, nullptr));
    EXPECT_EQ(contents("c.arff"), "@relation Context\n\n\n@data\n\n\n");
    EXPECT_NE(console->printed().find("\tWarning: " + path("c.arff") +
                                      " has no attribute; data-mining tools cannot load it\n"),
              std::string::npos);
    // with a class attribute the file loads: no warning
    answer({"d.arff", "d.txt", "d.dat"});
    write(request(none, text_file(kPosNeg)));
    EXPECT_EQ(console->printed().find("Warning"), std::string::npos);
}

TEST_F(Writer, ClassesReadByTheMethodListTheFamiliesAndTheTestFileIsReadWithoutChecks) {
    // the descriptor methods: ARFF files only, the names and labels the class walk read, one
    // class listed per family; the test file read once, without checks, by its own count
    answer({"c.arff", "t.arff"});
    ClassesRead read;
    read.names = {"pos", "neg", "none"};
    read.labels = {"pos", "neg"};
    ContextRequest r = request(kvl_ag, nullptr, text_file("#\n3\n#\na\nb\nc\n#\nneg\n"));
    r.classes.training_read = &read;
    r.classes.test_unchecked = true;
    r.classes.n_listed = 2;
    r.txt_and_dat = false;
    r.test.count = 2;
    write(r);
    const std::string head = "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
                             "@attribute class {pos,neg}\n\n@data\n";
    EXPECT_EQ(contents("c.arff"), head + "1,1,pos\n1,0,neg\n");
    EXPECT_EQ(contents("t.arff"), head + "1,1,neg\n0,0,neg\n");
    EXPECT_FALSE(std::filesystem::exists(path("c.txt")));
}

TEST_F(Writer, ManyAttributesMostlyZeroGiveTheSameRowsAsAPlainJoin) {
    // the rows are built from an all-zero row: check them against a join of every value
    std::vector<std::string> attributes;
    for (int j = 0; j < 300; ++j) attributes.push_back(std::string(1 + j % 3, static_cast<char>('A' + j % 20)));
    training = {"AABBBCDDE", "", "TTTSRQ"};
    answer({"c.arff", "c.txt", "c.dat"});
    write(request(attributes, text_file(kPosNeg)));
    std::string arff, txt, dat;
    for (size_t i = 0; i < training.size(); ++i) {
        std::string values, blank;
        for (size_t j = 0; j < attributes.size(); ++j) {
            const char v = training[i].find(attributes[j]) != std::string::npos ? '1' : '0';
            values += (j ? "," : "") + std::string(1, v);
            blank += (j ? " " : "") + std::string(1, v);
        }
        // two label lines: the last one stands for the third row
        const std::string label = i == 0 ? "pos" : "neg";
        arff += values + "," + label + "\n";
        txt += values + (i == 0 ? ",1,0\n" : ",0,1\n");
        dat += std::to_string(i + 1) + " " + blank + " " + label + "\n";
    }
    EXPECT_EQ(contents("c.arff").substr(contents("c.arff").find("@data\n") + 6), arff);
    EXPECT_EQ(contents("c.txt").substr(contents("c.txt").find("#context\n") + 9), txt);
    EXPECT_EQ(contents("c.dat").substr(contents("c.dat").find("\n\n") + 2), dat);
}

// Two outputs of one run on one file would interleave their rows, and an output on a
// classification file would empty it under its reader: such names are asked again. (Fuzzing
// found an ARFF file and a test ARFF file answered with one name, the rows of both mixed.)
TEST_F(Writer, ANameTakenByAnotherOutputOrAClassificationFileIsAskedAgain) {
    test_support::write_file(path("c.cls"), kPosNeg);
    File classes = open_for_reading(path("c.cls"));
    std::FILE* test_classes = text_file("#\n2\n#\nx\ny\n#\nneg\npos\n");
    answer({"c.arff", "c.arff", "c.cls", "t.arff", "t.arff", "c.txt", "c.txt", "c.dat"});
    write(request(kvl_ag, classes.get(), test_classes));
    const std::string header = "@relation Context\n\n@attribute KVL {1,0}\n@attribute AG {1,0}\n"
                               "@attribute class {pos,neg}\n\n@data\n";
    EXPECT_EQ(contents("c.arff"), header + "1,1,pos\n1,0,neg\n");
    EXPECT_EQ(contents("t.arff"), header + "1,1,neg\n0,0,pos\n1,0,pos\n");
    EXPECT_EQ(contents("c.cls"), kPosNeg);
    EXPECT_EQ(contents("c.dat"), "2 2 2\nKVL 2 1 1\nAG 2 1 1\n\n1 1 1 pos\n2 1 0 neg\n");
    const std::string printed = console->printed();
    auto count = [&printed](const std::string& prompt) {
        size_t n = 0;
        for (size_t at = printed.find(prompt); at != std::string::npos; at = printed.find(prompt, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("Enter the ARFF test file name"), 3u);
    EXPECT_EQ(count("Enter the DAT Context file name"), 2u);
}

TEST_F(Writer, RowsFilledAheadOnEveryCoreAreWrittenAsInOrder) {
    // many rows, labels and test rows: the files must not depend on how the rows were filled,
    // nor on how many threads filled them
    std::vector<std::string> attributes;
    for (const char* a : {"A", "K", "KV", "LA", "GG", "VLA", "MKV"}) attributes.push_back(a);
    const char* const residues = "AKVLGM";
    for (size_t n : {0u, 1u, 7u, 130u, 1000u}) {
        training.clear();
        test.clear();
        for (size_t i = 0; i < n; ++i) {
            std::string s;
            for (size_t k = 0; k < 1 + (i * 7) % 13; ++k) s += residues[(i + k * k) % 6];
            training.push_back(s);
            test.push_back(s.substr(s.size() / 2));
        }
        std::string classes = "#classes number\n3\n#classes names\na\nb\nc\n#classes instances";
        for (size_t i = 0; i < n; ++i) classes += std::string("\n") + "abc"[i % 3];

        answer({"one.arff", "one.test.arff", "one.txt", "one.dat"});
        write(request(attributes, text_file(classes), text_file(classes)));
        SCOPED_TRACE(std::to_string(n) + " rows");
        for (size_t threads : {2u, 8u}) {
            ContextRequest r = request(attributes, text_file(classes), text_file(classes));
            for (TableRows* rows : {&r.training, &r.test}) {
                rows->make_fill = [fill = rows->fill] { return fill; };
                rows->fill = nullptr;
            }
            answer({"many.arff", "many.test.arff", "many.txt", "many.dat"});
            set_thread_count(threads);
            write(r);
            set_thread_count(0);
            for (const char* ext : {".arff", ".test.arff", ".txt", ".dat"})
                EXPECT_EQ(contents(std::string("many") + ext), contents(std::string("one") + ext))
                    << ext << ", " << threads << " threads";
        }
    }
}
