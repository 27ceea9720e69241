#include "discover/search.h"

#include "discover/match.h"

int occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sam,
                    int dist, MatchWork& work, const MatchTick& tick) {
    const int sam = static_cast<int>(sample.size());
    prepare_pattern(pattern, work.pattern);
    int count = 0;
    for (int i = 0; i < sam; ++i) {
        if (tick) tick();
        if (occurs_within(work.pattern, sample[i], dist, work.row)) ++count;
        // even a match in every remaining sequence would stay below the threshold
        if (count + (sam - 1 - i) < min_sam) return -1;
    }
    return count;
}

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick, MotifFound on_found) {
    Search s{tree, params, std::move(tick), std::move(on_found), 0, 0, {}, {}, "*", {}, {}, {}};
    return s;
}

namespace {

// Writes residue c at buffer position k, followed by the closing star.
void put(std::string& B, int k, char c) {
    B.resize(k);
    B.push_back(c);
    B.push_back('*');
}

int test(Search& s) {
    return occurrence_test(s.B, *s.tree.sample, s.params.Minsam, s.params.Dist, s.work, s.tick);
}

void report(Search& s, int occurrences) {
    ++s.Ct;
    if (s.on_found) s.on_found(occurrences, s.B, s.Ct);
}

}  // namespace

void one_ptn(Search& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s.B, k, label_char(s.tree, node, i));
        if (k < s.params.Minlgh) return true;
        if (k > s.params.Maxlgh) return false;
        ++s.St;
        const int count = test(s);
        // every extension of a rejected X needs at least as many operations in every sequence
        if (count < 0) return false;
        s.MLst.push_back(s.B.substr(1, k));
        report(s, count);
        return true;
    });
}

void cut(Search& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s.B, k, label_char(s.tree, node, i));
        if (k >= s.params.Maxlgh || test(s) < 0) {
            truncate_node(s.tree, node, i);
            return false;
        }
        return true;
    });
}

void second_ptn(Search& s, int start) {
    const int x_length = start - 2;
    walk(s.tree, start, s.S2, [&](int node, int i, int k) {
        put(s.B, k, label_char(s.tree, node, i));
        const int y_length = k - start + 1;
        const int length = x_length + y_length;
        if (length < s.params.Minlgh) return true;
        if (length > s.params.Maxlgh) return false;
        ++s.St;
        const int count = test(s);
        if (count < 0) return false;
        s.pairs.emplace_back(s.B.substr(1, x_length), s.B.substr(start, y_length));
        report(s, count);
        return true;
    });
}

void first_ptn(Search& s) {
    cut(s);
    // every X left in the tree, of any length, is paired with every Y left in it
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s.B, k, label_char(s.tree, node, i));
        second_ptn(s, k + 2);
        return true;
    });
}
