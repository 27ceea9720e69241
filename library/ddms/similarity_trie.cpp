#include "ddms/similarity_trie.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessar {

namespace {

constexpr double kNoGain = -std::numeric_limits<double>::infinity();

// The trie of the texts for which include(i) holds (see the header for the layout).
void build_trie(SimilarityIndex& index, const std::vector<char>* include) {
    const std::vector<std::string_view>& t = index.texts;
    for (size_t i = 0; i < t.size(); ++i) {
        if (include && !(*include)[i]) continue;
        (in_letters(t[i]) ? index.items : index.odd).push_back(static_cast<std::uint32_t>(i));
    }
    std::stable_sort(index.items.begin(), index.items.end(),
                     [&t](std::uint32_t a, std::uint32_t b) { return t[a] < t[b]; });

    // level by level: the children of a node split its items by their letter at its depth
    struct Span {
        std::uint32_t lo, hi;
    };
    std::vector<SimilarityIndex::Node>& nodes = index.nodes;
    std::vector<Span> spans = {{0, static_cast<std::uint32_t>(index.items.size())}};
    nodes.push_back({});
    size_t level = 0;
    for (size_t d = 0; d < index.length; ++d) {
        const size_t end = nodes.size();
        for (size_t k = level; k < end; ++k) {
            nodes[k].first = static_cast<std::uint32_t>(nodes.size());
            for (std::uint32_t i = spans[k].lo, hi = spans[k].hi; i < hi;) {
                const char letter = t[index.items[i]][d];
                std::uint32_t j = i + 1;
                while (j < hi && t[index.items[j]][d] == letter) ++j;
                nodes[k].letters |= 1u << (letter - 'A');
                nodes.push_back({});
                spans.push_back({i, j});
                i = j;
            }
        }
        level = end;
    }
    for (size_t k = level; k < nodes.size(); ++k) {
        nodes[k].first = static_cast<std::uint32_t>(index.leaf_start.size());
        index.leaf_start.push_back(spans[k].lo);
    }
    index.leaf_start.push_back(static_cast<std::uint32_t>(index.items.size()));
}

}  // namespace

double SimilarityVerdict::gain(int pair, int self) const {
    const double gain = self ? pair - static_cast<double>(threshold) * self : pair;
    return std::isnan(gain) ? kNoGain : gain;
}

SimilarityVerdict make_verdict(float threshold, size_t largest_self) {
    SimilarityVerdict verdict;
    verdict.threshold = threshold;
    std::vector<int>& least = verdict.least_pair;
    least.assign(largest_self + 1, std::numeric_limits<int>::max());
    // self 0 (only letters outside the alphabet) is never similar; above it, bisection
    constexpr int kFar = 1 << 29;  // beyond any pair sum: entries are small, texts short of 2^24
    for (size_t self = 1; self <= largest_self; ++self) {
        const float q = static_cast<float>(self);
        if (!similar_sums(kFar, q, threshold)) continue;
        int lo = -kFar, hi = kFar;  // similar at hi; lo tested last, or never
        if (similar_sums(lo, q, threshold)) hi = lo;
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            (similar_sums(static_cast<float>(mid), q, threshold) ? hi : lo) = mid;
        }
        least[self] = hi;
    }
    return verdict;
}

bool in_letters(std::string_view text) {
    for (char c : text)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

SimilaritySearch make_similarity_search(const SimilarityRule& rule, TrieRole role) {
    SimilaritySearch s;
    s.rule = &rule;
    s.role = role;
    const SimilarityVerdict verdict = make_verdict(rule.threshold, 0);
    for (int y = 0; y < 256; ++y) {
        s.admits[y] = 0;
        s.best[y] = kNoGain;
        int ranking[26];
        unsigned admitted = 0;
        for (int x = 0; x < 26; ++x) {
            s.pair[y][x] = s.self[y][x] = 0;
            s.gain[y][x] = kNoGain;
            const int letter = 'A' + x;
            // the reference letter first
            const int ref = role == TrieRole::References ? letter : y;
            const int cand = role == TrieRole::References ? y : letter;
            if (!rule.facing[ref * 256 + cand]) continue;
            s.admits[y] |= 1u << x;
            ranking[admitted++] = x;
            const int a = residue_index(static_cast<char>(ref)), b = residue_index(static_cast<char>(cand));
            if (a >= 0 && b >= 0) {
                s.pair[y][x] = rule.matrix[a][b];
                s.self[y][x] = rule.matrix[a][a];
            }
            s.gain[y][x] = verdict.gain(s.pair[y][x], s.self[y][x]);
            s.best[y] = std::max(s.best[y], s.gain[y][x]);
        }
        std::stable_sort(ranking, ranking + admitted, [&](int u, int v) { return s.gain[y][u] > s.gain[y][v]; });
        s.top[y][0] = 0;
        for (unsigned k = 0; k < admitted; ++k) {
            s.ranked[y][k] = s.gain[y][ranking[k]];
            s.top[y][k + 1] = s.top[y][k] | 1u << ranking[k];
        }
        for (unsigned k = admitted; k < 27; ++k) {
            s.ranked[y][k] = std::numeric_limits<double>::quiet_NaN();
            if (k < 26) s.top[y][k + 1] = s.top[y][k];
        }
    }
    return s;
}

SimilarityIndex index_similar(std::vector<std::string_view> texts, size_t length, const SimilaritySearch& search,
                              const std::vector<char>* include) {
    SimilarityIndex index;
    index.search = &search;
    index.length = length;
    index.texts = std::move(texts);
    build_trie(index, include);
    if (!index.items.empty()) {
        // a path's self sum is at most `length` times the largest diagonal entry of a trie letter
        int diagonal = 0;
        for (int x = 0; x < 26; ++x) diagonal = std::max(diagonal, search.self['A' + x][x]);
        index.verdict = make_verdict(search.rule->threshold, length * static_cast<size_t>(diagonal));
    }
    return index;
}

}  // namespace tessar
