// Console control for the title screen: cursor position, colours, clearing, rectangle copies.
//
// The layer keeps its own model of an 80 by 25 console (a character and an attribute per cell,
// the cursor and the current attribute), so that the cursor and rectangle queries can be
// answered without asking the terminal. When a terminal is attached (conio_attach), every change
// is also sent to it as ANSI control sequences, through the given stream so that it stays in
// order with the ordinary output written to the same stream.
//
// Coordinates are 1-based, column first. A cell attribute is background * 16 + foreground, with
// the 16 console colours: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 brown,
// 7 light grey, 8 to 15 their bright forms (15 bright white).
#pragma once

#include <cstdio>
#include <string>

namespace launcher {

constexpr int kScreenWidth = 80;
constexpr int kScreenHeight = 25;

// Cursor sizes of _setcursortype.
constexpr int kNoCursor = 0;
constexpr int kSolidCursor = 1;
constexpr int kNormalCursor = 2;

struct Cell {
    char ch = 0;
    unsigned char attr = 0;
};

// The console as the layer knows it.
struct ConsoleModel {
    Cell cells[kScreenHeight][kScreenWidth];
    int x = 1, y = 1;                     // cursor, 1-based
    int foreground = 7, background = 0;   // the colours clrscr paints with
    unsigned char attr = 7;               // attribute of text written from now on
    int cursor_size = kNormalCursor;
};

// Sends the layer's changes to `terminal` from now on (nullptr: keep the model only).
void conio_attach(std::FILE* terminal);
// Gives the terminal back its default colours (when the launcher ends).
void conio_restore();
// Forgets everything: blank model (character 0, attribute 0), cursor at 1,1, light grey on
// black, no terminal attached.
void conio_reset();
// The model, for queries and tests.
const ConsoleModel& conio_model();

// The ANSI SGR sequence that selects a console attribute, e.g. 0x1F -> "\x1b[0;97;44m".
std::string ansi_attribute(unsigned char attr);

// Blanks the 80 by 25 area with background * 16 + foreground; cursor to 1,1.
void clrscr();
// Clears the screen with the current text attribute and homes the cursor (what "cls" does).
void clear_console();
void gotoxy(int x, int y);
void textcolor(int color);
void textbackground(int color);
void textattr(int attr);
int wherex();
int wherey();
void _setcursortype(int size);
// Reads the characters of the rectangle (inclusive corners) row by row into `text`.
// Returns 1, or 0 (and leaves `text` empty) when the rectangle does not lie on the screen.
int _conio_gettext(int left, int top, int right, int bottom, std::string& text);
// Writes the zero-terminated `text` row by row into the rectangle with attribute 7; once the
// text runs out the remaining cells become empty cells (character 0, attribute 0). The cursor
// does not move. Returns 1, or 0 when the rectangle does not lie on the screen.
int puttext(int left, int top, int right, int bottom, const char* text);
// Writes formatted text at the cursor with the current attribute; the cursor wraps at the
// right edge and the screen scrolls up past the last row.
int _cprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The title screen: clear_title_screen (refsceen) leaves a blank white-on-black area, then
// draw_banner (preface) draws the banner of rows 1 to 6 and an empty row 7 and leaves the cursor
// at column 1, row 8, in bright white on black.
void clear_title_screen();
void draw_banner();

// The four text rows of the banner (rows 2 to 5), each exactly 80 columns.
extern const char* const kBannerLines[4];

}  // namespace launcher
