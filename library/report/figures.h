// The figures of one run that its report shows (report/report.h writes them as HTML and JSON).
// They are gathered while the run goes, from what it does anyway: the sequence reader hands over
// each input file's count and lengths, the writer of the feature table hands over each training
// row as it writes it (the features whose value is 1 and the row's class), and a method adds what
// only it knows (the merged groups of the substitution-matrix method). Nothing is computed
// again: one pass of counting over the rows as they are written.
//
// From the rows come, for every feature, how many sequences of each class hold it, and a sample
// of at most kHeatmapRows rows, taken evenly within each class, for the heatmap.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tessar {

// One sequence file the run read.
struct InputFigures {
    std::string name;
    size_t sequences = 0;
    std::vector<std::uint64_t> length_counts;  // [n]: sequences of n residues
    bool training = false;                     // the file the features come from
};

// A feature that stands for others (a representative and the descriptors merged into it).
struct FeatureGroup {
    std::string representative;
    std::vector<std::string> members;  // besides the representative
};

// A table of a method's own section of the report: a title, a line saying what it shows, and
// its rows of cells (text).
struct ReportSection {
    std::string title;
    std::string note;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// Sequences shown in the heatmap at most, and features ranked at the top.
constexpr size_t kHeatmapRows = 400;
constexpr size_t kTopFeatures = 30;

class RunFigures {
public:
    void add_input(InputFigures input) { inputs_.push_back(std::move(input)); }

    // The table whose rows are counted: its features, and the classes of its class attribute
    // (none without classes). Rows counted before are dropped.
    void begin_rows(const std::vector<std::string>& features, const std::vector<std::string>& classes);
    // One training row: the features whose value is 1, ascending, and its class ("" or a name
    // outside the classes: counted among the sequences, in no class).
    void add_row(const std::vector<std::uint32_t>& ones, const std::string& label);

    // What a method adds: the groups its features stand for; the class of each feature.
    std::vector<FeatureGroup> groups;
    std::vector<std::string> feature_classes;

    // ---- what was gathered
    const std::vector<InputFigures>& inputs() const { return inputs_; }
    const std::vector<std::string>& features() const { return features_; }
    const std::vector<std::string>& classes() const { return classes_; }
    bool with_classes() const { return !classes_.empty(); }
    size_t rows() const { return rows_; }
    // Rows of class c (c == classes().size(): rows of no class).
    size_t class_rows(size_t c) const { return class_rows_[c]; }
    // Rows of class c holding feature f.
    std::uint64_t holding(size_t f, size_t c) const { return holding_[f * columns() + c]; }
    // Rows holding feature f, whatever their class.
    std::uint64_t holding(size_t f) const;
    // Rows holding no feature.
    size_t rows_without_feature() const { return empty_rows_; }

    // A row of the heatmap: its number among the rows (from 0), its class column, its features.
    struct SampledRow {
        size_t row;
        size_t column;
        std::vector<std::uint32_t> ones;
    };
    // At most kHeatmapRows rows, grouped by class in class order, taken evenly within each
    // class, each class's share of them the share of its rows (at least one).
    std::vector<SampledRow> heatmap_rows() const;

private:
    size_t columns() const { return classes_.size() + 1; }

    // The rows of one class kept for the heatmap: every stride-th row of the class, the stride
    // doubling when more than twice kHeatmapRows are kept.
    struct Kept {
        size_t stride = 1;
        size_t seen = 0;
        std::vector<SampledRow> rows;
    };

    std::vector<InputFigures> inputs_;
    std::vector<std::string> features_, classes_;
    std::unordered_map<std::string, size_t> class_index_;
    size_t rows_ = 0, empty_rows_ = 0;
    std::vector<size_t> class_rows_;
    std::vector<std::uint64_t> holding_;  // [feature * columns + class]
    std::vector<Kept> kept_;              // by class column
};

// ---- ranking

// Entropy of a distribution given by counts, in bits (0 for no count).
double entropy(const std::vector<double>& counts);

// The information gain of feature f's presence for the class, in bits: H(class) - H(class |
// presence), over the rows of a class.
double information_gain(const RunFigures& figures, size_t f);

// A feature's place at the top: its index and its score (information gain with classes, else the
// number of sequences holding it).
struct RankedFeature {
    size_t feature;
    double score;
};

// The best `n` features, best first; ties in order of the features. With classes, by
// information gain (then by sequences holding, then order); else by sequences holding.
std::vector<RankedFeature> top_features(const RunFigures& figures, size_t n = kTopFeatures);

// The `n` features held by most sequences, most first (then in feature order), among those that
// `keep` accepts.
std::vector<RankedFeature> most_held(const RunFigures& figures, size_t n,
                                     const std::function<bool(size_t feature)>& keep);

// "12 (66.7 %)": a count and its share of `total`.
std::string count_and_share(std::uint64_t count, std::uint64_t total);

// A section listing the `n` features held by most sequences among those `keep` accepts: each
// feature's text, the sequences holding it and their share.
ReportSection most_held_section(const RunFigures& figures, std::string title, size_t n,
                                const std::function<bool(size_t feature)>& keep);

// The words of the ranking measure, for the page and the JSON file.
std::string ranking_measure(const RunFigures& figures);

}  // namespace tessar
