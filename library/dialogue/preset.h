// The dialogue of batch use: every answer is given before the method starts (the command line's
// flags), nothing is asked and no key is waited for. A refused answer is an error that names
// its flag; the console text is dropped, warnings and notes go to a stream of their own
// (standard error). An output file the user named is created where the name says (relative to
// the working folder); the others (defaults, fixed names) in the output folder.
//
// Whole files or none (PresetOptions::whole_files): each output is written under a temporary
// name in the folder of its final name, "." + name + six random characters, made with mkstemp and
// registered with the interrupt report (which removes it). commit_outputs renames them all into
// place once the run is complete; a run that fails discards them (discard_outputs, or the
// dialogue going away), and every final name stays as it was. A final name that exists and is
// not a regular file (a device such as /dev/null, a named pipe) is written directly, never
// replaced; a link to a file keeps the link and replaces the file. An output named "-" goes to
// standard output as it is written: the one output that is not put in place whole.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
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
    // flag -> the name an output question's empty answer stands for, in place of the question's
    // default (a table's name with its format's extension)
    std::map<std::string, std::string> output_defaults;
    std::string out_dir;  // where the outputs the user did not name are created ("": the working folder)
    bool whole_files = false;  // outputs under temporary names until commit_outputs
    const TableFormat* format = nullptr;  // of the feature tables (null: dense ARFF)
    bool row_ids = false;  // the ARFF and LibSVM tables name each row's sequence
    std::FILE* messages = stderr;  // warnings and notes
    std::FILE* standard_output = stdout;  // where an output named "-" goes
    std::function<void(const Progress&)> on_progress;  // none: progress is not shown
    RunFigures* figures = nullptr;  // gathers the figures of a report (none: no report)
    bool label_free_rows = false;  // Limits::label_free_rows (tessar ddms --label-free)
};

class PresetDialogue : public Dialogue {
public:
    explicit PresetDialogue(PresetOptions options);
    // Removes the temporary files of outputs not committed.
    ~PresetDialogue() override;
    PresetDialogue(const PresetDialogue&) = delete;
    PresetDialogue& operator=(const PresetDialogue&) = delete;

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
    std::string output_default(const Question& q) const override;
    // A name the user gave as it stands; the method's own inside the output folder (an absolute
    // name stays as it is).
    std::string output_place(const std::string& name, OutputName whose) const override;
    // The path to write: a temporary file beside the final one (whole files), or the final path.
    // Asked again for the same place, the same path.
    std::string output_path(const std::string& name, OutputName whose) override;
    // "-" named by the user is standard output, written directly (never staged); the first
    // output to take it has it, another gets null.
    File create_output_file(const std::string& name, OutputName whose) override;
    // An output written only when named needs its flag.
    bool wants_output(const Question& q) const override;
    bool row_ids() const override { return options_.row_ids; }
    Limits limits() const override;
    void progress(const Progress& p) override;
    const TableFormat* table_format() const override { return options_.format; }
    RunFigures* figures() override { return options_.figures; }

    // Puts every output written under a temporary name in place (the rename replaces an earlier
    // file of that name). FatalError when a rename fails; the outputs not yet in place stay
    // temporary, for discard_outputs.
    void commit_outputs();
    // Removes the temporary files of the outputs not committed.
    void discard_outputs();

    // The final paths of the outputs handed out, in order, each once.
    const std::vector<std::string>& outputs() const { return outputs_; }
    // Whether an output of the run went to standard output.
    bool wrote_standard_output() const { return standard_output_taken_; }

private:
    // An output being written: its final path, where the rename puts it (the file a link to
    // it names), and the path written until then ("" once it is in place, or when the final
    // path is written directly).
    struct StagedOutput {
        std::string final_path, replaced_path, temporary;
    };
    StagedOutput stage(const std::string& final_path) const;

    PresetOptions options_;
    std::vector<std::string> outputs_;
    std::vector<StagedOutput> staged_;
    mode_t new_file_mode_ = 0666;  // what a newly created file gets: 0666 less the umask
    bool standard_input_taken_ = false;
    bool standard_output_taken_ = false;
};

}  // namespace tessar
