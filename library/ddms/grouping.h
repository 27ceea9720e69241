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

// The working matrix MS (a copy of the chosen table) and the similarity threshold Score, with
// the per-residue factor of the PM precomputed from MS.
struct SimilarityRule {
    SubstitutionMatrix MS;
    float Score = 0.5f;
    // factor[a] = MS[a][a] / (MS[a][a] + sum of the positive entries of row a off the diagonal)
    float factor[kNbResidues];
    // facing[x * 256 + y]: 1 when the letters x and y may stand at one position of a similar
    // pair (no negative entry; outside AA, only equal letters)
    std::vector<unsigned char> facing;
};
SimilarityRule make_similarity_rule(const SubstitutionMatrix& table, float Score);

// The position of a residue letter in AA (0 to 19), or -1 for any other character.
int Index(char letter);

// 1 when `candidate` (its first length(reference) residues) is similar to `reference`: no
// negative matrix entry between the two at any position, and the sum of the pair entries over
// the sum of the reference's own diagonal entries strictly above Score (sums, quotient and
// comparison in 32-bit floats). Letters outside AA: equal ones add nothing to the sums,
// different ones make the pair dissimilar.
int Substitute(const SimilarityRule& rule, std::string_view reference, std::string_view candidate);

// Substitute's decision on its two sums, taken over positions that all may face each other:
// similar when the quotient pair / self, in 32-bit floats, is strictly above Score; never when
// self is 0 (only letters outside AA: nothing to compare).
bool similar_sums(float pair, float self, float Score);

// 1 when some window of `sequence`, of the descriptor's length, is similar to the descriptor
// (windows tried from the left, the first similar one ends the search).
int ExistMotif(const SimilarityRule& rule, std::string_view sequence, std::string_view descriptor);

// The mutation possibility of a descriptor text: 1 minus the product of the factors of its
// residues, in 32-bit floats; a letter outside AA contributes the factor 1.
float mutation_possibility(const SimilarityRule& rule, std::string_view text);

// One descriptor of the method.
struct MSDescriptor {
    std::string text;
    float pm = 0;            // mutation possibility
    bool kept = false;       // survives the merge
    std::string class_name;  // the class of its first family
};

// The descriptor table of the method, in its order.
struct DescriptorTable {
    std::vector<MSDescriptor> entries;
    size_t size() const { return entries.size(); }
    const MSDescriptor& operator[](size_t i) const { return entries[i]; }
    MSDescriptor& operator[](size_t i) { return entries[i]; }
};

// Appends one descriptor (PM 0, not kept).
void add_descriptor(DescriptorTable& table, std::string text, std::string class_name);

// Swaps entries a and b.
void echange(DescriptorTable& table, int a, int b);

// Sorts entries first..last (inclusive) by decreasing PM with the quicksort whose exact order of
// swaps decides the order of equal PMs.
void Tri(DescriptorTable& table, int first, int last);

// The PM of every entry (none kept yet), and each run of one length (the table is longest
// first) ordered by decreasing PM with Tri.
void order_by_pm(DescriptorTable& table, const SimilarityRule& rule);

// The entries of each length, in table order.
std::map<size_t, std::vector<int>> entries_by_length(const DescriptorTable& table);

// Deletes the entries not kept; the survivors keep their order.
void drop_merged(DescriptorTable& table);

// The table of AllDDs in its order (longest descriptors first): the text of each record and the
// class name of the first family of its tie set.
DescriptorTable copy_descriptors(const DescriptorData& data);

// PM, ordering of each length by decreasing PM, merge and removal of the merged descriptors.
void group_descriptors(DescriptorTable& table, const SimilarityRule& rule);

// copy_descriptors then group_descriptors.
DescriptorTable MSDescriptors(const DescriptorData& data, const SimilarityRule& rule);

}  // namespace tessar
