#include "conio.h"

#include <cstdarg>
#include <cstring>
#include <string_view>

namespace launcher {

namespace {

ConsoleModel g_console;             // the one console of the process
std::FILE* g_terminal = nullptr;    // where control sequences go; none when not a terminal

// Writes a control sequence or text to the terminal, if one is attached.
void emit(std::string_view bytes) {
    if (g_terminal) std::fwrite(bytes.data(), 1, bytes.size(), g_terminal);
}

void emit_cursor(int x, int y) {
    if (!g_terminal) return;
    std::fprintf(g_terminal, "\x1b[%d;%dH", y, x);
}

bool on_screen(int left, int top, int right, int bottom) {
    return left >= 1 && top >= 1 && right <= kScreenWidth && bottom <= kScreenHeight &&
           left <= right && top <= bottom;
}

// What the terminal shows for a cell's character: control characters and the empty cell are
// shown as blanks, so that no stored byte can act on the terminal.
char shown(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f ? ' ' : c;
}

void fill_screen(unsigned char attr) {
    for (auto& row : g_console.cells)
        for (Cell& cell : row) cell = Cell{' ', attr};
    g_console.x = 1;
    g_console.y = 1;
}

// Moves the cursor one row down, scrolling the model when it leaves the last row.
void next_row() {
    g_console.x = 1;
    if (g_console.y < kScreenHeight) {
        ++g_console.y;
        return;
    }
    std::memmove(g_console.cells[0], g_console.cells[1], sizeof(g_console.cells[0]) * (kScreenHeight - 1));
    for (Cell& cell : g_console.cells[kScreenHeight - 1]) cell = Cell{' ', g_console.attr};
}

// Writes text at the cursor as the console does: "\n" starts the next row, "\r" returns to
// column 1, and writing the last column wraps. The terminal gets "\r\n" at each wrap so that
// it stands where the model stands even when it is wider than 80 columns.
void write_at_cursor(std::string_view text) {
    for (char c : text) {
        if (c == '\n') {
            next_row();
            emit("\r\n");
        } else if (c == '\r') {
            g_console.x = 1;
            emit("\r");
        } else {
            g_console.cells[g_console.y - 1][g_console.x - 1] = Cell{c, g_console.attr};
            char s = shown(c);
            emit(std::string_view(&s, 1));
            if (++g_console.x > kScreenWidth) {
                next_row();
                emit("\r\n");
            }
        }
    }
}

void set_attr(unsigned char attr) {
    g_console.attr = attr;
    emit(ansi_attribute(attr));
}

}  // namespace

const char* const kBannerLines[4] = {
    "                    TESSAR: Protein Sequence Encoding Suite                     ",
    "                      Author: The Tessar development team                       ",
    "             Topic: Data Mining & Biological Sequences Encoding                 ",
    "                        Supervision: The Tessar project                         ",
};

void conio_attach(std::FILE* terminal) { g_terminal = terminal; }

void conio_restore() {
    emit("\x1b[0m");
    if (g_terminal) std::fflush(g_terminal);
}

void conio_reset() {
    g_console = ConsoleModel{};
    g_terminal = nullptr;
}

const ConsoleModel& conio_model() { return g_console; }

std::string ansi_attribute(unsigned char attr) {
    // Console colour bits are blue 1, green 2, red 4; ANSI has red 1, green 2, blue 4.
    auto ansi = [](int c) { return ((c & 1) << 2) | (c & 2) | ((c & 4) >> 2); };
    int fg = attr & 15, bg = (attr >> 4) & 15;
    int fg_code = (fg & 8 ? 90 : 30) + ansi(fg);
    int bg_code = (bg & 8 ? 100 : 40) + ansi(bg);
    return "\x1b[0;" + std::to_string(fg_code) + ";" + std::to_string(bg_code) + "m";
}

void clrscr() {
    unsigned char fill = static_cast<unsigned char>(g_console.background * 16 + g_console.foreground);
    fill_screen(fill);
    // erasing paints with the selected background, so select the fill, erase, and restore
    emit(ansi_attribute(fill));
    emit("\x1b[H\x1b[2J");
    if (fill != g_console.attr) emit(ansi_attribute(g_console.attr));
}

void clear_console() {
    fill_screen(g_console.attr);
    emit("\x1b[H\x1b[2J");
}

void gotoxy(int x, int y) {
    if (x < 1 || x > kScreenWidth || y < 1 || y > kScreenHeight) return;
    g_console.x = x;
    g_console.y = y;
    emit_cursor(x, y);
}

void textcolor(int color) {
    g_console.foreground = color & 15;
    set_attr(static_cast<unsigned char>(g_console.background * 16 + g_console.foreground));
}

void textbackground(int color) {
    g_console.background = color & 15;
    set_attr(static_cast<unsigned char>(g_console.background * 16 + g_console.foreground));
}

void textattr(int attr) { set_attr(static_cast<unsigned char>(attr)); }

int wherex() { return g_console.x; }

int wherey() { return g_console.y; }

void _setcursortype(int size) {
    g_console.cursor_size = size;
    emit(size == kNoCursor ? "\x1b[?25l" : "\x1b[?25h");
}

int _conio_gettext(int left, int top, int right, int bottom, std::string& text) {
    text.clear();
    if (!on_screen(left, top, right, bottom)) return 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) text.push_back(g_console.cells[y - 1][x - 1].ch);
    return 1;
}

int puttext(int left, int top, int right, int bottom, const char* text) {
    if (!on_screen(left, top, right, bottom)) return 0;
    const char* next = text ? text : "";
    unsigned char shown_attr = g_console.attr;
    for (int y = top; y <= bottom; ++y) {
        emit_cursor(left, y);
        for (int x = left; x <= right; ++x) {
            Cell cell;  // empty once the text has run out
            if (*next) cell = Cell{*next++, 7};
            g_console.cells[y - 1][x - 1] = cell;
            if (cell.attr != shown_attr) {
                shown_attr = cell.attr;
                emit(ansi_attribute(shown_attr));
            }
            char s = shown(cell.ch);
            emit(std::string_view(&s, 1));
        }
    }
    // the cursor and the current attribute stay as they were
    if (shown_attr != g_console.attr) emit(ansi_attribute(g_console.attr));
    emit_cursor(g_console.x, g_console.y);
    return 1;
}

// (the launcher links nothing of the encoding library, so it formats text on its own)
int _cprintf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string text(n > 0 ? n : 0, '\0');
    if (n > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    va_end(args);
    write_at_cursor(text);
    return n;
}

void clear_title_screen() {
    clrscr();  // with the colours the previous drawing left
    textcolor(15);
    textbackground(0);
    clrscr();
    textbackground(1);
}

void draw_banner() {
    const std::string rule(kScreenWidth, '_');

    textbackground(0);
    gotoxy(1, 1);
    _cprintf("%s", rule.c_str());

    // banner rows 2 to 6 on blue
    textbackground(1);
    for (int row = 0; row < 4; ++row) {
        gotoxy(1, row + 2);
        _cprintf("%s", kBannerLines[row]);
    }
    gotoxy(1, 6);
    _cprintf("%s", rule.c_str());

    // an empty white-on-black row under the banner; the menu follows on row 8
    textbackground(0);
    _cprintf("%s", std::string(kScreenWidth, ' ').c_str());
}

}  // namespace launcher
