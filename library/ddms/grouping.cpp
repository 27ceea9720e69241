#include "ddms/grouping.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "ddms/merge_search.h"

namespace tessar {

namespace {

// kIndex[c]: position of the letter c in kResidueOrder, -1 for every other byte.
struct ResidueIndex {
    signed char code[256];
    ResidueIndex() {
        std::memset(code, -1, sizeof code);
        for (int a = 0; a < kResidueCount; ++a) code[static_cast<unsigned char>(kResidueOrder[a])] = a;
    }
};
const ResidueIndex kIndex;

}  // namespace

int residue_index(char letter) { return kIndex.code[static_cast<unsigned char>(letter)]; }

SimilarityRule make_similarity_rule(const SubstitutionMatrix& table, float threshold) {
    SimilarityRule rule;
    std::memcpy(rule.matrix, table, sizeof rule.matrix);
    rule.threshold = threshold;
    for (int a = 0; a < kResidueCount; ++a) {
        float others = 0;
        for (int k = 0; k < kResidueCount; ++k)
            if (k != a && rule.matrix[a][k] > 0) others += rule.matrix[a][k];
        int d = rule.matrix[a][a];
        rule.factor[a] = d / (d + others);
    }
    rule.facing.assign(256 * 256, 0);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) {
            int a = residue_index(static_cast<char>(x));
            int b = residue_index(static_cast<char>(y));
            rule.facing[x * 256 + y] = (a >= 0 && b >= 0) ? rule.matrix[a][b] >= 0 : x == y;
        }
    return rule;
}

bool is_similar(const SimilarityRule& rule, std::string_view reference, std::string_view candidate) {
    if (candidate.size() < reference.size()) return false;
    // Both sums run in position order, so they equal the two separate passes over the positions;
    // a negative entry decides at once whatever the sums.
    float self = 0;
    float pair = 0;
    for (size_t c = 0; c < reference.size(); ++c) {
        int a = residue_index(reference[c]);
        int b = residue_index(candidate[c]);
        if (a < 0 || b < 0) {
            if (reference[c] == candidate[c]) continue;
            return false;
        }
        int m = rule.matrix[a][b];
        if (m < 0) return false;
        self += rule.matrix[a][a];
        pair += m;
    }
    return similar_sums(pair, self, rule.threshold);
}

bool similar_sums(float pair, float self, float threshold) {
    if (self == 0) return false;
    const float quotient = pair / self;
    return quotient > threshold;
}

bool has_similar_window(const SimilarityRule& rule, std::string_view sequence, std::string_view descriptor) {
    if (sequence.size() < descriptor.size()) return false;
    for (size_t p = 0; p + descriptor.size() <= sequence.size(); ++p)
        if (is_similar(rule, descriptor, sequence.substr(p))) return true;
    return false;
}

float mutation_possibility(const SimilarityRule& rule, std::string_view text) {
    float p = 1;
    for (char r : text) {
        int a = residue_index(r);
        if (a >= 0) p *= rule.factor[a];
    }
    return 1 - p;
}

void add_descriptor(DescriptorTable& table, std::string text, std::string class_name) {
    table.entries.push_back({std::move(text), 0, false, std::move(class_name)});
}

void swap_entries(DescriptorTable& table, int a, int b) { std::swap(table[a], table[b]); }

namespace {

// An entry's place in the ordering by PM, moved in its stead while sorting.
struct ByPm {
    float pm;
    int entry;
};

// sort_by_pm's quicksort on the records of one run: the same comparisons and the same swaps.
void quicksort_by_pm(std::vector<ByPm>& r, int first, int last) {
    // The two parts of a partition are sorted independently of each other, so the smaller one
    // is sorted by recursion and the larger one by the loop: same swaps, bounded stack depth.
    while (last > first) {
        const float pivot = r[last].pm;
        int i = first - 1;
        int j = last;
        for (;;) {
            do ++i; while (r[i].pm > pivot);
            do --j; while (r[j].pm < pivot && j > first);
            if (i >= j) break;
            std::swap(r[i], r[j]);
        }
        std::swap(r[i], r[last]);
        if (i - first < last - i) {
            quicksort_by_pm(r, first, i - 1);
            first = i + 1;
        } else {
            quicksort_by_pm(r, i + 1, last);
            last = i - 1;
        }
    }
}

}  // namespace

void sort_by_pm(DescriptorTable& table, int first, int last) {
    if (last <= first) return;
    // the swaps depend on the PMs alone: they are made on small records, and each entry (two
    // strings) is moved once, to its final place
    std::vector<ByPm> order;
    order.reserve(static_cast<size_t>(last - first + 1));
    for (int i = first; i <= last; ++i) order.push_back({table[i].pm, i});
    quicksort_by_pm(order, 0, last - first);
    // place first + k takes entry order[k].entry: each cycle of the permutation in turn, through
    // one spare entry (a placed record's entry is set to -1)
    for (size_t k = 0; k < order.size(); ++k) {
        if (order[k].entry < 0 || order[k].entry == first + static_cast<int>(k)) continue;
        DdmsDescriptor spare = std::move(table[first + static_cast<int>(k)]);
        size_t to = k;
        for (;;) {
            const int from = order[to].entry;
            order[to].entry = -1;
            if (from == first + static_cast<int>(k)) {
                table[first + static_cast<int>(to)] = std::move(spare);
                break;
            }
            table[first + static_cast<int>(to)] = std::move(table[from]);
            to = static_cast<size_t>(from - first);
        }
    }
}

namespace {

// The merge within one length: each entry but those of PM 0 takes the first earlier entry of its
// length that is similar to it (the earlier one the reference), or itself when none is, and
// the entries taken are kept.
void merge_length(DescriptorTable& table, const SimilarityRule& rule, size_t length, const std::vector<int>& entries) {
    std::vector<std::string_view> texts;
    std::vector<char> searching;
    texts.reserve(entries.size());
    for (int e : entries) {
        texts.push_back(table[e].text);
        searching.push_back(table[e].pm != 0);
    }
    const std::vector<std::uint32_t> earliest = earliest_similar(texts, length, searching, rule);
    for (size_t u = 0; u < earliest.size(); ++u) {
        DdmsDescriptor& reference = table[entries[earliest[u]]];
        reference.kept = true;
        if (earliest[u] != u) reference.stands_for.push_back(table[entries[u]].text);
    }
}

}  // namespace

DescriptorTable copy_descriptors(const DescriptorData& data) {
    DescriptorTable table;
    table.entries.reserve(data.descriptors.size());
    for (const MinedDescriptor& dd : data.descriptors) {
        std::string class_name = descriptor_class(data, dd);
        std::string text;
        if (dd.first_occurrence < data.text.size())
            text = data.text.substr(dd.first_occurrence, static_cast<size_t>(dd.length));
        add_descriptor(table, std::move(text), std::move(class_name));
    }
    return table;
}

void order_by_pm(DescriptorTable& table, const SimilarityRule& rule) {
    const int n = static_cast<int>(table.size());
    for (DdmsDescriptor& d : table.entries) {
        d.kept = false;
        d.stands_for.clear();
        d.pm = mutation_possibility(rule, d.text);
    }
    // each run of one length (the table is longest first)
    for (int i = 0; i < n;) {
        int end = i + 1;
        while (end < n && table[end].text.size() >= table[i].text.size()) ++end;
        sort_by_pm(table, i, end - 1);
        i = end;
    }
}

std::map<size_t, std::vector<int>> entries_by_length(const DescriptorTable& table) {
    std::map<size_t, std::vector<int>> by_length;
    for (size_t i = 0; i < table.size(); ++i) by_length[table[i].text.size()].push_back(static_cast<int>(i));
    return by_length;
}

void drop_merged(DescriptorTable& table) {
    table.entries.erase(std::remove_if(table.entries.begin(), table.entries.end(),
                                       [](const DdmsDescriptor& d) { return !d.kept; }),
                        table.entries.end());
}

void group_descriptors(DescriptorTable& table, const SimilarityRule& rule) {
    order_by_pm(table, rule);
    // merge: each descriptor marks the first earlier descriptor of its length that is similar to
    // it, or itself when there is none
    for (const auto& [length, entries] : entries_by_length(table)) merge_length(table, rule, length, entries);
    drop_merged(table);
}

DescriptorTable merged_descriptors(const DescriptorData& data, const SimilarityRule& rule) {
    DescriptorTable table = copy_descriptors(data);
    group_descriptors(table, rule);
    return table;
}

}  // namespace tessar
