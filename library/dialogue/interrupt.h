// What an interrupted run leaves behind. Every output file the library creates is registered
// here while it is open; when the user stops a method with Ctrl-C (SIGINT) or the process is
// told to end (SIGTERM), the handler names on standard error each file still being written,
// one line per file:
//
//     tessar: interrupted; <path> is incomplete
//
// and ends the process with status 130. Files closed before the signal are complete and are
// not named. A terminal is put back as it was: its settings while a key is read, its default
// colours when standard output is one. The fatal-error path is not concerned: a FatalError keeps what was written.
//
// The handler does no work of its own: the whole message is prepared outside it each time the
// set of open outputs changes and published through one atomic pointer, so that the handler
// only reads it and calls write(2) and _exit(2).
#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>
#include <termios.h>

namespace tessar {

// Creates (or empties) the file `path` for writing and registers it, with SIGINT and SIGTERM
// held meanwhile: once the file exists, an interruption names it. Null when it cannot be created.
std::FILE* open_watched(const std::string& path);
// Closes `file` (fclose's result), a registered one or not; it is no longer named. Signals are
// held meanwhile, so an interruption during the close still names a file not yet complete. A
// registered output closed with `complete` false was abandoned by a run that failed: its path is
// kept for abandoned_outputs.
int close_watched(std::FILE* file, bool complete);

// The outputs abandoned unfinished since the last call, in the order they were created; the list
// starts afresh.
std::vector<std::string> take_abandoned_outputs();

// While a key is read without echo (`saved` not null): the terminal settings of `fd` that the
// handler puts back before it ends the process. `saved` must stay valid until it is withdrawn
// with nullptr.
void restore_terminal_on_interrupt(int fd, const termios* saved);

// The message the handler would write now ("" when no output is open).
std::string interrupt_message();

// The exit status of an interrupted run.
constexpr int kInterruptedStatus = 130;

// Installs the SIGINT and SIGTERM handlers that report the open outputs, for the lifetime of the
// returned object; the handlers in place before come back when it is destroyed. The menu installs
// it around each method run (run_console_method); any other front end that runs a method
// installs it the same way.
class InterruptReport {
public:
    InterruptReport();
    ~InterruptReport();
    InterruptReport(const InterruptReport&) = delete;
    InterruptReport& operator=(const InterruptReport&) = delete;

private:
    struct sigaction previous_int_;
    struct sigaction previous_term_;
};

[[nodiscard]] InterruptReport install_interrupt_report();

}  // namespace tessar
