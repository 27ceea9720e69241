#include "ngrams/ngrams.h"

#include <climits>

#include "context/context.h"
#include "context/presence.h"
#include "inputs/questions.h"
#include "methods/method.h"

namespace tessar {

const Question kNgramSize = {"-n", AnswerKind::Number,
                             "\n%%\tEnter the size of N default is 3) [3] : ",
                             "N, the length of the N-grams", "3", 1, INT_MAX};

namespace {

// The rolling hash of the N-grams: a polynomial in kBase, its bits spread over the whole word.
constexpr std::uint64_t kBase = 0x100000001b3ULL;

std::uint64_t mix_hash(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// Calls f(key) for every window of n residues of `sequence`, left to right. The hash rolls: each
// window costs O(1) however large n is.
template <typename F>
void for_each_ngram(const std::string& sequence, int n, F f) {
    const size_t len = sequence.size();
    const size_t width = static_cast<size_t>(n);
    if (n < 1 || len < width) return;
    std::uint64_t top = 1;  // kBase^(n-1)
    for (size_t i = 1; i < width; ++i) top *= kBase;
    std::uint64_t h = 0;
    for (size_t i = 0; i < width; ++i) h = h * kBase + static_cast<unsigned char>(sequence[i]);
    std::string_view all(sequence);
    for (size_t p = 0;; ++p) {
        f(NgramKey{all.substr(p, width), mix_hash(h)});
        if (p + width >= len) break;
        h = (h - static_cast<unsigned char>(sequence[p]) * top) * kBase +
            static_cast<unsigned char>(sequence[p + width]);
    }
}

void print_counts(Dialogue& io, const NgramTable& table, std::clock_t start) {
    io.printf("\n\t%d N-Grams", table.n_sequence_ngrams);
    io.printf("\n\t%d distinct N-Grams", static_cast<int>(table.ngrams.size()));
    io.printf("\n\t%f seconds\n", seconds_since(start));
}

}  // namespace

NgramTable extract_ngrams(const std::vector<std::string>& sequences, int n) {
    NgramTable table;
    table.n = n;
    // text -> index in `ngrams`; the keys view into the training sequences
    std::unordered_map<NgramKey, int, NgramHash> index;
    // last_counted[id]: the last sequence whose distinct N-grams included N-gram id, so that a
    // repeat within one sequence counts once
    std::vector<int> last_counted;
    for (size_t s = 0; s < sequences.size(); ++s) {
        const int seq = static_cast<int>(s);
        for_each_ngram(sequences[s], n, [&](const NgramKey& key) {
            auto [at, added] = index.try_emplace(key, static_cast<int>(table.ngrams.size()));
            if (added) {
                table.ngrams.emplace_back(key.text);
                last_counted.push_back(-1);
            }
            int& last = last_counted[at->second];
            if (last != seq) {
                last = seq;
                ++table.n_sequence_ngrams;
            }
        });
    }
    return table;
}

NgramsRun run_ngrams(Dialogue& io) {
    LabelledInput in = ask_labelled_input(io, SequenceReader::NGrams,
                                          "\n ===> %hd sequences found in file <%s>\n");
    const int n = ask_number(io, kNgramSize);

    const std::clock_t start = std::clock();
    NgramTable table = extract_ngrams(in.training.sequences, n);
    print_counts(io, table, start);
    // keys typed ahead during the computation are not taken as answers
    io.discard_typeahead();

    const RowCoder rows = presence_coder(table.ngrams);
    ContextRequest request{table.ngrams};
    request.training = coder_rows(rows, in.training.sequences, false);
    if (in.with_test) request.test = coder_rows(rows, in.test.sequences, false);
    request.classes = labelled_class_files(in);
    request.blank_lines_first = true;
    NgramsRun run;
    run.tables = write_context_files(io, request);
    finish_method(io);

    run.n = n;
    run.n_sequences = in.training.sequences.size();
    run.longest_sequence = longest_length(in.training.sequences);
    run.ngrams = std::move(table.ngrams);
    return run;
}

}  // namespace tessar
