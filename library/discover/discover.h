// Active-motif discovery: motifs *X* or *X*Y* that occur, within a number of edit operations,
// in at least a minimum number of sequences.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "context/context.h"
#include "context/presence.h"
#include "dialogue/dialogue.h"
#include "discover/search.h"
#include "methods/method.h"

namespace tessar {

// The method's own questions.
extern const Question kMotifForm;
extern const Question kMinLength;
extern const Question kMinOccurrence;
extern const Question kMutations;
extern const Question kReportName;

struct DiscoverOptions {
    int form = 1;            // Sty: 1 for *X*, 2 for *X*Y*
    int min_length = 3;      // Minlgh: least motif length in residues
    int min_occurrence = 1;  // Minocc: sequences of the file a motif must occur in
    int mutations = 0;       // Dist: edit operations allowed in an occurrence
    // Maxlgh: greatest motif length, stars included: the menu's, or none beyond the sequences'
    // own when the front end takes sequences of any length.
    int max_length = kMenuMaxResidues + 2;
};

struct DiscoverResult {
    unsigned long n_checked = 0;  // St: motifs checked
    unsigned long n_found = 0;    // Ct: motifs found
    // One attribute per motif found, in report order: X for *X*, "X*Y" for *X*Y*.
    std::vector<std::string> attributes;
    // Form 2: X and Y of each attribute.
    std::vector<std::pair<std::string, std::string>> pairs;
};

// What a run computed. A new sequence is encoded with the motifs alone: feature j is 1 when
// motifs.attributes[j] occurs in it (form 1) or, form 2, when X of motifs.pairs[j] occurs and Y
// occurs wholly after X's first occurrence (holds_pair).
struct MotifsRun {
    DiscoverOptions options;
    DiscoverResult motifs;   // the features, in attribute order, and the search's counters
    size_t n_sequences = 0;  // of the training file
    size_t longest_sequence = 0;  // its residues
    ContextSummary tables;
};

// Runs the whole method: dialogue, computation, output files, closing key press.
MotifsRun run_discover(Dialogue& io);

// The least m from 1 to sam whose estimate of the whole file's count reaches min_occ,
// else sam + 1. With a single sequence the finite-population factor is taken as 0.
int sample_threshold(int tot, int sam, int min_occ);

// Builds the candidate tree over `sample` and runs the search of the chosen form;
// `before_search` runs between the two (the report heading goes there); `progress` hears the
// live counts now and then while the search runs, and the final ones at its end.
DiscoverResult discover_motifs(const std::vector<std::string>& sample, const DiscoverOptions& opt,
                               const MatchTick& tick = {}, const MotifFound& on_found = {},
                               const std::function<void()>& before_search = {},
                               const SearchProgress& progress = {});

// Whether `sequence` holds x and, wholly after it, y (exact, gap of any length).
bool holds_pair(const std::string& x, const std::string& y, const std::string& sequence);

// The values of the motif attributes, one sequence at a time, by one scan of the presence
// engine: for *X*, whether X occurs; for *X*Y*, holds_pair's answer (X occurs, and Y wholly
// after X's first occurrence). The rows of both files of the method and of `tessar encode`. Only
// read once made: rows may be encoded on several threads at once, each with its own scratch.
struct MotifRowEncoder {
    PresenceIndex index;      // form 1: every motif; form 2: every X, then every Y
    size_t n_pairs = 0;       // 0: form 1
};
struct MotifRowScratch {
    PresenceScratch presence;
    std::vector<long long> first_end, last_start;  // per text of the index, for one sequence
};
// Form 2 when `pairs` is not empty (X and Y of each attribute), else form 1 on `attributes`.
MotifRowEncoder make_motif_encoder(const std::vector<std::string>& attributes,
                                   const std::vector<std::pair<std::string, std::string>>& pairs);
// The attributes whose value is 1 for `sequence`, ascending, into `ones`.
void encode_motif_row(const MotifRowEncoder& encoder, MotifRowScratch& scratch, std::string_view sequence,
                      std::vector<std::uint32_t>& ones);
// The same as a row coder (methods/method.h).
RowCoder motif_coder(const std::vector<std::string>& attributes,
                     const std::vector<std::pair<std::string, std::string>>& pairs);

}  // namespace tessar
