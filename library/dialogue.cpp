#include "dialogue.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <new>
#include <string_view>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

void fatal(std::string message) { throw FatalError{std::move(message)}; }

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text(n > 0 ? n : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    va_end(args);
    return text;
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

File open_for_reading(const std::string& name) {
    File f(std::fopen(name.c_str(), "r"));
    if (!f) return f;
    struct stat st;
    if (fstat(fileno(f.get()), &st) != 0 || S_ISDIR(st.st_mode)) f.reset();
    return f;
}

void close_output(File& file, const std::string& name) {
    if (!file) return;
    bool failed = std::fflush(file.get()) != 0 || std::ferror(file.get());
    failed = std::fclose(file.release()) != 0 || failed;
    if (failed) fatal(format("\tErr: cannot write %s\n", name.c_str()));
}

std::string read_answer() {
    std::fflush(stdout);
    std::string line;
    if (!read_line(stdin, line)) throw EndOfInput{};
    return line;
}

File ask_input_file(const Prompt& ask, const std::string& default_name, std::string& name,
                    bool optional) {
    for (;;) {
        ask();
        std::string answer = read_answer();
        if (answer.empty() && optional) {
            name.clear();
            return File();
        }
        name = answer.empty() ? default_name : answer;
        if (File f = open_for_reading(name)) return f;
    }
}

File ask_output_file(const Prompt& ask, const std::string& default_name, std::string& name) {
    for (;;) {
        ask();
        std::string answer = read_answer();
        name = answer.empty() ? default_name : answer;
        if (File f{std::fopen(name.c_str(), "w")}) return f;
    }
}

bool parse_short(const std::string& answer, short& value) {
    size_t i = 0;
    while (i < answer.size() && std::isspace(static_cast<unsigned char>(answer[i]))) ++i;
    bool negative = false;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) negative = answer[i++] == '-';
    if (i >= answer.size() || !std::isdigit(static_cast<unsigned char>(answer[i]))) return false;
    long v = 0;
    for (; i < answer.size() && std::isdigit(static_cast<unsigned char>(answer[i])); ++i) {
        v = v * 10 + (answer[i] - '0');
        if (v > 32768) return false;
    }
    if (negative) v = -v;
    if (v < SHRT_MIN || v > SHRT_MAX) return false;
    value = static_cast<short>(v);
    return true;
}

short ask_short(const Prompt& ask, short default_value, int min, int max) {
    for (;;) {
        ask();
        std::string answer = read_answer();
        short v = default_value;
        if (!answer.empty() && !parse_short(answer, v)) continue;
        if (v >= min && v <= max) return v;
    }
}

double parse_real(const std::string& answer) {
    auto digit = [&](size_t k) {
        return k < answer.size() && std::isdigit(static_cast<unsigned char>(answer[k]));
    };
    size_t i = 0;
    while (i < answer.size() && std::isspace(static_cast<unsigned char>(answer[i]))) ++i;
    size_t begin = i;
    if (i < answer.size() && (answer[i] == '+' || answer[i] == '-')) ++i;
    bool mantissa = false;
    while (digit(i)) { ++i; mantissa = true; }
    if (i < answer.size() && answer[i] == '.') {
        ++i;
        while (digit(i)) { ++i; mantissa = true; }
    }
    if (!mantissa) return 0.0;
    // A "0x" prefix makes the text hexadecimal for atof; such answers count as no number.
    size_t first_digit = begin + ((answer[begin] == '+' || answer[begin] == '-') ? 1 : 0);
    if (answer[first_digit] == '0' && first_digit + 1 < answer.size() &&
        (answer[first_digit + 1] == 'x' || answer[first_digit + 1] == 'X'))
        return 0.0;
    size_t end = i;
    if (i < answer.size() && (answer[i] == 'e' || answer[i] == 'E')) {
        size_t k = i + 1;
        if (k < answer.size() && (answer[k] == '+' || answer[k] == '-')) ++k;
        if (digit(k)) {
            while (digit(k)) ++k;
            end = k;
        }
    }
    return std::strtod(answer.substr(begin, end - begin).c_str(), nullptr);
}

void wait_key() {
    std::fflush(stdout);
    if (isatty(STDIN_FILENO)) {
        termios saved;
        if (tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios raw = saved;
            raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            tcsetattr(STDIN_FILENO, TCSANOW, &raw);
            std::getc(stdin);
            tcsetattr(STDIN_FILENO, TCSANOW, &saved);
            return;
        }
    }
    std::string line;
    read_line(stdin, line);
}

void finish_method() {
    std::printf("\n ===>   Encoding complete, press any buton to return to menu");
    wait_key();
}

double seconds_since(std::clock_t start) {
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

int run_method(const std::function<void()>& body) {
    try {
        body();
    } catch (const FatalError& e) {
        std::fputs(e.message.c_str(), stdout);
        wait_key();
        std::exit(1);
    } catch (const EndOfInput&) {
        std::printf("\n\tErr: end of input\n");
        std::fflush(stdout);
        std::exit(1);
    } catch (const std::bad_alloc&) {
        std::printf("Err: no enough memory\n");
        wait_key();
        std::exit(1);
    }
    std::fflush(stdout);
    return 0;
}
