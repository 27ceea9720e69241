// The report of an interrupted run: which outputs it names, and what a real SIGINT or SIGTERM
// does to a process running under install_interrupt_report.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "dialogue/dialogue.h"
#include "dialogue/interrupt.h"
#include "support.h"

using namespace tessar;
using test_support::ScratchFolder;

namespace {

std::string incomplete(const std::string& path) { return "tessar: interrupted; " + path + " is incomplete\n"; }

struct Ending {
    int status = -1;  // exit status; -1 when the child was killed by the signal
    std::string stderr_text;
};

// In the child: tells the parent that everything is in place, then waits for the signal.
[[noreturn]] void ready_then_wait(int ready_fd) {
    const char byte = 1;
    if (write(ready_fd, &byte, 1) != 1) _exit(3);
    for (;;) pause();
}

// Runs `body(ready_fd)` in a child process whose standard error is kept; the body ends with
// ready_then_wait. Sends `sig` once the child is ready and returns how it ended.
Ending signal_when_ready(int sig, const std::function<void(int)>& body) {
    int err[2], ready[2];
    if (pipe(err) != 0 || pipe(ready) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(err[0]);
        close(ready[0]);
        dup2(err[1], STDERR_FILENO);
        body(ready[1]);
        _exit(4);
    }
    close(err[1]);
    close(ready[1]);
    char byte;
    if (read(ready[0], &byte, 1) == 1) kill(child, sig);
    close(ready[0]);
    Ending ending;
    char buffer[256];
    for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) ending.stderr_text.append(buffer, n);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) ending.status = WEXITSTATUS(status);
    return ending;
}

}  // namespace

TEST(InterruptMessage, NamesTheOutputsOpenNowInCreationOrder) {
    ScratchFolder dir;
    const std::string before = interrupt_message();
    File a = create_output(dir / "a.arff");
    File b = create_output(dir / "b.txt");
    File input = open_for_reading(dir / "a.arff");  // files read are never named
    EXPECT_EQ(interrupt_message(), before + incomplete(dir / "a.arff") + incomplete(dir / "b.txt"));

    close_output(a, dir / "a.arff");  // closed: complete
    EXPECT_EQ(interrupt_message(), before + incomplete(dir / "b.txt"));
    b.reset();  // the deleter forgets it too (the fatal-error path)
    EXPECT_EQ(interrupt_message(), before);

    EXPECT_EQ(create_output(dir / "no/such/folder"), nullptr);
    EXPECT_EQ(interrupt_message(), before);
}

TEST(InterruptReport, SigintAndSigtermNameTheUnfinishedOutputsAndEndWith130) {
    for (int sig : {SIGINT, SIGTERM}) {
        ScratchFolder dir;
        const Ending ending = signal_when_ready(sig, [&dir](int ready_fd) {
            const InterruptReport report = install_interrupt_report();
            File done = create_output(dir / "done.txt");
            File motifs = create_output(dir / "Report.out");
            File arff = create_output(dir / "Context.arff");
            std::fputs("partial", motifs.get());
            close_output(done, dir / "done.txt");
            ready_then_wait(ready_fd);
        });
        EXPECT_EQ(ending.status, kInterruptedStatus) << "signal " << sig;
        EXPECT_EQ(ending.stderr_text, incomplete(dir / "Report.out") + incomplete(dir / "Context.arff"))
            << "signal " << sig;
    }
}

TEST(InterruptReport, WithNothingOpenTheRunEndsSilentlyAndTheHandlersLeaveWithTheReport) {
    const Ending quiet = signal_when_ready(SIGINT, [](int ready_fd) {
        const InterruptReport report = install_interrupt_report();
        ready_then_wait(ready_fd);
    });
    EXPECT_EQ(quiet.status, kInterruptedStatus);
    EXPECT_EQ(quiet.stderr_text, "");

    // once the report is gone the signal's own action is back: the process is killed by it
    ScratchFolder dir;
    const Ending killed = signal_when_ready(SIGTERM, [&dir](int ready_fd) {
        { const InterruptReport report = install_interrupt_report(); }
        File left = create_output(dir / "left.txt");
        ready_then_wait(ready_fd);
    });
    EXPECT_EQ(killed.status, -1);
    EXPECT_EQ(killed.stderr_text, "");
}

TEST(InterruptReport, TheHandlerRemovesTheTemporaryFilesAndNamesOnlyTheOutputsWrittenInPlace) {
    for (bool with_direct_output : {false, true}) {
        ScratchFolder dir;
        const Ending ending = signal_when_ready(SIGTERM, [&](int ready_fd) {
            const InterruptReport report = install_interrupt_report();
            File table = create_output(make_temporary(dir / ".Context.arff.XXXXXX", 0644));
            std::fputs("partial", table.get());
            std::fflush(table.get());
            File direct = with_direct_output ? create_output(dir / "fifo-like.txt") : File();
            ready_then_wait(ready_fd);
        });
        EXPECT_EQ(ending.status, kInterruptedStatus);
        EXPECT_EQ(ending.stderr_text, with_direct_output ? incomplete(dir / "fifo-like.txt")
                                                         : "tessar: interrupted; no output file written\n");
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, with_direct_output ? std::vector<std::string>{"fifo-like.txt"} : std::vector<std::string>{});
    }
}
