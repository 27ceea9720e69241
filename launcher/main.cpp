// The launcher: title screen, menu, and the method of the chosen key, run from the encoding
// library loaded at run time (it links nothing of the library).
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#include "conio.h"
#include "menu.h"

namespace launcher {
namespace {

// The full path of this program, read from /proc; empty when it cannot be read.
std::string own_executable() {
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) return "";
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Ends the launcher with status 0 (the terminal's colours are restored at exit).
[[noreturn]] void leave() {
    std::fflush(stdout);
    std::exit(0);
}

// Shows the menu until q or the end of input. The library is loaded at every valid key and
// released only at q, so it stays resident and its state carries over between methods.
[[noreturn]] void menu() {
    // screen control only on a terminal: scripted transcripts get the menu text alone
    const bool is_terminal = isatty(STDOUT_FILENO);
    if (is_terminal) {
        conio_attach(stdout);
        // the terminal gets its colours back however the process ends: at q, at the end of
        // input, or on a method's fatal error, which ends the process inside the library
        std::atexit(conio_restore);
    }
    const std::string library = library_beside(own_executable());
    void* hinstLib = nullptr;

    for (;;) {
        if (is_terminal) {
            clear_console();
            clear_title_screen();
            draw_banner();
        }
        print_menu(stdout);
        std::fflush(stdout);

        int key = read_menu_key(stdin);
        if (key == EOF) {
            if (is_terminal) std::printf("\n");
            leave();
        }
        const MenuEntry* entry = find_menu_entry(key);
        if (!entry) continue;   // invalid key: redraw, no message

        hinstLib = dlopen(library.c_str(), RTLD_NOW);
        if (entry->key == 'q') {
            if (hinstLib) dlclose(hinstLib);
            leave();
        }
        if (is_terminal) clear_console();
        if (!hinstLib) continue;   // library missing or not loadable: back to the menu
        run_menu_entry(hinstLib, *entry);
        std::fflush(stdout);
    }
}

}  // namespace
}  // namespace launcher

int main() { launcher::menu(); }
