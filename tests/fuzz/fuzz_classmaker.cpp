// classmaker: its word reader and number parser, and the whole dialogue on a memory stream in the
// scratch folder (a '/' in the input becomes '_', so the file it writes stays there, and a number
// above 200 becomes 200, so that it stays small).
//
// Checks: parse_int accepts exactly what strtol in "%i" notation reads wholly within the int
// range; a dialogue that ends with status 0 has written a classification file whose sections are
// in order, whose names are as many as its count says, and whose labels are all names.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <algorithm>

#include "classmaker.h"
#include "harness.h"

namespace {

using fuzz::check;

std::vector<std::string> file_lines(const std::string& name) {
    std::vector<std::string> lines;
    tessar::File in(std::fopen(name.c_str(), "r"));
    if (!in) return lines;
    for (std::string line; tessar::read_line(in.get(), line);) lines.push_back(line);
    return lines;
}

void check_classification_file(const std::string& name) {
    const std::vector<std::string> lines = file_lines(name);
    check(lines.size() >= 4 && lines[0] == "#classes number" && lines[2] == "#classes names");
    const long k = std::strtol(lines[1].c_str(), nullptr, 10);
    check(k >= 1 && k <= 99 && lines.size() >= static_cast<size_t>(k) + 4);
    check(lines[3 + k] == "#classes instances");
    const std::vector<std::string> names(lines.begin() + 3, lines.begin() + 3 + k);
    for (size_t i = 4 + k; i < lines.size(); ++i)
        check(std::find(names.begin(), names.end(), lines[i]) != names.end());
}

// The text with every number word above 200 made 200: an instance count is written as that many
// lines, and a run must stay short.
std::string cap_numbers(const std::string& text) {
    std::string capped;
    for (size_t i = 0; i < text.size();) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            capped.push_back(text[i++]);
            continue;
        }
        size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        const std::string word = text.substr(i, end - i);
        int value = 0;
        capped += classmaker::parse_int(word, value) && value > 200 ? "200" : word;
        i = end;
    }
    return capped;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    for (char& c : text)
        if (c == '/') c = '_';
    text = cap_numbers(text);

    // every word: parse_int against strtoll in base 0
    {
        tessar::File in = fuzz::memory_stream(text);
        try {
            for (;;) {
                const std::string word = classmaker::read_word(in.get());
                check(!word.empty());
                for (char c : word) check(!std::isspace(static_cast<unsigned char>(c)));
                int value = 0;
                const bool parsed = classmaker::parse_int(word, value);
                errno = 0;
                char* end = nullptr;
                const long long reference = std::strtoll(word.c_str(), &end, 0);
                const bool whole = end == word.c_str() + word.size() && errno != ERANGE &&
                                   reference >= INT_MIN && reference <= INT_MAX;
                check(parsed == whole);
                if (parsed) check(value == reference);
            }
        } catch (const classmaker::EndOfInput&) {
        }
    }

    // the whole dialogue
    fuzz::clear_scratch_folder();
    tessar::File in = fuzz::memory_stream(text);
    const int status = classmaker::run_classmaker(in.get(), fuzz::null_output());
    check(status == 0 || status == 1);
    if (status == 0) {
        size_t n_files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            ++n_files;
            check_classification_file(entry.path().filename().string());
        }
        check(n_files == 1);
    }
    return 0;
}
