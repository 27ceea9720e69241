// The report "LesDDs.txt" and the ARFF files of the descriptor method.
#include <sys/stat.h>

#include "helpers.h"

using namespace tessar;

using Report = InTempFolder;
using Arff = InTempFolder;

namespace {

const char* const kHeader0 = "ALPHA = 0.000000 \nBETA = 0.000000 \nLa valeur du debut du filtrage = 3\n\n\n";

MinedDescriptor descriptor(unsigned pos, int length, std::vector<int> families) {
    MinedDescriptor dd;
    dd.first_occurrence = pos;
    dd.length = length;
    dd.families = std::move(families);
    return dd;
}

struct ArffOutput {
    std::string training, test;
};

// Writes the ARFF files of `data` (in the working folder, as answered at the console) and
// returns their text.
ArffOutput write_arff(const DescriptorData& data, const std::string& classes,
                      const std::vector<std::string>* test_sequences = nullptr,
                      const std::string& test_classes = "") {
    DescriptorQuestions q;
    q.class_file = text_file(classes);
    if (test_sequences) {
        q.test.name = "test.txt";
        q.test.sequences = *test_sequences;
        q.test.class_file = text_file(test_classes);
    }
    test_support::ScriptedConsole console(test_sequences ? "c.arff\nt.arff\n" : "c.arff\n");
    write_disclass_context_files(console.io(), data, q);
    return {read_file("c.arff"), test_sequences ? read_file("t.arff") : ""};
}

}  // namespace

TEST_F(Report, TwoDescriptorsNewestFirst) {
    DescriptorData d;
    d.text = "MKVMRV";
    d.descriptors = {descriptor(1, 2, {1}), descriptor(4, 2, {2})};  // KV accepted after RV
    write_disclass_report(d, 0, 0);
    EXPECT_EQ(read_file("LesDDs.txt"),
              std::string(kHeader0) + "\n>>KV        \tFamily # 1\n>>RV        \tFamily # 2");
}

TEST_F(Report, ThresholdsAndTieSets) {
    DescriptorData d;
    d.text = "MKV";
    d.descriptors = {descriptor(0, 3, {2, 3})};
    write_disclass_report(d, 0.7f, 0.1f);
    EXPECT_EQ(read_file("LesDDs.txt"),
              "ALPHA = 69.999999 \nBETA = 10.000000 \nLa valeur du debut du filtrage = 3\n\n\n"
              "\n>>MKV        \tFamily # 2\tFamily # 3");
    d.descriptors.clear();
    write_disclass_report(d, 0.5f, 1);
    EXPECT_EQ(read_file("LesDDs.txt"),
              "ALPHA = 50.000000 \nBETA = 100.000000 \nLa valeur du debut du filtrage = 3\n\n\n");
}

TEST_F(Report, UncreatableReportIsFatal) {
    ASSERT_EQ(mkdir("LesDDs.txt", 0755), 0);
    DescriptorData d;
    EXPECT_EQ(fatal_message([&] { write_disclass_report(d, 0, 0); }), "\tErr: cannot create LesDDs.txt\n");
}

TEST_F(Arff, TrainingAndTestFiles) {
    const std::string cls = class_text({"a", "b"}, {"a", "b"});
    DescriptorData d = prepare(fasta({"MKV", "MRV"}), cls);
    mine_descriptors(d, 0, 0);
    // more test sequences than training ones: the test file stops after two rows
    std::vector<std::string> test = {"AMKVA", "MRVKV", "QQ"};
    ArffOutput out = write_arff(d, cls, &test, class_text({"x", "y"}, {"b", "a", "a"}));
    const std::string header =
        "@relation Context\n\n"
        "@attribute MKV {1,0}\n@attribute MRV {1,0}\n@attribute MR {1,0}\n@attribute KV {1,0}\n"
        "@attribute RV {1,0}\n@attribute MK {1,0}\n@attribute R {1,0}\n@attribute K {1,0}\n"
        "@attribute class {a,b}\n\n@data\n";
    EXPECT_EQ(out.training, header + "1,0,0,1,0,1,0,1,a\n0,1,1,0,1,0,1,0,b\n");
    EXPECT_EQ(out.test, header + "1,0,0,1,0,1,0,1,b\n0,1,1,1,1,0,1,1,a\n");
}

TEST_F(Arff, NoDescriptorRowsHoldTheClassAlone) {
    const std::string cls = class_text({"a"}, {"a", "a"});
    DescriptorData d = prepare(fasta({"MKV", "MRV"}), cls);
    mine_descriptors(d, 0, 0);
    std::vector<std::string> test = {"MKV"};
    ArffOutput out = write_arff(d, cls, &test, class_text({"a"}, {"a"}));
    EXPECT_EQ(out.training, "@relation Context\n\n@attribute class {a}\n\n@data\na\na\n");
    EXPECT_EQ(out.test, "@relation Context\n\n@attribute class {a}\n\n@data\na\n");
}

TEST_F(Arff, ClassListStopsAtTheFamiliesAndLabelsStayAligned) {
    // three names, but the walk ends in class b: two families; the labels are read after the
    // whole names section
    const std::string cls = class_text({"a", "b", "c"}, {"a", "b"});
    DescriptorData d = prepare(fasta({"MK", "RR"}), cls);
    EXPECT_EQ(d.n_families, 2u);
    mine_descriptors(d, 0, 0);
    ArffOutput out = write_arff(d, cls);
    EXPECT_EQ(out.training,
              "@relation Context\n\n@attribute RR {1,0}\n@attribute MK {1,0}\n@attribute R {1,0}\n"
              "@attribute K {1,0}\n@attribute M {1,0}\n@attribute class {a,b}\n\n@data\n"
              "0,1,0,1,1,a\n1,0,1,0,0,b\n");
    EXPECT_EQ(out.test, "");
}

TEST_F(Arff, ClassNamesAndValuesAreQuoted) {
    const std::string cls = class_text({"my class", "b"}, {"my class", "b"});
    DescriptorData d = prepare(fasta({"K", "R"}), cls);
    mine_descriptors(d, 0, 0);
    std::vector<std::string> test = {"K", "R"};
    // the test labels stand as they are in the file; the last one repeats past its end
    ArffOutput out = write_arff(d, cls, &test, class_text({"x"}, {"it's"}));
    EXPECT_EQ(out.training, "@relation Context\n\n@attribute R {1,0}\n@attribute K {1,0}\n"
                            "@attribute class {'my class',b}\n\n@data\n0,1,'my class'\n1,0,b\n");
    EXPECT_EQ(out.test, "@relation Context\n\n@attribute R {1,0}\n@attribute K {1,0}\n"
                        "@attribute class {'my class',b}\n\n@data\n0,1,'it\\'s'\n1,0,'it\\'s'\n");
}

TEST_F(Arff, ShortTestClassFileIsFatal) {
    const std::string cls = class_text({"a", "b"}, {"a", "b"});
    DescriptorData d = prepare(fasta({"K", "R"}), cls);
    mine_descriptors(d, 0, 0);
    std::vector<std::string> test = {"K"};
    EXPECT_EQ(fatal_message([&] { write_arff(d, cls, &test, "#\n5\n#\nx\n"); }),
              "\tErr: Class file invalid @class_names");
}
