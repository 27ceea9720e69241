#include "oracle_search.h"

#include <algorithm>

#include "oracle_match.h"

namespace oracle {

namespace {

// Where a substring of a given length occurs: (sequence, start) pairs, in sample order.
using Places = std::vector<std::pair<int, int>>;

// The one-residue extensions of the substring of `length` residues found at `places`, in the
// order of their first occurrences, each with its own places.
std::vector<std::pair<char, Places>> extensions(const std::vector<std::string>& sample, size_t length,
                                                const Places& places) {
    std::vector<std::pair<char, Places>> out;
    for (const auto& [seq, start] : places) {
        const std::string& s = sample[seq];
        if (start + length >= s.size()) continue;
        const char next = s[start + length];
        auto same = std::find_if(out.begin(), out.end(), [&](const auto& e) { return e.first == next; });
        if (same == out.end()) {
            out.emplace_back(next, Places{});
            same = out.end() - 1;
        }
        same->second.emplace_back(seq, start);
    }
    return out;
}

// Every start of every sequence: where the empty string is followed by a residue.
Places every_start(const std::vector<std::string>& sample) {
    Places places;
    for (size_t seq = 0; seq < sample.size(); ++seq)
        for (size_t start = 0; start < sample[seq].size(); ++start)
            places.emplace_back(static_cast<int>(seq), static_cast<int>(start));
    return places;
}

void visit_below(const std::vector<std::string>& sample, const std::string& text, const Places& places,
                 std::vector<std::string>& order) {
    for (const auto& [next, at] : extensions(sample, text.size(), places)) {
        order.push_back(text + next);
        visit_below(sample, text + next, at, order);
    }
}

// The strings kept for form 2, as a tree in visiting order: every prefix of each one passes
// the test as *P*, and each one is shorter than the greatest length.
struct Kept {
    std::string text;
    std::vector<Kept> below;
};

struct Searcher {
    const std::vector<std::string>& sample;
    Options opt;
    int min_sequences;
    Outcome out;

    int test(const std::string& pattern) {
        return occurrence_test(pattern, sample, min_sequences, opt.mutations, out.n_ticks);
    }
    void report(int occurrences, const std::string& pattern) {
        out.reports.push_back({occurrences, pattern, out.n_ticks});
    }

    // form 1: *X* for every X below `x`
    void single_motifs(const std::string& x, const Places& places) {
        for (const auto& [next, at] : extensions(sample, x.size(), places)) {
            const std::string longer = x + next;
            const int length = static_cast<int>(longer.size());
            if (length < opt.min_length) {  // not tested; its extensions are
                single_motifs(longer, at);
                continue;
            }
            if (length > opt.max_length) continue;
            ++out.n_checked;
            const int occurrences = test("*" + longer + "*");
            if (occurrences < 0) continue;  // nor can any extension pass
            out.attributes.push_back(longer);
            report(occurrences, "*" + longer + "*");
            single_motifs(longer, at);
        }
    }

    // form 2, first: the strings below `kept` whose every prefix passes as *P*
    void keep_passing(Kept& kept, const Places& places) {
        for (const auto& [next, at] : extensions(sample, kept.text.size(), places)) {
            const std::string longer = kept.text + next;
            if (static_cast<int>(longer.size()) >= opt.max_length || test("*" + longer + "*") < 0) continue;
            kept.below.push_back({longer, {}});
            keep_passing(kept.below.back(), at);
        }
    }

    // form 2, then: *X*Y* for every kept Y below `y`
    void pairs_with(const std::string& x, const Kept& y) {
        for (const Kept& longer : y.below) {
            const int length = static_cast<int>(x.size() + longer.text.size());
            if (length < opt.min_length) {
                pairs_with(x, longer);
                continue;
            }
            if (length > opt.max_length) continue;
            ++out.n_checked;
            const std::string pattern = "*" + x + "*" + longer.text + "*";
            const int occurrences = test(pattern);
            if (occurrences < 0) continue;
            out.pairs.emplace_back(x, longer.text);
            out.attributes.push_back(x + "*" + longer.text);
            report(occurrences, pattern);
            pairs_with(x, longer);
        }
    }

    // every kept X below `x`, in visiting order, paired with every kept Y
    void pairs_below(const Kept& x, const Kept& root) {
        for (const Kept& longer : x.below) {
            pairs_with(longer.text, root);
            pairs_below(longer, root);
        }
    }
};

}  // namespace

std::vector<std::string> visiting_order(const std::vector<std::string>& sample) {
    std::vector<std::string> order;
    visit_below(sample, "", every_start(sample), order);
    return order;
}

int occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sequences,
                    int mutations, unsigned long& ticks) {
    const int n = static_cast<int>(sample.size());
    int count = 0;
    for (int i = 0; i < n; ++i) {
        ++ticks;
        if (match(pattern, sample[i]) <= mutations) ++count;
        // even a match in every sequence left would stay below the threshold
        if (count + (n - 1 - i) < min_sequences) return -1;
    }
    return count;
}

Outcome search(const std::vector<std::string>& sample, const Options& opt) {
    // the sample is the whole file: a motif must occur in the minimum occurrence of sequences
    // itself, and in one at least
    Searcher s{sample, opt, std::max(opt.min_occurrence, 1), {}};
    if (opt.form == 2) {
        Kept root;
        s.keep_passing(root, every_start(sample));
        s.pairs_below(root, root);
    } else {
        s.single_motifs("", every_start(sample));
    }
    return s.out;
}

}  // namespace oracle
