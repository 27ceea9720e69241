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
// A front end that writes whole files or none (the command line) writes each output under a
// temporary name until the run is complete. Those temporary files are registered too: the
// handler removes them and names none of them; the message then says that no output was written.
//
// The handler does no work of its own: the whole message and the list of temporary files are
// prepared outside it each time the set of open outputs changes and published through one
// atomic pointer, so that the handler only reads them and calls unlink(2), write(2), _exit(2).
#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/types.h>
#include <termios.h>

namespace tessar {

// Creates (or empties) the file `path` for writing and registers it, with SIGINT and SIGTERM
// held meanwhile: once the file exists, an interruption names it. Null when it cannot be created.
std::FILE* open_watched(const std::string& path);
// Closes `file` (fclose's result), a registered one or not; it is no longer named. Signals are
// held meanwhile, so an interruption during the close still names a file not yet complete.
int close_watched(std::FILE* file);

// Creates an empty file from `pattern` (mkstemp's template: it ends in XXXXXX) with the
// permissions `mode`, registered as a temporary file that an interruption removes, and returns
// its path; "" (errno telling why) when it cannot be made. Signals are held meanwhile, so no
// interruption leaves it behind.
std::string make_temporary(const std::string& pattern, mode_t mode);
// Renames the temporary file to `final_path`, which it replaces; from then on an interruption
// leaves it. False (errno telling why) when the rename fails: the temporary file stays registered.
bool commit_temporary(const std::string& temporary, const std::string& final_path);
// Removes the temporary file and forgets it.
void remove_temporary(const std::string& temporary);

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
