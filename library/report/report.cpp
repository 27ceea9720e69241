#include "report/report.h"

#include <algorithm>

namespace tessar {

std::vector<HistogramBar> histogram(const std::vector<std::uint64_t>& counts, size_t bars) {
    std::vector<HistogramBar> out;
    size_t least = counts.size(), most = 0;
    for (size_t v = 0; v < counts.size(); ++v)
        if (counts[v]) {
            least = std::min(least, v);
            most = v;
        }
    if (least == counts.size() || bars == 0) return out;  // nothing counted
    const size_t span = most - least + 1;
    const size_t width = (span + bars - 1) / bars;
    for (size_t from = least; from <= most; from += width) {
        HistogramBar bar{from, std::min(most, from + width - 1), 0};
        for (size_t v = from; v <= bar.to; ++v) bar.count += counts[v];
        out.push_back(bar);
    }
    return out;
}

const InputFigures* training_input(const RunFigures& figures) {
    for (const InputFigures& input : figures.inputs())
        if (input.training) return &input;
    return figures.inputs().empty() ? nullptr : &figures.inputs().front();
}

std::vector<std::uint64_t> feature_length_counts(const RunFigures& figures) {
    std::vector<std::uint64_t> counts;
    for (const std::string& f : figures.features()) {
        if (f.size() >= counts.size()) counts.resize(f.size() + 1);
        ++counts[f.size()];
    }
    return counts;
}

std::vector<std::uint64_t> features_per_class(const RunFigures& figures) {
    if (figures.feature_classes.empty() || !figures.with_classes()) return {};
    std::vector<std::uint64_t> counts(figures.classes().size());
    for (const std::string& name : figures.feature_classes) {
        const auto at = std::find(figures.classes().begin(), figures.classes().end(), name);
        if (at != figures.classes().end()) ++counts[static_cast<size_t>(at - figures.classes().begin())];
    }
    return counts;
}

ReportSection encoded_rows_section(const RunFigures& figures, const std::vector<RankedFeature>& top) {
    ReportSection section{"Encoded sequences",
                          format("%s of the %zu encoded sequences hold none of the model's features",
                                 count_and_share(figures.rows_without_feature(), figures.rows()).c_str(),
                                 figures.rows()),
                          {"feature", "encoded sequences holding it"}, {}};
    for (const RankedFeature& r : top)
        section.rows.push_back({figures.features()[r.feature], count_and_share(figures.holding(r.feature), figures.rows())});
    return section;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c == 0x7f)
                out += format("\\u%04x", c);
            else
                out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string html_escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace tessar
