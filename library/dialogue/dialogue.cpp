#include "dialogue/dialogue.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "dialogue/compressed.h"
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
    // a character device (/dev/null) is neither emptied nor replaced: any number of streams share it
    if (in_use.empty() || stat(path.c_str(), &target) != 0 || S_ISCHR(target.st_mode)) return false;
    for (std::FILE* f : in_use) {
        struct stat st;
        const int fd = input_descriptor(f);
        if (fd >= 0 && fstat(fd, &st) == 0 && st.st_dev == target.st_dev &&
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

void fatal_file(std::string message, const char* verb, const std::string& path, int error) {
    throw FatalError{std::move(message), format("Err: cannot %s %s: %s", verb, path.c_str(), std::strerror(error))};
}

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
    limits.max_sequences = kMenuMaxSequences;
    limits.max_residues = kMenuMaxResidues;
    limits.min_number = -32768;
    limits.max_number = 32767;
    limits.no_sequence_is_error = false;
    limits.labels_must_fit = false;
    limits.every_test_row = false;
    limits.raise_low_defaults = false;
    return limits;
}

bool read_line(std::FILE* in, std::string& line) {
    line.clear();
    // the stream is locked once for the line, not once per character
    struct Locked {
        std::FILE* f;
        explicit Locked(std::FILE* file) : f(file) { flockfile(f); }
        ~Locked() { funlockfile(f); }
    };
    int c;
    bool any = false;
    const Locked locked(in);
    while ((c = getc_unlocked(in)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    check_read(in);  // a compressed file cut short or corrupt is no shorter input
    return any;
}

bool read_file_line(std::FILE* in, std::string& line) {
    errno = 0;
    if (read_line(in, line)) return true;
    if (std::ferror(in))
        fatal(format("Err: an input file could not be read to its end: %s\n", std::strerror(errno ? errno : EIO)));
    return false;
}

// A file closed by its owner going away: an input, or an output the run did not finish.
void FileCloser::operator()(std::FILE* f) const {
    if (f) close_watched(f);
}

File create_output(const std::string& path) { return File(open_watched(path)); }

File open_for_reading(const std::string& name) {
    File f(std::fopen(name.c_str(), "r"));
    if (!f) return f;
    struct stat st;
    if (fstat(fileno(f.get()), &st) != 0 || S_ISDIR(st.st_mode)) {
        f.reset();
        errno = EISDIR;
        return f;
    }
    return open_decompressed(std::move(f), name);
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
        if (File f = io.open_input(name)) return f;
        io.refuse_file(q, answer, errno);
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
        const OutputName whose = answer.empty() ? OutputName::Default : OutputName::Given;
        name = answer.empty() ? io.output_default(q) : answer;
        if (names_file_in_use(io.output_place(name, whose), in_use)) {
            io.refuse(q, answer);
            continue;
        }
        if (File f = io.create_output_file(name, whose)) return f;
        io.refuse_file(q, answer, errno);
    }
}

namespace {

// The integer at the start of `text`: an optional sign, then digits. `end` is where it stops;
// `overflow` when its value is beyond a long long (`value` is then LLONG_MAX or LLONG_MIN).
struct LeadingInteger {
    bool found = false;
    bool overflow = false;
    long long value = 0;
    size_t end = 0;
};

LeadingInteger leading_integer(std::string_view text) {
    LeadingInteger n;
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
    if (!is_digit(text, i)) return n;
    // from_chars takes a '-' but no '+': the digits are read alone and negated after
    unsigned long long magnitude = 0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
    n.found = true;
    n.end = static_cast<size_t>(end - text.data());
    const unsigned long long limit = negative ? 1ULL + LLONG_MAX : LLONG_MAX;
    n.overflow = error == std::errc::result_out_of_range || magnitude > limit;
    if (n.overflow) {
        while (is_digit(text, n.end)) ++n.end;  // from_chars stops at the end of the digits anyway
        n.value = negative ? LLONG_MIN : LLONG_MAX;
    } else {
        n.value = negative ? static_cast<long long>(0ULL - magnitude) : static_cast<long long>(magnitude);
    }
    return n;
}

}  // namespace

bool parse_integer(std::string_view text, long long& value) {
    const LeadingInteger n = leading_integer(text);
    if (!n.found || n.overflow || n.end != text.size()) return false;
    value = n.value;
    return true;
}

bool parse_leading_integer(std::string_view answer, long long& value) {
    size_t i = 0;
    while (i < answer.size() && is_blank(answer[i])) ++i;
    const LeadingInteger n = leading_integer(answer.substr(i));
    if (!n.found) return false;
    value = n.value;  // past the range it stays beyond every range
    return true;
}

bool parse_decimal(std::string_view text, double& value) {
    if (text.empty() || text.find_first_of("xXpPnNiI") != std::string_view::npos) return false;
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value) && !is_blank(copy[0]);
}

std::string choice_list(const Question& q) {
    std::string list;
    for (int i = 0; i < choice_count(q); ++i) list += (i ? ", " : "") + std::string(q.choices[i]);
    return list;
}

std::string choice_number(const Question& q, const std::string& value) {
    if (!q.choices) return "";
    for (int i = 0; i < choice_count(q); ++i)
        if (equal_ignoring_case(value, q.choices[i])) return std::to_string(static_cast<long long>(q.min) + i);
    return "";
}

std::string choice_name(const Question& q, const std::string& number) {
    if (!q.choices) return number;
    long long v = 0;
    if (!parse_leading_integer(number, v) || v < q.min || v > q.max) return number;
    return q.choices[v - static_cast<long long>(q.min)];
}

namespace {

// A bound as the user types it: whole numbers without a fraction.
std::string bound_text(double v) {
    return v == std::floor(v) && std::fabs(v) < 1e15 ? format("%.0f", v) : format("%g", v);
}

// "1 to 6", "0 or more": a question's range in words.
std::string range_words(const Question& q) {
    if (std::isinf(q.max)) return bound_text(q.min) + " or more";
    return bound_text(q.min) + " to " + bound_text(q.max);
}

}  // namespace

std::string refusal_text(const Question& q, const std::string& value) {
    switch (q.kind) {
    case AnswerKind::Number:
        if (q.choices) return format("\"%s\" is not one of %s", value.c_str(), choice_list(q).c_str());
        return format("\"%s\" is not a whole number from %s", value.c_str(), range_words(q).c_str());
    case AnswerKind::Real:
        return format("\"%s\" is not a number from %s", value.c_str(), range_words(q).c_str());
    default:
        return "a file name cannot be empty";
    }
}

std::string refusal_reason(const Question& q, const std::string& value) {
    long long whole = 0;
    double real = 0;
    switch (q.kind) {
    case AnswerKind::Number:
        if (q.choices ? !choice_number(q, value).empty()
                      : parse_integer(value, whole) && whole >= q.min && whole <= q.max)
            return "";
        break;
    case AnswerKind::Real:
        // a real answer is kept in single precision: its range holds for the value kept (a
        // value beyond every float becomes infinity and lies outside any finite range)
        if (parse_decimal(value, real)) {
            const float kept = static_cast<float>(real);
            if (kept >= q.min && kept <= q.max) return "";
        }
        break;
    default:
        if (!value.empty()) return "";
    }
    return refusal_text(q, value);
}

int ask_number(Dialogue& io, const Question& q, const std::string& prompt, long long default_value,
               const std::string& default_words) {
    const Limits limits = io.limits();
    for (;;) {
        std::string answer = io.answer(q, prompt);
        long long v = default_value;
        if (answer.empty() && v < q.min && limits.raise_low_defaults) {
            v = static_cast<long long>(q.min);
            io.note(format("%s %lld taken: %s is %lld, below %lld\n", q.flag, v, default_words.c_str(), default_value,
                           v));
        }
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

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    // ASCII alone, whatever the locale
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

double seconds_since(std::clock_t start) {
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace tessar
