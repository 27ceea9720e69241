#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discover/tree.h"

using namespace tessar;

namespace {

// The substrings the walk spells, in visiting order.
std::vector<std::string> walk_order(CandidateTree& tree) {
    std::vector<std::string> seen;
    std::string buffer = "*";
    std::vector<int> stack;
    walk(tree, 1, stack, [&](int node, int i, int k) {
        buffer.resize(k);
        buffer.push_back(label_char(tree, node, i));
        seen.push_back(buffer.substr(1));
        return true;
    });
    return seen;
}

std::string label(const CandidateTree& tree, int node) {
    const TreeNode& n = tree.nodes[node];
    return (*tree.sample)[n.seq].substr(n.start, label_length(n));
}

// The child list of `node`: labels in list order, checking the last-child links on the way.
std::vector<std::string> children(const CandidateTree& tree, int node) {
    std::vector<std::string> labels;
    for (int c = tree.nodes[node].child; c >= 0;) {
        labels.push_back(label(tree, c));
        if (tree.nodes[c].is_last) {
            EXPECT_EQ(tree.nodes[c].next, node) << "the last child must lead back to its parent";
            break;
        }
        c = tree.nodes[c].next;
    }
    return labels;
}

int child_labelled(const CandidateTree& tree, int node, const std::string& text) {
    for (int c = tree.nodes[node].child; c >= 0; c = tree.nodes[c].is_last ? -1 : tree.nodes[c].next)
        if (label(tree, c) == text) return c;
    return -1;
}

using Labels = std::vector<std::string>;

}  // namespace

TEST(CandidateTree, WorkedExampleShapeAndWalkOrder) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = build_tree(sample);
    EXPECT_EQ(children(tree, kRoot), (Labels{"A", "BA", "C"}));
    int a = child_labelled(tree, kRoot, "A");
    int ba = child_labelled(tree, kRoot, "BA");
    EXPECT_EQ(children(tree, a), (Labels{"BAC", "C", ""}));
    EXPECT_EQ(children(tree, ba), (Labels{"C", ""}));
    EXPECT_EQ(walk_order(tree), (Labels{"A", "AB", "ABA", "ABAC", "AC", "B", "BA", "BAC", "C"}));
}

TEST(CandidateTree, IdenticalSequencesAddOnlyEmptyLeaves) {
    const std::vector<std::string> one = {"MKVK"};
    const std::vector<std::string> two = {"MKVK", "MKVK"};
    CandidateTree t1 = build_tree(one);
    CandidateTree t2 = build_tree(two);
    EXPECT_EQ(walk_order(t1), walk_order(t2));
    for (size_t n = t1.nodes.size(); n < t2.nodes.size(); ++n)
        EXPECT_EQ(label_length(t2.nodes[n]), 0) << "node " << n;
}

TEST(CandidateTree, RepeatedResidueGivesAChainWithEmptyLeaves) {
    const std::vector<std::string> sample = {"AAAA"};
    CandidateTree tree = build_tree(sample);
    int node = kRoot;
    for (int depth = 1; depth <= 4; ++depth) {
        Labels expected = depth == 1 ? Labels{"A"} : Labels{"A", ""};
        ASSERT_EQ(children(tree, node), expected) << "depth " << depth;
        node = tree.nodes[node].child;
    }
    EXPECT_EQ(tree.nodes[node].child, -1);
    EXPECT_EQ(walk_order(tree), (Labels{"A", "AA", "AAA", "AAAA"}));
}

TEST(CandidateTree, EmptySequencesInsertNothingAndAnEmptyTreeWalksOnlyTheRoot) {
    const std::vector<std::string> sample = {"", ""};
    CandidateTree tree = build_tree(sample);
    EXPECT_EQ(tree.nodes.size(), 1u);
    EXPECT_TRUE(walk_order(tree).empty());
    const std::vector<std::string> mixed = {"", "AB", ""};
    CandidateTree t2 = build_tree(mixed);
    EXPECT_EQ(walk_order(t2), (Labels{"A", "AB", "B"}));
}

TEST(CandidateTree, SuffixEndingAtAnEmptyLeafHangsBelowIt) {
    // BA ends at an empty leaf below BA; BAD then descends through it and adds D below it
    const std::vector<std::string> sample = {"BAC", "BA", "BAD"};
    CandidateTree tree = build_tree(sample);
    EXPECT_EQ(walk_order(tree), (Labels{"B", "BA", "BAC", "BAD", "A", "AC", "AD", "C", "D"}));
}

TEST(CandidateTree, AbandoningSkipsTheSubtreeButNotTheSiblings) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = build_tree(sample);
    Labels seen;
    std::string buffer = "*";
    std::vector<int> stack;
    walk(tree, 1, stack, [&](int node, int i, int k) {
        buffer.resize(k);
        buffer.push_back(label_char(tree, node, i));
        seen.push_back(buffer.substr(1));
        return buffer.substr(1) != "AB";  // abandons the node BAC below A at its first character
    });
    EXPECT_EQ(seen, (Labels{"A", "AB", "AC", "B", "BA", "BAC", "C"}));
}

TEST(CandidateTree, TruncatedNodesKeepTheirPlace) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = build_tree(sample);
    std::string buffer = "*";
    std::vector<int> stack;
    // cut every path at its third character, and every path through C at its C
    walk(tree, 1, stack, [&](int node, int i, int k) {
        buffer.resize(k);
        buffer.push_back(label_char(tree, node, i));
        if (k >= 3 || buffer.back() == 'C') {
            truncate_node(tree, node, i);
            return false;
        }
        return true;
    });
    EXPECT_EQ(walk_order(tree), (Labels{"A", "AB", "B", "BA"}));
}

TEST(CandidateTree, DeepPathsWalkWithoutRecursion) {
    const std::vector<std::string> sample = {std::string(5998, 'W') , std::string(3000, 'W')};
    CandidateTree tree = build_tree(sample);
    size_t count = 0, longest = 0;
    std::vector<int> stack;
    walk(tree, 1, stack, [&](int, int, int k) {
        ++count;
        longest = std::max<size_t>(longest, k);
        return true;
    });
    EXPECT_EQ(count, 5998u);
    EXPECT_EQ(longest, 5998u);
}
