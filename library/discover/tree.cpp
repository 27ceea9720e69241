#include "discover/tree.h"

namespace tessar {

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

void insert(CandidateTree& tree, int c_seq, int pos) {
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

CandidateTree build_tree(const std::vector<std::string>& sample) {
    CandidateTree tree = new_tree(sample);
    for (size_t c = 0; c < sample.size(); ++c)
        for (size_t pos = 0; pos < sample[c].size(); ++pos) insert(tree, static_cast<int>(c), static_cast<int>(pos));
    return tree;
}

void truncate_node(CandidateTree& tree, int node, int q) {
    TreeNode& n = tree.nodes[node];
    n.child = -1;
    n.end = n.start + q - 1;
}

}  // namespace tessar
