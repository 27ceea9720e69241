#include "discover/search.h"

#include "discover/match.h"

namespace tessar {

int occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sam,
                    int dist, MatchWork& work, const MatchTick& tick,
                    const OccurrenceSet* possible, OccurrenceSet* occurs) {
    const int sam = static_cast<int>(sample.size());
    prepare_pattern(pattern, work.pattern);
    if (occurs) occurs->assign(sam, 0);
    int count = 0;
    for (int i = 0; i < sam; ++i) {
        if (tick) tick();
        const bool hit = (!possible || (*possible)[i]) &&
                         occurs_within(work.pattern, sample[i], dist, work.row);
        if (hit) {
            ++count;
            if (occurs) (*occurs)[i] = 1;
        }
        // even a match in every remaining sequence would stay below the threshold
        if (count + (sam - 1 - i) < min_sam) return -1;
    }
    return count;
}

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick, MotifFound on_found) {
    return Search{tree, params, std::move(tick), std::move(on_found)};
}

namespace {

// Nothing is known of the pattern ending at buffer position k: whatever was, belongs to
// another path.
void forget(Search& s, int k) {
    if (s.known.size() <= static_cast<size_t>(k)) {
        s.known.resize(k + 1, 0);
        s.occ_at.resize(k + 1);
    }
    s.known[k] = 0;
}

// Writes residue c at buffer position k, followed by the closing star.
void put(Search& s, int k, char c) {
    s.B.resize(k);
    s.B.push_back(c);
    s.B.push_back('*');
    forget(s, k);
}

// The occurrence test of the pattern ending at buffer position k; when its prefix ending at
// k - 1 was accepted, only the sequences that prefix occurs in are matched.
int test(Search& s, int k) {
    const OccurrenceSet* possible = s.known[k - 1] ? &s.occ_at[k - 1] : nullptr;
    int count = occurrence_test(s.B, *s.tree.sample, s.params.Minsam, s.params.Dist, s.work, s.tick,
                                possible, &s.occ_at[k]);
    s.known[k] = count >= 0;
    return count;
}

void report(Search& s, int occurrences) {
    ++s.Ct;
    if (s.on_found) s.on_found(occurrences, s.B, s.Ct);
}

}  // namespace

void one_ptn(Search& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        if (k < s.params.Minlgh) return true;
        if (k > s.params.Maxlgh) return false;
        ++s.St;
        const int count = test(s, k);
        // every extension of a rejected X needs at least as many operations in every sequence
        if (count < 0) return false;
        s.MLst.push_back(s.B.substr(1, k));
        report(s, count);
        return true;
    });
}

void cut(Search& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        if (k >= s.params.Maxlgh || test(s, k) < 0) {
            truncate_node(s.tree, node, i);
            return false;
        }
        return true;
    });
}

void second_ptn(Search& s, int start) {
    const int x_length = start - 2;
    forget(s, start - 1);  // the star before Y: a first Y residue has no tested prefix
    walk(s.tree, start, s.S2, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        const int y_length = k - start + 1;
        const int length = x_length + y_length;
        if (length < s.params.Minlgh) return true;
        if (length > s.params.Maxlgh) return false;
        ++s.St;
        const int count = test(s, k);
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
        put(s, k, label_char(s.tree, node, i));
        second_ptn(s, k + 2);
        return true;
    });
}

}  // namespace tessar
