#include "discover/tree.h"

#include <divsufsort.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace tessar {

CandidateTree new_tree(const std::vector<std::string>& sample) {
    CandidateTree tree;
    tree.sample = &sample;
    add_node(tree);  // the root: empty label (start 1, end 0), no link, not a last child
    return tree;
}

int add_node(CandidateTree& tree) {
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

}  // namespace

// The walk sees the trie of every distinct substring of the sample; the order of the branches
// below a string w is the order in which the one-at-a-time insertion of the suffixes (sequence
// by sequence, start by start) first met each w·a, i.e. the order of the first occurrences of
// the w·a in the laid-out text. The branches come out of the suffix array in letter order and
// are sorted by first occurrence as soon as their parent is complete. Node boundaries differ
// from the insertion tree's (no empty labels, no split left behind by a suffix ending inside
// a label), which nothing on a walk observes.
//
// While a node is incomplete its fields hold the draft: `start` the first text position
// where its string occurs, `seq` that position's sequence, `end` the length of its string,
// `child` and `next` its children in suffix order. Its parent, once complete, turns them into
// its label and its place in the sorted list.
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
    std::vector<TreeNode>& nodes = tree.nodes;
    nodes.reserve(2 * static_cast<size_t>(n));  // at most one leaf and one inner node per position
    std::vector<int> last_child;                // per node, while its children are drafted
    last_child.reserve(2 * static_cast<size_t>(n));
    auto new_draft = [&](int depth, int first, int seq) {
        TreeNode d;
        d.seq = seq;
        d.start = first;
        d.end = depth;
        nodes.push_back(d);
        last_child.push_back(-1);
        return static_cast<int>(nodes.size()) - 1;
    };
    nodes[kRoot].start = std::numeric_limits<int>::max();
    last_child.push_back(-1);
    auto attach = [&](int parent, int depth, int first, int seq, int node) {
        if (first < nodes[parent].start) {
            nodes[parent].start = first;
            nodes[parent].seq = seq;
        }
        if (depth == nodes[parent].end) return;
        if (node < 0) node = new_draft(depth, first, seq);
        if (last_child[parent] < 0)
            nodes[parent].child = node;
        else
            nodes[last_child[parent]].next = node;
        last_child[parent] = node;
    };
    // a complete node's children: in order of first occurrence, labels at that occurrence
    std::vector<int> kids;
    auto complete = [&](int v) {
        kids.clear();
        for (int c = nodes[v].child; c >= 0; c = nodes[c].next) kids.push_back(c);
        if (kids.empty()) return;
        std::sort(kids.begin(), kids.end(), [&](int a, int b) { return nodes[a].start < nodes[b].start; });
        nodes[v].child = kids.front();
        const int depth = nodes[v].end;
        for (size_t j = 0; j < kids.size(); ++j) {
            TreeNode& node = nodes[kids[j]];
            const int offset = node.start - t.begin[node.seq];
            const int kid_depth = node.end;
            node.start = offset + depth;
            node.end = offset + kid_depth - 1;
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
        while (nodes[open.back()].end > h) {
            const int top = open.back();
            open.pop_back();
            attach(top, depth, first, seq, node);
            complete(top);
            node = top;
            depth = nodes[top].end;
            first = nodes[top].start;
            seq = nodes[top].seq;
        }
        if (nodes[open.back()].end < h) open.push_back(new_draft(h, std::numeric_limits<int>::max(), 0));
        attach(open.back(), depth, first, seq, node);
    }
    complete(kRoot);
    // the root keeps its empty label
    nodes[kRoot].seq = 0;
    nodes[kRoot].start = 1;
    nodes[kRoot].end = 0;
    return tree;
}

void truncate_node(CandidateTree& tree, int node, int q) {
    TreeNode& n = tree.nodes[node];
    n.child = -1;
    n.end = n.start + q - 1;
}

namespace {

// The nodes in depth-first order, each before its children, with the string length before its
// label (`above`); the descent stops at the nodes whose labels reach `limit` characters.
struct Preorder {
    std::vector<int> nodes;
    std::vector<int> above;
};

Preorder preorder(const CandidateTree& tree, int limit) {
    Preorder out;
    std::vector<std::pair<int, int>> todo{{kRoot, 0}};
    while (!todo.empty()) {
        const auto [v, above] = todo.back();
        todo.pop_back();
        out.nodes.push_back(v);
        out.above.push_back(above);
        const int below = above + label_length(tree.nodes[v]);
        if (below >= limit) continue;
        for (int c = tree.nodes[v].child; c >= 0; c = tree.nodes[c].is_last ? -1 : tree.nodes[c].next)
            todo.emplace_back(c, below);
    }
    return out;
}

}  // namespace

std::vector<int> path_reach(const CandidateTree& tree) {
    std::vector<int> reach(tree.nodes.size(), 0);
    const Preorder order = preorder(tree, std::numeric_limits<int>::max());
    // children before their parents
    for (auto v = order.nodes.rbegin(); v != order.nodes.rend(); ++v) {
        int longest = 0;
        for (int c = tree.nodes[*v].child; c >= 0; c = tree.nodes[c].is_last ? -1 : tree.nodes[c].next)
            longest = std::max(longest, reach[c]);
        reach[*v] = label_length(tree.nodes[*v]) + longest;
    }
    return reach;
}

size_t count_strings_of_length(const CandidateTree& tree, int length) {
    if (length < 1) return 0;
    const Preorder order = preorder(tree, length);
    size_t count = 0;
    for (size_t j = 0; j < order.nodes.size(); ++j)
        if (order.above[j] < length && order.above[j] + label_length(tree.nodes[order.nodes[j]]) >= length) ++count;
    return count;
}

std::vector<int> branches(const CandidateTree& tree) {
    std::vector<int> out;
    for (int c = tree.nodes[kRoot].child; c >= 0; c = tree.nodes[c].is_last ? -1 : tree.nodes[c].next)
        out.push_back(c);
    return out;
}

}  // namespace tessar
