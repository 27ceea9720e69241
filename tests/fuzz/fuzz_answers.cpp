// The answer parsers and the question loops of the console dialogue. The first byte picks what
// is fuzzed; the rest is the text typed at the console.
//
//   0  whole numbers through ask_number on a console dialogue: the number returned lies within
//      the question's range and the menu's 16-bit limits, and parse_leading_integer agrees with
//      strtoll on every line;
//   1  reals through parse_real: the value atof gives, except that "inf", "nan" and hexadecimal
//      forms read as 0;
//   2  file-name answers through ask_input_file and ask_output_file in the scratch folder, twelve
//      questions in turn (a '/' in an answer becomes '_', so no run leaves the folder): the file
//      returned is the regular file of the name answered.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "harness.h"

namespace {

using fuzz::check;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    tessar::File in = fuzz::memory_stream(text);
    for (std::string line; tessar::read_line(in.get(), line);) lines.push_back(line);
    return lines;
}

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// strtoll on the text after the leading blanks, when it starts with a sign or a digit.
void check_integer(const std::string& line) {
    long long v = 0;
    const bool found = tessar::parse_leading_integer(line, v);
    size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;
    size_t d = i + (i < line.size() && (line[i] == '+' || line[i] == '-'));
    const bool digit = d < line.size() && line[d] >= '0' && line[d] <= '9';
    check(found == digit);
    if (!digit) return;
    errno = 0;
    const long long reference = std::strtoll(std::string(line, i).c_str(), nullptr, 10);
    if (errno == ERANGE || std::llabs(reference) >= 1000000000000000000LL) {
        check(v == LLONG_MAX || v == LLONG_MIN || v == reference);  // saturates beyond every range
        check((v < 0) == (reference < 0));
    } else {
        check(v == reference);
    }
}

void numbers(const std::string& text, unsigned char range) {
    for (const std::string& line : lines_of(text)) check_integer(line);

    // a question range from the first bytes of the text, the default within it or not
    static const double kBounds[] = {-40000, -32768, -1, 0, 1, 2, 10, 32767, 40000, 1e18};
    double low = kBounds[range % 10], high = kBounds[(range / 10) % 10];
    if (low > high) std::swap(low, high);
    const tessar::Question q = {"--number", tessar::AnswerKind::Number, "?", "", "7", low, high};
    tessar::File in = fuzz::memory_stream(text);
    tessar::ConsoleDialogue io(in.get(), fuzz::null_output());
    const tessar::Limits limits = io.limits();
    for (;;) {
        int v;
        try {
            v = tessar::ask_number(io, q);
        } catch (const tessar::EndOfInput&) {
            return;
        }
        check(v >= low && v <= high && v >= limits.min_number && v <= limits.max_number);
    }
}

void reals(const std::string& text) {
    for (const std::string& line : lines_of(text)) {
        size_t i = 0;
        while (i < line.size() && is_blank(line[i])) ++i;
        if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
        const std::string rest(line, i);
        auto digit = [&rest](size_t k) { return k < rest.size() && rest[k] >= '0' && rest[k] <= '9'; };
        const bool number = digit(0) || (rest.size() > 1 && rest[0] == '.' && digit(1));
        const bool hexadecimal = rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
        const double reference = number && !hexadecimal ? std::atof(line.c_str()) : 0.0;
        check(tessar::parse_real(line) == reference);
    }
}

void file_names(const std::string& text) {
    fuzz::clear_scratch_folder();
    fuzz::write_file("s", ">a\nAC\n");
    static const tessar::Question kIn = {"--in", tessar::AnswerKind::InputFile, "?", "", "s"};
    static const tessar::Question kOptional = {"--opt", tessar::AnswerKind::OptionalInputFile, "?", ""};
    static const tessar::Question kOut = {"--out", tessar::AnswerKind::OutputFile, "?", "", "o"};
    tessar::File in = fuzz::memory_stream(text);
    fuzz::FuzzDialogue io(in.get(), 10, 10, {});
    auto regular = [](const std::string& name) {
        struct stat st;
        return stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    };
    try {
        // a few questions are enough: each refused answer is one more file operation
        for (int round = 0; round < 12; ++round) {
            std::string name;
            switch (round % 3) {
            case 0:
                check(tessar::ask_input_file(io, kIn, name) != nullptr && regular(name));
                break;
            case 1:
                if (tessar::ask_input_file(io, kOptional, name) == nullptr) check(name.empty());
                else check(regular(name));
                break;
            default: {
                tessar::File out = tessar::ask_output_file(io, kOut, name);
                check(out != nullptr && regular(name));
                tessar::close_output(out, name);
                break;
            }
            }
        }
    } catch (const tessar::EndOfInput&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    switch (data[0] % 3) {
    case 0:
        numbers(text, data[1]);
        break;
    case 1:
        reals(text);
        break;
    default:
        file_names(text);
        break;
    }
    return 0;
}
