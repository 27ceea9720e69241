#include "dialogue/preset.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessar {

namespace {

const char* const kFormatExtensions[] = {".arff", ".arff", ".csv", ".libsvm"};

// "1 to 6", "0 or more": a question's range in words.
std::string range_text(const Question& q) {
    const std::string low = format("%g", q.min);
    if (q.max >= 1e15) return low + " or more";  // INT_MAX shows as 2147483647 below
    if (q.max >= INT_MAX) return format("%s to %d", low.c_str(), INT_MAX);
    return format("%s to %g", low.c_str(), q.max);
}

std::string choice_list(const Question& q) {
    std::string list;
    for (int i = 0; i < choice_count(q); ++i) list += (i ? ", " : "") + std::string(q.choices[i]);
    return list;
}

}  // namespace

const char* const kTableFormatNames[4] = {"arff", "sparse-arff", "csv", "libsvm"};

const char* table_format_name(TableFormat format) { return kTableFormatNames[static_cast<int>(format)]; }

bool parse_table_format(const std::string& name, TableFormat& format) {
    for (int i = 0; i < 4; ++i)
        if (name == kTableFormatNames[i]) {
            format = static_cast<TableFormat>(i);
            return true;
        }
    return false;
}

const char* table_format_extension(TableFormat format) {
    return kFormatExtensions[static_cast<int>(format)];
}

std::string with_format_extension(const std::string& name, TableFormat format) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    const bool has_extension = dot != std::string::npos && dot > 0 &&
                               (slash == std::string::npos || dot > slash + 1);
    return (has_extension ? name.substr(0, dot) : name) + table_format_extension(format);
}

std::string choice_number(const Question& q, const std::string& value) {
    if (!q.choices) return "";
    for (int i = 0; i < choice_count(q); ++i)
        if (value == q.choices[i]) return std::to_string(static_cast<long long>(q.min) + i);
    return "";
}

std::string choice_name(const Question& q, const std::string& number) {
    if (!q.choices) return number;
    long long v = 0;
    if (!parse_leading_integer(number, v) || v < q.min || v > q.max) return number;
    return q.choices[v - static_cast<long long>(q.min)];
}

PresetDialogue::PresetDialogue(PresetOptions options) : options_(std::move(options)) {}

void PresetDialogue::warn(std::string_view text) {
    if (!options_.messages) return;
    std::fwrite(text.data(), 1, text.size(), options_.messages);
    std::fflush(options_.messages);
}

std::string PresetDialogue::answer(const Question& q, std::string_view) {
    auto at = options_.answers.find(q.flag);
    if (at == options_.answers.end()) return "";
    const std::string number = choice_number(q, at->second);
    return number.empty() ? at->second : number;
}

void PresetDialogue::refuse(const Question& q, const std::string& answer) {
    std::string given = answer;
    if (auto at = options_.answers.find(q.flag); at != options_.answers.end()) given = at->second;
    std::string message;
    switch (q.kind) {
    case AnswerKind::InputFile:
    case AnswerKind::OptionalInputFile:
        message = given.empty() ? format("%s: a file is required", q.flag)
                                : format("%s: cannot open %s", q.flag, given.c_str());
        break;
    case AnswerKind::OutputFile:
        message = format("%s: cannot create %s", q.flag,
                         output_path(given.empty() ? q.default_answer : given).c_str());
        break;
    case AnswerKind::Number:
        message = q.choices ? format("%s: \"%s\" is not one of %s", q.flag, given.c_str(),
                                     choice_list(q).c_str())
                            : format("%s: \"%s\" is not a whole number from %s", q.flag,
                                     given.c_str(), range_text(q).c_str());
        break;
    case AnswerKind::Real:
        message = format("%s: \"%s\" is not a number from %s", q.flag, given.c_str(),
                         range_text(q).c_str());
        break;
    }
    throw RefusedAnswer{q.flag, q.kind, message};
}

std::string PresetDialogue::output_place(const std::string& name) const {
    return options_.out_dir.empty() || name.starts_with('/')
               ? name
               : options_.out_dir + (options_.out_dir.ends_with('/') ? "" : "/") + name;
}

std::string PresetDialogue::output_path(const std::string& name) const {
    std::string path = output_place(name);
    if (std::find(outputs_.begin(), outputs_.end(), path) == outputs_.end()) outputs_.push_back(path);
    return path;
}

void PresetDialogue::progress(const Progress& p) {
    if (options_.on_progress) options_.on_progress(p);
}

}  // namespace tessar
