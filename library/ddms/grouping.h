// Grouping of the discriminative descriptors by a substitution matrix: each descriptor gets a
// mutation possibility (PM), the descriptors of one length are ordered by decreasing PM, and a
// descriptor that the matrix scores as similar to an earlier one of its length is merged into it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ddms/matrices.h"
#include "disclass/disclass.h"

namespace tessar {

// The working matrix (a copy of the chosen table) and the similarity threshold, with the
// per-residue factor of the PM precomputed from the matrix.
struct SimilarityRule {
    SubstitutionMatrix matrix;  // MS
    float threshold = 0.5f;     // Score
    // factor[a] = matrix[a][a] / (matrix[a][a] + the positive entries of row a off the diagonal)
    float factor[kResidueCount];
    // facing[x * 256 + y]: 1 when the letters x and y may stand at one position of a similar
    // pair (no negative entry; outside the matrix alphabet, only equal letters)
    std::vector<unsigned char> facing;
};
SimilarityRule make_similarity_rule(const SubstitutionMatrix& table, float threshold);

// Index: the position of a residue letter in kResidueOrder (0 to 19), or -1 for any other
// character.
int residue_index(char letter);

// Substitute: whether `candidate` (its first length(reference) residues) is similar to
// `reference`: no negative matrix entry between the two at any position, and the sum of the
// pair entries over the sum of the reference's own diagonal entries strictly above the threshold
// (sums, quotient and comparison in 32-bit floats). Letters outside the matrix alphabet: equal
// ones add nothing to the sums, different ones make the pair dissimilar.
bool is_similar(const SimilarityRule& rule, std::string_view reference, std::string_view candidate);

// is_similar's decision on its two sums, taken over positions that all may face each other:
// similar when the quotient pair / self, in 32-bit floats, is strictly above the threshold;
// never when self is 0 (only letters outside the matrix alphabet: nothing to compare).
bool similar_sums(float pair, float self, float threshold);

// ExistMotif: whether some window of `sequence`, of the descriptor's length, is similar to the
// descriptor (windows tried from the left, the first similar one ends the search).
bool has_similar_window(const SimilarityRule& rule, std::string_view sequence, std::string_view descriptor);

// The mutation possibility of a descriptor text: 1 minus the product of the factors of its
// residues, in 32-bit floats; a letter outside the matrix alphabet contributes the factor 1.
float mutation_possibility(const SimilarityRule& rule, std::string_view text);

// One descriptor of the method.
struct DdmsDescriptor {
    std::string text;
    float pm = 0;            // mutation possibility
    bool kept = false;       // survives the merge
    std::string class_name;  // the class of its first family
    std::vector<std::string> stands_for = {};  // kept: the descriptors merged into it
};

// The descriptor table of the method, in its order.
struct DescriptorTable {
    std::vector<DdmsDescriptor> entries;
    size_t size() const { return entries.size(); }
    const DdmsDescriptor& operator[](size_t i) const { return entries[i]; }
    DdmsDescriptor& operator[](size_t i) { return entries[i]; }
};

// Appends one descriptor (PM 0, not kept).
void add_descriptor(DescriptorTable& table, std::string text, std::string class_name);

// echange: swaps entries a and b.
void swap_entries(DescriptorTable& table, int a, int b);

// Tri: sorts entries first..last (inclusive) by decreasing PM with the quicksort whose exact order
// of swaps decides the order of equal PMs.
void sort_by_pm(DescriptorTable& table, int first, int last);

// The PM of every entry (none kept yet), and each run of one length (the table is longest
// first) ordered by decreasing PM with sort_by_pm.
void order_by_pm(DescriptorTable& table, const SimilarityRule& rule);

// The entries of each length, in table order.
std::map<size_t, std::vector<int>> entries_by_length(const DescriptorTable& table);

// Deletes the entries not kept; the survivors keep their order.
void drop_merged(DescriptorTable& table);

// The table of the mined descriptors in their order (longest first): the text of each record and
// the class name of the first family of its tie set.
DescriptorTable copy_descriptors(const DescriptorData& data);

// PM, ordering of each length by decreasing PM, merge and removal of the merged descriptors.
void group_descriptors(DescriptorTable& table, const SimilarityRule& rule);

// MSDescriptors: copy_descriptors then group_descriptors.
DescriptorTable merged_descriptors(const DescriptorData& data, const SimilarityRule& rule);

}  // namespace tessar
