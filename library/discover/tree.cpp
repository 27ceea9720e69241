#include "discover/tree.h"

#include <divsufsort.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

CandidateTree new_tree(const std::vector<std::string>& sample) {
    CandidateTree tree;
    tree.sample = &sample;
    newnode(tree);  // the root: empty label (start 1, end 0), no link, not a last child
    return tree;
}

int newnode(CandidateTree& tree) {
    tree.nodes.emplace_back();
    return static_cast<int>(tree.nodes.size()) - 1;
}

namespace {

// The sample laid end to end, each sequence followed by a zero byte.
struct SampleText {
    std::string text;
    std::vector<int> begin;  // text position of each sequence's first residue
    std::vector<int> end;    // text position of each sequence's separator
};

SampleText lay_out(const std::vector<std::string>& sample) {
    size_t total = 0;
    for (const auto& s : sample) total += s.size() + 1;
    if (total >= static_cast<size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("sample too large for the candidate tree");
    SampleText t;
    t.text.reserve(total);
    for (const auto& s : sample) {
        t.begin.push_back(static_cast<int>(t.text.size()));
        t.text += s;
        t.end.push_back(static_cast<int>(t.text.size()));
        t.text.push_back('\0');
    }
    return t;
}

// The suffixes in rank order: for each, the residues it shares with the one before (never
// past the end of either one's sequence) and its sequence.
struct RankedSuffixes {
    std::vector<int> lcp;
    std::vector<int> seq;
};

// Kasai's pass in text order: the shared length drops by at most one from a position to the
// next. Residues are never zero, so a comparison stops at the first separator.
RankedSuffixes common_prefixes(const SampleText& t, const std::vector<int>& sa) {
    const int n = static_cast<int>(sa.size());
    std::vector<int> rank(n);
    for (int r = 0; r < n; ++r) rank[sa[r]] = r;
    RankedSuffixes out{std::vector<int>(n, 0), std::vector<int>(n)};
    const char* text = t.text.data();
    int h = 0;
    int seq = 0;
    for (int p = 0; p < n; ++p) {
        const int r = rank[p];
        out.seq[r] = seq;
        if (text[p] == '\0') {
            ++seq;
            h = 0;  // a separator shares nothing
            continue;
        }
        if (r == 0) {
            h = 0;
            continue;
        }
        const int q = sa[r - 1];
        while (text[p + h] != '\0' && text[p + h] == text[q + h]) ++h;
        out.lcp[r] = h;
        if (h > 0) --h;
    }
    return out;
}

// A node while the tree is put together: the length of the string it spells, the first text
// position where that string occurs and its sequence, and its children in suffix order until
// it is complete.
struct Draft {
    int depth = 0;
    int first = std::numeric_limits<int>::max();
    int seq = 0;
    int child = -1, last_child = -1, next = -1;
};

}  // namespace

// The walk sees the trie of every distinct substring of the sample; the order of the branches
// below a string w is the order in which the one-at-a-time insertion of the suffixes (sequence
// by sequence, start by start) first met each w·a, i.e. the order of the first occurrences of
// the w·a in the laid-out text. The branches come out of the suffix array in letter order and
// are sorted by first occurrence as soon as their parent is complete. Node boundaries differ
// from the insertion tree's (no empty labels, no split left behind by a suffix ending inside
// a label), which nothing on a walk observes.
CandidateTree build_tree(const std::vector<std::string>& sample) {
    CandidateTree tree = new_tree(sample);
    const SampleText t = lay_out(sample);
    const int n = static_cast<int>(t.text.size());
    if (n == 0) return tree;

    // suffix array and common prefixes within sequences
    std::vector<int> sa(n);
    if (divsufsort(reinterpret_cast<const unsigned char*>(t.text.data()), sa.data(), n) != 0)
        throw std::runtime_error("suffix sorting failed");
    const RankedSuffixes ranked = common_prefixes(t, sa);
    const std::vector<int>& lcp = ranked.lcp;

    // the intervals of equal prefixes, bottom up; a suffix that ends where its enclosing
    // interval's string ends adds no branch (the insertion's empty label), only its position
    std::vector<Draft> draft(1);  // draft[kRoot]: the whole array, depth 0
    // at most one leaf and one inner node per position: room reserved, never moved
    draft.reserve(2 * static_cast<size_t>(n));
    tree.nodes.reserve(2 * static_cast<size_t>(n));
    auto attach = [&](int parent, int depth, int first, int seq, int node) {
        Draft& p = draft[parent];
        if (first < p.first) {
            p.first = first;
            p.seq = seq;
        }
        if (depth == p.depth) return;
        if (node < 0) {
            node = static_cast<int>(draft.size());
            draft.push_back(Draft{depth, first, seq});
        }
        Draft& parent_again = draft[parent];
        if (parent_again.last_child < 0)
            parent_again.child = node;
        else
            draft[parent_again.last_child].next = node;
        parent_again.last_child = node;
    };
    // a complete node's children: in order of first occurrence, labels at that occurrence
    std::vector<int> kids;
    auto complete = [&](int v) {
        kids.clear();
        for (int c = draft[v].child; c >= 0; c = draft[c].next) kids.push_back(c);
        if (kids.empty()) return;
        std::sort(kids.begin(), kids.end(), [&](int a, int b) { return draft[a].first < draft[b].first; });
        if (tree.nodes.size() < draft.size()) tree.nodes.resize(draft.size());
        tree.nodes[v].child = kids.front();
        for (size_t j = 0; j < kids.size(); ++j) {
            const Draft& c = draft[kids[j]];
            TreeNode& node = tree.nodes[kids[j]];
            const int offset = c.first - t.begin[c.seq];
            node.seq = c.seq;
            node.start = offset + draft[v].depth;
            node.end = offset + c.depth - 1;
            node.is_last = j + 1 == kids.size();
            node.next = node.is_last ? v : kids[j + 1];
        }
    };
    std::vector<int> open{kRoot};  // intervals still open, depths strictly increasing
    for (int r = 1; r <= n; ++r) {
        const int h = r < n ? lcp[r] : 0;
        // the suffix of rank r - 1 goes to the deepest interval holding it
        int node = -1;
        int first = sa[r - 1];
        int seq = ranked.seq[r - 1];
        int depth = t.end[seq] - first;
        while (draft[open.back()].depth > h) {
            const int top = open.back();
            open.pop_back();
            attach(top, depth, first, seq, node);
            complete(top);
            node = top;
            depth = draft[top].depth;
            first = draft[top].first;
            seq = draft[top].seq;
        }
        if (draft[open.back()].depth < h) {
            open.push_back(static_cast<int>(draft.size()));
            draft.push_back(Draft{h});
        }
        attach(open.back(), depth, first, seq, node);
    }
    complete(kRoot);
    tree.nodes.resize(draft.size());
    return tree;
}

void truncate_node(CandidateTree& tree, int node, int q) {
    TreeNode& n = tree.nodes[node];
    n.child = -1;
    n.end = n.start + q - 1;
}

std::vector<int> branches(const CandidateTree& tree) {
    std::vector<int> out;
    for (int c = tree.nodes[kRoot].child; c >= 0; c = tree.nodes[c].is_last ? -1 : tree.nodes[c].next)
        out.push_back(c);
    return out;
}
