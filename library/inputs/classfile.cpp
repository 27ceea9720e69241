#include "inputs/classfile.h"

#include <climits>

namespace tessar {

const char* const kClassNumberError = "\tErr: Class file invalid @class_number";
const char* const kClassNamesError = "\tErr: Class file invalid @class_names";
const char* const kClassDataError = "\tErr: Class file invalid @data";

bool next_class_line(ClassFile& file) {
    std::string line;
    if (!read_line(file.stream, line)) return false;
    file.line = std::move(line);
    return true;
}

void check_class_keyword(ClassFile& file, const char* message) {
    next_class_line(file);
    if (file.line.empty() || file.line[0] != '#') fatal(message);
}

int read_class_count(ClassFile& file) {
    next_class_line(file);
    long long v = 0;  // no number reads as 0
    parse_leading_integer(file.line, v);
    if (v < INT_MIN || v > INT_MAX) fatal(kClassNamesError);
    return static_cast<int>(v);
}

std::vector<std::string> read_class_names(ClassFile& file, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        if (!next_class_line(file)) fatal(kClassNamesError);
        names.push_back(file.line);
    }
    return names;
}

std::vector<std::string> read_class_header_unchecked(ClassFile& file) {
    next_class_line(file);
    const int count = read_class_count(file);
    next_class_line(file);
    std::vector<std::string> names = read_class_names(file, count);
    next_class_line(file);  // the marker before the labels
    return names;
}

void read_test_class_header(ClassFile& file, int count) {
    check_class_keyword(file, kClassNumberError);
    read_class_count(file);
    check_class_keyword(file, kClassNamesError);
    read_class_names(file, count);
    check_class_keyword(file, kClassDataError);
}

const std::string& next_label(ClassFile& file) {
    next_class_line(file);
    return file.line;
}

}  // namespace tessar
