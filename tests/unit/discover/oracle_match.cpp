#include "oracle_match.h"

#include <algorithm>

namespace tessar {

int match(std::string_view pattern, std::string_view text, std::vector<int>& row) {
    const size_t m = pattern.size();
    row.resize(m + 1);
    // against no text, each letter costs one; a star costs nothing
    row[0] = 0;
    for (size_t j = 1; j <= m; ++j) row[j] = row[j - 1] + (pattern[j - 1] == '*' ? 0 : 1);

    for (size_t i = 1; i <= text.size(); ++i) {
        const char c = text[i - 1];
        int d = row[0];  // the cell diagonally above-left
        row[0] = static_cast<int>(i);
        for (size_t j = 0; j < m; ++j) {
            int a, b;
            if (pattern[j] == '*') {
                a = 0;
                b = 0;
            } else if (pattern[j] == c) {
                a = 1;
                b = 0;
            } else {
                a = 1;
                b = 1;
            }
            const int diagonal = d + b;
            const int above = row[j + 1] + a;
            const int left = row[j] + a;
            d = row[j + 1];
            row[j + 1] = std::min({above, diagonal, left});
        }
    }
    return row[m];
}

int match(std::string_view pattern, std::string_view text) {
    std::vector<int> row;
    return match(pattern, text, row);
}

namespace {

constexpr int kMaxFastDist = 63;

// Scans `text` with the column of edit distances between `x` and the best substring of the
// text ending at the current position, every value capped at k + 1. By the diagonal property
// of the edit distance, a cell can come within k only one row below a cell that was within
// k, so each step computes the cells up to one past the last one within k and no further.
// ends[c], for c from 0 to k, receives the least number of text characters after which x
// occurs with at most c operations (-1: never). The scan stops once x occurs within
// `stop_at` operations.
void scan_ends(std::string_view x, std::string_view text, int k, int stop_at,
               std::vector<int>& col, int* ends) {
    const int m = static_cast<int>(x.size());
    const int cap = k + 1;
    std::fill(ends, ends + k + 1, -1);
    col.resize(m + 1);
    for (int j = 0; j <= m; ++j) col[j] = std::min(j, cap);
    int last = std::min(k, m);  // last cell within k; every cell past it holds cap

    auto record = [&](int i) {
        if (last < m) return false;
        for (int c = col[m]; c <= k; ++c)
            if (ends[c] < 0) ends[c] = i;
        return col[m] <= stop_at;
    };
    if (record(0)) return;

    const int n = static_cast<int>(text.size());
    for (int i = 1; i <= n; ++i) {
        const char ch = text[i - 1];
        const int top = std::min(m, last + 1);
        int diag = 0;  // the top cell is 0 in every row: the substring may start anywhere
        int left = 0;
        for (int j = 1; j <= top; ++j) {
            const int up = col[j];
            int v = diag + (x[j - 1] != ch);
            v = std::min({v, up + 1, left + 1, cap});
            diag = up;
            col[j] = v;
            left = v;
        }
        last = top;
        while (last > 0 && col[last] > k) --last;
        if (record(i)) return;
    }
}

// The same ends as scan_ends, by the bit-parallel column of Myers: bit j of Pv (Mv) tells
// that cell j+1 of the column is one more (one less) than cell j; the last cell is tracked as
// `score`. The top cell is 0 in every row, so nothing enters at the bottom bit. x has 1 to 64
// letters; peq[c] has bit j set where x[j] == c.
void myers_ends(const uint64_t* peq, int m, std::string_view text, int k, int stop_at, int* ends) {
    std::fill(ends, ends + k + 1, -1);
    const uint64_t high = uint64_t{1} << (m - 1);
    uint64_t Pv = ~uint64_t{0};
    uint64_t Mv = 0;
    int score = m;
    auto record = [&](int i) {
        if (score > k) return false;
        for (int c = score; c <= k && ends[c] < 0; ++c) ends[c] = i;
        return score <= stop_at;
    };
    if (record(0)) return;
    const int n = static_cast<int>(text.size());
    for (int i = 1; i <= n; ++i) {
        const uint64_t Eq = peq[static_cast<unsigned char>(text[i - 1])];
        const uint64_t Xv = Eq | Mv;
        const uint64_t Xh = (((Eq & Pv) + Pv) ^ Pv) | Eq;
        uint64_t Ph = Mv | ~(Xh | Pv);
        uint64_t Mh = Pv & Xh;
        if (Ph & high)
            ++score;
        else if (Mh & high)
            --score;
        Ph <<= 1;
        Mh <<= 1;
        Pv = Mh | ~(Xv | Ph);
        Mv = Ph & Xv;
        if (score <= k && record(i)) return;
    }
}

void run_ends(std::string_view run, const std::vector<uint64_t>& peq, std::string_view text, int k,
              int stop_at, std::vector<int>& col, int* ends) {
    if (!peq.empty())
        myers_ends(peq.data(), static_cast<int>(run.size()), text, k, stop_at, ends);
    else
        scan_ends(run, text, k, stop_at, col, ends);
}

bool is_run(std::string_view s) { return !s.empty() && s.find('*') == std::string_view::npos; }

void fill_peq(std::string_view run, std::vector<uint64_t>& peq) {
    peq.clear();
    if (run.size() > 64) return;
    peq.assign(256, 0);
    for (size_t j = 0; j < run.size(); ++j) peq[static_cast<unsigned char>(run[j])] |= uint64_t{1} << j;
}

}  // namespace

void prepare_pattern(std::string_view pattern, PreparedPattern& p) {
    p.pattern.assign(pattern);
    p.n_runs = 0;
    p.x = p.y = {};
    const std::string_view whole = p.pattern;
    const size_t n = whole.size();
    if (n < 3 || whole.front() != '*' || whole.back() != '*') return;
    const std::string_view inner = whole.substr(1, n - 2);
    const size_t star = inner.find('*');
    if (star == std::string_view::npos) {
        p.n_runs = 1;
        p.x = inner;
    } else {
        p.x = inner.substr(0, star);
        p.y = inner.substr(star + 1);
        if (!is_run(p.x) || !is_run(p.y)) return;
        p.n_runs = 2;
    }
    fill_peq(p.x, p.peq_x);
    fill_peq(p.y, p.peq_y);
}

bool occurs_within(const PreparedPattern& p, std::string_view text, int dist, std::vector<int>& row) {
    if (dist < 0) return false;
    if (p.n_runs == 0 || dist > kMaxFastDist) return match(p.pattern, text, row) <= dist;
    int ends[kMaxFastDist + 1];
    if (p.n_runs == 1) {  // *X*
        if (dist == 0) return text.find(p.x) != std::string_view::npos;
        run_ends(p.x, p.peq_x, text, dist, dist, row, ends);
        return ends[dist] >= 0;
    }
    // *X*Y*
    if (dist == 0) {  // the first occurrence of X leaves Y the most room
        const size_t at = text.find(p.x);
        return at != std::string_view::npos && text.find(p.y, at + p.x.size()) != std::string_view::npos;
    }
    // for each cost c of X, the earliest end of X within c leaves the longest text for Y,
    // which may then cost dist - c
    run_ends(p.x, p.peq_x, text, dist, 0, row, ends);
    int y_ends[kMaxFastDist + 1];
    for (int c = 0; c <= dist; ++c) {
        if (ends[c] < 0 || (c > 0 && ends[c] == ends[c - 1])) continue;
        run_ends(p.y, p.peq_y, text.substr(ends[c]), dist - c, dist - c, row, y_ends);
        if (y_ends[dist - c] >= 0) return true;
    }
    return false;
}

bool occurs_within(std::string_view pattern, std::string_view text, int dist, std::vector<int>& row) {
    PreparedPattern p;
    prepare_pattern(pattern, p);
    return occurs_within(p, text, dist, row);
}

}  // namespace tessar
