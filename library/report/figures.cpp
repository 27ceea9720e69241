#include "report/figures.h"

#include <algorithm>
#include <cmath>

#include "dialogue/dialogue.h"

namespace tessar {

void RunFigures::begin_rows(const std::vector<std::string>& features, const std::vector<std::string>& classes) {
    features_ = features;
    classes_ = classes;
    class_index_.clear();
    for (size_t c = 0; c < classes_.size(); ++c) class_index_.emplace(classes_[c], c);  // the first of twins
    rows_ = empty_rows_ = 0;
    class_rows_.assign(columns(), 0);
    holding_.assign(features_.size() * columns(), 0);
    kept_.assign(columns(), Kept{});
}

void RunFigures::add_row(const std::vector<std::uint32_t>& ones, const std::string& label) {
    size_t column = classes_.size();
    if (!label.empty() && !classes_.empty()) {
        const auto found = class_index_.find(label);
        if (found != class_index_.end()) column = found->second;
    }
    const size_t width = columns();
    for (std::uint32_t f : ones)
        if (f < features_.size()) ++holding_[f * width + column];
    if (ones.empty()) ++empty_rows_;
    ++class_rows_[column];

    Kept& kept = kept_[column];
    if (kept.seen++ % kept.stride == 0) {
        kept.rows.push_back({rows_, column, ones});
        if (kept.rows.size() > 2 * kHeatmapRows) {
            // every other row kept goes: those at even places are every (2 * stride)-th row
            size_t to = 0;
            for (size_t i = 0; i < kept.rows.size(); i += 2) kept.rows[to++] = std::move(kept.rows[i]);
            kept.rows.resize(to);
            kept.stride *= 2;
        }
    }
    ++rows_;
}

std::uint64_t RunFigures::holding(size_t f) const {
    std::uint64_t sum = 0;
    for (size_t c = 0; c < columns(); ++c) sum += holding(f, c);
    return sum;
}

std::vector<RunFigures::SampledRow> RunFigures::heatmap_rows() const {
    std::vector<SampledRow> sample;
    if (rows_ == 0) return sample;
    for (size_t c = 0; c < kept_.size(); ++c) {
        const std::vector<SampledRow>& kept = kept_[c].rows;
        if (kept.empty()) continue;
        const size_t share = std::max<size_t>(1, class_rows_[c] * kHeatmapRows / rows_);
        const size_t take = std::min(share, kept.size());
        for (size_t j = 0; j < take; ++j) sample.push_back(kept[j * kept.size() / take]);
    }
    // the least share of one row each may go beyond the limit with many small classes: thin evenly
    if (sample.size() > kHeatmapRows) {
        std::vector<SampledRow> thinned;
        for (size_t j = 0; j < kHeatmapRows; ++j) thinned.push_back(sample[j * sample.size() / kHeatmapRows]);
        sample = std::move(thinned);
    }
    return sample;
}

double entropy(const std::vector<double>& counts) {
    double total = 0;
    for (double n : counts) total += n;
    if (total <= 0) return 0;
    double h = 0;
    for (double n : counts)
        if (n > 0) h -= n / total * std::log2(n / total);
    return h;
}

double information_gain(const RunFigures& figures, size_t f) {
    const size_t k = figures.classes().size();
    std::vector<double> all(k), with(k), without(k);
    double n = 0, n_with = 0;
    for (size_t c = 0; c < k; ++c) {
        all[c] = static_cast<double>(figures.class_rows(c));
        with[c] = static_cast<double>(figures.holding(f, c));
        without[c] = all[c] - with[c];
        n += all[c];
        n_with += with[c];
    }
    if (n <= 0) return 0;
    const double gain = entropy(all) - (n_with / n) * entropy(with) - ((n - n_with) / n) * entropy(without);
    return std::max(0.0, gain);  // rounding may leave -1e-17 where the presence tells nothing
}

namespace {

// The n best of `ranked` by `better`, best first.
std::vector<RankedFeature> best(std::vector<RankedFeature> ranked, size_t n,
                                const std::function<bool(const RankedFeature&, const RankedFeature&)>& better) {
    const size_t top = std::min(n, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(top), ranked.end(), better);
    ranked.resize(top);
    return ranked;
}

}  // namespace

std::vector<RankedFeature> most_held(const RunFigures& figures, size_t n,
                                     const std::function<bool(size_t feature)>& keep) {
    std::vector<RankedFeature> ranked;
    for (size_t f = 0; f < figures.features().size(); ++f)
        if (keep(f)) ranked.push_back({f, static_cast<double>(figures.holding(f))});
    return best(std::move(ranked), n, [](const RankedFeature& a, const RankedFeature& b) {
        return a.score != b.score ? a.score > b.score : a.feature < b.feature;
    });
}

std::vector<RankedFeature> top_features(const RunFigures& figures, size_t n) {
    if (!figures.with_classes()) return most_held(figures, n, [](size_t) { return true; });
    std::vector<RankedFeature> ranked;
    std::vector<std::uint64_t> held;
    for (size_t f = 0; f < figures.features().size(); ++f) {
        ranked.push_back({f, information_gain(figures, f)});
        held.push_back(figures.holding(f));
    }
    return best(std::move(ranked), n, [&held](const RankedFeature& a, const RankedFeature& b) {
        if (a.score != b.score) return a.score > b.score;
        if (held[a.feature] != held[b.feature]) return held[a.feature] > held[b.feature];
        return a.feature < b.feature;
    });
}

std::string count_and_share(std::uint64_t count, std::uint64_t total) {
    return format("%llu (%.1f %%)", static_cast<unsigned long long>(count),
                  total ? 100.0 * static_cast<double>(count) / static_cast<double>(total) : 0.0);
}

ReportSection most_held_section(const RunFigures& figures, std::string title, size_t n,
                                const std::function<bool(size_t feature)>& keep) {
    ReportSection section;
    section.title = std::move(title);
    section.note = "by the number of sequences holding each";
    section.columns = {"feature", "sequences holding it"};
    for (const RankedFeature& r : most_held(figures, n, keep))
        section.rows.push_back({figures.features()[r.feature], count_and_share(figures.holding(r.feature), figures.rows())});
    return section;
}

std::string ranking_measure(const RunFigures& figures) {
    return figures.with_classes()
               ? "information gain of the feature's presence for the class, in bits: "
                 "IG = H(class) - H(class | presence)"
               : "number of sequences holding the feature (no classes)";
}

}  // namespace tessar
