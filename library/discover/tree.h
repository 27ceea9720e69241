// The candidate tree of the motif search: a compacted trie of every substring of the sample,
// and the depth-first walk that enumerates the distinct substrings, each right after its
// prefixes. The branches below a string come in the order in which inserting the suffixes one
// at a time (sequence by sequence, start by start) would have created them: the order of their
// first occurrences in the sample.
#pragma once

#include <string>
#include <vector>

namespace tessar {

// One node. Nodes live in CandidateTree::nodes and refer to each other by index (-1: none).
struct TreeNode {
    int child = -1;        // first child
    int next = -1;         // following sibling; for the last child of a list, the parent
    int seq = 0;           // sample sequence whose characters label the edge into this node
    int start = 1;         // first label position in that sequence
    int end = 0;           // last label position, inclusive (end == start - 1: empty label)
    bool is_last = false;  // last child of its parent's list: `next` leads to the parent
};

struct CandidateTree {
    const std::vector<std::string>* sample = nullptr;  // the sequences the labels point into
    std::vector<TreeNode> nodes;                        // nodes[kRoot] is the root
};

constexpr int kRoot = 0;

// A tree holding only its root (empty label, no link) over `sample`, which must outlive it.
CandidateTree new_tree(const std::vector<std::string>& sample);

// Adds a node with default fields and returns its index.
int add_node(CandidateTree& tree);

// The tree of every substring of `sample` (residues are non-zero bytes), built from a suffix
// array in O(n log n).
CandidateTree build_tree(const std::vector<std::string>& sample);

inline int label_length(const TreeNode& n) { return n.end - n.start + 1; }

// Character i (from 0) of the label of `node`.
inline char label_char(const CandidateTree& tree, int node, int i) {
    const TreeNode& n = tree.nodes[node];
    return (*tree.sample)[n.seq][n.start + i];
}

// Cuts `node` at label position q: its child list is dropped and its label keeps the q
// characters before q. Its place in its parent's list is kept.
void truncate_node(CandidateTree& tree, int node, int q);

// Depth-first walk from the root. The first label character of a path is taken at buffer
// position `depth`. For every label character, `visit(node, i, k)` is called with the node,
// the label position i and the buffer position k; returning false abandons the node (its
// remaining characters and its whole subtree, not its following siblings). `stack` holds the
// label lengths of the nodes being descended through; the walk is iterative, since a path can
// be as deep as the longest sequence.
template <class Visit>
void walk(CandidateTree& tree, int depth, std::vector<int>& stack, Visit&& visit);

// The walk of one branch: `top`, a child of the root, and its subtree, visited exactly as
// walk() visits them (the stack starts with the root's empty label). Branches share no node,
// so separate branches may be walked, and cut, at the same time.
template <class Visit>
void walk_branch(CandidateTree& tree, int top, int depth, std::vector<int>& stack, Visit&& visit) {
    stack.assign(1, 0);
    int node = top;
    int d = depth;
    for (;;) {
        int length = label_length(tree.nodes[node]);
        bool abandoned = false;
        for (int i = 0; i < length; ++i)
            if (!visit(node, i, d + i)) {
                abandoned = true;
                break;
            }
        if (!abandoned && tree.nodes[node].child >= 0) {
            stack.push_back(length);
            d += length;
            node = tree.nodes[node].child;
            continue;
        }
        // ascend as walk() does, but never past `top`
        for (;;) {
            if (node == top) return;
            if (!tree.nodes[node].is_last) break;
            d -= stack.back();
            stack.pop_back();
            node = tree.nodes[node].next;
        }
        node = tree.nodes[node].next;
    }
}

// The root's label is empty, so the walk is the walk of each branch in turn.
template <class Visit>
void walk(CandidateTree& tree, int depth, std::vector<int>& stack, Visit&& visit) {
    for (int top = tree.nodes[kRoot].child; top >= 0; top = tree.nodes[top].is_last ? -1 : tree.nodes[top].next)
        walk_branch(tree, top, depth, stack, visit);
}

// The children of the root, in walk order.
std::vector<int> branches(const CandidateTree& tree);

// Per node, the length of the longest path from the first character of its label down to a
// leaf (the root's: the longest string of the tree). A walk that reaches a node's label at
// string length d cannot go past d - 1 + reach[node], so a search abandons the nodes whose
// strings never reach its least length.
std::vector<int> path_reach(const CandidateTree& tree);

// The number of distinct strings of `length` characters in the tree: the nodes whose labels
// span that length.
size_t count_strings_of_length(const CandidateTree& tree, int length);

}  // namespace tessar
