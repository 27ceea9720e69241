#include "dialogue/interrupt.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <vector>

namespace tessar {

namespace {

struct OpenOutput {
    std::FILE* file;
    std::string path;
    unsigned long created;  // the order of creation
};

// The open outputs and the message naming them. The message the handler may be reading is
// never freed under it: a published message is kept until two more have replaced it, and the
// registry itself is never destroyed (a signal may come while the process runs its exit
// handlers).
struct Registry {
    std::mutex mutex;
    std::vector<OpenOutput> outputs;  // in creation order
    std::vector<OpenOutput> abandoned;  // closed before they were complete
    unsigned long n_created = 0;
    std::unique_ptr<const std::string> current, previous;
    std::atomic<const std::string*> published{nullptr};
    // the terminal to put back, while a key is read without echo
    std::atomic<const termios*> terminal{nullptr};
    std::atomic<int> terminal_fd{-1};
    // standard output is a terminal: its colours are put back (the menu paints the screen)
    std::atomic<bool> output_is_terminal{false};

    // Rebuilds the message from `outputs` and publishes it (mutex held).
    void publish() {
        std::string text;
        for (const OpenOutput& o : outputs)
            text += "tessar: interrupted; " + o.path + " is incomplete\n";
        auto next = std::make_unique<const std::string>(std::move(text));
        published.store(next.get());
        previous = std::move(current);
        current = std::move(next);
    }
};

Registry& registry() {
    static Registry* const r = new Registry;
    return *r;
}

// The signal handler: async-signal-safe calls only (atomic loads, tcsetattr, write, _exit).
extern "C" void report_interrupt(int) {
    static_assert(std::atomic<const std::string*>::is_always_lock_free);
    Registry& r = registry();
    if (const termios* saved = r.terminal.load()) tcsetattr(r.terminal_fd.load(), TCSANOW, saved);
    if (r.output_is_terminal.load()) {
        const char reset[] = "\x1b[0m\n";
        ssize_t ignored = write(STDOUT_FILENO, reset, sizeof reset - 1);
        (void)ignored;
    }
    if (const std::string* message = r.published.load()) {
        const char* at = message->data();
        size_t left = message->size();
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
    r.outputs.push_back({file, path, r.n_created++});
    r.publish();
    return file;
}

int close_watched(std::FILE* file, bool complete) {
    const SignalsHeld held;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto o = r.outputs.begin(); o != r.outputs.end(); ++o)
            if (o->file == file) {
                if (!complete) r.abandoned.push_back(*o);
                r.outputs.erase(o);
                r.publish();
                break;
            }
    }
    return std::fclose(file);
}

std::vector<std::string> take_abandoned_outputs() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    // abandoned as the run unwinds, last created first: named in the order of creation
    std::sort(r.abandoned.begin(), r.abandoned.end(),
              [](const OpenOutput& a, const OpenOutput& b) { return a.created < b.created; });
    std::vector<std::string> paths;
    for (const OpenOutput& o : r.abandoned) paths.push_back(o.path);
    r.abandoned.clear();
    return paths;
}

void restore_terminal_on_interrupt(int fd, const termios* saved) {
    Registry& r = registry();
    r.terminal_fd.store(fd);
    r.terminal.store(saved);
}

std::string interrupt_message() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.current ? *r.current : std::string();
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
