// classmaker: writes a classification file from the user's answers: the number of classes, each
// class's name and how many consecutive sequences of the sequence file belong to it. The file
// lists the classes in the order they were entered, which is the class-grouped order the
// descriptor methods require.
//
// Answers are blank-separated words read from standard input, so several answers may stand on
// one line. A number answer must be wholly an integer in the "%i" notation (optional sign, a
// leading 0 for octal, 0x for hexadecimal) within the int range; any other word is consumed and
// the question asked again.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxClasses = 99;

struct ClassEntry {
    std::string name;
    int n_instances = 0;
};

// Standard input ended at a question: there is no answer to wait for.
[[noreturn]] void end_of_input() {
    std::printf("\n\tErr: end of input\n");
    std::fflush(stdout);
    std::exit(1);
}

// The next blank-separated word of standard input; the blank that ends it stays unread.
std::string read_word() {
    std::fflush(stdout);
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && std::isspace(c));
    if (c == EOF) end_of_input();
    std::string word;
    while (c != EOF && !std::isspace(c)) {
        word.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    if (c != EOF) std::ungetc(c, stdin);
    return word;
}

// True when `word` is wholly one integer in "%i" notation within the int range.
bool parse_int(const std::string& word, int& value) {
    // strtoll would skip leading blanks; a word has none, but a lone sign or "0x" must fail,
    // which the end pointer shows.
    if (word.empty() || std::isspace(static_cast<unsigned char>(word[0]))) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 0);
    if (end != word.c_str() + word.size() || errno == ERANGE) return false;
    if (v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

// Asks until the answer is a number; prints the whole question each time.
int ask_number(const char* question) {
    for (;;) {
        std::printf("%s", question);
        int value;
        if (parse_int(read_word(), value)) return value;
    }
}

// Drops what is left of the current input line (the line end after the last answer).
void skip_rest_of_line() {
    int c;
    while ((c = std::getchar()) != EOF && c != '\n') {
    }
}

// One key press: on a terminal one key without echo, read past the stdio buffer so that the
// line end of the last answer does not count as the key; otherwise one whole line. End of input
// counts as a key press.
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
            char key;
            ssize_t n = read(STDIN_FILENO, &key, 1);
            (void)n;
            tcsetattr(STDIN_FILENO, TCSANOW, &saved);
            return;
        }
    }
    skip_rest_of_line();
}

void write_text(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

int main() {
    std::printf("\nThis program allows you to create a classification file");

    // class count
    int n_classes;
    do {
        n_classes = ask_number("\n\nClasses number: ");
    } while (n_classes < 1 || n_classes > kMaxClasses);

    // names and instance counts, in input order
    std::vector<ClassEntry> classes(n_classes);
    for (int i = 1; i <= n_classes; ++i) {
        std::printf("\nClass num %i name: ", i);
        classes[i - 1].name = read_word();
        classes[i - 1].n_instances = ask_number("\nCorresponding instances number: ");
    }

    // output file, asked again while it cannot be opened
    std::string file_name;
    std::FILE* out = nullptr;
    while (!out) {
        std::printf("\nEnter the classification file name: ");
        file_name = read_word();
        out = std::fopen(file_name.c_str(), "w");
    }
    // the line end of the last answer belongs to that answer, not to the key press
    skip_rest_of_line();

    // write the three sections; the instance lines carry their line end in front
    std::fprintf(out, "#classes number\n");
    std::fprintf(out, "%i\n", n_classes);
    std::fprintf(out, "#classes names\n");
    for (const ClassEntry& c : classes) {
        write_text(out, c.name);
        std::fputc('\n', out);
    }
    std::fprintf(out, "#classes instances");
    for (const ClassEntry& c : classes)
        for (int k = 0; k < c.n_instances; ++k) {
            std::fputc('\n', out);
            write_text(out, c.name);
        }
    bool written = !std::ferror(out);
    if (std::fclose(out) != 0) written = false;
    if (!written) {
        // a full disk or a failing device must not pass for a finished file
        std::printf("\n\tErr: cannot write %s\n", file_name.c_str());
        wait_key();
        return 1;
    }

    std::printf("\nClassification file done, press any key to exit");
    wait_key();
    return 0;
}
