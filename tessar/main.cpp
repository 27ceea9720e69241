// tessar: the suite's methods from the command line (cli.h).
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv, argv + argc);
    const int status = tessar::cli::run(args, stdout, stderr, isatty(STDERR_FILENO) != 0);
    std::fflush(stdout);
    return status;
}
