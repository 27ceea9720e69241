// The motif searches over the candidate tree: the form-1 search *X* (`search_single_motifs`)
// and the form-2 search *X*Y* (`search_motif_pairs`, after `cut_inactive`). Each candidate's
// occurrence test extends the rows of its prefix by one letter (rows.h) instead of matching it
// from scratch. The branches below the root are searched on the pool's threads
// (parallel/parallel.h); their reports and ticks are handed on in walk order, exactly as one
// thread would have made them.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dialogue/dialogue.h"
#include "discover/rows.h"
#include "discover/tree.h"

namespace tessar {

struct SearchParams {
    int min_length = 3;     // Minlgh: least motif length in residues (stars not counted)
    int max_length = kMenuMaxResidues + 2;  // Maxlgh: greatest motif length, its two stars included
    int min_sequences = 1;  // Minsam: sequences of the sample a motif must occur in
    int mutations = 0;      // Dist: edit operations allowed in an occurrence
};

// Called with the number of sequences occurrence tests went through: a test goes through the
// sample in order, counting the sequences the candidate's prefix already rules out, and stops
// as soon as the threshold is out of reach (the console spinner hangs on it).
using MatchTick = std::function<void(unsigned long n_sequences)>;
// Called for each motif found, in search order, with its occurrence number and its pattern
// with stars; `found` already counts it.
using MotifFound = std::function<void(int occurrences, const std::string& pattern, unsigned long found)>;

// How far a search is, for a progress display: candidates checked and motifs found so far.
using SearchProgress = std::function<void(unsigned long checked, unsigned long found)>;

// The counts of every thread as they go, whatever has been handed on yet.
struct LiveCounts {
    std::atomic<unsigned long> checked{0};
    std::atomic<unsigned long> found{0};
};

// The state of one search run.
struct Search {
    CandidateTree& tree;
    SearchParams params;
    MatchTick tick;
    MotifFound on_found;
    size_t frame_budget = 0;     // words of rows a walk keeps along its path (0: a multiple of the sample's)
    // Shown now and then on the thread that runs the search, while the branches are searched
    // (reports are handed on a branch at a time, so the counts of the output lag behind).
    SearchProgress on_progress{};
    std::shared_ptr<LiveCounts> live = std::make_shared<LiveCounts>();
    std::thread::id owner = std::this_thread::get_id();

    unsigned long n_checked = 0;        // St: candidates tested
    unsigned long n_found = 0;          // Ct: motifs found
    std::vector<std::string> motifs{};  // MLst: form 1, the motifs found, without stars
    std::vector<std::pair<std::string, std::string>> pairs{};  // form 2: X and Y of each motif found
    SampleMasks masks{};         // letter masks of the sample
    std::array<long, 256> letter_count{};  // occurrences of each byte in the sample
    std::vector<int> reach{};    // path_reach of the tree as searched (tree.h)
};

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick = {},
                  MotifFound on_found = {});

// Form 1 (one_ptn): tests every substring X of the sample from the minimum length up, as *X*.
void search_single_motifs(Search& s);
// Form 2 (first_ptn): truncates the tree to the X that pass as *X*, then pairs every X left
// with every Y left, testing *X*Y*.
void search_motif_pairs(Search& s);
// Cuts every node at the first character whose path label fails the test as *X*.
void cut_inactive(Search& s);

}  // namespace tessar
