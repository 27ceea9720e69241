#include "dialogue/dialogue.h"

#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <sys/stat.h>

#include "dialogue/interrupt.h"

namespace tessar {

namespace {

std::string vformat(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text(n > 0 ? n : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    return text;
}

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool is_digit(std::string_view s, size_t k) {
    return k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]));
}

}  // namespace

bool names_file_in_use(const std::string& path, const std::vector<std::FILE*>& in_use) {
    struct stat target;
    if (in_use.empty() || stat(path.c_str(), &target) != 0) return false;
    for (std::FILE* f : in_use) {
        struct stat st;
        if (f && fileno(f) >= 0 && fstat(fileno(f), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return true;
    }
    return false;
}

bool names_same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return !a.empty() && !b.empty() && stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void fatal(std::string message) { throw FatalError{std::move(message)}; }

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string text = vformat(fmt, args);
    va_end(args);
    return text;
}

std::string format_prompt(const char* prompt, ...) {
    va_list args;
    va_start(args, prompt);
    std::string text = vformat(prompt, args);
    va_end(args);
    return text;
}

void Dialogue::printf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    print(vformat(fmt, args));
    va_end(args);
}

Limits console_limits() {
    Limits limits;
    limits.max_sequences = 2000;
    limits.max_residues = 5998;
    limits.min_number = -32768;
    limits.max_number = 32767;
    limits.no_sequence_is_error = false;
    return limits;
}

bool read_line(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getc(in)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
}

void FileCloser::operator()(std::FILE* f) const {
    if (f) close_watched(f);
}

File create_output(const std::string& path) { return File(open_watched(path)); }

File open_for_reading(const std::string& name) {
    File f(std::fopen(name.c_str(), "r"));
    if (!f) return f;
    struct stat st;
    if (fstat(fileno(f.get()), &st) != 0 || S_ISDIR(st.st_mode)) f.reset();
    return f;
}

void close_output(File& file, const std::string& name, const std::string& message) {
    if (!file) return;
    bool failed = std::fflush(file.get()) != 0 || std::ferror(file.get());
    failed = close_watched(file.release()) != 0 || failed;
    if (failed) fatal(message.empty() ? format("\tErr: cannot write %s\n", name.c_str()) : message);
}

File ask_input_file(Dialogue& io, const Question& q, const std::string& prompt, std::string& name) {
    for (;;) {
        std::string answer = io.answer(q, prompt);
        if (answer.empty() && q.kind == AnswerKind::OptionalInputFile) {
            name.clear();
            return File();
        }
        name = answer.empty() ? q.default_answer : answer;
        if (File f = open_for_reading(name)) return f;
        io.refuse(q, answer);
    }
}

File ask_input_file(Dialogue& io, const Question& q, std::string& name) {
    return ask_input_file(io, q, prompt_text(q), name);
}

File ask_output_file(Dialogue& io, const Question& q, std::string& name,
                     const std::vector<std::FILE*>& in_use) {
    const std::string prompt = prompt_text(q);
    for (;;) {
        std::string answer = io.answer(q, prompt);
        name = answer.empty() ? q.default_answer : answer;
        const std::string path = io.output_path(name);
        if (!names_file_in_use(path, in_use))
            if (File f = create_output(path)) return f;
        io.refuse(q, answer);
    }
}

bool parse_leading_integer(std::string_view answer, long long& value) {
    size_t i = 0;
    while (i < answer.size() && is_blank(answer[i])) ++i;
    bool negative = false;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) negative = answer[i++] == '-';
    if (!is_digit(answer, i)) return false;
    // past 19 digits the value only saturates, so that it stays beyond every range
    long long v = 0;
    for (; is_digit(answer, i); ++i)
        v = v > (LLONG_MAX - 9) / 10 ? LLONG_MAX : v * 10 + (answer[i] - '0');
    value = negative ? (v == LLONG_MAX ? LLONG_MIN : -v) : v;
    return true;
}

int ask_number(Dialogue& io, const Question& q, const std::string& prompt, long long default_value) {
    const Limits limits = io.limits();
    for (;;) {
        std::string answer = io.answer(q, prompt);
        long long v = default_value;
        if (answer.empty() || parse_leading_integer(answer, v))
            if (v >= limits.min_number && v <= limits.max_number && v >= q.min && v <= q.max)
                return static_cast<int>(v);
        io.refuse(q, answer);
    }
}

int ask_number(Dialogue& io, const Question& q) {
    return ask_number(io, q, prompt_text(q), std::atoll(q.default_answer));
}

double parse_real(std::string_view answer) {
    size_t i = 0;
    while (i < answer.size() && is_blank(answer[i])) ++i;
    const size_t begin = i;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) ++i;
    const size_t first_digit = i;
    bool mantissa = false;
    while (is_digit(answer, i)) {
        ++i;
        mantissa = true;
    }
    if (i < answer.size() && answer[i] == '.') {
        ++i;
        while (is_digit(answer, i)) {
            ++i;
            mantissa = true;
        }
    }
    if (!mantissa) return 0.0;
    // A "0x" prefix makes the text hexadecimal for atof; such answers count as no number.
    if (answer[first_digit] == '0' && first_digit + 1 < answer.size() &&
        (answer[first_digit + 1] == 'x' || answer[first_digit + 1] == 'X'))
        return 0.0;
    size_t end = i;
    if (i < answer.size() && (answer[i] == 'e' || answer[i] == 'E')) {
        size_t k = i + 1;
        if (k < answer.size() && (answer[k] == '+' || answer[k] == '-')) ++k;
        if (is_digit(answer, k)) {
            while (is_digit(answer, k)) ++k;
            end = k;
        }
    }
    return std::strtod(std::string(answer.substr(begin, end - begin)).c_str(), nullptr);
}

void finish_method(Dialogue& io) {
    io.print("\n ===>   Encoding complete, press any buton to return to menu");
    io.wait_key();
}

double seconds_since(std::clock_t start) {
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace tessar
