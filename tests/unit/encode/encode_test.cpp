// Encoding with a model: each method's values against a plain oracle on random sequences (the
// DDMS rule only with a class), the rows of every format with an unknown class, a classification
// file read as each method reads a test classification file, rows without their header, and
// inputs that stop the run before any output exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ddms/ddms.h"
#include "ddms/matrices.h"
#include "ddms/output.h"
#include "methods/table.h"
#include "dialogue/preset.h"
#include "discover/discover.h"
#include "encode/encode.h"
#include "parallel/parallel.h"
#include "inputs/classfile.h"
#include "support.h"

using namespace tessar;

namespace {

std::string random_text(std::mt19937& rng, size_t min_len, size_t max_len, const std::string& letters) {
    std::string s(std::uniform_int_distribution<size_t>(min_len, max_len)(rng), ' ');
    for (char& c : s) c = letters[std::uniform_int_distribution<size_t>(0, letters.size() - 1)(rng)];
    return s;
}

std::vector<std::uint32_t> oracle(size_t n, const std::function<bool(size_t)>& value) {
    std::vector<std::uint32_t> ones;
    for (size_t j = 0; j < n; ++j)
        if (value(j)) ones.push_back(static_cast<std::uint32_t>(j));
    return ones;
}

Model two_feature_model(const char* method) {
    Model m;
    m.method = find_method(method);
    if (m.method->name == std::string("ngrams")) m.parameters = {{"n", "2"}};
    if (m.method->name == std::string("ddms")) m.parameters = {{"matrix", "blosum62"}, {"threshold", "0.5"}};
    m.with_classes = true;
    m.class_names = {"pos", "neg"};
    m.features = {"KV", "LA"};
    if (m.method->name == std::string("ddms")) m.feature_classes = {"pos", "neg"};
    return m;
}

// A scratch folder holding a model and a sequence file; run_encode through a preset dialogue.
class Encode : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::write_file(dir / "m.txt", model_text(two_feature_model("ngrams")));
        test_support::write_file(dir / "s.fasta", ">a\nKVLA\n>b\nGGG\n>c\nLAX\n");
    }

    EncodeRun encode(const char* format, const std::string& classes = "", bool header = true) {
        PresetOptions options;
        options.out_dir = dir.path().string();
        options.format = find_table_format(format);
        options.messages = nullptr;
        options.answers = {{"--model", dir / "m.txt"}, {"SEQUENCES", dir / "s.fasta"}, {"--arff", dir / "e.table"}};
        if (!classes.empty()) {
            test_support::write_file(dir / "s.cls", classes);
            options.answers["--classes"] = dir / "s.cls";
        }
        PresetDialogue io(std::move(options));
        return run_encode(io, EncodeOptions{header});
    }
    std::string table() const { return test_support::read_file(dir / "e.table"); }
    bool table_exists() const { return std::filesystem::exists(dir / "e.table"); }

    test_support::ScratchFolder dir;
};

}  // namespace

TEST(RowCoders, EachMethodGivesItsOwnValueTest) {
    std::mt19937 rng(11);
    const std::string letters = "ACDKW";
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> texts, ys, classes;
        for (int j = 0; j < 12; ++j) {
            texts.push_back(random_text(rng, 1, 4, letters));
            ys.push_back(random_text(rng, 1, 3, letters));
            classes.push_back(rng() % 2 ? "pos" : "neg");
        }
        Model presence;
        presence.method = find_method(round % 2 ? "ngrams" : "disclass");
        presence.features = texts;
        Model pairs;
        pairs.method = find_method("motifs");
        pairs.parameters = {{"form", "2"}, {"mutations", "0"}};
        for (size_t j = 0; j < texts.size(); ++j) pairs.features.push_back(texts[j] + "*" + ys[j]);
        const int matrix = 1 + round % 6;
        const float threshold = 0.2f + 0.1f * static_cast<float>(round % 5);
        Model ddms;
        ddms.method = find_method("ddms");
        ddms.parameters = {{"matrix", parameter_text(kMatrixNumber, matrix)},
                           {"threshold", parameter_text(kThreshold, threshold)}};
        ddms.features = texts;
        ddms.feature_classes = classes;
        const SimilarityRule rule = make_similarity_rule(*substitution_matrix(matrix), threshold);

        const RowFiller presence_rows = presence.method->row_coder(presence)();
        const RowFiller pair_rows = pairs.method->row_coder(pairs)();
        const RowFiller ddms_rows = ddms.method->row_coder(ddms)();
        std::vector<std::uint32_t> ones;
        for (int s = 0; s < 20; ++s) {
            const std::string seq = random_text(rng, 0, 30, letters);
            const std::string label = s % 3 ? "pos" : "neg";
            const size_t n = texts.size();
            const auto present = oracle(n, [&](size_t j) { return seq.find(texts[j]) != std::string::npos; });
            presence_rows(seq, nullptr, ones);
            EXPECT_EQ(ones, present) << seq;
            pair_rows(seq, &label, ones);
            EXPECT_EQ(ones, oracle(n, [&](size_t j) { return holds_pair(texts[j], ys[j], seq); })) << seq;
            ddms_rows(seq, &label, ones);
            EXPECT_EQ(ones, oracle(n, [&](size_t j) {
                          return descriptor_value(rule, seq, label, texts[j], classes[j]);
                      })) << seq;
            // without a class, the rule of every class: what the row would get under any label
            ddms_rows(seq, nullptr, ones);
            EXPECT_EQ(ones, oracle(n, [&](size_t j) {
                          return descriptor_value(rule, seq, "pos", texts[j], classes[j]) ||
                                 descriptor_value(rule, seq, "neg", texts[j], classes[j]);
                      })) << seq;
        }
    }
}

TEST_F(Encode, WithoutClassesEveryFormatWritesTheClassAsUnknown) {
    encode("arff");
    EXPECT_EQ(table(), "@relation Context\n\n@attribute KV {1,0}\n@attribute LA {1,0}\n"
                       "@attribute class {pos,neg}\n\n@data\n1,1,?\n0,0,?\n0,1,?\n");
    encode("sparse-arff");
    EXPECT_EQ(table().substr(table().find("@data")), "@data\n{0 1,1 1,2 ?}\n{2 ?}\n{1 1,2 ?}\n");
    encode("csv");
    EXPECT_EQ(table(), "id,KV,LA,class\na,1,1,?\nb,0,0,?\nc,0,1,?\n");
    encode("libsvm");
    EXPECT_EQ(table(), "0 1:1 2:1\n0\n0 2:1\n");
}

TEST_F(Encode, WithClassesTheLabelsComeOneALine) {
    // an editor's final blank line is no label
    const EncodeRun run = encode("csv", "#\n2\n#\npos\nneg\n#\nneg\npos\npos\n\n");
    EXPECT_EQ(table(), "id,KV,LA,class\na,1,1,neg\nb,0,0,pos\nc,0,1,pos\n");
    EXPECT_TRUE(run.with_labels);
    EXPECT_EQ(run.n_rows, 3u);
    encode("libsvm", "#\n2\n#\npos\nneg\n#\nneg\npos\npos\n");
    EXPECT_EQ(table(), "1 1:1 2:1\n0\n0 2:1\n");
}

TEST_F(Encode, LabelsThatDoNotFitStopTheRun) {
    const std::string file = dir / "s.cls";
    const std::string header = "#\n2\n#\npos\nneg\n#\n";
    auto error = [&](const std::string& labels) {
        return test_support::fatal_message([&] { encode("csv", header + labels); });
    };
    // one label per sequence, however the lines run short or over (blank lines included)
    EXPECT_EQ(error("neg\npos\n"), "Err: " + file + ": 2 labels for 3 sequences\n");
    EXPECT_EQ(error("neg\npos\n\n\n"), "Err: " + file + ": 2 labels for 3 sequences\n");
    EXPECT_EQ(error("neg\npos\npos\nneg\n"), "Err: " + file + ": 4 labels for 3 sequences\n");
    // each label is a class name, a blank line followed by a label too
    EXPECT_EQ(error("neg\nPos\npos\n"), "Err: " + file + " line 8: label \"Pos\" is not among the class names\n");
    EXPECT_EQ(error("neg\n\npos\n"), "Err: " + file + " line 8: label \"\" is not among the class names\n");
    // and one of the model's classes, which the table lists
    EXPECT_EQ(test_support::fatal_message([&] { encode("csv", "#\n2\n#\npos\nrest\n#\npos\nrest\npos\n"); }),
              "Err: " + file + " line 8: label \"rest\" is not among the training classes (pos, neg)\n");
}

// The rows are coded on every thread a window of sequences at a time and written in input order:
// 9000 sequences (more than one window, the last one partly full) with their labels give the
// table one thread writes, each row the oracle's values and its own label.
TEST_F(Encode, RowsCodedOnSeveralThreadsComeInInputOrder) {
    std::mt19937 rng(3);
    std::string fasta, labels = "#\n2\n#\npos\nneg\n#\n", want = "id,KV,LA,class\n";
    for (int i = 0; i < 9000; ++i) {
        const std::string seq = random_text(rng, 0, 30, "KVLAG");
        const char* label = rng() % 2 ? "pos" : "neg";
        const std::string id = "s" + std::to_string(i);
        fasta += ">" + id + "\n" + seq + "\n";
        labels += std::string(label) + "\n";
        want += id + "," + std::string(seq.find("KV") != std::string::npos ? "1," : "0,") +
                (seq.find("LA") != std::string::npos ? "1," : "0,") + label + "\n";
    }
    test_support::write_file(dir / "s.fasta", fasta);
    for (size_t threads : {1, 2, 3}) {
        set_thread_count(threads);
        encode("csv", labels);
        EXPECT_TRUE(table() == want) << threads << " threads";
    }
    set_thread_count(0);
}

TEST_F(Encode, TheRowsAloneWithoutHeader) {
    encode("arff", "", false);
    EXPECT_EQ(table(), "1,1,?\n0,0,?\n0,1,?\n");
    encode("csv", "", false);
    EXPECT_EQ(table(), "a,1,1,?\nb,0,0,?\nc,0,1,?\n");
}

TEST_F(Encode, NgramAndMotifModelsCheckTheKeywordsAndTakeTheTrainingCountOfNames) {
    // a missing keyword line: the method's message, and no table
    EXPECT_EQ(test_support::fatal_message([&] { encode("arff", "#\n2\nnames\npos\nneg\n#\npos\n"); }),
              kClassNamesError);
    EXPECT_FALSE(table_exists());
    // three names where the model has two: the third name is taken for the keyword line
    EXPECT_EQ(test_support::fatal_message([&] { encode("arff", "#\n3\n#\na\nb\nc\n#\npos\n"); }),
              kClassDataError);
    // one name where the model has two: the keyword line passes for a name
    encode("csv", "#\n1\n#\nneg\n#\n#\nneg\nneg\nneg\n");
    EXPECT_EQ(table(), "id,KV,LA,class\na,1,1,neg\nb,0,0,neg\nc,0,1,neg\n");
}

TEST_F(Encode, DescriptorModelsReadTheClassificationFileByItsOwnCount) {
    test_support::write_file(dir / "m.txt", model_text(two_feature_model("disclass")));
    encode("csv", "#\n3\n#\nneg\nrest\npos\n#\nneg\npos\npos\n");
    EXPECT_EQ(table(), "id,KV,LA,class\na,1,1,neg\nb,0,0,pos\nc,0,1,pos\n");
    // its keyword lines checked, as those of a training file
    EXPECT_EQ(test_support::fatal_message([&] { encode("csv", "x\n3\nx\na\nb\nc\nx\nneg\npos\n"); }),
              kClassNumberError);
    // the DDMS rule applies to the descriptors of the row's class: LA of class neg is similar
    // to LS under BLOSUM62 at 0.5 (5/8) only in a sequence of class neg
    test_support::write_file(dir / "m.txt", model_text(two_feature_model("ddms")));
    test_support::write_file(dir / "s.fasta", ">a\nGLSG\n>b\nGLSG\n");
    encode("csv", "#\n2\n#\npos\nneg\n#\npos\nneg\n");
    EXPECT_EQ(table(), "id,KV,LA,class\na,0,0,pos\nb,0,1,neg\n");
    // without classes no row takes its label: LA is similar in both
    encode("csv");
    EXPECT_EQ(table(), "id,KV,LA,class\na,0,1,?\nb,0,1,?\n");
}

TEST_F(Encode, ABadModelOrAModelWithoutClassesStopsBeforeAnyOutput) {
    test_support::write_file(dir / "m.txt", "tessar-model 1\nmethod ngrams\nn 2\nclasses none\nfeatures 3\nfeature KV\n");
    EXPECT_EQ(test_support::fatal_message([&] { encode("arff"); }),
              "Err: " + (dir / "m.txt") + " line 7: the file ends where a line \"feature ...\" belongs: it is truncated\n");
    EXPECT_FALSE(table_exists());
    test_support::write_file(dir / "m.txt", "tessar-model 1\nmethod ngrams\nn 2\nclasses none\nfeatures 1\nfeature KV\nend\n");
    EXPECT_NE(test_support::fatal_message([&] { encode("arff", "#\n1\n#\npos\n#\npos\n"); })
                  .find("has no class attribute"),
              std::string::npos);
    EXPECT_FALSE(table_exists());
    // without --classes: no class column
    encode("arff");
    EXPECT_EQ(table(), "@relation Context\n\n@attribute KV {1,0}\n\n@data\n1\n0\n0\n");
}

TEST_F(Encode, AFileWithoutSequenceIsAnError) {
    test_support::write_file(dir / "s.fasta", "KVLA\n");
    EXPECT_EQ(test_support::fatal_message([&] { encode("arff"); }),
              "Err: no sequence in " + (dir / "s.fasta") + ": a sequence starts at a line beginning with '>'\n");
}
