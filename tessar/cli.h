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

// The table of methods as JSON, for tools that drive the menu and the command line side by side
// (and the encoding workflow, which takes the methods that save models): {"<command>": {"key":
// "a", "model": true, "questions": [{"flag", "kind", "prompt", "default", "min", "max",
// "choices"}]}}. A method whose menu keys choose among variants (the binary codes) has
// "menu_choice": {"flag", "choices"}, the flag the command line takes for them.
std::string questions_json();

// Runs the command line `args` (args[0] is the program name). `out` takes the summaries and the
// help, `err` the messages; the progress bar is drawn on `err` when `err_is_terminal`.
int run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool err_is_terminal);

}  // namespace tessar::cli
