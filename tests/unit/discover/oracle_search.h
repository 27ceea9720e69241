// The reference motif search of the tests, written plainly and sharing nothing with the
// library: the candidates are the distinct substrings of the sample, found by brute force; each
// candidate is tested from scratch against every sequence with the reference matcher; the
// occurrence threshold is the minimum occurrence itself. The library's search must report
// exactly what this one does, in the same order, tick for tick.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace oracle {

struct Options {
    int form = 1;            // 1: *X*, 2: *X*Y*
    int min_length = 3;      // residues of a motif, stars not counted
    int min_occurrence = 1;  // sequences a motif must occur in
    int mutations = 0;       // edit operations allowed in an occurrence
    int max_length = 6000;
};

struct Report {
    int occurrences;
    std::string pattern;         // with stars
    unsigned long ticks_before;  // sequences gone through by the tests before this report
};

struct Outcome {
    std::vector<Report> reports;
    unsigned long n_checked = 0;  // candidates tested
    unsigned long n_ticks = 0;    // sequences gone through by every test
    std::vector<std::string> attributes;                      // X, or X*Y, per report
    std::vector<std::pair<std::string, std::string>> pairs;  // form 2: X and Y per report
};

// The distinct substrings of `sample` in the order the search visits them: depth first, each
// string followed by its one-residue extensions in the order of their first occurrences (the
// sample read sequence by sequence, start by start).
std::vector<std::string> visiting_order(const std::vector<std::string>& sample);

// The occurrence test of `pattern`: the sequences it occurs in within `mutations` operations,
// going through the sample in order, or -1 as soon as `min_sequences` is out of reach. Adds the
// sequences gone through to `ticks`.
int occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sequences,
                    int mutations, unsigned long& ticks);

Outcome search(const std::vector<std::string>& sample, const Options& opt);

}  // namespace oracle
