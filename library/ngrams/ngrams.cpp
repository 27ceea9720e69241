#include "ngrams/ngrams.h"

#include <climits>
#include <memory>
#include <termios.h>
#include <unistd.h>

#include "dialogue.h"
#include "inputs/questions.h"
#include "inputs/sequences.h"

namespace {

constexpr std::uint64_t kBase = 0x100000001b3ULL;

// Spreads the bits of the polynomial hash over the whole word.
std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// Calls f(position, key) for every window of n residues of `sequence`, left to right. The hash
// rolls: each window costs O(1) however large n is.
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
        f(p, NgramKey{all.substr(p, width), mix(h)});
        if (p + width >= len) break;
        h = (h - static_cast<unsigned char>(sequence[p]) * top) * kBase +
            static_cast<unsigned char>(sequence[p + width]);
    }
}

}  // namespace

NgramTable extract_ngrams(const std::vector<std::string>& sequences, int n) {
    NgramTable table;
    table.n = n;
    // last_counted[id]: the last sequence whose distinct N-grams included N-gram id, so that a
    // repeat within one sequence counts once (the per-sequence lists of distinct N-grams)
    std::vector<int> last_counted;
    for (size_t s = 0; s < sequences.size(); ++s) {
        const int seq = static_cast<int>(s);
        for_each_ngram(sequences[s], n, [&](size_t, const NgramKey& key) {
            auto [at, added] = table.index.try_emplace(key, static_cast<int>(table.ngrams.size()));
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

Presence ngram_presence(const NgramTable& table) {
    struct RowCache {
        const std::string* sequence = nullptr;
        std::vector<char> present;
    };
    auto cache = std::make_shared<RowCache>();
    return [&table, cache](size_t j, const std::string& sequence) {
        if (j == 0 || cache->sequence != &sequence) {
            cache->sequence = &sequence;
            cache->present.assign(table.ngrams.size(), 0);
            for_each_ngram(sequence, table.n, [&](size_t, const NgramKey& key) {
                auto at = table.index.find(key);
                if (at != table.index.end()) cache->present[at->second] = 1;
            });
        }
        return cache->present[j] != 0;
    };
}

void run_ngrams() {
    // training sequences
    std::string in_name;
    File in = ask_sequence_file(2000, 6000, in_name);
    const std::vector<std::string> sequences = read_sequences(in.get(), SequenceReader::NGrams);
    in.reset();
    const short n_sequences = static_cast<short>(sequences.size());
    std::printf("\n ===> %hd sequences found in file <%s>\n", n_sequences, in_name.c_str());

    // classification, test and test classification files; the test file only comes with a
    // classification file, and the test classification file then has no way out
    std::string name, test_name, test_class_name;
    File class_file = ask_optional_class_file(n_sequences, name);
    File test_class_file;
    std::vector<std::string> test_sequences;
    const bool with_test =
        class_file && ask_test_files(test_sequences, test_class_file, test_name, test_class_name);

    // N: no upper bound but the 16-bit range of the answer
    const int n = ask_short([] { std::printf("\n%%\tEnter the size of N default is 3) [3] : "); },
                            3, 1, SHRT_MAX);

    // extraction
    std::clock_t start = std::clock();
    NgramTable table = extract_ngrams(sequences, n);
    std::printf("\n\t%d N-Grams", table.n_sequence_ngrams);
    std::printf("\n\t%d distinct N-Grams", static_cast<int>(table.ngrams.size()));
    std::printf("\n\t%f seconds\n", seconds_since(start));

    // keys typed ahead during the computation are not taken as answers
    std::fflush(stdout);
    if (isatty(STDIN_FILENO)) tcflush(STDIN_FILENO, TCIFLUSH);

    // context files
    ContextRequest request;
    request.attributes = table.ngrams;
    request.present = ngram_presence(table);
    request.training = &sequences;
    request.test = with_test ? &test_sequences : nullptr;
    request.class_file = class_file.get();
    request.test_class_file = test_class_file.get();
    request.blank_lines_before_first_prompt = true;
    write_context_files(request);
    class_file.reset();
    test_class_file.reset();

    finish_method();
}
