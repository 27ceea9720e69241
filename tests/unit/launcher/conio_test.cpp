// The console model behind the title screen: cursor, colours, rectangle copies and the banner.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conio.h"

using namespace launcher;

namespace {

class Console : public ::testing::Test {
protected:
    void SetUp() override { conio_reset(); }
    void TearDown() override { conio_reset(); }

    static const Cell& cell(int x, int y) { return conio_model().cells[y - 1][x - 1]; }

    // Every cell of row y: its characters, and whether all carry `attr`.
    static std::string row_text(int y) {
        std::string text;
        _conio_gettext(1, y, kScreenWidth, y, text);
        return text;
    }
    static bool row_has_attr(int y, unsigned char attr) {
        for (int x = 1; x <= kScreenWidth; ++x)
            if (cell(x, y).attr != attr) return false;
        return true;
    }
};

TEST_F(Console, GotoxyMovesTheCursorThatWherexAndWhereyReport) {
    gotoxy(5, 3);
    EXPECT_EQ(wherex(), 5);
    EXPECT_EQ(wherey(), 3);
    gotoxy(80, 25);
    EXPECT_EQ(wherex(), 80);
    EXPECT_EQ(wherey(), 25);
    // a position off the screen leaves the cursor where it was
    gotoxy(0, 3);
    gotoxy(81, 1);
    gotoxy(1, 26);
    EXPECT_EQ(wherex(), 80);
    EXPECT_EQ(wherey(), 25);
}

TEST_F(Console, CprintfWritesAtTheCursorAndWrapsAtTheRightEdge) {
    textattr(0x1E);
    gotoxy(78, 2);
    _cprintf("%s", "abcd");
    EXPECT_EQ(cell(78, 2).ch, 'a');
    EXPECT_EQ(cell(80, 2).ch, 'c');
    EXPECT_EQ(cell(1, 3).ch, 'd');
    EXPECT_EQ(cell(1, 3).attr, 0x1E);
    EXPECT_EQ(wherex(), 2);
    EXPECT_EQ(wherey(), 3);
}

TEST_F(Console, WritingPastTheLastRowScrollsTheScreenUp) {
    gotoxy(1, 1);
    _cprintf("top");
    gotoxy(1, 25);
    _cprintf("bottom\n");
    EXPECT_EQ(row_text(24).substr(0, 6), "bottom");
    EXPECT_EQ(row_text(25), std::string(kScreenWidth, ' '));
    EXPECT_EQ(wherey(), 25);
    EXPECT_NE(row_text(1).substr(0, 3), "top");
}

TEST_F(Console, PuttextAndGettextRoundTripARectangle) {
    ASSERT_EQ(puttext(10, 4, 13, 5, "ABCDEFGH"), 1);
    std::string text;
    ASSERT_EQ(_conio_gettext(10, 4, 13, 5, text), 1);
    EXPECT_EQ(text, "ABCDEFGH");
    EXPECT_EQ(cell(13, 5).ch, 'H');
    EXPECT_EQ(cell(10, 4).attr, 7);
    // the text fills row by row: row 5 starts with the fifth character
    EXPECT_EQ(cell(10, 5).ch, 'E');
}

TEST_F(Console, PuttextLeavesEmptyCellsOnceTheTextRunsOut) {
    clrscr();   // blanks with attribute 7 everywhere
    puttext(1, 1, 3, 2, "xy");
    EXPECT_EQ(cell(2, 1).ch, 'y');
    for (auto [x, y] : {std::pair{3, 1}, {1, 2}, {2, 2}, {3, 2}}) {
        EXPECT_EQ(cell(x, y).ch, 0) << x << "," << y;
        EXPECT_EQ(cell(x, y).attr, 0) << x << "," << y;
    }
    // outside the rectangle nothing changed
    EXPECT_EQ(cell(4, 1).ch, ' ');
    EXPECT_EQ(cell(4, 1).attr, 7);
    // gettext stops the text at the first empty cell, as a zero-terminated text does
    std::string text;
    _conio_gettext(1, 1, 3, 1, text);
    EXPECT_STREQ(text.c_str(), "xy");
    EXPECT_EQ(text.size(), 3u);
}

TEST_F(Console, PuttextKeepsTheCursorAndTheCurrentAttribute) {
    textattr(0x4F);
    gotoxy(7, 9);
    puttext(1, 1, 80, 1, "");
    EXPECT_EQ(wherex(), 7);
    EXPECT_EQ(wherey(), 9);
    EXPECT_EQ(conio_model().attr, 0x4F);
}

TEST_F(Console, RectanglesOffTheScreenAreRefused) {
    std::string text = "stale";
    EXPECT_EQ(_conio_gettext(0, 1, 5, 1, text), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(_conio_gettext(1, 1, 81, 1, text), 0);
    EXPECT_EQ(_conio_gettext(5, 1, 4, 1, text), 0);   // right before left
    EXPECT_EQ(puttext(1, 25, 1, 26, "ab"), 0);
    EXPECT_EQ(puttext(3, 3, 2, 3, "ab"), 0);
    EXPECT_EQ(cell(1, 25).ch, 0);
}

TEST_F(Console, ClrscrPaintsWithTheColourVariablesNotTheTextAttribute) {
    textcolor(14);
    textbackground(4);
    textattr(0x70);   // changes the text attribute only
    gotoxy(9, 9);
    clrscr();
    for (int y = 1; y <= kScreenHeight; ++y) {
        EXPECT_EQ(row_text(y), std::string(kScreenWidth, ' ')) << "row " << y;
        EXPECT_TRUE(row_has_attr(y, 4 * 16 + 14)) << "row " << y;
    }
    EXPECT_EQ(wherex(), 1);
    EXPECT_EQ(wherey(), 1);
    EXPECT_EQ(conio_model().attr, 0x70);
}

TEST_F(Console, TextcolorAndTextbackgroundCombineIntoTheAttribute) {
    textbackground(1);
    EXPECT_EQ(conio_model().attr, 1 * 16 + 7);
    textcolor(15);
    EXPECT_EQ(conio_model().attr, 1 * 16 + 15);
    textattr(0x02);
    EXPECT_EQ(conio_model().foreground, 15);
    EXPECT_EQ(conio_model().background, 1);
}

TEST_F(Console, ConsoleColoursMapToTheirAnsiCodes) {
    EXPECT_EQ(ansi_attribute(0x07), "\x1b[0;37;40m");   // light grey on black
    EXPECT_EQ(ansi_attribute(0x1F), "\x1b[0;97;44m");   // bright white on blue
    EXPECT_EQ(ansi_attribute(0x41), "\x1b[0;34;41m");   // blue on red
    EXPECT_EQ(ansi_attribute(0xC6), "\x1b[0;33;101m");  // brown on bright red
    EXPECT_EQ(ansi_attribute(0x3A), "\x1b[0;92;46m");   // bright green on cyan
}

TEST_F(Console, CursorTypeIsKept) {
    _setcursortype(kNoCursor);
    EXPECT_EQ(conio_model().cursor_size, kNoCursor);
    _setcursortype(kSolidCursor);
    EXPECT_EQ(conio_model().cursor_size, kSolidCursor);
}

TEST_F(Console, BannerLinesAreEightyColumnsAndNameNoOneReal) {
    for (const char* line : kBannerLines) EXPECT_EQ(std::strlen(line), 80u) << line;
    EXPECT_STREQ(kBannerLines[2],
                 "             Topic: Data Mining & Biological Sequences Encoding                 ");
}

TEST_F(Console, TitleScreenLeavesARuleThenFiveBlueRowsOfEightyColumns) {
    clear_title_screen();
    draw_banner();

    EXPECT_EQ(row_text(1), std::string(80, '_'));
    EXPECT_TRUE(row_has_attr(1, 0x0F));
    for (int y = 2; y <= 5; ++y) {
        EXPECT_EQ(row_text(y), kBannerLines[y - 2]);
        EXPECT_TRUE(row_has_attr(y, 0x1F)) << "row " << y;
    }
    EXPECT_EQ(row_text(6), std::string(80, '_'));
    EXPECT_TRUE(row_has_attr(6, 0x1F));
    // an empty white-on-black row under the banner, and the rest of the area blank
    for (int y = 7; y <= kScreenHeight; ++y) {
        EXPECT_EQ(row_text(y), std::string(80, ' ')) << "row " << y;
        EXPECT_TRUE(row_has_attr(y, 0x0F)) << "row " << y;
    }
    // the menu goes on at row 8 in bright white on black
    EXPECT_EQ(wherex(), 1);
    EXPECT_EQ(wherey(), 8);
    EXPECT_EQ(conio_model().attr, 0x0F);
    EXPECT_EQ(conio_model().foreground, 15);
    EXPECT_EQ(conio_model().background, 0);
}

TEST_F(Console, DrawingTheTitleScreenTwiceGivesTheSamePicture) {
    clear_title_screen();
    draw_banner();
    ConsoleModel first = conio_model();
    // scribble over it as a method would, then redraw
    textattr(0x4E);
    puttext(1, 3, 80, 12, "garbage");
    gotoxy(40, 20);
    _cprintf("more garbage");
    clear_console();
    clear_title_screen();
    draw_banner();
    const ConsoleModel& second = conio_model();
    EXPECT_EQ(std::memcmp(first.cells, second.cells, sizeof first.cells), 0);
    EXPECT_EQ(first.x, second.x);
    EXPECT_EQ(first.y, second.y);
    EXPECT_EQ(first.attr, second.attr);
}

// The control sequences sent to the terminal: the escapes that paint the banner, rows placed by
// explicit cursor moves, and a line end after each full row so a wider terminal keeps in step.
TEST_F(Console, TerminalReceivesPositionedColouredRows) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* terminal = open_memstream(&buffer, &size);
    ASSERT_NE(terminal, nullptr);
    conio_attach(terminal);
    clear_title_screen();
    draw_banner();
    conio_restore();
    std::fclose(terminal);
    std::string out(buffer, size);
    std::free(buffer);

    EXPECT_NE(out.find("\x1b[0;97;40m\x1b[H\x1b[2J\x1b[0;97;44m"), std::string::npos);
    EXPECT_NE(out.find("\x1b[1;1H" + std::string(80, '_') + "\r\n"), std::string::npos);
    EXPECT_NE(out.find("\x1b[4;1H" + std::string(kBannerLines[2]) + "\r\n"), std::string::npos);
    EXPECT_NE(out.find("\x1b[0;97;40m" + std::string(80, ' ') + "\r\n"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 4), "\x1b[0m");
}

}  // namespace
