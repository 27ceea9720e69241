#include "dialogue/preset.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "dialogue/compressed.h"
#include "dialogue/interrupt.h"

namespace tessar {

namespace {

// The bytes of the final name a temporary name keeps: with its dot and its suffix it stays
// within the 255 bytes a file name may have.
constexpr size_t kTemporaryNameBytes = 200;

}  // namespace

Limits PresetDialogue::limits() const {
    Limits limits;
    limits.label_free_rows = options_.label_free_rows;
    limits.label_free_hint = " (tessar ddms --label-free, and tessar encode without --classes, write rows without them)";
    return limits;
}

PresetDialogue::PresetDialogue(PresetOptions options) : options_(std::move(options)) {
    if (options_.whole_files) {
        // the umask can only be read by setting it: once, before the run creates any file
        const mode_t mask = umask(0);
        umask(mask);
        new_file_mode_ = 0666 & ~mask;
    }
}

PresetDialogue::~PresetDialogue() { discard_outputs(); }

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
                         given.empty() ? output_place(output_default(q), OutputName::Default).c_str()
                                       : output_place(given, OutputName::Given).c_str(),
                         reason.c_str());
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
    return open_decompressed(std::move(in), name);
}

std::string PresetDialogue::output_default(const Question& q) const {
    auto at = options_.output_defaults.find(q.flag);
    return at == options_.output_defaults.end() ? q.default_answer : at->second;
}

std::string PresetDialogue::output_place(const std::string& name, OutputName whose) const {
    return whose == OutputName::Given || options_.out_dir.empty() || name.starts_with('/')
               ? name
               : options_.out_dir + (options_.out_dir.ends_with('/') ? "" : "/") + name;
}

std::string PresetDialogue::output_path(const std::string& name, OutputName whose) {
    const std::string final_path = output_place(name, whose);
    for (const StagedOutput& s : staged_)
        if (s.final_path == final_path) return s.temporary.empty() ? final_path : s.temporary;
    outputs_.push_back(final_path);
    staged_.push_back(options_.whole_files ? stage(final_path) : StagedOutput{final_path, final_path, ""});
    return staged_.back().temporary.empty() ? final_path : staged_.back().temporary;
}

File PresetDialogue::create_output_file(const std::string& name, OutputName whose) {
    if (name != "-" || whose != OutputName::Given) return Dialogue::create_output_file(name, whose);
    if (standard_output_taken_) return File();
    standard_output_taken_ = true;
    outputs_.push_back("standard output");
    // a stream of its own, so that closing it leaves the process's standard output open
    std::fflush(options_.standard_output);
    const int fd = dup(fileno(options_.standard_output));
    File out(fd >= 0 ? fdopen(fd, "w") : nullptr);
    if (!out && fd >= 0) close(fd);
    return out;
}

bool PresetDialogue::wants_output(const Question& q) const {
    return !has_trait(q, kWrittenWhenNamed) || options_.answers.count(q.flag) > 0;
}

PresetDialogue::StagedOutput PresetDialogue::stage(const std::string& final_path) const {
    StagedOutput out{final_path, final_path, ""};
    mode_t mode = new_file_mode_;
    struct stat st;
    if (stat(final_path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return out;  // a device or a named pipe: written directly
        mode = st.st_mode & 07777;             // a file replaced keeps its permissions
        std::error_code ec;
        if (std::filesystem::is_symlink(final_path, ec)) {
            const std::filesystem::path file = std::filesystem::canonical(final_path, ec);
            if (!ec) out.replaced_path = file.string();
        }
    } else if (errno != ENOENT || lstat(final_path.c_str(), &st) == 0) {
        // no file can be made under that name (too long, a folder that is a file, a link to
        // nowhere, no access): creating it directly fails with the reason
        return out;
    }
    const std::filesystem::path replaced(out.replaced_path);
    const std::string pattern =
        (replaced.parent_path() / ("." + replaced.filename().string().substr(0, kTemporaryNameBytes) + ".XXXXXX"))
            .string();
    out.temporary = make_temporary(pattern, mode);
    // A folder that refuses the temporary file (missing, read-only, full): the output is to be
    // created there under the pattern, which fails for the same reason. Should that succeed after
    // all, the file is an output in waiting like any other.
    if (out.temporary.empty()) out.temporary = pattern;
    return out;
}

void PresetDialogue::commit_outputs() {
    for (StagedOutput& s : staged_) {
        if (s.temporary.empty()) continue;
        if (!commit_temporary(s.temporary, s.replaced_path))
            fatal(format("Err: cannot put %s in place: %s\n", s.final_path.c_str(), std::strerror(errno)));
        s.temporary.clear();
    }
}

void PresetDialogue::discard_outputs() {
    for (StagedOutput& s : staged_) {
        if (s.temporary.empty()) continue;
        remove_temporary(s.temporary);
        s.temporary.clear();
    }
}

void PresetDialogue::progress(const Progress& p) {
    if (options_.on_progress) options_.on_progress(p);
}

}  // namespace tessar
