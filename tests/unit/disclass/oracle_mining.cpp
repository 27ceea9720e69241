// The descriptor mining from its rules, by brute force (see oracle_mining.h). The rules, as this
// file follows them:
//
// - The text is every sequence written end to end, family after family. At length 1 every
//   position of the text is a candidate; the candidates of one length are grouped by the
//   substring they start (a label).
// - Labels are tested in label order: at length 1 by the first appearance of the letter in the
//   text; at a longer length by the label its substring without the first letter had at the
//   length before (ascending), then by the label of its substring without the last letter
//   (descending).
// - A label's holders are the sequences holding one of its positions; a family's hits are its
//   sequences among them. The tie set is the families with the most hits and, among those, the
//   fewest sequences; the best family is the last of it. The label is accepted when the share of
//   the best family's sequences that hold it reaches ALPHA, the share of the other families'
//   sequences that hold it is at most BETA (no other sequence at all: rejected), and no position
//   of its first occurrence is eliminated; shares are quotients rounded to single precision.
// - Once a length is tested, from the filtering length on, the positions of its accepted labels
//   are eliminated: they are no candidates any more. A candidate stays one at the next length
//   when the longer substring still fits in its sequence and the next position is a candidate.
#include "oracle_mining.h"

#include <algorithm>
#include <climits>
#include <map>

namespace oracle {

Mining mine(const std::vector<std::vector<std::string>>& families, float alpha, float beta,
            unsigned filter_from_length) {
    // the text, and for each position its sequence (from 1); for each sequence its family (from
    // 1) and the end of its span in the text
    std::string text;
    std::vector<int> sequence_at;
    std::vector<int> family_of;
    std::vector<size_t> end_of;
    std::vector<int> family_size(families.size(), 0);
    for (size_t f = 0; f < families.size(); ++f)
        for (const std::string& sequence : families[f]) {
            ++family_size[f];
            family_of.push_back(static_cast<int>(f + 1));
            text += sequence;
            sequence_at.insert(sequence_at.end(), sequence.size(), static_cast<int>(family_of.size()));
            end_of.push_back(text.size());
        }
    const size_t n = text.size();
    const int n_sequences = static_cast<int>(family_of.size());

    Mining result;
    result.family_counts.assign(families.size(), 0);
    result.sequence_counts.assign(family_of.size(), 0);
    result.eliminated.assign(n, false);
    std::vector<bool> candidate(n, true);
    std::map<std::string, int> label_before;  // the label of each substring of the length before

    for (size_t length = 1;; ++length) {
        std::map<std::string, std::vector<size_t>> positions;  // ascending
        for (size_t x = 0; x < n; ++x)
            if (candidate[x]) positions[text.substr(x, length)].push_back(x);
        if (positions.empty()) break;
        result.longest_candidate = length;

        // the labels in label order
        std::vector<std::string> labels;
        for (const auto& entry : positions) labels.push_back(entry.first);
        if (length == 1) {
            std::sort(labels.begin(), labels.end(),
                      [&](const std::string& a, const std::string& b) { return text.find(a) < text.find(b); });
        } else {
            std::sort(labels.begin(), labels.end(), [&](const std::string& a, const std::string& b) {
                const int a_rest = label_before.at(a.substr(1)), b_rest = label_before.at(b.substr(1));
                if (a_rest != b_rest) return a_rest < b_rest;
                return label_before.at(a.substr(0, length - 1)) > label_before.at(b.substr(0, length - 1));
            });
        }
        label_before.clear();
        for (size_t i = 0; i < labels.size(); ++i) label_before[labels[i]] = static_cast<int>(i);

        std::vector<size_t> to_eliminate;
        for (const std::string& label : labels) {
            const std::vector<size_t>& at = positions[label];
            std::map<int, int> count;  // occurrences by sequence
            for (size_t x : at) ++count[sequence_at[x]];
            std::map<int, int> hits;  // holders by family
            for (const auto& [sequence, c] : count) ++hits[family_of[sequence - 1]];
            int most = 0;
            for (const auto& [family, h] : hits) most = std::max(most, h);
            int smallest = INT_MAX;
            for (const auto& [family, h] : hits)
                if (h == most) smallest = std::min(smallest, family_size[family - 1]);
            std::vector<int> tie_set;
            for (const auto& [family, h] : hits)
                if (h == most && family_size[family - 1] == smallest) tie_set.push_back(family);
            const int best = tie_set.back();

            const int others = n_sequences - family_size[best - 1];
            if (others == 0) continue;
            const int holders = static_cast<int>(count.size());
            const float support = static_cast<float>(static_cast<double>(most) / family_size[best - 1]);
            const float outside = static_cast<float>(static_cast<double>(holders - most) / others);
            bool touches_elimination = false;
            for (size_t x = at.front(); x < at.front() + length; ++x)
                if (result.eliminated[x]) touches_elimination = true;
            if (!(support >= alpha) || !(outside <= beta) || touches_elimination) continue;

            Descriptor d;
            d.text = label;
            d.number = static_cast<int>(result.descriptors.size()) + 1;
            d.first_position = at.front();
            d.tie_set = tie_set;
            d.best_hits = most;
            d.best_size = family_size[best - 1];
            for (const auto& [sequence, c] : count) {
                d.occurrences.push_back({sequence, c});
                if (std::count(tie_set.begin(), tie_set.end(), family_of[sequence - 1]))
                    ++result.sequence_counts[sequence - 1];
            }
            ++result.family_counts[best - 1];
            result.descriptors.push_back(d);
            if (length >= filter_from_length) to_eliminate.insert(to_eliminate.end(), at.begin(), at.end());
        }

        for (size_t x : to_eliminate) {
            result.eliminated[x] = true;
            candidate[x] = false;
        }
        std::vector<bool> next(n, false);
        for (size_t x = 0; x + 1 < n; ++x)
            next[x] = candidate[x] && x + length < end_of[sequence_at[x] - 1] && candidate[x + 1];
        candidate = next;
    }
    return result;
}

}  // namespace oracle
