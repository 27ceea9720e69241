#include "classmaker.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>

#include "dialogue/console.h"

namespace classmaker {

namespace {

constexpr int kMaxClasses = 99;

// Asks until the answer is a number; prints the whole question each time.
int ask_number(std::FILE* in, std::FILE* out, const char* question) {
    for (;;) {
        std::fputs(question, out);
        std::fflush(out);
        int value;
        if (parse_int(read_word(in), value)) return value;
    }
}

// Drops what is left of the current input line (the line end after the last answer).
void skip_rest_of_line(std::FILE* in) {
    int c;
    while ((c = std::getc(in)) != EOF && c != '\n') {
    }
}

// The class count, then each class's name and instance count, in input order.
std::vector<ClassEntry> ask_classes(std::FILE* in, std::FILE* out) {
    int n_classes;
    do {
        n_classes = ask_number(in, out, "\n\nClasses number: ");
    } while (n_classes < 1 || n_classes > kMaxClasses);
    std::vector<ClassEntry> classes(n_classes);
    for (int i = 1; i <= n_classes; ++i) {
        std::fprintf(out, "\nClass num %i name: ", i);
        classes[i - 1].name = read_word(in);
        classes[i - 1].n_instances = ask_number(in, out, "\nCorresponding instances number: ");
    }
    return classes;
}

}  // namespace

std::string read_word(std::FILE* in) {
    int c;
    do {
        c = std::getc(in);
    } while (c != EOF && std::isspace(c));
    if (c == EOF) throw EndOfInput{};
    std::string word;
    while (c != EOF && !std::isspace(c)) {
        word.push_back(static_cast<char>(c));
        c = std::getc(in);
    }
    if (c != EOF) std::ungetc(c, in);
    return word;
}

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

bool write_classification(std::FILE* out, const std::vector<std::string>& names,
                          const std::vector<ClassEntry>& runs) {
    std::fprintf(out, "#classes number\n%zu\n#classes names\n", names.size());
    for (const std::string& name : names) {
        std::fwrite(name.data(), 1, name.size(), out);
        std::fputc('\n', out);
    }
    std::fputs("#classes instances", out);
    for (const ClassEntry& run : runs) {
        const std::string line = "\n" + run.name;
        // a failed write ends the file at once: a count of billions on a full disk is no loop
        for (int k = 0; k < run.n_instances; ++k)
            if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) return false;
    }
    return std::fflush(out) == 0 && !std::ferror(out);
}

bool write_classification(std::FILE* out, const std::vector<ClassEntry>& classes) {
    std::vector<std::string> names;
    for (const ClassEntry& c : classes) names.push_back(c.name);
    return write_classification(out, names, classes);
}

std::string classification_text(const std::vector<std::string>& names, const std::vector<ClassEntry>& runs) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* text = open_memstream(&buffer, &size);
    if (!text) throw std::bad_alloc();
    write_classification(text, names, runs);
    std::fclose(text);
    std::string result(buffer, size);
    std::free(buffer);
    return result;
}

std::string classification_text(const std::vector<ClassEntry>& classes) {
    std::vector<std::string> names;
    for (const ClassEntry& c : classes) names.push_back(c.name);
    return classification_text(names, classes);
}

std::vector<ClassEntry> label_runs(const std::vector<std::string>& labels) {
    std::vector<ClassEntry> runs;
    for (const std::string& label : labels) {
        if (runs.empty() || runs.back().name != label) runs.push_back({label, 0});
        ++runs.back().n_instances;
    }
    return runs;
}

int run_classmaker(std::FILE* in, std::FILE* out) {
    std::fputs("\nThis program allows you to create a classification file", out);
    try {
        const std::vector<ClassEntry> classes = ask_classes(in, out);

        // output file, asked again while it cannot be opened
        std::string file_name;
        std::FILE* file = nullptr;
        while (!file) {
            std::fputs("\nEnter the classification file name: ", out);
            std::fflush(out);
            file_name = read_word(in);
            file = std::fopen(file_name.c_str(), "w");
        }
        // the line end of the last answer belongs to that answer, not to the key press
        skip_rest_of_line(in);

        bool written = write_classification(file, classes);
        written = std::fclose(file) == 0 && written;
        if (!written) {
            // a full disk or a failing device must not pass for a finished file
            std::fprintf(out, "\n\tErr: cannot write %s\n", file_name.c_str());
            tessar::wait_for_key(in, out);
            return 1;
        }
    } catch (const EndOfInput&) {
        std::fputs("\n\tErr: end of input\n", out);
        std::fflush(out);
        return 1;
    }
    std::fputs("\nClassification file done, press any key to exit", out);
    tessar::wait_for_key(in, out);
    return 0;
}

}  // namespace classmaker
