#include "ddms/output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "oracle_grouping.h"
#include "inputs/classfile.h"
#include "support.h"
#include "table.h"

using namespace tessar;

namespace {

std::string contents(std::FILE* f) {
    std::rewind(f);
    std::string text;
    int c;
    while ((c = std::fgetc(f)) != EOF) text.push_back(static_cast<char>(c));
    return text;
}

// A classification file in an anonymous temporary file, left at its end (the writer rewinds).
std::FILE* class_file(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    return f;
}

DescriptorTable table_of(const std::vector<std::pair<std::string, std::string>>& entries) {
    DescriptorTable t;
    for (const auto& [text, cls] : entries) add_descriptor(t, text, cls);
    return t;
}

SimilarityRule blosum62(float score = 0.5f) { return make_similarity_rule(BLOSUM62, score); }

// Writes the ARFF files of a table, answering the names at the console, and returns their text.
struct ArffText {
    std::string training, test;
};
// The tables of `data`, its classes as the class walk reads them from `classes` (the names, then
// every label line).
ArffText write_arff(const DescriptorTable& t, DescriptorData data, const SimilarityRule& rule,
                    std::FILE* classes, std::FILE* test_classes = nullptr,
                    const std::vector<std::string>& tests = {}) {
    test_support::ScratchFolder dir;
    ClassFile file{classes, ""};
    data.classes.names = read_class_header_unchecked(file);
    while (next_class_line(file)) data.classes.labels.push_back(file.line);
    std::fclose(classes);
    DescriptorQuestions q;
    q.test.sequences = tests;
    q.test.class_file.reset(test_classes);
    test_support::ScriptedConsole console((dir / "c.arff") + "\n" + (dir / "t.arff") + "\n");
    write_ddms_context_files(console.io(), t, data, rule, q);
    return {test_support::read_file(dir / "c.arff"), test_support::read_file(dir / "t.arff")};
}

}  // namespace

TEST(Report, HeaderAndEntries) {
    DescriptorTable t = table_of({{"MKV", "pos"}, {"A", "neg"}});
    set_pms(t, {0.25f, 0.2f});
    std::FILE* f = std::tmpfile();
    write_ddms_report(f, t, 0.7f, 0.5f, 3);
    EXPECT_EQ(contents(f),
              "ALPHA = 69.999999 \nBETA = 50.000000 \nLa valeur du debut du filtrage = 3\n\n"
              "Liste des attributs| possibilit\xE9 de mutation| classe\n\n"
              "\n>>1-MKV| PM= 0.250000| Class= pos\n>>2-A| PM= 0.200000| Class= neg");
    std::fclose(f);
}

TEST(Report, NoDescriptorLeavesTheHeaderOnly) {
    std::FILE* f = std::tmpfile();
    write_ddms_report(f, DescriptorTable{}, 0, 1, 3);
    EXPECT_EQ(contents(f),
              "ALPHA = 0.000000 \nBETA = 100.000000 \nLa valeur du debut du filtrage = 3\n\n"
              "Liste des attributs| possibilit\xE9 de mutation| classe\n\n");
    std::fclose(f);
}

TEST(Report, TheFileHoldsTheHeaderAndItsOwnNameIsInTheFatalMessage) {
    // the report file is made by the writer both descriptor methods share: the same bytes as the
    // stream writer, and a report that cannot be created names this method's report
    test_support::ScratchFolder dir;
    DescriptorTable t = table_of({{"MKV", "pos"}});
    write_ddms_report_file(t, 0.5f, 0, 3, dir / "r.txt");
    std::FILE* f = std::tmpfile();
    write_ddms_report(f, t, 0.5f, 0, 3);
    EXPECT_EQ(test_support::read_file(dir / "r.txt"), contents(f));
    std::fclose(f);
    std::string message;
    try {
        write_ddms_report_file(t, 0.5f, 0, 3, dir / "no-such-folder/r.txt");
    } catch (const FatalError& e) {
        message = e.message;
    }
    EXPECT_EQ(message, "\tErr: cannot create LesDDSMs.txt\n");
}

TEST(DescriptorValue, ExactAnywhereSimilarOnlyInItsOwnClass) {
    SimilarityRule rule = blosum62();
    EXPECT_TRUE(descriptor_value(rule, "GGWKVGG", "other", "WKV", "own"));
    EXPECT_FALSE(descriptor_value(rule, "GGWRVGG", "other", "WKV", "own"));
    EXPECT_TRUE(descriptor_value(rule, "GGWRVGG", "own", "WKV", "own"));
    EXPECT_FALSE(descriptor_value(blosum62(1.0f), "GGWRVGG", "own", "WKV", "own"));
    EXPECT_FALSE(descriptor_value(rule, "GGGGGGG", "own", "WKV", "own"));
}

TEST(Arff, TrainingAndTestRows) {
    // three classes listed, only two received families: the labels follow all three names
    std::FILE* cls = class_file("#n\n3\n#names\nown\nother class\nunused\n#labels\nown\nown\nother class\n");
    std::FILE* test_cls = class_file("#n\n2\n#names\nx\ny\n#labels\nother class\nown\n");
    DescriptorData data;
    data.file_sequences = {"GGWKVG", "GWRVGG", "WRVAAA"};
    data.n_placed = 3;
    data.n_families = 2;
    DescriptorTable t = table_of({{"WKV", "own"}, {"AA", "other class"}});
    // four test sequences for three training ones: the fourth gets no row
    std::vector<std::string> tests = {"WRV", "WRVAA", "GGGG", "WKVAA"};
    const ArffText files = write_arff(t, data, blosum62(), cls, test_cls, tests);
    const std::string header =
        "@relation Context\n\n@attribute WKV {1,0}\n@attribute AA {1,0}\n"
        "@attribute class {own,'other class'}\n\n@data\n";
    EXPECT_EQ(files.training, header +
                                  "1,0,own\n"
                                  "1,0,own\n"               // WRV similar to WKV, own class
                                  "0,1,'other class'\n");  // WRV is similar to WKV, but in another class
    EXPECT_EQ(files.test, header +
                              "0,0,'other class'\n"
                              "1,1,own\n"
                              "0,0,own\n");  // past the end: the last label again
}

TEST(Arff, NoDescriptorRowsHoldTheClassOnly) {
    std::FILE* cls = class_file("#n\n2\n#names\na\nb\n#labels\na\nb");
    DescriptorData data;
    data.file_sequences = {"MK", "MR"};
    data.n_placed = 2;
    data.n_families = 2;
    EXPECT_EQ(write_arff(DescriptorTable{}, data, blosum62(), cls).training,
              "@relation Context\n\n@attribute class {a,b}\n\n@data\na\nb\n");
}

TEST(Arff, MissingLabelLinesRepeatTheLastOne) {
    std::FILE* cls = class_file("#n\n1\n#names\na\n#labels\na\n");
    DescriptorData data;
    data.file_sequences = {"MK", "MR", "MV"};
    data.n_placed = 3;
    data.n_families = 1;
    EXPECT_EQ(write_arff(table_of({{"MR", "a"}}), data, blosum62(1.0f), cls).training,
              "@relation Context\n\n@attribute MR {1,0}\n@attribute class {a}\n\n@data\n"
              "0,a\n1,a\n0,a\n");
}

TEST(Arff, RowsFilledOnEveryCoreAgreeWithTheMaskedEncoder) {
    // a table with descriptors of three classes and every length from 1 to 6, hundreds of
    // training and test rows (empty ones, runs of one residue), labels of every class
    std::mt19937 rng(23);
    const std::string residues = "ARNDCQEGHILKMFPSTWYV";
    auto text = [&](size_t length) {
        std::string s;
        for (size_t i = 0; i < length; ++i) s += residues[rng() % residues.size()];
        return s;
    };
    const std::vector<std::string> names = {"a", "b", "c"};
    DescriptorTable t;
    for (size_t length = 6; length >= 1; --length)
        for (int i = 0; i < 30; ++i) add_descriptor(t, text(length), names[rng() % 3]);
    for (int number : {2, 6}) {
        const SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), 0.5f);
        DescriptorData data;
        std::string classes = "#n\n3\n#names\na\nb\nc\n#labels", test_classes = classes;
        std::vector<std::string> labels, test_labels, tests;
        for (size_t i = 0; i < 300; ++i) {
            data.file_sequences.push_back(i % 17 == 0 ? std::string(i % 5, 'W') : text(rng() % 80));
            labels.push_back(names[rng() % 3]);
            classes += "\n" + labels.back();
            tests.push_back(text(rng() % 60));
            test_labels.push_back(names[rng() % 3]);
            test_classes += "\n" + test_labels.back();
        }
        data.n_placed = 300;
        data.n_families = 3;
        const ArffText files = write_arff(t, data, rule, class_file(classes), class_file(test_classes), tests);

        std::string header = "@relation Context\n\n";
        for (const DdmsDescriptor& d : t.entries) header += "@attribute " + d.text + " {1,0}\n";
        header += "@attribute class {a,b,c}\n\n@data\n";
        auto rows = [&](const std::vector<std::string>& sequences, const std::vector<std::string>& row_labels) {
            std::string text_rows;
            for (size_t i = 0; i < sequences.size(); ++i) {
                std::vector<char> values(t.size(), '0');
                for (std::uint32_t j : oracle::encode_row(t, rule, sequences[i], row_labels[i])) values[j] = '1';
                for (char v : values) text_rows += std::string(1, v) + ",";
                text_rows += row_labels[i] + "\n";
            }
            return text_rows;
        };
        EXPECT_EQ(files.training, header + rows(data.file_sequences, labels)) << "matrix " << number;
        EXPECT_EQ(files.test, header + rows(tests, test_labels)) << "matrix " << number;
    }
}
