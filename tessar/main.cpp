// tessar: the suite's methods from the command line (cli.h).
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    // A reader that goes away (`tessar ... --arff - | head`) is a write error like a full disk:
    // the run fails with a message and removes its temporary files, rather than dying with them.
    std::signal(SIGPIPE, SIG_IGN);
    const int status = tessar::cli::run(args, stdout, stderr, isatty(STDERR_FILENO) != 0);
    std::fflush(stdout);
    return status;
}
