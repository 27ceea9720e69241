#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "discover/tree.h"
#include "oracle_search.h"
#include "oracle_tree.h"
#include "random_sample.h"

using namespace tessar;

namespace {

// Walks the tree calling visit(node, i, spelled), where spelled is "*" and the path down to
// place i of node; the walk goes below that place when visit returns true.
template <typename Visit>
void spell_walk(CandidateTree& tree, Visit visit) {
    std::string buffer = "*";
    std::vector<int> stack;
    walk(tree, 1, stack, [&](int node, int i, int k) {
        buffer.resize(k);
        buffer.push_back(label_char(tree, node, i));
        return visit(node, i, buffer);
    });
}

// The substrings the walk spells, in visiting order.
std::vector<std::string> walk_order(CandidateTree& tree) {
    std::vector<std::string> seen;
    spell_walk(tree, [&](int, int, const std::string& spelled) {
        seen.push_back(spelled.substr(1));
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

TEST(InsertionTree, WorkedExampleShapeAndWalkOrder) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = oracle_build_tree(sample);
    EXPECT_EQ(children(tree, kRoot), (Labels{"A", "BA", "C"}));
    int a = child_labelled(tree, kRoot, "A");
    int ba = child_labelled(tree, kRoot, "BA");
    EXPECT_EQ(children(tree, a), (Labels{"BAC", "C", ""}));
    EXPECT_EQ(children(tree, ba), (Labels{"C", ""}));
    EXPECT_EQ(walk_order(tree), (Labels{"A", "AB", "ABA", "ABAC", "AC", "B", "BA", "BAC", "C"}));
}

TEST(InsertionTree, IdenticalSequencesAddOnlyEmptyLeaves) {
    const std::vector<std::string> one = {"MKVK"};
    const std::vector<std::string> two = {"MKVK", "MKVK"};
    CandidateTree t1 = oracle_build_tree(one);
    CandidateTree t2 = oracle_build_tree(two);
    EXPECT_EQ(walk_order(t1), walk_order(t2));
    for (size_t n = t1.nodes.size(); n < t2.nodes.size(); ++n)
        EXPECT_EQ(label_length(t2.nodes[n]), 0) << "node " << n;
}

TEST(InsertionTree, RepeatedResidueGivesAChainWithEmptyLeaves) {
    const std::vector<std::string> sample = {"AAAA"};
    CandidateTree tree = oracle_build_tree(sample);
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

TEST(InsertionTree, SuffixEndingAtAnEmptyLeafHangsBelowIt) {
    // BA ends at an empty leaf below BA; BAD then descends through it and adds D below it
    const std::vector<std::string> sample = {"BAC", "BA", "BAD"};
    CandidateTree tree = oracle_build_tree(sample);
    const Labels order = {"B", "BA", "BAC", "BAD", "A", "AC", "AD", "C", "D"};
    EXPECT_EQ(walk_order(tree), order);
    CandidateTree fast = build_tree(sample);
    EXPECT_EQ(walk_order(fast), order);
}

TEST(CandidateTree, AbandoningSkipsTheSubtreeButNotTheSiblings) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = build_tree(sample);
    Labels seen;
    spell_walk(tree, [&](int, int, const std::string& spelled) {
        seen.push_back(spelled.substr(1));
        return spelled != "*AB";  // abandons the node BAC below A at its first character
    });
    EXPECT_EQ(seen, (Labels{"A", "AB", "AC", "B", "BA", "BAC", "C"}));
}

TEST(CandidateTree, TruncatedNodesKeepTheirPlace) {
    const std::vector<std::string> sample = {"ABAC", "BA"};
    CandidateTree tree = build_tree(sample);
    // cut every path at its third character, and every path through C at its C
    spell_walk(tree, [&](int node, int i, const std::string& spelled) {
        if (spelled.size() > 3 || spelled.back() == 'C') {
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

// The suffix-array tree against the insertion tree: the walks must spell the same strings in
// the same order, also when visits abandon paths, and after the same cuts.
namespace {

std::vector<std::string> random_sample(std::mt19937& rng) {
    std::vector<std::string> sample = random_letters(rng, 7, 14, 3);
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
    case 0:  // copies and prefixes of one sequence
        for (size_t i = 1; i < sample.size(); ++i) sample[i] = sample[0].substr(0, sample[0].size() - i % 2);
        break;
    case 1:  // one repeated residue of varied lengths
        for (size_t i = 0; i < sample.size(); ++i) sample[i] = std::string(i * 3 % 8, 'W');
        break;
    default:
        break;
    }
    return sample;
}

// A pseudo-random decision per string, the same for both trees.
bool chosen(const std::string& s, unsigned salt) {
    return std::hash<std::string>{}(s + char('a' + salt % 26)) % 5 == 0;
}

// The strings visited by a walk that abandons the chosen ones, then, after a cut of the chosen
// ones (truncating their node at them), the strings of a full walk.
std::vector<std::string> observed(CandidateTree& tree, unsigned salt) {
    std::vector<std::string> seen;
    spell_walk(tree, [&](int, int, const std::string& spelled) {
        seen.push_back(spelled.substr(1));
        return !chosen(spelled, salt);
    });
    seen.push_back("|");
    spell_walk(tree, [&](int node, int i, const std::string& spelled) {
        if (chosen(spelled, salt + 1)) {
            truncate_node(tree, node, i);
            return false;
        }
        return true;
    });
    seen.push_back("|");
    for (auto& s : walk_order(tree)) seen.push_back(s);
    return seen;
}

}  // namespace

TEST(CandidateTree, WalksEveryDistinctSubstringInFirstOccurrenceOrder) {
    // against the brute-force enumeration of the reference search, which uses no tree at all
    std::mt19937 rng(43);
    for (int round = 0; round < 1000; ++round) {
        const auto sample = random_sample(rng);
        CandidateTree tree = build_tree(sample);
        ASSERT_EQ(walk_order(tree), oracle::visiting_order(sample)) << "round " << round;
    }
}

TEST(CandidateTree, WalksLikeTheInsertionTree) {
    std::mt19937 rng(41);
    for (int round = 0; round < 3000; ++round) {
        const auto sample = random_sample(rng);
        SCOPED_TRACE(testing::Message() << "round " << round);
        CandidateTree fast = build_tree(sample);
        CandidateTree slow = oracle_build_tree(sample);
        ASSERT_EQ(walk_order(fast), walk_order(slow));
        ASSERT_EQ(observed(fast, round), observed(slow, round));
    }
}

TEST(CandidateTree, WalksLikeTheInsertionTreeOnProteinLikeText) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> letter(0, 19), length(0, 120);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> sample(1 + round % 9);
        for (auto& s : sample) {
            s.resize(length(rng));
            for (char& c : s) c = "ARNDCQEGHILKMFPSTWYV"[letter(rng) % (round % 2 ? 20 : 4)];
        }
        CandidateTree fast = build_tree(sample);
        CandidateTree slow = oracle_build_tree(sample);
        ASSERT_EQ(observed(fast, round), observed(slow, round)) << "round " << round;
    }
}
