// The reference motif search of the tests: the candidate tree built by inserting every suffix
// one at a time, and the searches testing each candidate pattern against every sequence it may
// occur in, from scratch, with the reference matcher. The library's search must report exactly
// what this one does, tick for tick.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "discover/discover.h"
#include "discover/tree.h"
#include "oracle_match.h"

namespace tessar {

// Inserts below the root the suffix of sample sequence `c_seq` that begins at `pos`.
void oracle_insert(CandidateTree& tree, int c_seq, int pos);

// Inserts every suffix of every sample sequence, sequence by sequence, start by start.
CandidateTree oracle_build_tree(const std::vector<std::string>& sample);

// One flag per sample sequence: whether a pattern occurs in it within the allowed operations.
using OracleSet = std::vector<char>;

// Occurrence test of `pattern` over the sample: the number of sequences in which it occurs
// within `dist` operations, or -1 as soon as `min_sam` has become out of reach. `tick` is
// called once per sequence gone through, including those `possible` (the set of the pattern
// this one extends by a residue) rules out without matching.
int oracle_occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sam,
                           int dist, MatchWork& work, const std::function<void()>& tick,
                           const OracleSet* possible = nullptr, OracleSet* occurs = nullptr);

// discover_motifs done the reference way: tree by insertion, one occurrence test per candidate.
// `tick` is called once per sequence gone through.
DiscoverResult oracle_discover(const std::vector<std::string>& sample, const DiscoverOptions& opt,
                               const std::function<void()>& tick = {}, const MotifFound& on_found = {});

}  // namespace tessar
