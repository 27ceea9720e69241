// The command line: flags checked before anything runs (status 2, one line naming the flag),
// input errors (status 1, the suite's message, the files left named), the summary line and
// --quiet, the output folder, default names per format, the notes of the descriptor methods, the
// classes subcommand, and the help and question tables built from the question lists.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli.h"
#include "support.h"

using test_support::read_file;
using test_support::write_file;

namespace {

const std::string kData = TESSAR_TEST_DATA;

struct Outcome {
    int status = 0;
    std::string out, err;
};

std::string drain(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::getc(f)) != EOF;) text.push_back(static_cast<char>(c));
    return text;
}

class Cli : public test_support::InScratchFolder {
protected:
    Outcome run(std::vector<std::string> args) {
        args.insert(args.begin(), "tessar");
        tessar::File out(std::tmpfile()), err(std::tmpfile());
        Outcome o;
        o.status = tessar::cli::run(args, out.get(), err.get(), false);
        o.out = drain(out.get());
        o.err = drain(err.get());
        return o;
    }
    static bool exists(const std::string& path) { return std::filesystem::exists(path); }
    static size_t count_lines(const std::string& text) {
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
};

const std::string kSmall = kData + "/small.fasta";
const std::string kSmallClasses = kData + "/small.cls";

}  // namespace

TEST_F(Cli, UsageErrorsNameTheFlagOnOneLineWithStatus2AndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"ddms", kSmall, "--classes", kSmallClasses, "--matrix", "blosum99"},
         "--matrix: \"blosum99\" is not one of blosum45, blosum62, blosum80, pam30, pam70, pam250"},
        {{"ngrams", kSmall, "-n", "0"}, "-n: \"0\" is not a whole number from 1 to 2147483647"},
        {{"ngrams", kSmall, "-n", "3x"}, "-n: \"3x\" is not a whole number"},
        {{"disclass", kSmall, "--classes", kSmallClasses, "--alpha", "1.5"},
         "--alpha: \"1.5\" is not a number from 0 to 1"},
        {{"ddms", kSmall, "--classes", kSmallClasses, "--threshold", "-1"},
         "--threshold: \"-1\" is not a number from 0 to 3.40282e+38"},
        {{"ngrams", kSmall, "--bogus"}, "--bogus"},
        {{"ngrams"}, "SEQUENCES is required"},
        {{"disclass", kSmall}, "--classes is required"},
        {{"ngrams", kSmall, "--classes", kSmallClasses, "--test", kSmall}, "--test-classes"},
        {{"ngrams", kSmall, "--test", kSmall, "--test-classes", kSmallClasses}, "--classes"},
        {{"ngrams", kSmall, "--format", "xml"}, "--format: \"xml\" is not one of arff, sparse-arff, csv, libsvm"},
        {{"bincod", kSmall}, "--code is required"},
        {{"bincod", kSmall, "--code", "morse"}, "is not one of aldane, brevik, corvel, dunmore"},
        {{"motifs", kSmall, "--threads", "0"}, "--threads: \"0\" is not a number of threads (1 or more)"},
        {{"encode", kSmall, "--model", "m.txt", "--threads", "two"},
         "--threads: \"two\" is not a number of threads (1 or more)"},
        {{"bincod", kSmall, "--code", "aldane", "--threads", "2"}, "--threads"},  // no work to spread
        {{"classes", "-o", "x.cls"}, "give --class NAME=COUNT or --from-headers SEP,FIELD"},
        {{"classes", "--class", "a", "-o", "x.cls"}, "\"a\" is not NAME=COUNT"},
        {{}, "A subcommand is required"},
    };
    for (const Case& c : cases) {
        const Outcome o = run(c.args);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
        EXPECT_EQ(count_lines(o.err), 1u) << o.err;
        EXPECT_EQ(o.out, "");
    }
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(Cli, AMissingInputFileIsAnInputErrorNamingTheFlag) {
    Outcome o = run({"ngrams", kSmall, "--classes", "missing.cls"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "tessar ngrams: --classes: cannot open missing.cls: No such file or directory\n");
    o = run({"motifs", "missing.fasta"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "tessar motifs: SEQUENCES: cannot open missing.fasta: No such file or directory\n");
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(Cli, TheSuitesMessagesGoToStandardErrorAndAFailedRunLeavesNoFile) {
    write_file("bad.cls", "#classes number\n3\nglobin\n");
    write_file("Context.arff", "earlier");
    const Outcome o = run({"ngrams", kSmall, "--classes", "bad.cls"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "Err: Class file invalid @class_names\n");
    EXPECT_EQ(read_file("Context.arff"), "earlier");
    EXPECT_FALSE(exists("Context.txt"));
    write_file("empty.fasta", "no header here\n");
    const Outcome empty = run({"ngrams", "empty.fasta", "--out-dir", "e"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("Err: no sequence in empty.fasta: a sequence starts at a line beginning "
                             "with '>'\n"), std::string::npos);
}

TEST_F(Cli, ARunPrintsOneSummaryLineOrNothingWhenQuiet) {
    Outcome o = run({"ngrams", kSmall, "--classes", kSmallClasses, "--out-dir", "out/deep"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out.rfind("ngrams: 18 sequences, ", 0), 0u) << o.out;
    // the TXT and DAT tables only when named
    EXPECT_NE(o.out.find("3 classes -> out/deep/Context.arff\n"), std::string::npos) << o.out;
    EXPECT_FALSE(exists("out/deep/Context.txt"));
    EXPECT_FALSE(exists("out/deep/Context.dat"));
    o = run({"ngrams", kSmall, "--classes", kSmallClasses, "--out-dir", "out/deep", "--dat", "out/deep/Context.dat"});
    EXPECT_NE(o.out.find("3 classes -> out/deep/Context.arff out/deep/Context.dat\n"), std::string::npos) << o.out;
    EXPECT_TRUE(exists("out/deep/Context.dat"));
    EXPECT_FALSE(exists("out/deep/Context.txt"));

    o = run({"ngrams", kSmall, "--quiet", "--arff", "q.arff", "--txt", "q.txt"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(exists("q.arff"));
    EXPECT_FALSE(exists("Context.dat"));
}

TEST_F(Cli, TableFilesTakeTheFormatsExtensionUnlessNamed) {
    Outcome o = run({"disclass", kSmall, "--classes", kSmallClasses, "--test", kData + "/small-test.fasta",
                     "--test-classes", kData + "/small-test.cls", "--format", "libsvm", "-q"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(exists("Context.libsvm"));
    EXPECT_TRUE(exists("Test.libsvm"));
    EXPECT_TRUE(exists("SeqFile.seq"));
    EXPECT_TRUE(exists("LesDDs.txt"));
    o = run({"ngrams", kSmall, "--format", "csv", "--arff", "named.arff", "-q"});
    EXPECT_EQ(o.status, 0) << o.err;
    // a CSV file under the name given: the header row and one row per sequence
    const std::string csv = read_file("named.arff");
    EXPECT_EQ(csv.find("@relation"), std::string::npos);
    EXPECT_EQ(count_lines(csv), 19u);
    EXPECT_FALSE(exists("Context.csv"));
}

TEST_F(Cli, DescriptorMethodsGroupTheSequencesByClassAndSaySo) {
    write_file("seqs.fasta", ">1\nMKV\n>2\nMRV\n>3\nMKW\n>4\nMRW\n");
    write_file("seqs.cls", "#\n3\n#\na\nb\nc\n#\na\nc\nb\nc");
    for (const char* method : {"disclass", "ddms"}) {
        const Outcome o = run({method, "seqs.fasta", "--classes", "seqs.cls"});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "2 of 4 sequences moved: grouped by class in the order of the class names of "
                         "seqs.cls (the rows follow that order)\n");
        EXPECT_NE(o.out.find("4 sequences (4 placed)"), std::string::npos) << o.out;
        // the family file and the rows in the grouped order: 1, 3, 2, 4
        EXPECT_EQ(read_file("SeqFile.seq"), "/\nMKV\n/\nMKW\n/\nMRV\nMRW");
        const std::string arff = read_file("Context.arff");
        std::istringstream rows(arff.substr(arff.find("@data\n") + 6));
        std::string classes;
        for (std::string row; std::getline(rows, row);) classes += row.substr(row.rfind(',') + 1);
        EXPECT_EQ(classes, "abcc") << arff;
    }
}

TEST_F(Cli, BincodCodesWithTheNamedScheme) {
    const Outcome o = run({"bincod", kSmall, "--code", "dunmore", "--output", "coded.dat"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "bincod: 18 sequences coded with dunmore -> coded.dat\n");
    const std::string coded = read_file("coded.dat");
    EXPECT_EQ(count_lines(coded), 18u);
    // 24 digits per residue: the first line is a whole number of codes
    EXPECT_EQ((coded.find('/') % 24), 0u);
}

TEST_F(Cli, ClassesFromCountsMatchClassmakersFile) {
    Outcome o = run({"classes", "--class", "globin=2", "--class", "fn3=1", "-o", "made.cls"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(read_file("made.cls"),
              "#classes number\n2\n#classes names\nglobin\nfn3\n#classes instances\nglobin\nglobin\nfn3");
    // with the sequence file, the counts must add up to its sequences
    o = run({"classes", kSmall, "--class", "a=17", "-o", "short.cls"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("the classes count 17 sequences but"), std::string::npos) << o.err;
}

TEST_F(Cli, ClassesFromHeaderFields) {
    write_file("h.fasta", ">sp|P1|HBA globin\nMKV\n>sp|P2|FN fn3\nMRV\n>sp|P3|HBB globin\nMKW\n");
    Outcome o = run({"classes", "h.fasta", "--from-headers", " ,2", "-o", "h.cls"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(read_file("h.cls"), "#classes number\n2\n#classes names\nglobin\nfn3\n#classes instances\n"
                                  "globin\nfn3\nglobin");
    // the labels go back to a class they left: the descriptor methods would drop sequences
    EXPECT_NE(o.err.find("sequence 3 returns to an earlier class"), std::string::npos) << o.err;
    o = run({"classes", "h.fasta", "--from-headers", "|,3", "-o", "h3.cls"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(read_file("h3.cls").find("HBA globin\nFN fn3\nHBB globin"), std::string::npos);
    o = run({"classes", "h.fasta", "--from-headers", "|,4", "-o", "h4.cls"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.rfind("Err: sequence 1 has no field 4 in its header: >sp|P1|HBA globin\n", 0), 0u)
        << o.err;
}

TEST_F(Cli, HelpListsEveryQuestionsFlagWithItsDefaultAndAnExample) {
    const Outcome o = run({"ddms", "--help"});
    EXPECT_EQ(o.status, 0);
    for (const char* text : {"SEQUENCES", "--classes", "--test", "--test-classes", "--alpha", "--beta",
                             "--matrix", "default blosum62", "--threshold", "default 0.5", "--arff",
                             "default Context.arff", "--test-arff", "--out-dir", "--format", "--quiet",
                             "Example:\n  tessar ddms"})
        EXPECT_NE(o.out.find(text), std::string::npos) << text;
    const Outcome motifs = run({"motifs", "--help"});
    EXPECT_NE(motifs.out.find("default: a third of them"), std::string::npos);
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tessar ", 0), 0u);
}

TEST_F(Cli, TheQuestionTablesAsJsonListEveryFlagOnce) {
    const Outcome o = run({"questions"});
    EXPECT_EQ(o.status, 0);
    for (const char* flag : {"\"--form\"", "\"--min-length\"", "\"--min-occurrence\"", "\"--mutations\"",
                             "\"--report\"", "\"-n\"", "\"--matrix\"", "\"--output\"", "\"menu_choice\"", "\"--code\""})
        EXPECT_NE(o.out.find(flag), std::string::npos) << flag;
    // the hidden subcommand stays out of the help
    EXPECT_EQ(run({"--help"}).out.find("questions"), std::string::npos);
}

TEST_F(Cli, SaveModelIsAnOutputOfTheRunAndEncodeNamesItsTable) {
    Outcome o = run({"ngrams", kSmall, "--classes", kSmallClasses, "--out-dir", "out", "--save-model", "out/m.txt"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find(" out/m.txt\n"), std::string::npos) << o.out;
    EXPECT_EQ(read_file("out/m.txt").rfind("tessar-model 1\nmethod ngrams\nn 3\nclasses 3\n", 0), 0u);

    o = run({"encode", kData + "/small-test.fasta", "--model", "out/m.txt", "--format", "csv", "--out-dir", "enc"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "encode: 9 sequences, 2117 features (ngrams model), class unknown (?) -> enc/Encoded.csv\n");
    EXPECT_EQ(count_lines(read_file("enc/Encoded.csv")), 10u);

    // usage errors: no model, a model that cannot be opened, no file for --save-model
    EXPECT_EQ(run({"encode", kSmall}).status, 2);
    o = run({"encode", kSmall, "--model", "none.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "tessar encode: --model: cannot open none.txt: No such file or directory\n");
    EXPECT_EQ(run({"ngrams", kSmall, "--save-model", ""}).status, 2);
    // a model that cannot be created (its name is taken as given): the run fails, and its tables
    // and the output folder made for them go with it
    o = run({"ngrams", kSmall, "--out-dir", "x", "--save-model", "no/such/folder/m.txt"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "tessar ngrams: --save-model: cannot create no/such/folder/m.txt: No such file or directory\n");
    EXPECT_FALSE(exists("x"));
    // bincod learns nothing
    EXPECT_EQ(run({"bincod", kSmall, "--code", "aldane", "--save-model", "m.txt"}).status, 2);
}

TEST_F(Cli, ATableOnStandardOutputIsAloneThereAndTwoCannotShareIt) {
    Outcome file = run({"ngrams", kSmall, "--classes", kSmallClasses, "--test", kData + "/small-test.fasta",
                        "--test-classes", kData + "/small-test.cls", "--format", "csv", "-q"});
    ASSERT_EQ(file.status, 0) << file.err;
    // the table alone on standard output, the summary with the messages; no file named "-"
    Outcome o = run({"ngrams", kSmall, "--classes", kSmallClasses, "--test", kData + "/small-test.fasta",
                     "--test-classes", kData + "/small-test.cls", "--format", "csv", "--test-arff", "-",
                     "--out-dir", "o"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, read_file("Test.csv"));
    EXPECT_EQ(o.err.rfind("ngrams: 18 sequences", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("-> o/Context.csv standard output\n"), std::string::npos) << o.err;
    EXPECT_EQ(read_file("o/Context.csv"), read_file("Context.csv"));
    EXPECT_FALSE(exists("-"));
    // the other tables and outputs of any subcommand
    run({"ngrams", kSmall, "--save-model", "m.txt", "-q", "--out-dir", "m"});
    o = run({"encode", kSmall, "--model", "m.txt", "--arff", "-", "--ids", "--format", "libsvm", "--no-header"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(count_lines(o.out), 18u);
    EXPECT_EQ(o.out.rfind("0 ", 0), 0u);
    EXPECT_NE(o.out.find(" # MYG_SAISC\n"), std::string::npos);
    o = run({"ngrams", kSmall, "--txt", "-", "--arff", "t.arff", "-q"});
    EXPECT_EQ(o.out.rfind("#motifs number\n2117\n", 0), 0u) << o.out.substr(0, 40);
    o = run({"classes", "--class", "a=1", "-o", "-"});
    EXPECT_EQ(o.out, "#classes number\n1\n#classes names\na\n#classes instances\na");
    // two outputs on standard output: a usage error before anything is written
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"ngrams", kSmall, "--classes", kSmallClasses, "--arff", "-", "--dat", "-"},
          std::vector<std::string>{"ngrams", kSmall, "--arff", "-", "--save-model", "-", "--out-dir", "n"}}) {
        o = run(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find(" - both name standard output: one output at most goes there\n"), std::string::npos)
            << o.err;
        EXPECT_EQ(count_lines(o.err), 1u);
        EXPECT_FALSE(exists("n"));
    }
}

// Work spread over the pool gives the files one thread writes, byte for byte: the motif search
// (its branches shared by the threads), the DDMS merge and rows, and tessar encode (its rows
// coded a window at a time). The medium set's 181 sequences make several encode tasks.
TEST_F(Cli, EveryThreadCountWritesTheSameFiles) {
    const std::string medium = kData + "/medium.fasta", medium_classes = kData + "/medium.cls";
    const std::vector<std::vector<std::string>> runs = {
        {"motifs", medium, "--classes", medium_classes, "--mutations", "1", "--min-occurrence", "20"},
        {"ddms", medium, "--classes", medium_classes, "--matrix", "blosum62", "--test", kData + "/small-test.fasta",
         "--test-classes", kData + "/small-test.cls", "--save-model", "model.txt"},
    };
    for (const auto& args : runs) {
        std::map<std::string, std::string> files[2];
        for (int threads : {1, 2}) {
            const std::string dir = "t" + std::to_string(threads);
            std::vector<std::string> flags = args;
            for (std::string& f : flags)
                if (f == "model.txt") f = dir + "/model.txt";
            flags.insert(flags.end(), {"--out-dir", dir, "--threads", std::to_string(threads), "-q"});
            const Outcome o = run(flags);
            ASSERT_EQ(o.status, 0) << args[0] << ": " << o.err;
            for (const auto& entry : std::filesystem::directory_iterator(dir))
                files[threads - 1][entry.path().filename()] = read_file(entry.path());
        }
        EXPECT_GE(files[0].size(), 2u) << args[0];
        EXPECT_TRUE(files[0] == files[1]) << args[0] << ": the files of --threads 1 and 2 differ";
    }
    // the DDMS model encodes the medium set with its classes, in every format
    for (const char* format : {"arff", "libsvm"}) {
        std::string tables[2];
        for (int threads : {1, 2}) {
            const Outcome o = run({"encode", medium, "--model", "t1/model.txt", "--classes", medium_classes,
                                   "--format", format, "--arff", "e.table", "--threads", std::to_string(threads)});
            ASSERT_EQ(o.status, 0) << o.err;
            tables[threads - 1] = read_file("e.table");
        }
        EXPECT_GE(count_lines(tables[0]), 181u);
        EXPECT_TRUE(tables[0] == tables[1]) << format;
    }
}
