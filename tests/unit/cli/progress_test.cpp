// The progress bar: its line for a known and an unknown end, the time left, the width it keeps
// to, and the drawing: a stage drawn at once, its line completed when the next stage begins.
#include <gtest/gtest.h>

#include "progress.h"
#include "support.h"

using tessar::Progress;
using tessar::cli::ProgressBar;
using tessar::cli::clock_text;
using tessar::cli::progress_line;

TEST(ProgressLine, AKnownEndShowsABarAPercentageAndTheTimeLeft) {
    const Progress half{"writing", 50, 200, "rows"};
    EXPECT_EQ(progress_line(half, 10, 80, false),
              "writing  [#######-----------------------]  25%  0:30 left");
    EXPECT_EQ(progress_line(half, 10, 80, true),
              "writing  [##############################] 100%  in 0:10");
    const Progress start{"mining", 0, 12, "lengths"};
    EXPECT_EQ(progress_line(start, 0, 80, false), "mining   [------------------------------]   0%  -:-- left");
}

TEST(ProgressLine, AnUnknownEndShowsTheCountersAndTheTimeSoFar) {
    const Progress search{"search", 183422, 0, "checked", 12};
    EXPECT_EQ(progress_line(search, 41, 80, false), "search   183422 checked, 12 found  0:41");
    const Progress coding{"coding", 7, 0, "sequences"};
    EXPECT_EQ(progress_line(coding, 3725, 80, false), "coding   7 sequences  1:02:05");
}

TEST(ProgressLine, KeepsToTheWidth) {
    const Progress p{"writing", 1, 3, "rows"};
    for (int width : {20, 30, 45, 60}) EXPECT_LE(progress_line(p, 1, width, false).size(), size_t(width));
    // the bar shrinks before the numbers go
    EXPECT_NE(progress_line(p, 1, 45, false).find("33%"), std::string::npos);
}

TEST(ProgressLine, ClockText) {
    EXPECT_EQ(clock_text(0), "0:00");
    EXPECT_EQ(clock_text(59.6), "1:00");
    EXPECT_EQ(clock_text(-3), "0:00");
    EXPECT_EQ(clock_text(3600), "1:00:00");
}

TEST(ProgressBar, EachStageIsDrawnAtOnceAndLeftAsOneFinishedLine) {
    tessar::File out(std::tmpfile());
    {
        ProgressBar bar(out.get(), 80);
        bar.update({"search", 1, 0, "checked", 0});
        for (int i = 2; i <= 1000; ++i) bar.update({"search", double(i), 0, "checked", 3});
        bar.update({"writing", 1, 4, "rows"});
        bar.update({"writing", 4, 4, "rows"});
    }  // the end completes the last stage
    std::fflush(out.get());
    std::rewind(out.get());
    std::string text;
    for (int c; (c = std::getc(out.get())) != EOF;) text.push_back(static_cast<char>(c));
    // two finished lines, one per stage, each ending a redraw
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_NE(text.find("\rsearch   1000 checked, 3 found  0:00\x1b[K\n"), std::string::npos) << text;
    EXPECT_NE(text.find("] 100%  in 0:00\x1b[K\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(0, 8), "\rsearch ");
}
