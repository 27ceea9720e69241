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
