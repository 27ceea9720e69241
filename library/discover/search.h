// The motif searches over the candidate tree: the form-1 search *X* (`one_ptn`) and the form-2
// search *X*Y* (`first_ptn`, with `cut` and `second_ptn`). Each candidate's occurrence test
// extends the rows of its prefix by one letter (rows.h) instead of matching it from scratch.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "discover/rows.h"
#include "discover/tree.h"

struct SearchParams {
    int Minlgh = 3;     // least motif length in residues (stars not counted)
    int Maxlgh = 6000;  // greatest motif length
    int Minsam = 1;     // occurrence threshold within the sample
    int Dist = 0;       // edit operations allowed
};

// Called after each occurrence test with the number of sequences the test went through: it
// goes through the sample in order, counting the sequences the candidate's prefix already rules
// out, and stops as soon as the threshold is out of reach (the console spinner hangs on it).
using MatchTick = std::function<void(unsigned long n_sequences)>;
// Called for each motif found, in search order, with its occurrence number and its pattern
// with stars; `found` already counts it.
using MotifFound = std::function<void(int occurrences, const std::string& pattern, unsigned long found)>;

// The rows of the patterns along a walk, one slot per tree level: a node's letters alternate
// between the two frames of its level, and its children start from the frame its last letter
// filled.
struct FrameStack {
    struct Level {
        RowFrame frames[2];
        int current = 0;
    };
    std::vector<Level> levels;
};

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
    SampleMasks masks{};         // letter masks of the sample
    FrameStack x_rows{}, y_rows{};  // rows along the X walk and along the Y walk
};

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick = {},
                  MotifFound on_found = {});

// Form 1: tests every substring X of the sample from the minimum length up, as *X*.
void one_ptn(Search& s);
// Form 2: truncates the tree to the X that pass as *X*, then pairs them.
void first_ptn(Search& s);
// Cuts every node at the first character whose path label fails the test as *X*.
void cut(Search& s);
// Tests *X*Y* for every Y of the tree, X being in the buffer before position `start` - 1 and
// `x` its rows.
void second_ptn(Search& s, int start, const RowFrame& x);
