// The console dialogue of the menu: questions printed on the console, answers read as whole
// lines, a refused answer asked again, the key press that closes a method.
#pragma once

#include <cstdio>
#include <functional>

#include "dialogue/dialogue.h"

namespace tessar {

class ConsoleDialogue : public Dialogue {
public:
    // Reads answers from `in` and prints to `out` (the process's standard streams in the menu,
    // any pair of streams in tests).
    ConsoleDialogue(std::FILE* in, std::FILE* out);

    void print(std::string_view text) override;
    void warn(std::string_view text) override { print(text); }
    std::string answer(const Question& q, std::string_view prompt) override;
    void refuse(const Question&, const std::string&) override {}
    // One key without echo when `in` is a terminal, else one whole line; end of input counts
    // as a key press.
    void wait_key() override;
    void discard_typeahead() override;
    Limits limits() const override { return console_limits(); }

private:
    std::FILE* in_;
    std::FILE* out_;
    bool out_is_terminal_;  // text is shown at once there (the spinner has no line end)
};

// Runs a method body with the console's fatal-error convention: a FatalError prints its message,
// waits for a key and ends the process with status 1; end of input at a question prints
// "\n\tErr: end of input\n" and ends with status 1; anything else thrown is reported as an
// error the same way. While the body runs, SIGINT and SIGTERM name its unfinished output files
// and end the process with status 130 (dialogue/interrupt.h). Returns 0 when the body ends normally. No exception leaves it, so it can
// stand behind a library export.
int run_console_method(const std::function<void(Dialogue&)>& body);

// Waits for one key press on `in`, after `out` is flushed: on a terminal one key without echo
// (the terminal's settings come back even when Ctrl-C ends the process meanwhile), otherwise the
// rest of the current line. End of input counts as a key press. The console's key reader, and
// classmaker's.
void wait_for_key(std::FILE* in, std::FILE* out);

}  // namespace tessar
