#include "menu.h"

#include <cstring>
#include <dlfcn.h>

namespace launcher {

namespace {

constexpr int kLabelWidth = 54;   // label and dots, between the tab and the key

constexpr const char kMotifsHeading[] = "\t-------------------  MOTIFS ENCODING  -------------------\n";
constexpr const char kBinaryHeading[] = "\t-------------------  BINARY ENCODING  -------------------\n";
constexpr const char kExitHeading[] = "\t---------------------------------------------------------\n";

}  // namespace

const MenuEntry kMenu[9] = {   // key, label, export, scheme, heading, ending
    {'a', "Active Motifs(Discover)", "mainDiscover", 0, kMotifsHeading, "\n"},
    {'b', "N-Grams", "mainNGrams", 0, "", "\n"},
    {'c', "Discriminant Descriptors(DisClass)", "mainDisClass", 0, "", "\n"},
    {'d', "Discriminant Descriptors with Substtution Matrix", "mainDDMS", 0, "", "\n\t \n\n"},
    {'e', "Aldane", "mainBinCod", 1, kBinaryHeading, "\n"},
    {'f', "Brevik", "mainBinCod", 2, "", "\n"},
    {'g', "Corvel", "mainBinCod", 3, "", "\n"},
    {'h', "Dunmore", "mainBinCod", 4, "", "\n\n\n"},
    {'q', "Exit", nullptr, 0, kExitHeading, "\n\n"},
};

const MenuEntry* find_menu_entry(int key) {
    for (const MenuEntry& entry : kMenu)
        if (entry.key == key) return &entry;
    return nullptr;
}

void print_menu(std::FILE* out) {
    for (const MenuEntry& entry : kMenu) {
        int n_dots = kLabelWidth - static_cast<int>(std::strlen(entry.label));
        std::fprintf(out, "%s\t%s%.*s[%c]%s", entry.heading, entry.label, n_dots,
                     "......................................................", entry.key,
                     entry.ending);
    }
    std::fprintf(out, "\tEnter your choice: ");
}

int read_menu_key(std::FILE* in) {
    int first = std::getc(in);
    for (int c = first; c != '\n' && c != EOF;) c = std::getc(in);
    return first;
}

std::string library_beside(const std::string& exe_path) {
    size_t slash = exe_path.rfind('/');
    if (slash == std::string::npos) return kLibraryFile;
    return exe_path.substr(0, slash + 1) + kLibraryFile;
}

bool run_menu_entry(void* library, const MenuEntry& entry) {
    if (!entry.export_name) return false;
    void* symbol = dlsym(library, entry.export_name);
    if (!symbol) return false;
    if (entry.scheme == 0) {
        auto ProcAdd = reinterpret_cast<int (*)()>(symbol);
        ProcAdd();
    } else {
        auto ProcAdd1 = reinterpret_cast<int (*)(int)>(symbol);
        ProcAdd1(entry.scheme);
    }
    return true;
}

}  // namespace launcher
