// The reference matcher of the motif search tests: approximate matching of a motif pattern
// against one sequence at a time, under unit-cost edit operations (substitution, insertion,
// deletion of one residue), '*' standing for any run of residues.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessar {

// The least number of edit operations under which `pattern` covers the whole `text`.
// `row` is working storage (one value per pattern character plus one), kept by the caller so
// that repeated calls allocate nothing.
int match(std::string_view pattern, std::string_view text, std::vector<int>& row);
int match(std::string_view pattern, std::string_view text);

// A pattern made ready for occurs_within: its shape and, for runs of up to 64 letters, one bit
// mask per character telling where it stands in the run.
// `x` and `y` view into `pattern`, so a copy would view into the original: it cannot be copied.
struct PreparedPattern {
    PreparedPattern() = default;
    PreparedPattern(const PreparedPattern&) = delete;
    PreparedPattern& operator=(const PreparedPattern&) = delete;

    std::string pattern;
    int n_runs = 0;                 // 1: *X*, 2: *X*Y*, 0: any other pattern
    std::string_view x, y;          // the runs, inside `pattern`
    std::vector<uint64_t> peq_x, peq_y;  // 256 masks each; empty when the run is too long
};

void prepare_pattern(std::string_view pattern, PreparedPattern& p);

// Working storage of the occurrence test, reused from pattern to pattern.
struct MatchWork {
    PreparedPattern pattern;
    std::vector<int> row;
};

// Whether match(pattern, text) <= dist, computed faster for the two pattern shapes of the
// search, *X* and *X*Y* (X and Y non-empty runs of letters): a substring search when dist is 0,
// else a bit-parallel edit-distance scan (or, for runs longer than 64, a scan that follows
// only the cells still within dist) that stops as soon as the answer is known. Any other
// pattern goes through `match`.
bool occurs_within(const PreparedPattern& p, std::string_view text, int dist, std::vector<int>& row);
bool occurs_within(std::string_view pattern, std::string_view text, int dist, std::vector<int>& row);

}  // namespace tessar
