#include "ngrams/ngrams.h"

#include <algorithm>
#include <climits>
#include <memory>

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

// Short N-grams of the letters A to Z (every residue the reader keeps) are numbered directly: a
// window's code is its letters, five bits each, and a table of 32^N entries maps each code to
// its N-gram's index. No hashing and no comparing of texts; 32^4 entries at most (4 MB).
constexpr int kDirectMaxN = 4;
constexpr int kLetterBits = 5;

bool is_letter(char c) { return c >= 'A' && c <= 'Z'; }

size_t code_count(int n) { return size_t{1} << (kLetterBits * n); }

bool all_letters(std::string_view text) { return std::all_of(text.begin(), text.end(), is_letter); }

// Calls f(p, code) for every window of n letters of `sequence` (p its start), left to right; a
// window holding another character has no code and is passed over.
template <typename F>
void for_each_code(std::string_view sequence, int n, size_t n_codes, F f) {
    size_t code = 0;
    int run = 0;  // letters in a row up to here
    for (size_t p = 0; p < sequence.size(); ++p) {
        if (!is_letter(sequence[p])) {
            run = 0;
            continue;
        }
        code = ((code << kLetterBits) | static_cast<size_t>(sequence[p] - 'A')) & (n_codes - 1);
        if (++run >= n) f(p + 1 - static_cast<size_t>(n), code);
    }
}

// The code of an N-gram of n letters.
size_t code_of(std::string_view ngram) {
    size_t code = 0;
    for (char c : ngram) code = (code << kLetterBits) | static_cast<size_t>(c - 'A');
    return code;
}

// extract_ngrams for n <= kDirectMaxN over sequences of letters A to Z.
NgramTable extract_direct(const std::vector<std::string>& sequences, int n) {
    NgramTable table;
    table.n = n;
    const size_t n_codes = code_count(n);
    std::vector<int> index(n_codes, -1);  // code -> N-gram
    std::vector<int> last_counted;        // as in extract_ngrams
    for (size_t s = 0; s < sequences.size(); ++s) {
        const int seq = static_cast<int>(s);
        const std::string& sequence = sequences[s];
        for_each_code(sequence, n, n_codes, [&](size_t p, size_t code) {
            int& at = index[code];
            if (at < 0) {
                at = static_cast<int>(table.ngrams.size());
                table.ngrams.emplace_back(sequence, p, static_cast<size_t>(n));
                last_counted.push_back(-1);
            }
            int& last = last_counted[static_cast<size_t>(at)];
            if (last != seq) {
                last = seq;
                ++table.n_sequence_ngrams;
            }
        });
    }
    return table;
}

void print_counts(Dialogue& io, const NgramTable& table, std::clock_t start) {
    io.printf("\n\t%d N-Grams", table.n_sequence_ngrams);
    io.printf("\n\t%d distinct N-Grams", static_cast<int>(table.ngrams.size()));
    io.printf("\n\t%f seconds\n", seconds_since(start));
}

}  // namespace

NgramTable extract_ngrams(const std::vector<std::string>& sequences, int n) {
    if (n >= 1 && n <= kDirectMaxN &&
        std::all_of(sequences.begin(), sequences.end(), [](const std::string& s) { return all_letters(s); }))
        return extract_direct(sequences, n);
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

RowCoder ngram_coder(std::vector<std::string> ngrams) {
    const size_t n = ngrams.empty() ? 0 : ngrams[0].size();
    const bool direct = n >= 1 && n <= kDirectMaxN && std::all_of(ngrams.begin(), ngrams.end(), [n](const std::string& g) {
        return g.size() == n && all_letters(g);
    });
    if (!direct) return presence_coder(std::move(ngrams));
    const size_t n_codes = code_count(static_cast<int>(n));
    auto index = std::make_shared<std::vector<std::int32_t>>(n_codes, -1);  // code -> feature
    for (size_t j = 0; j < ngrams.size(); ++j) (*index)[code_of(ngrams[j])] = static_cast<std::int32_t>(j);
    const size_t n_words = (ngrams.size() + 63) / 64;
    return [index, n, n_codes, n_words]() -> RowFiller {
        // the features seen, as bits, cleared again as they are read out in ascending order
        return [index, n, n_codes, seen = std::vector<std::uint64_t>(n_words)](
                   std::string_view sequence, const std::string*, std::vector<std::uint32_t>& ones) mutable {
            ones.clear();
            const std::int32_t* feature = index->data();
            std::uint64_t* bits = seen.data();
            for_each_code(sequence, static_cast<int>(n), n_codes, [feature, bits](size_t, size_t code) {
                const std::int32_t j = feature[code];
                if (j >= 0) bits[j / 64] |= std::uint64_t{1} << (j % 64);
            });
            size_t count = 0;
            for (std::uint64_t word : seen) count += static_cast<size_t>(__builtin_popcountll(word));
            ones.resize(count);
            std::uint32_t* one = ones.data();
            for (size_t word = 0; word < seen.size(); ++word) {
                for (std::uint64_t set = seen[word]; set; set &= set - 1)
                    *one++ = static_cast<std::uint32_t>(word * 64 + static_cast<size_t>(__builtin_ctzll(set)));
                seen[word] = 0;
            }
        };
    };
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

    const RowCoder rows = ngram_coder(table.ngrams);
    ContextRequest request{table.ngrams};
    request.training = coder_rows(rows, in.training.sequences, false);
    if (in.with_test) request.test = coder_rows(rows, in.test.sequences, false);
    request.training.ids = &in.training.ids;
    request.test.ids = &in.test.ids;
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
