// The classification file reader: keyword checks, the class count, names and labels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inputs/classfile.h"

using namespace tessar;

namespace {

class ClassText {
public:
    explicit ClassText(const std::string& text) : f_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), f_.get());
        std::rewind(f_.get());
        file.stream = f_.get();
    }
    ClassFile file;

private:
    File f_;
};

// The message of the fatal error raised by `step`, or "<none>".
template <typename Step>
std::string fatal_message(Step step) {
    try {
        step();
    } catch (const FatalError& e) {
        return e.message;
    }
    return "<none>";
}

// Reads the header sections as the methods do; returns the names.
std::vector<std::string> read_header(ClassFile& file) {
    check_class_keyword(file, kClassNumberError);
    int n = read_class_count(file);
    check_class_keyword(file, kClassNamesError);
    std::vector<std::string> names = read_class_names(file, n);
    check_class_keyword(file, kClassDataError);
    return names;
}

std::string header_error(const std::string& text) {
    ClassText c(text);
    return fatal_message([&] { read_header(c.file); });
}

int count_of(const std::string& line) {
    ClassText c(line);
    return read_class_count(c.file);
}

using Names = std::vector<std::string>;

}  // namespace

TEST(ClassFile, ReadsTheWrittenLayout) {
    ClassText c("#classes number\n2\n#classes names\nkinase\nother\n#classes instances\n"
                "kinase\nkinase\nother");
    EXPECT_EQ(read_header(c.file), (Names{"kinase", "other"}));
    EXPECT_EQ(next_label(c.file), "kinase");
    EXPECT_EQ(next_label(c.file), "kinase");
    EXPECT_EQ(next_label(c.file), "other");
}

TEST(ClassFile, CrLfLinesGiveTheSameNames) {
    ClassText c("#n\r\n2\r\n#c\r\nA B\r\nC\r\n#i\r\nC\r\n");
    EXPECT_EQ(read_header(c.file), (Names{"A B", "C"}));
    EXPECT_EQ(next_label(c.file), "C");
}

TEST(ClassFile, EachKeywordPositionHasItsMessage) {
    EXPECT_EQ(header_error("classes number\n1\n#\nA\n#\n"), "\tErr: Class file invalid @class_number");
    EXPECT_EQ(header_error(""), "\tErr: Class file invalid @class_number");
    EXPECT_EQ(header_error(" #\n1\n#\nA\n#\n"), "\tErr: Class file invalid @class_number");
    EXPECT_EQ(header_error("#\n1\nclasses names\nA\n#\n"), "\tErr: Class file invalid @class_names");
    EXPECT_EQ(header_error("#\n1\n#\nA\nclasses instances\nA\n"), "\tErr: Class file invalid @data");
    // one name too many: the extra name stands where the keyword should
    EXPECT_EQ(header_error("#\n1\n#\nA\nB\n#\n"), "\tErr: Class file invalid @data");
}

TEST(ClassFile, AnyLineStartingWithHashIsAKeyword) {
    ClassText c("#\n1\n#anything at all\nA\n##\n");
    EXPECT_EQ(read_header(c.file), Names{"A"});
}

TEST(ClassFile, CountIsReadLikeAtoi) {
    EXPECT_EQ(count_of("  7 classes\n"), 7);
    EXPECT_EQ(count_of("+3"), 3);
    EXPECT_EQ(count_of("-2\n"), -2);
    EXPECT_EQ(count_of("two\n"), 0);
    EXPECT_EQ(count_of("2147483647\n"), 2147483647);
    EXPECT_EQ(count_of("-2147483648\n"), -2147483647 - 1);
}

TEST(ClassFile, CountOutsideIntRangeIsFatal) {
    for (const char* line : {"2147483648\n", "-2147483649\n", "99999999999999999999999999\n"}) {
        ClassText c(line);
        EXPECT_EQ(fatal_message([&] { read_class_count(c.file); }), "\tErr: Class file invalid @class_names")
            << line;
    }
}

TEST(ClassFile, CountThatIsNoNumberReadsNoNames) {
    // the keyword check of the instances then falls on the first name line
    EXPECT_EQ(header_error("#\nabc\n#\nA\n#\n"), "\tErr: Class file invalid @data");
    ClassText c("#\n-3\n#\n#i\nA");
    EXPECT_TRUE(read_header(c.file).empty());
}

TEST(ClassFile, FileEndingBeforeAllNamesIsFatal) {
    EXPECT_EQ(header_error("#\n3\n#\nA\nB\n"), "\tErr: Class file invalid @class_names");
    EXPECT_EQ(header_error("#\n2000000000\n#\nA"), "\tErr: Class file invalid @class_names");
}

TEST(ClassFile, LabelsPastTheEndRepeatTheLastLine) {
    ClassText c("#\n2\n#\nA\nB\n#\nA\nB");
    read_header(c.file);
    EXPECT_EQ(next_label(c.file), "A");
    EXPECT_EQ(next_label(c.file), "B");
    EXPECT_EQ(next_label(c.file), "B");
    EXPECT_EQ(next_label(c.file), "B");
}

TEST(ClassFile, LinesOfAnyLength) {
    std::string long_name(10000, 'n');
    ClassText c("#" + std::string(5000, '-') + "\n1\n#\n" + long_name + "\n#\n" + long_name + "\n");
    EXPECT_EQ(read_header(c.file), Names{long_name});
    EXPECT_EQ(next_label(c.file), long_name);
}

TEST(ClassFile, ReadWholeTheLabelsKeepTheirLinesAndThePastTheEndRule) {
    ClassText c("#\n2\n#\nA\nB\n#\nA\nB\n");
    const ClassesRead read = read_classification(c.file);
    EXPECT_EQ(read.names, (Names{"A", "B"}));
    EXPECT_EQ(read.labels, (Names{"A", "B"}));
    EXPECT_EQ(read.first_label_line, 7u);
    EXPECT_EQ(read.label(5), "B");
    // without label lines the last line read, the keyword line, stands for every label
    ClassText none("#\n1\n#\nA\n#instances\n");
    EXPECT_EQ(read_classification(none.file).label(0), "#instances");
    // a test file beside a training file of three classes: its names by that count
    ClassText test("#\n9\n#\nA\nB\nC\n#\nC\n");
    const ClassesRead beside = read_classification(test.file, 3);
    EXPECT_EQ(beside.names, (Names{"A", "B", "C"}));
    EXPECT_EQ(beside.first_label_line, 8u);
}

TEST(LabelFit, OneLabelPerSequenceEachAClassName) {
    const Names names = {"pos", "neg"};
    EXPECT_TRUE(fit_labels(names, {"pos", "neg"}, 2).fits());
    // an editor's final blank lines are no labels
    EXPECT_TRUE(fit_labels(names, {"pos", "neg", "", " \t", ""}, 2).fits());
    LabelFit fit = fit_labels(names, {"pos", "neg", ""}, 3);
    EXPECT_EQ(fit.n_labels, 2u);
    EXPECT_EQ(fit.outside, LabelFit::kNone);
    // a blank line followed by a label is a label, and no class name
    fit = fit_labels(names, {"pos", "", "neg"}, 3);
    EXPECT_EQ(fit.n_labels, 3u);
    EXPECT_EQ(fit.outside, 1u);
    EXPECT_EQ(fit.outside_label, "");
    // names compare whole: no case folding, no trimming
    fit = fit_labels(names, {"pos", "Neg", "neg "}, 3);
    EXPECT_EQ(fit.outside, 1u);
    EXPECT_EQ(fit.outside_label, "Neg");
    // a label past the sequences only counts
    fit = fit_labels(names, {"pos", "neg", "other"}, 2);
    EXPECT_EQ(fit.n_labels, 3u);
    EXPECT_EQ(fit.outside, LabelFit::kNone);
    // a class named by a blank line takes blank labels
    EXPECT_TRUE(fit_labels({"pos", ""}, {"", "pos"}, 2).fits());
}

TEST(LabelFit, MessagesNameTheFileTheLineAndTheLabel) {
    const Names names = {"pos", "neg"};
    LabelFit fit = fit_labels(names, {"pos", "Pos", "neg"}, 2);
    // the count first
    EXPECT_EQ(label_fit_error(fit, "x.cls", 7), "Err: x.cls: 3 labels for 2 sequences\n");
    EXPECT_EQ(label_fit_warnings(fit, "x.cls"),
              "\tWarning: x.cls has 3 labels for 2 sequences\n"
              "\tWarning: label \"Pos\" of sequence 2 is not among the class names of x.cls\n");
    fit = fit_labels(names, {"pos", "Pos"}, 2);
    EXPECT_EQ(label_fit_error(fit, "x.cls", 7), "Err: x.cls line 8: label \"Pos\" is not among the class names\n");
    EXPECT_EQ(label_fit_error(fit_labels(names, {"pos", "neg"}, 2), "x.cls", 7), "");

    ClassText c("#\n2\n#\npos\nneg\n#\npos\nneg\n");
    const ClassesRead read = read_classification(c.file);
    EXPECT_EQ(fatal_message([&] { require_labels_fit(read, 3, "c.cls"); }), "Err: c.cls: 2 labels for 3 sequences\n");
    EXPECT_EQ(fatal_message([&] { require_test_labels_fit(read, 2, {"pos"}, "t.cls"); }),
              "Err: t.cls line 8: label \"neg\" is not among the training classes (pos)\n");
    const Names many = {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "pos"};
    EXPECT_EQ(label_outside_training_error(read, 2, many, "t.cls"),
              "Err: t.cls line 8: label \"neg\" is not among the training classes (c1, c2, c3, c4, c5, c6, c7, "
              "c8, ... (10 classes))\n");
}

TEST(ClassFileReading, AFileTheSystemCannotReadIsAnErrorNotFewerLabels) {
    // a folder opens as a stream on Linux, and each read of it fails
    File folder(std::fopen(".", "r"));
    ASSERT_TRUE(folder);
    ClassFile classes{folder.get(), ""};
    try {
        next_class_line(classes);
        FAIL() << "read a folder as an empty classification file";
    } catch (const FatalError& e) {
        EXPECT_EQ(e.message, "Err: an input file could not be read to its end: Is a directory\n");
    }
}
