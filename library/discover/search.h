// The motif searches over the candidate tree: the occurrence test, the form-1 search *X*
// (`one_ptn`) and the form-2 search *X*Y* (`first_ptn`, with `cut` and `second_ptn`).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "discover/match.h"
#include "discover/tree.h"

namespace tessar {

struct SearchParams {
    int Minlgh = 3;     // least motif length in residues (stars not counted)
    int Maxlgh = 6000;  // greatest motif length
    int Minsam = 1;     // occurrence threshold within the sample
    int Dist = 0;       // edit operations allowed
};

// Called once per sequence matched (the console spinner hangs on it).
using MatchTick = std::function<void()>;
// Called for each motif found, in search order, with its occurrence number and its pattern
// with stars; `found` already counts it.
using MotifFound = std::function<void(int occurrences, const std::string& pattern, unsigned long found)>;

// One flag per sample sequence: whether a pattern occurs in it within the allowed operations.
using OccurrenceSet = std::vector<char>;

// Occurrence test of `pattern` over the sample: the number of sequences in which it occurs
// within `dist` operations, or -1 as soon as `min_sam` has become out of reach.
// `possible`, when given, is the occurrence set of a pattern this one extends by one residue:
// an extension needs at least as many operations in every sequence, so the sequences outside
// that set are known misses and are not matched (the tick still counts them, so the console
// spinner moves as if they were). `occurs`, when given, receives this pattern's set; it is
// complete only when the pattern is accepted.
int occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sam,
                    int dist, MatchWork& work, const MatchTick& tick,
                    const OccurrenceSet* possible = nullptr, OccurrenceSet* occurs = nullptr);

// The state of one search run.
struct Search {
    CandidateTree& tree;
    SearchParams params;
    MatchTick tick;
    MotifFound on_found;

    unsigned long St = 0;        // candidates tested
    unsigned long Ct = 0;        // motifs found
    std::vector<std::string> MLst{};  // form 1: the motifs found, without stars
    std::vector<std::pair<std::string, std::string>> pairs{};  // form 2: X and Y of each motif found

    std::string B = "*";         // pattern buffer: '*', X, '*' [, Y, '*']
    std::vector<int> S1{}, S2{};  // walk stacks (X walks, Y walk)
    MatchWork work{};            // matcher storage
    // occurrence set of the accepted pattern ending at each buffer position of the current
    // path (known[k] = 0: no accepted test there), so that an extension matches only the
    // sequences its prefix occurs in
    std::vector<OccurrenceSet> occ_at{};
    std::vector<char> known{};
};

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick = {},
                  MotifFound on_found = {});

// Form 1: tests every substring X of the sample from the minimum length up, as *X*.
void one_ptn(Search& s);
// Form 2: truncates the tree to the X that pass as *X*, then pairs them.
void first_ptn(Search& s);
// Cuts every node at the first character whose path label fails the test as *X*.
void cut(Search& s);
// Tests *X*Y* for every Y of the tree, X being in the buffer before position `start` - 1.
void second_ptn(Search& s, int start);

}  // namespace tessar
