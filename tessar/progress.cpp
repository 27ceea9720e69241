#include "progress.h"

#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tessar::cli {

std::string clock_text(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    if (total >= 3600) return format("%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    return format("%ld:%02ld", total / 60, total % 60);
}

std::string progress_line(const Progress& p, double elapsed, int width, bool done) {
    std::string line = format("%-8s ", p.stage);
    if (p.total <= 0) {
        // no known end: the counters and the time so far
        line += format("%.0f %s", p.done, p.unit);
        if (p.found >= 0) line += format(", %lld found", p.found);
        line += "  " + clock_text(elapsed);
    } else {
        const double fraction = done ? 1.0 : std::clamp(p.done / p.total, 0.0, 1.0);
        std::string tail = format(" %3d%%  ", static_cast<int>(fraction * 100));
        if (done)
            tail += "in " + clock_text(elapsed);
        else if (fraction > 0 && elapsed > 0)
            tail += clock_text(elapsed * (1 - fraction) / fraction) + " left";
        else
            tail += "-:-- left";
        const int room = width - static_cast<int>(line.size() + tail.size()) - 2;
        const int bar = std::clamp(room, 0, 30);
        if (bar > 0) {
            const int full = static_cast<int>(fraction * bar);
            line += '[' + std::string(full, '#') + std::string(bar - full, '-') + ']';
        }
        line += tail;
    }
    if (width > 0 && static_cast<int>(line.size()) > width) line.resize(width);
    return line;
}

int terminal_width(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

ProgressBar::ProgressBar(std::FILE* out, int width) : out_(out), width_(std::max(width - 1, 20)) {}

double ProgressBar::elapsed() const {
    return std::chrono::duration<double>(Clock::now() - started_).count();
}

void ProgressBar::draw(bool done) {
    // carriage return, the line, then erase what a longer line left to its right
    std::fprintf(out_, "\r%s\x1b[K%s", progress_line(last_, elapsed(), width_, done).c_str(),
                 done ? "\n" : "");
    std::fflush(out_);
    drawn_ = Clock::now();
}

void ProgressBar::update(const Progress& p) {
    if (stage_ != p.stage) {
        finish();
        stage_ = p.stage;
        last_ = p;
        last_.stage = stage_.c_str();
        started_ = Clock::now();
        draw(false);
        return;
    }
    last_ = p;
    last_.stage = stage_.c_str();
    // the clock is read once every 64 reports: some stages report millions of times a second
    if (++calls_ % 64 != 0) return;
    if (Clock::now() - drawn_ >= std::chrono::milliseconds(100)) draw(false);
}

void ProgressBar::finish() {
    if (stage_.empty()) return;
    draw(true);
    stage_.clear();
}

}  // namespace tessar::cli
