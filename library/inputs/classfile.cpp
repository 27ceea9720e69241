#include "inputs/classfile.h"

#include <cctype>
#include <climits>

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
    const std::string& s = file.line;
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) fatal(kClassNamesError);
    }
    if (negative) v = -v;
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

const std::string& next_label(ClassFile& file) {
    next_class_line(file);
    return file.line;
}
