// The menu of the launcher: one table drives the printed menu and the dispatch of a key to
// the library export that runs the method.
#pragma once

#include <cstdio>
#include <string>

namespace launcher {

struct MenuEntry {
    char key;
    const char* label;
    const char* export_name;   // nullptr for the exit entry
    int scheme;                // argument of the binary coder (1 to 4); 0: the export takes none
    const char* heading;       // printed before the entry's line
    const char* ending;        // printed after the key in brackets
};

extern const MenuEntry kMenu[9];

// The load name of the encoding library, looked for beside the launcher.
constexpr const char kLibraryFile[] = "libDLL_Tessar.so";

// The entry chosen by `key`, or nullptr when the key is no choice (EOF included).
const MenuEntry* find_menu_entry(int key);

// Prints the menu and the prompt (no line end after the prompt).
void print_menu(std::FILE* out);

// Reads one whole line and returns its first character (the line end for an empty line);
// EOF when input has ended.
int read_menu_key(std::FILE* in);

// The library beside the program `exe_path`: its folder joined with kLibraryFile.
std::string library_beside(const std::string& exe_path);

// Looks up the entry's export in the loaded library and runs it: the four motif and descriptor
// methods with no argument, the binary coder with the entry's scheme. False when the export is
// missing (nothing runs).
bool run_menu_entry(void* library, const MenuEntry& entry);

}  // namespace launcher
