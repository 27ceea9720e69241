// The dialogue of batch use: every answer is given before the method starts (the command line's
// flags), nothing is asked and no key is waited for. A refused answer is an error that names
// its flag; the console text is dropped, warnings and notes go to a stream of their own
// (standard error), output files are created in one folder.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// An answer batch use cannot take; `message` names the flag ("--alpha: 2 is not ...").
struct RefusedAnswer {
    std::string flag;
    AnswerKind kind;
    std::string message;
};

struct PresetOptions {
    // flag -> value as given; a question whose flag is absent takes its default
    std::map<std::string, std::string> answers;
    std::string out_dir;  // where output files are created ("": the working folder)
    const TableFormat* format = nullptr;  // of the feature tables (null: dense ARFF)
    std::FILE* messages = stderr;  // warnings and notes
    std::function<void(const Progress&)> on_progress;  // none: progress is not shown
};

class PresetDialogue : public Dialogue {
public:
    explicit PresetDialogue(PresetOptions options);

    void print(std::string_view) override {}
    void warn(std::string_view text) override;
    void note(std::string_view text) override { warn(text); }
    // The flag's value ("" without one: the default); a choice name gives its number.
    std::string answer(const Question& q, std::string_view prompt) override;
    // Throws RefusedAnswer; a file that cannot be opened or created is named with the system's
    // reason ("--classes: cannot open x.cls: No such file or directory").
    void refuse(const Question& q, const std::string& answer) override;
    void refuse_file(const Question& q, const std::string& answer, int error) override;
    void wait_key() override {}
    // "-" is standard input, which one input of a run may take.
    File open_input(std::string& name) override;
    // `name` inside the output folder (an absolute name stays as it is); every path handed
    // out is kept, so that a failed run can name the files it left.
    std::string output_path(const std::string& name) const override;
    std::string output_place(const std::string& name) const override;
    Limits limits() const override { return Limits{}; }
    void progress(const Progress& p) override;
    const TableFormat* table_format() const override { return options_.format; }

    // The output paths handed out, in order, each once.
    const std::vector<std::string>& outputs() const { return outputs_; }

private:
    PresetOptions options_;
    mutable std::vector<std::string> outputs_;
    bool standard_input_taken_ = false;
};

}  // namespace tessar
