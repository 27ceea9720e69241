// What the fuzz targets share: the input split into its parts, memory streams, a scratch folder
// the run works in, and a console dialogue whose keyboard is the fuzzed answer script and whose
// answers are kept small enough for a run to stay around a millisecond.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/console.h"
#include "dialogue/dialogue.h"

namespace fuzz {

// A property every run must keep; a broken one is a finding (libFuzzer reports the abort).
inline void check(bool ok) {
    if (!ok) std::abort();
}

// The line that separates the parts of one input (answer script, sequence file, ...).
inline constexpr std::string_view kSeparator = "\n====\n";

// The input cut at each separator into exactly `n` parts: the last part keeps any further
// separators, missing parts are empty.
inline std::vector<std::string> split_input(const std::uint8_t* data, size_t size, size_t n) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    while (parts.size() + 1 < n) {
        const size_t at = rest.find(kSeparator);
        if (at == std::string_view::npos) break;
        parts.emplace_back(rest.substr(0, at));
        rest.remove_prefix(at + kSeparator.size());
    }
    parts.emplace_back(rest);
    parts.resize(n);
    return parts;
}

// A stream reading `text` from memory (an empty text reads as an empty file).
inline tessar::File memory_stream(const std::string& text) {
    if (text.empty()) return tessar::File(std::fopen("/dev/null", "r"));
    return tessar::File(fmemopen(const_cast<char*>(text.data()), text.size(), "r"));
}

// The stream every console text goes to: nothing is kept.
inline std::FILE* null_output() {
    static std::FILE* const out = std::fopen("/dev/null", "w");
    return out;
}

// Makes a fresh folder under TMPDIR and works inside it for the rest of the process (so fixed
// output names land there); called from LLVMFuzzerInitialize. Corpus folders must be given as
// absolute paths.
inline void enter_scratch_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessar-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::filesystem::current_path(pattern);
}

// Empties the working folder: every run starts from the files it writes itself.
inline void clear_scratch_folder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(".", ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

inline void write_file(const std::string& name, const std::string& text) {
    std::FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

// A clamp on the number answers of one question, by its flag.
struct NumberCap {
    const char* flag;
    long long low, high;
};

// The console dialogue of the menu, with three changes that keep a fuzzed run small and inside
// the scratch folder: a file-name answer has its '/' turned into '_'; a number answer beyond a
// cap of its question is replaced by the cap; the limits on sequences and residues are lower.
class FuzzDialogue : public tessar::ConsoleDialogue {
public:
    FuzzDialogue(std::FILE* in, int max_sequences, int max_residues, std::vector<NumberCap> caps)
        : ConsoleDialogue(in, null_output()), caps_(std::move(caps)) {
        limits_ = tessar::console_limits();
        limits_.max_sequences = max_sequences;
        limits_.max_residues = max_residues;
    }

    std::string answer(const tessar::Question& q, std::string_view prompt) override {
        std::string line = ConsoleDialogue::answer(q, prompt);
        switch (q.kind) {
        case tessar::AnswerKind::InputFile:
        case tessar::AnswerKind::OptionalInputFile:
        case tessar::AnswerKind::OutputFile:
            for (char& c : line)
                if (c == '/') c = '_';
            break;
        case tessar::AnswerKind::Number:
            for (const NumberCap& cap : caps_) {
                long long v = 0;
                if (std::string_view(cap.flag) != q.flag || !tessar::parse_leading_integer(line, v)) continue;
                if (v < cap.low) line = std::to_string(cap.low);
                if (v > cap.high) line = std::to_string(cap.high);
            }
            break;
        default:
            break;
        }
        return line;
    }
    tessar::Limits limits() const override { return limits_; }

private:
    std::vector<NumberCap> caps_;
    tessar::Limits limits_;
};

// The whole file `name` ("" when it cannot be read).
inline std::string read_file(const std::string& name) {
    std::string text;
    if (std::FILE* f = std::fopen(name.c_str(), "rb")) {
        for (int c; (c = std::getc(f)) != EOF;) text.push_back(static_cast<char>(c));
        std::fclose(f);
    }
    return text;
}

// Every ARFF file of the scratch folder (whatever its name: it starts with "@relation") is well
// formed: "@attribute <text> {1,0}" lines, the class attribute last when there is one, "@data",
// then rows of one 1 or 0 per attribute, separated by ',', followed by ",<label>" exactly when
// there is a class attribute. The run's input files (`inputs`: name, text) are not taken for
// ARFF files while they hold what they held.
inline void check_arff_files(const std::vector<std::pair<std::string, std::string>>& inputs = {}) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(".", ignored)) {
        const std::string name = entry.path().filename().string();
        const std::string text = read_file(name);
        if (std::find(inputs.begin(), inputs.end(), std::pair(name, text)) != inputs.end()) continue;
        if (text.rfind("@relation Context\n\n", 0) != 0) continue;
        size_t at = text.find('\n') + 2, n_attributes = 0;
        bool with_class = false;
        for (;;) {
            const size_t end = text.find('\n', at);
            check(end != std::string::npos);
            const std::string_view line(text.data() + at, end - at);
            at = end + 1;
            if (line.empty()) continue;
            if (line == "@data") break;
            check(!with_class && line.substr(0, 11) == "@attribute ");
            if (line.substr(0, 18) == "@attribute class {") {
                with_class = true;
            } else {
                check(line.size() > 17 && line.substr(line.size() - 6) == " {1,0}");
                ++n_attributes;
            }
        }
        while (at < text.size()) {
            const size_t end = text.find('\n', at);
            check(end != std::string::npos);  // every row ends with a line end
            const std::string_view row(text.data() + at, end - at);
            at = end + 1;
            for (size_t j = 0; j < n_attributes; ++j) {
                check(row.size() > 2 * j && (row[2 * j] == '0' || row[2 * j] == '1'));
                if (j + 1 < n_attributes) check(row.size() > 2 * j + 1 && row[2 * j + 1] == ',');
            }
            const size_t values = n_attributes ? 2 * n_attributes - 1 : 0;
            // the class value is the label line as read (a label naming no class stays as it is)
            if (with_class) check(n_attributes == 0 || (row.size() > values && row[values] == ','));
            else check(row.size() == values);
        }
    }
}

// One method run end to end on a fuzzed input of five parts: the answer script, then the files
// "s" (sequences), "c" (classification), "t" (test sequences) and "u" (test classification),
// written into the emptied scratch folder. FatalError and EndOfInput are expected outcomes;
// anything else escaping the method is a finding (libFuzzer reports the uncaught exception).
// A run that ends normally has written well-formed ARFF files.
template <typename Method>
void run_method(const std::uint8_t* data, size_t size, int max_sequences, int max_residues,
                std::vector<NumberCap> caps, Method method) {
    const std::vector<std::string> parts = split_input(data, size, 5);
    clear_scratch_folder();
    const std::vector<std::pair<std::string, std::string>> inputs = {
        {"s", parts[1]}, {"c", parts[2]}, {"t", parts[3]}, {"u", parts[4]}};
    for (const auto& [name, text] : inputs) write_file(name, text);
    tessar::File script = memory_stream(parts[0]);
    FuzzDialogue io(script.get(), max_sequences, max_residues, std::move(caps));
    try {
        method(io);
    } catch (const tessar::FatalError&) {
        return;
    } catch (const tessar::EndOfInput&) {
        return;
    }
    check_arff_files(inputs);
}

}  // namespace fuzz
