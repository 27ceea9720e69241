#include "ngrams/ngrams.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <optional>

#include "context/context.h"
#include "context/presence.h"
#include "inputs/questions.h"
#include "methods/method.h"
#include "parallel/parallel.h"

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

size_t letter_code_count(int n) {
    size_t count = 1;
    for (int i = 0; i < n; ++i) count *= 26;
    return count;
}

bool letters_only(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

namespace {

// The N-gram of n letters whose code is `code`.
std::string letters_of_code(std::uint32_t code, int n) {
    std::string text(static_cast<size_t>(n), 'A');
    for (size_t p = text.size(); p-- > 0; code /= 26) text[p] = static_cast<char>('A' + code % 26);
    return text;
}

// extract_ngrams for short N-grams of letters, the table of their codes standing for the hash
// map. Blocks of sequences are read on every core, each giving the codes that appear in it in
// order of first appearance, and its sum of distinct N-grams per sequence; the blocks are then
// joined in order, which gives the order of first appearance in the whole. Returns nothing when a
// sequence holds a byte that is no letter A to Z.
std::optional<NgramTable> extract_letter_ngrams(const std::vector<std::string>& sequences, int n) {
    constexpr size_t kBlock = 512;
    struct Block {
        std::vector<std::uint32_t> first_codes;  // in order of first appearance in the block
        long long n_sequence_ngrams = 0;
    };
    std::vector<Block> blocks((sequences.size() + kBlock - 1) / kBlock);
    OrderedTasks tasks;
    tasks.count = blocks.size();
    // last_sequence[code]: the last sequence a thread saw the code in (per thread, any block)
    std::vector<std::vector<std::int64_t>> last_sequence(tasks.workers);
    std::atomic<bool> other_bytes{false};
    tasks.run = [&](size_t worker, size_t b) {
        if (other_bytes) return;
        std::vector<std::int64_t>& last = last_sequence[worker];
        if (last.empty()) last.assign(letter_code_count(n), -1);
        const std::int64_t begin = static_cast<std::int64_t>(b * kBlock);
        const std::int64_t end = std::min(static_cast<std::int64_t>(sequences.size()), begin + static_cast<std::int64_t>(kBlock));
        Block& block = blocks[b];
        for (std::int64_t s = begin; s < end; ++s) {
            const std::string& sequence = sequences[static_cast<size_t>(s)];
            if (!letters_only(sequence)) {
                other_bytes = true;
                return;
            }
            for_each_letter_code(sequence, n, [&](std::uint32_t code, size_t) {
                std::int64_t& seen = last[code];
                if (seen == s) return;
                if (seen < begin || seen >= end) block.first_codes.push_back(code);  // first time in this block
                seen = s;
                ++block.n_sequence_ngrams;
            });
        }
    };
    NgramTable table;
    table.n = n;
    std::vector<bool> known(letter_code_count(n), false);
    long long n_sequence_ngrams = 0;
    tasks.deliver = [&](size_t b) {
        if (other_bytes) return;
        for (std::uint32_t code : blocks[b].first_codes) {
            if (known[code]) continue;
            known[code] = true;
            table.ngrams.push_back(letters_of_code(code, n));
        }
        n_sequence_ngrams += blocks[b].n_sequence_ngrams;
        std::vector<std::uint32_t>().swap(blocks[b].first_codes);
    };
    run_ordered(tasks);
    if (other_bytes) return std::nullopt;
    table.n_sequence_ngrams = static_cast<int>(n_sequence_ngrams);
    return table;
}

}  // namespace

RowCoder ngram_coder(const std::vector<std::string>& ngrams, int n) {
    RowCoder presence = presence_coder(ngrams);
    if (n < 1 || n > kMaxLetterCodeN) return presence;
    // the column of each code (-1: none)
    auto columns = std::make_shared<std::vector<std::int32_t>>(letter_code_count(n), -1);
    for (size_t j = 0; j < ngrams.size(); ++j) {
        if (ngrams[j].size() != static_cast<size_t>(n) || !letters_only(ngrams[j])) return presence;
        std::int32_t* column = nullptr;
        for_each_letter_code(ngrams[j], n, [&](std::uint32_t code, size_t) { column = &(*columns)[code]; });
        if (*column >= 0) return presence;  // an N-gram twice: both columns are 1 together
        *column = static_cast<std::int32_t>(j);
    }
    std::shared_ptr<const std::vector<std::int32_t>> shared = columns;
    const size_t n_columns = ngrams.size();
    return [presence, shared, n, n_columns]() -> RowFiller {
        // the columns of the row as bits, read out in order at the end (all 0 between rows)
        return [fallback = presence(), shared, n, present = std::vector<std::uint64_t>(n_columns / 64 + 1, 0)](
                   std::string_view sequence, const std::string* label, std::vector<std::uint32_t>& ones) mutable {
            if (!letters_only(sequence)) {
                fallback(sequence, label, ones);
                return;
            }
            const std::int32_t* column = shared->data();
            for_each_letter_code(sequence, n, [&](std::uint32_t code, size_t) {
                const std::int32_t j = column[code];
                if (j >= 0) present[static_cast<size_t>(j) >> 6] |= std::uint64_t{1} << (j & 63);
            });
            ones.clear();
            for (size_t w = 0; w < present.size(); ++w) {
                for (std::uint64_t m = present[w]; m; m &= m - 1)
                    ones.push_back(static_cast<std::uint32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(m))));
                present[w] = 0;
            }
        };
    };
}

NgramTable extract_ngrams(const std::vector<std::string>& sequences, int n) {
    if (n >= 1 && n <= kMaxLetterCodeN)
        if (std::optional<NgramTable> table = extract_letter_ngrams(sequences, n)) return std::move(*table);
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

    const RowCoder rows = ngram_coder(table.ngrams, n);
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
