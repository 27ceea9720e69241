#include "dialogue/console.h"

#include <cstdlib>
#include <exception>
#include <new>
#include <termios.h>
#include <unistd.h>

#include "dialogue/interrupt.h"

namespace tessar {

ConsoleDialogue::ConsoleDialogue(std::FILE* in, std::FILE* out)
    : in_(in), out_(out), out_is_terminal_(fileno(out) >= 0 && isatty(fileno(out))) {}

void ConsoleDialogue::print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    if (out_is_terminal_) std::fflush(out_);
}

std::string ConsoleDialogue::answer(const Question&, std::string_view prompt) {
    print(prompt);
    std::fflush(out_);
    std::string line;
    if (!read_line(in_, line)) throw EndOfInput{};
    return line;
}

void ConsoleDialogue::wait_key() { wait_for_key(in_, out_); }

void wait_for_key(std::FILE* in, std::FILE* out) {
    std::fflush(out);
    const int fd = fileno(in);
    termios saved;
    if (fd >= 0 && isatty(fd) && tcgetattr(fd, &saved) == 0) {
        termios raw = saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        restore_terminal_on_interrupt(fd, &saved);  // Ctrl-C here leaves the echo on
        tcsetattr(fd, TCSANOW, &raw);
        std::getc(in);
        tcsetattr(fd, TCSANOW, &saved);
        restore_terminal_on_interrupt(fd, nullptr);
        return;
    }
    std::string line;
    read_line(in, line);
}

void ConsoleDialogue::discard_typeahead() {
    std::fflush(out_);
    const int fd = fileno(in_);
    if (fd >= 0 && isatty(fd)) tcflush(fd, TCIFLUSH);
}

int run_console_method(const std::function<void(Dialogue&)>& body) {
    ConsoleDialogue io(stdin, stdout);
    // the fatal path: the message, a key press, status 1
    auto fail = [&io](const std::string& message) {
        io.print(message);
        io.wait_key();
        std::fflush(stdout);
        std::exit(1);
    };
    try {
        // Ctrl-C or SIGTERM while the method runs names its unfinished outputs (status 130)
        const InterruptReport report = install_interrupt_report();
        body(io);
    } catch (const FatalError& e) {
        fail(e.message);
    } catch (const EndOfInput&) {
        io.print("\n\tErr: end of input\n");
        std::fflush(stdout);
        std::exit(1);
    } catch (const std::bad_alloc&) {
        fail("Err: no enough memory\n");
    } catch (const std::exception& e) {
        fail(format("\tErr: %s\n", e.what()));
    } catch (...) {
        fail("\tErr: unexpected failure\n");
    }
    std::fflush(stdout);
    return 0;
}

}  // namespace tessar
