#include "dialogue/interrupt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessar {

namespace {

struct OpenOutput {
    std::FILE* file;
    std::string path;
};

// What the handler does: remove the temporary files, then write the message.
struct InterruptAction {
    std::vector<std::string> temporaries;
    std::string message;
};

// The open outputs, the temporary files and what the handler does with them. The action the
// handler may be reading is never freed under it: a published action is kept until two more
// have replaced it, and the registry itself is never destroyed (a signal may come while the
// process runs its exit handlers).
struct Registry {
    std::mutex mutex;
    std::vector<OpenOutput> outputs;  // in creation order
    std::vector<std::string> temporaries;
    std::unique_ptr<const InterruptAction> current, previous;
    std::atomic<const InterruptAction*> published{nullptr};
    // the terminal to put back, while a key is read without echo
    std::atomic<const termios*> terminal{nullptr};
    std::atomic<int> terminal_fd{-1};
    // standard output is a terminal: its colours are put back (the menu paints the screen)
    std::atomic<bool> output_is_terminal{false};

    bool is_temporary(const std::string& path) const {
        return std::find(temporaries.begin(), temporaries.end(), path) != temporaries.end();
    }

    // Rebuilds the action from `outputs` and `temporaries` and publishes it (mutex held). An
    // output written under a temporary name is removed, never named as incomplete.
    void publish() {
        InterruptAction action{temporaries, ""};
        for (const OpenOutput& o : outputs)
            if (!is_temporary(o.path)) action.message += "tessar: interrupted; " + o.path + " is incomplete\n";
        if (action.message.empty() && !temporaries.empty())
            action.message = "tessar: interrupted; no output file written\n";
        auto next = std::make_unique<const InterruptAction>(std::move(action));
        published.store(next.get());
        previous = std::move(current);
        current = std::move(next);
    }
};

Registry& registry() {
    static Registry* const r = new Registry;
    return *r;
}

// The signal handler: async-signal-safe calls only (atomic loads, tcsetattr, unlink, write, _exit).
extern "C" void report_interrupt(int) {
    static_assert(std::atomic<const InterruptAction*>::is_always_lock_free);
    Registry& r = registry();
    if (const termios* saved = r.terminal.load()) tcsetattr(r.terminal_fd.load(), TCSANOW, saved);
    if (r.output_is_terminal.load()) {
        const char reset[] = "\x1b[0m\n";
        ssize_t ignored = write(STDOUT_FILENO, reset, sizeof reset - 1);
        (void)ignored;
    }
    if (const InterruptAction* action = r.published.load()) {
        for (const std::string& temporary : action->temporaries) unlink(temporary.c_str());
        const char* at = action->message.data();
        size_t left = action->message.size();
        while (left > 0) {
            const ssize_t n = write(STDERR_FILENO, at, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            at += n;
            left -= static_cast<size_t>(n);
        }
    }
    _exit(kInterruptedStatus);
}

// SIGINT and SIGTERM held for the lifetime of the object (delivered when it ends).
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

}  // namespace

std::FILE* open_watched(const std::string& path) {
    const SignalsHeld held;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return nullptr;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.outputs.push_back({file, path});
    r.publish();
    return file;
}

int close_watched(std::FILE* file) {
    const SignalsHeld held;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto o = r.outputs.begin(); o != r.outputs.end(); ++o)
            if (o->file == file) {
                r.outputs.erase(o);
                r.publish();
                break;
            }
    }
    return std::fclose(file);
}

std::string make_temporary(const std::string& pattern, mode_t mode) {
    const SignalsHeld held;
    std::string path = pattern;
    const int fd = mkstemp(path.data());
    if (fd < 0) return "";
    // mkstemp makes the file for its owner alone; the output gets the permissions asked for
    if (fchmod(fd, mode) != 0) {
        const int error = errno;
        close(fd);
        unlink(path.c_str());
        errno = error;
        return "";
    }
    close(fd);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.temporaries.push_back(path);
    r.publish();
    return path;
}

namespace {

// Forgets a temporary file (signals held, mutex not).
void forget_temporary(const std::string& temporary) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto at = std::find(r.temporaries.begin(), r.temporaries.end(), temporary);
    if (at == r.temporaries.end()) return;
    r.temporaries.erase(at);
    r.publish();
}

}  // namespace

bool commit_temporary(const std::string& temporary, const std::string& final_path) {
    const SignalsHeld held;
    if (std::rename(temporary.c_str(), final_path.c_str()) != 0) return false;
    forget_temporary(temporary);
    return true;
}

void remove_temporary(const std::string& temporary) {
    const SignalsHeld held;
    unlink(temporary.c_str());
    forget_temporary(temporary);
}

void restore_terminal_on_interrupt(int fd, const termios* saved) {
    Registry& r = registry();
    r.terminal_fd.store(fd);
    r.terminal.store(saved);
}

std::string interrupt_message() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.current ? r.current->message : std::string();
}

InterruptReport::InterruptReport() {
    registry().output_is_terminal.store(isatty(STDOUT_FILENO) == 1);  // built before any signal can need it
    struct sigaction action = {};
    action.sa_handler = report_interrupt;
    sigemptyset(&action.sa_mask);
    // the other signal waits while the report is written
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaction(SIGINT, &action, &previous_int_);
    sigaction(SIGTERM, &action, &previous_term_);
}

InterruptReport::~InterruptReport() {
    sigaction(SIGINT, &previous_int_, nullptr);
    sigaction(SIGTERM, &previous_term_, nullptr);
}

InterruptReport install_interrupt_report() { return InterruptReport(); }

}  // namespace tessar
