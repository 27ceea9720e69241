#include "oracle_search.h"

namespace tessar {

namespace {

// A leaf holding s[pos..lst] of sequence c_seq, last child of `parent`.
int new_leaf(CandidateTree& tree, int parent, int c_seq, int pos, int lst) {
    int x = newnode(tree);
    TreeNode& leaf = tree.nodes[x];
    leaf.next = parent;
    leaf.seq = c_seq;
    leaf.is_last = true;
    leaf.start = pos;
    leaf.end = lst;
    return x;
}

// Splits node m after its first k label characters: m keeps them, its former children move
// below a continuation node, which comes before the new leaf for the rest of the suffix.
void split(CandidateTree& tree, int m, int k, int c_seq, int pos, int lst) {
    int c = newnode(tree);
    int l = new_leaf(tree, m, c_seq, pos + k, lst);
    TreeNode& cont = tree.nodes[c];
    TreeNode& old = tree.nodes[m];
    cont.child = old.child;
    cont.next = l;
    cont.seq = old.seq;
    cont.is_last = false;
    cont.start = old.start + k;
    cont.end = old.end;
    old.end = old.start + k - 1;
    old.child = c;
    // the former children's last one now leads back to the continuation
    int x = cont.child;
    if (x >= 0) {
        while (!tree.nodes[x].is_last) x = tree.nodes[x].next;
        tree.nodes[x].next = c;
    }
}

}  // namespace

void oracle_insert(CandidateTree& tree, int c_seq, int pos) {
    const std::string& s = (*tree.sample)[c_seq];
    const int lst = static_cast<int>(s.size()) - 1;
    // s beyond lst reads as the terminator, which equals no residue
    auto at = [&](int p) { return p <= lst ? s[p] : '\0'; };

    int n = kRoot;
    for (;;) {
        if (tree.nodes[n].child < 0) {
            int x = new_leaf(tree, n, c_seq, pos, lst);
            tree.nodes[n].child = x;
            return;
        }
        int m = tree.nodes[n].child;
        for (;;) {
            const int length = label_length(tree.nodes[m]);
            int k = 0;
            while (k < length && label_char(tree, m, k) == at(pos + k)) ++k;
            if (k == length) {  // the whole label matches (an empty one always does): descend
                n = m;
                pos += k;
                break;
            }
            if (k > 0) {
                split(tree, m, k, c_seq, pos, lst);
                return;
            }
            if (tree.nodes[m].is_last) {
                int x = new_leaf(tree, n, c_seq, pos, lst);
                tree.nodes[m].is_last = false;
                tree.nodes[m].next = x;
                return;
            }
            m = tree.nodes[m].next;
        }
    }
}

CandidateTree oracle_build_tree(const std::vector<std::string>& sample) {
    CandidateTree tree = new_tree(sample);
    for (size_t c = 0; c < sample.size(); ++c)
        for (size_t pos = 0; pos < sample[c].size(); ++pos) oracle_insert(tree, static_cast<int>(c), static_cast<int>(pos));
    return tree;
}

int oracle_occurrence_test(const std::string& pattern, const std::vector<std::string>& sample, int min_sam,
                           int dist, MatchWork& work, const std::function<void()>& tick,
                           const OracleSet* possible, OracleSet* occurs) {
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

namespace {

struct OracleSearch {
    CandidateTree& tree;
    SearchParams params;
    std::function<void()> tick;
    MotifFound on_found;

    unsigned long St = 0;
    unsigned long Ct = 0;
    std::vector<std::string> MLst{};
    std::vector<std::pair<std::string, std::string>> pairs{};

    std::string B = "*";
    std::vector<int> S1{}, S2{};
    MatchWork work{};
    std::vector<OracleSet> occ_at{};
    std::vector<char> known{};
};

void forget(OracleSearch& s, int k) {
    if (s.known.size() <= static_cast<size_t>(k)) {
        s.known.resize(k + 1, 0);
        s.occ_at.resize(k + 1);
    }
    s.known[k] = 0;
}

void put(OracleSearch& s, int k, char c) {
    s.B.resize(k);
    s.B.push_back(c);
    s.B.push_back('*');
    forget(s, k);
}

int test(OracleSearch& s, int k) {
    const OracleSet* possible = s.known[k - 1] ? &s.occ_at[k - 1] : nullptr;
    int count = oracle_occurrence_test(s.B, *s.tree.sample, s.params.Minsam, s.params.Dist, s.work, s.tick,
                                       possible, &s.occ_at[k]);
    s.known[k] = count >= 0;
    return count;
}

void report(OracleSearch& s, int occurrences) {
    ++s.Ct;
    if (s.on_found) s.on_found(occurrences, s.B, s.Ct);
}

void one_ptn(OracleSearch& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        if (k < s.params.Minlgh) return true;
        if (k > s.params.Maxlgh) return false;
        ++s.St;
        const int count = test(s, k);
        if (count < 0) return false;
        s.MLst.push_back(s.B.substr(1, k));
        report(s, count);
        return true;
    });
}

void cut(OracleSearch& s) {
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        if (k >= s.params.Maxlgh || test(s, k) < 0) {
            truncate_node(s.tree, node, i);
            return false;
        }
        return true;
    });
}

void second_ptn(OracleSearch& s, int start) {
    const int x_length = start - 2;
    forget(s, start - 1);
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

void first_ptn(OracleSearch& s) {
    cut(s);
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        put(s, k, label_char(s.tree, node, i));
        second_ptn(s, k + 2);
        return true;
    });
}

}  // namespace

DiscoverResult oracle_discover(const std::vector<std::string>& sample, const DiscoverOptions& opt,
                               const std::function<void()>& tick, const MotifFound& on_found) {
    SearchParams params;
    params.Minlgh = opt.Minlgh;
    params.Maxlgh = 6000;
    params.Dist = opt.Dist;
    const int tot = static_cast<int>(sample.size());
    params.Minsam = sample_threshold(tot, tot, opt.Minocc);

    CandidateTree tree = oracle_build_tree(sample);
    OracleSearch s{tree, params, tick, on_found};
    DiscoverResult result;
    if (opt.Sty == 2) {
        first_ptn(s);
        for (const auto& [x, y] : s.pairs) result.attributes.push_back(x + "*" + y);
        result.pairs = std::move(s.pairs);
    } else {
        one_ptn(s);
        result.attributes = std::move(s.MLst);
    }
    result.St = s.St;
    result.Ct = s.Ct;
    return result;
}

}  // namespace tessar
