// tessar: every method of the suite from one command line. One subcommand per method; every
// question of the method's dialogue is a flag (its question table gives the flag, the help line,
// the default and the range), the answers go to the method through a PresetDialogue, and the
// method writes the very files the menu writes for the same answers. `--save-model` of the four
// table methods saves what they learned; `encode` encodes any sequence file with it (its flags
// come from its question list the same way, library/encode).
//
// Streams: standard output carries one summary line per run (nothing with --quiet); errors,
// warnings and notes go to standard error, and so does the progress bar when standard error is
// a terminal. Exit status: 0 done, 1 an input error (the suite's "Err..." text, or a file that
// cannot be opened or created), 2 a usage error.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar::cli {

// A method subcommand: its name, its menu key, its questions (in dialogue order) and whether it
// writes feature tables (--format).
struct MethodCommand {
    const char* name;
    char menu_key;  // of the first menu key for bincod (e .. h are its four codes)
    const char* summary;
    const std::vector<const Question*>& (*questions)();
    bool tables;
    const char* example;
};

// The method subcommands, in menu order.
const std::vector<MethodCommand>& method_commands();

// The question tables of every method as JSON, for tools that drive the menu and the command
// line side by side: {"<command>": {"key": "a", "questions": [{"flag", "kind", "prompt",
// "default", "min", "max", "choices"}]}}; bincod also lists its codes.
std::string questions_json();

// Runs the command line `args` (args[0] is the program name). `out` takes the summaries and the
// help, `err` the messages; the progress bar is drawn on `err` when `err_is_terminal`.
int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool err_is_terminal);

}  // namespace tessar::cli
