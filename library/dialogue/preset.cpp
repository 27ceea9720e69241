#include "dialogue/preset.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace tessar {

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

void PresetDialogue::refuse(const Question& q, const std::string& answer) { refuse_file(q, answer, 0); }

void PresetDialogue::refuse_file(const Question& q, const std::string& answer, int error) {
    std::string given = answer;
    if (auto at = options_.answers.find(q.flag); at != options_.answers.end()) given = at->second;
    const std::string reason = error ? std::string(": ") + std::strerror(error) : "";
    std::string message;
    switch (q.kind) {
    case AnswerKind::InputFile:
    case AnswerKind::OptionalInputFile:
        message = given.empty()  ? format("%s: a file is required", q.flag)
                  : given == "-" ? format("%s: standard input (-) is read by another input of this run", q.flag)
                                 : format("%s: cannot open %s%s", q.flag, given.c_str(), reason.c_str());
        break;
    case AnswerKind::OutputFile:
        message = format("%s: cannot create %s%s", q.flag,
                         output_path(given.empty() ? q.default_answer : given).c_str(), reason.c_str());
        break;
    case AnswerKind::Number:
    case AnswerKind::Real:
        message = format("%s: %s", q.flag, refusal_text(q, given).c_str());
        break;
    }
    throw RefusedAnswer{q.flag, q.kind, message};
}

File PresetDialogue::open_input(std::string& name) {
    if (name != "-") return open_for_reading(name);
    if (standard_input_taken_) return File();
    standard_input_taken_ = true;
    name = "standard input";
    // a stream of its own, so that closing it leaves the process's standard input alone
    const int fd = dup(STDIN_FILENO);
    File in(fd >= 0 ? fdopen(fd, "r") : nullptr);
    if (!in && fd >= 0) close(fd);
    return in;
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
