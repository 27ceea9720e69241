#include "oracle_tree.h"

namespace tessar {

namespace {

// A leaf holding s[pos..last] of sequence seq, last child of `parent`.
int new_leaf(CandidateTree& tree, int parent, int seq, int pos, int last) {
    int x = add_node(tree);
    TreeNode& leaf = tree.nodes[x];
    leaf.next = parent;
    leaf.seq = seq;
    leaf.is_last = true;
    leaf.start = pos;
    leaf.end = last;
    return x;
}

// Splits node m after its first k label characters: m keeps them, its former children move
// below a continuation node, which comes before the new leaf for the rest of the suffix.
void split(CandidateTree& tree, int m, int k, int seq, int pos, int last) {
    int c = add_node(tree);
    int l = new_leaf(tree, m, seq, pos + k, last);
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

void oracle_insert(CandidateTree& tree, int seq, int pos) {
    const std::string& s = (*tree.sample)[seq];
    const int last = static_cast<int>(s.size()) - 1;
    // s beyond last reads as the terminator, which equals no residue
    auto at = [&](int p) { return p <= last ? s[p] : '\0'; };

    int n = kRoot;
    for (;;) {
        if (tree.nodes[n].child < 0) {
            int x = new_leaf(tree, n, seq, pos, last);
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
                split(tree, m, k, seq, pos, last);
                return;
            }
            if (tree.nodes[m].is_last) {
                int x = new_leaf(tree, n, seq, pos, last);
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

}  // namespace tessar
