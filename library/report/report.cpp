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

namespace {

// The length of the well-formed UTF-8 character at `text[at]` (1 to 4), or 0 when the bytes there
// are none (a stray continuation byte, a truncated or overlong form, a surrogate, beyond U+10FFFF).
size_t utf8_length(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u; };
    const unsigned lead = byte(0);
    if (lead < 0x80) return 1;
    const auto tail = [&](size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    if (lead >= 0xC2 && lead <= 0xDF) return tail(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return tail(1, low, high) && tail(2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return tail(1, low, high) && tail(2) && tail(3) ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            // a text that is not UTF-8 (a name in another encoding) keeps the file valid JSON
            const size_t n = utf8_length(text, at);
            if (n == 0) {
                out += "\\ufffd";
            } else {
                out.append(text, at, n);
                at += n - 1;
            }
            continue;
        }
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
