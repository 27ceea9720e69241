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
    TableFormat format = TableFormat::Arff;
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
    // Throws RefusedAnswer.
    void refuse(const Question& q, const std::string& answer) override;
    void wait_key() override {}
    // `name` inside the output folder (an absolute name stays as it is); every path handed
    // out is kept, so that a failed run can name the files it left.
    std::string output_path(const std::string& name) const override;
    std::string output_place(const std::string& name) const override;
    Limits limits() const override { return Limits{}; }
    void progress(const Progress& p) override;
    TableFormat table_format() const override { return options_.format; }

    // The output paths handed out, in order, each once.
    const std::vector<std::string>& outputs() const { return outputs_; }

private:
    PresetOptions options_;
    mutable std::vector<std::string> outputs_;
};

// The names of the formats on the command line, in TableFormat order.
extern const char* const kTableFormatNames[4];
// The name of a format on the command line ("sparse-arff"), and back (false: unknown name).
const char* table_format_name(TableFormat format);
bool parse_table_format(const std::string& name, TableFormat& format);
// The extension of a format's files, with its dot (".arff", ".csv", ".libsvm").
const char* table_format_extension(TableFormat format);
// `name` with its extension replaced by the format's (a name without one gets it added).
std::string with_format_extension(const std::string& name, TableFormat format);

// The text of a number with the question's choices: the choice named `value` gives its number
// as text ("blosum62" -> "2"); "" when `value` names none.
std::string choice_number(const Question& q, const std::string& value);
// The name of a choice number given as text ("2" -> "blosum62"), or the text itself.
std::string choice_name(const Question& q, const std::string& number);

}  // namespace tessar
