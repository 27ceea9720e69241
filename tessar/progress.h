// The progress bar of the command line: one line on standard error, redrawn in place while a
// stage runs and left complete when it ends, so that the terminal keeps one line per stage:
//
//   writing  [##############----------------]  47%  0:03 left
//   search   183422 checked, 12 found  0:41
//
// It is drawn only on a terminal (the caller decides) and costs a counter test per report.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "dialogue/dialogue.h"

namespace tessar::cli {

// The text of one bar line (no line end): `elapsed` seconds since the stage began, `width`
// columns at most; `done` draws the finished stage (full bar, time taken).
std::string progress_line(const Progress& p, double elapsed, int width, bool done);

// "m:ss", or "h:mm:ss" from one hour.
std::string clock_text(double seconds);

class ProgressBar {
public:
    // Draws on `out` (standard error, a terminal) lines of at most `width` columns.
    ProgressBar(std::FILE* out, int width);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // A report: a new stage ends the line of the previous one and is drawn at once; the same
    // stage is redrawn at most ten times a second.
    void update(const Progress& p);
    // Ends the line of the last stage, drawn as finished.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    void draw(bool done);
    double elapsed() const;

    std::FILE* out_;
    int width_;
    Progress last_{};
    std::string stage_;  // of last_ ("" when no stage is open)
    Clock::time_point started_{}, drawn_{};
    unsigned calls_ = 0;
};

// The columns of the terminal behind `fd`, 80 when it does not say.
int terminal_width(int fd);

}  // namespace tessar::cli
