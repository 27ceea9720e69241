// The page of a run's report: one file, inline CSS and SVG, no script, nothing fetched (the
// Content-Security-Policy line forbids every request), and a size that does not grow with the
// input: the top of each list only.
#include "report/report.h"

#include <algorithm>
#include <cmath>

namespace tessar {

namespace {

const char* const kPalette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};
const char* const kNoClassColour = "#555555";

const char* colour_of(size_t column, size_t n_classes) {
    return column < n_classes ? kPalette[column % std::size(kPalette)] : kNoClassColour;
}

// `text` cut to `limit` characters (an ellipsis says so), escaped.
std::string shown(const std::string& text, size_t limit = kShownText) {
    if (text.size() <= limit) return html_escape(text);
    return html_escape(text.substr(0, limit)) + "&#8230;";
}

std::string percent(std::uint64_t part, std::uint64_t whole) {
    return format("%.1f %%", whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0);
}

const char* const kStyle = R"(
body{font:14px/1.45 system-ui,-apple-system,"Segoe UI",Helvetica,Arial,sans-serif;color:#222;margin:0 auto;max-width:1100px;padding:0 24px 40px}
h1{font-size:24px;margin:24px 0 4px}h2{font-size:19px;border-bottom:1px solid #ccc;padding-bottom:3px;margin-top:32px}
h3{font-size:15px;margin:18px 0 6px}p.note{color:#555;margin:4px 0 10px}
table{border-collapse:collapse;margin:6px 0}th,td{border-bottom:1px solid #e4e4e4;padding:3px 8px;text-align:left;vertical-align:top}
th{background:#f4f4f4;font-weight:600}td.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
code,.f{font-family:ui-monospace,Menlo,Consolas,monospace;word-break:break-all}
.kv th{width:160px}.share{white-space:nowrap}.share svg{vertical-align:middle;margin-right:4px}
svg text{font:11px system-ui,sans-serif;fill:#333}.legend span{display:inline-block;margin-right:14px}
.sw{display:inline-block;width:10px;height:10px;margin-right:4px;vertical-align:middle}
)";

// A horizontal bar chart: one bar per item, its label at the left and its value at its end.
std::string bar_chart(const std::vector<std::string>& labels, const std::vector<std::uint64_t>& values,
                      const std::vector<std::string>& colours) {
    constexpr int kLabel = 170, kBars = 420, kRow = 20;
    std::uint64_t most = 1;
    for (std::uint64_t v : values) most = std::max(most, v);
    const int height = static_cast<int>(labels.size()) * kRow + 4;
    std::string svg = format("<svg width=\"%d\" height=\"%d\" role=\"img\">", kLabel + kBars + 70, height);
    for (size_t i = 0; i < labels.size(); ++i) {
        const int y = static_cast<int>(i) * kRow + 2;
        const int width = static_cast<int>(std::lround(static_cast<double>(values[i]) * kBars / static_cast<double>(most)));
        svg += format("<text x=\"%d\" y=\"%d\" text-anchor=\"end\">%s<title>%s</title></text>", kLabel - 6, y + 13,
                      shown(labels[i], 26).c_str(), shown(labels[i]).c_str());
        svg += format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>", kLabel, y + 2, std::max(width, 1),
                      kRow - 6, colours[i].c_str());
        svg += format("<text x=\"%d\" y=\"%d\">%llu</text>", kLabel + width + 5, y + 13,
                      static_cast<unsigned long long>(values[i]));
    }
    return svg + "</svg>\n";
}

// A histogram: vertical bars over their ranges, the ranges of the first and last bars below.
std::string histogram_svg(const std::vector<HistogramBar>& bars, const char* unit) {
    if (bars.empty()) return "<p class=\"note\">none</p>\n";
    constexpr int kWidth = 600, kHeight = 150, kBottom = 34;
    std::uint64_t most = 1;
    for (const HistogramBar& b : bars) most = std::max(most, b.count);
    const double w = static_cast<double>(kWidth) / static_cast<double>(bars.size());
    std::string svg = format("<svg width=\"%d\" height=\"%d\" role=\"img\">", kWidth + 60, kHeight + kBottom);
    for (size_t i = 0; i < bars.size(); ++i) {
        const int h = static_cast<int>(std::lround(static_cast<double>(bars[i].count) * (kHeight - 14) / static_cast<double>(most)));
        const std::string range = bars[i].from == bars[i].to ? std::to_string(bars[i].from)
                                                             : format("%llu-%llu", static_cast<unsigned long long>(bars[i].from),
                                                                      static_cast<unsigned long long>(bars[i].to));
        svg += format("<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"#4a7ab5\"><title>%s %s: %llu</title></rect>",
                      30 + i * w, kHeight - h, std::max(1.0, w - 2), h, range.c_str(), unit,
                      static_cast<unsigned long long>(bars[i].count));
        if (i == 0 || i + 1 == bars.size() || bars.size() <= 8)
            svg += format("<text x=\"%.1f\" y=\"%d\" text-anchor=\"middle\">%s</text>", 30 + i * w + w / 2, kHeight + 14,
                          range.c_str());
    }
    svg += format("<text x=\"30\" y=\"%d\">%s; the tallest bar: %llu</text>", kHeight + 30, unit,
                  static_cast<unsigned long long>(most));
    return svg + "</svg>\n";
}

// The classes the page shows: all of them, or the kShownClasses largest, in class order.
std::vector<size_t> shown_classes(const RunFigures& figures) {
    std::vector<size_t> order(figures.classes().size());
    for (size_t c = 0; c < order.size(); ++c) order[c] = c;
    if (order.size() > kShownClasses) {
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return figures.class_rows(a) > figures.class_rows(b); });
        order.resize(kShownClasses);
        std::sort(order.begin(), order.end());
    }
    return order;
}

std::string table_html(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows) {
    std::string t = "<table><tr>";
    for (const std::string& c : columns) t += "<th>" + html_escape(c) + "</th>";
    t += "</tr>\n";
    for (const std::vector<std::string>& row : rows) {
        t += "<tr>";
        for (size_t i = 0; i < row.size(); ++i) t += (i == 0 ? "<td class=\"f\">" : "<td>") + shown(row[i]) + "</td>";
        t += "</tr>\n";
    }
    return t + "</table>\n";
}

std::string run_section(const ReportRun& run, const RunFigures& figures) {
    std::string h = "<section id=\"run\"><h2>The run</h2>\n<table class=\"kv\">\n";
    h += "<tr><th>tessar</th><td>" + html_escape(run.version) + "</td></tr>\n";
    h += "<tr><th>method</th><td>" + html_escape(run.method) + "</td></tr>\n";
    h += "<tr><th>command line</th><td><code>" + shown(run.command_line, 4 * kShownText) + "</code></td></tr>\n";
    h += "<tr><th>date</th><td>" + html_escape(run.date) + "</td></tr>\n";
    h += format("<tr><th>wall time</th><td>%.3f s</td></tr>\n", run.seconds);
    h += "</table>\n<h3>Parameters</h3>\n<table class=\"kv\">\n";
    for (const auto& [name, value] : run.parameters)
        h += "<tr><th>" + html_escape(name) + "</th><td><code>" + shown(value) + "</code></td></tr>\n";
    h += "</table>\n<h3>Input files</h3>\n<table><tr><th>file</th><th>sequences</th></tr>\n";
    for (const InputFigures& in : figures.inputs())
        h += format("<tr><td class=\"f\">%s</td><td class=\"n\">%zu</td></tr>\n", shown(in.name).c_str(), in.sequences);
    h += "</table>\n";
    if (const InputFigures* training = training_input(figures)) {
        h += "<h3>Sequence lengths of " + shown(training->name) + "</h3>\n";
        h += histogram_svg(histogram(training->length_counts), "sequences by residues");
    }
    h += "<h3>Output files</h3>\n<ul>\n";
    for (const std::string& out : run.outputs) h += "<li><code>" + shown(out) + "</code></li>\n";
    return h + "</ul>\n</section>\n";
}

std::string classes_section(const RunFigures& figures) {
    const std::vector<std::string>& classes = figures.classes();
    std::string h = "<section id=\"classes\"><h2>Classes and features</h2>\n";
    if (figures.with_classes()) {
        const std::vector<size_t> order = shown_classes(figures);
        std::vector<std::string> labels, colours;
        std::vector<std::uint64_t> counts;
        for (size_t c : order) {
            labels.push_back(classes[c]);
            counts.push_back(figures.class_rows(c));
            colours.push_back(colour_of(c, classes.size()));
        }
        h += format("<h3>Sequences per class</h3>\n<p class=\"note\">%zu sequences in %zu classes%s",
                    figures.rows(), classes.size(),
                    order.size() < classes.size() ? format("; the %zu largest shown", order.size()).c_str() : "");
        if (figures.class_rows(classes.size()))
            h += format("; %zu sequences with a label outside the classes", figures.class_rows(classes.size()));
        h += "</p>\n" + bar_chart(labels, counts, colours);
        const std::vector<std::uint64_t> per_class = features_per_class(figures);
        if (!per_class.empty()) {
            std::vector<std::uint64_t> shown_counts;
            for (size_t c : order) shown_counts.push_back(per_class[c]);
            h += "<h3>Features found per class</h3>\n" + bar_chart(labels, shown_counts, colours);
        }
    } else {
        h += format("<p class=\"note\">%zu sequences, no classification file: the parts on classes are "
                    "left out.</p>\n",
                    figures.rows());
    }
    h += format("<h3>Feature lengths</h3>\n<p class=\"note\">%zu features; %zu sequences hold none of them</p>\n",
                figures.features().size(), figures.rows_without_feature());
    h += histogram_svg(histogram(feature_length_counts(figures)), "features by characters");
    return h + "</section>\n";
}

// A share as a small bar and its percentage.
std::string share_cell(std::uint64_t part, std::uint64_t whole, const char* colour) {
    constexpr int kWidth = 60;
    const double share = whole ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
    return format("<td class=\"share\"><svg width=\"%d\" height=\"10\"><rect width=\"%d\" height=\"10\" fill=\"#eee\"/>"
                  "<rect width=\"%d\" height=\"10\" fill=\"%s\"/></svg>%s</td>",
                  kWidth, kWidth, static_cast<int>(std::lround(share * kWidth)), colour, percent(part, whole).c_str());
}

std::string top_section(const RunFigures& figures, const std::vector<RankedFeature>& top) {
    const std::vector<std::string>& classes = figures.classes();
    const std::vector<size_t> order = shown_classes(figures);
    std::string h = figures.with_classes()
                        ? "<section id=\"top\"><h2>The features that separate the classes best</h2>\n"
                        : "<section id=\"top\"><h2>The features most sequences hold</h2>\n";
    h += "<p class=\"note\">The top " + std::to_string(top.size()) + " of " + std::to_string(figures.features().size()) +
         " features ranked by the " + html_escape(ranking_measure(figures)) + ".";
    if (figures.with_classes())
        h += " H is the entropy in bits; presence is whether a sequence holds the feature. Each bar is the "
             "share of the class's sequences holding the feature.";
    h += "</p>\n";
    if (top.empty()) return h + "<p>No feature was found.</p>\n</section>\n";
    h += "<table><tr><th>#</th><th>feature</th><th>score</th><th>sequences</th>";
    if (!figures.with_classes()) h += "<th>share of the sequences</th>";
    for (size_t c : order) h += "<th>" + shown(classes[c], 40) + "</th>";
    h += "</tr>\n";
    for (size_t i = 0; i < top.size(); ++i) {
        const size_t f = top[i].feature;
        h += format("<tr><td class=\"n\">%zu</td><td class=\"f\">%s</td><td class=\"n\">%s</td><td class=\"n\">%llu</td>",
                    i + 1, shown(figures.features()[f]).c_str(),
                    figures.with_classes() ? format("%.4f", top[i].score).c_str() : format("%.0f", top[i].score).c_str(),
                    static_cast<unsigned long long>(figures.holding(f)));
        if (!figures.with_classes()) h += share_cell(figures.holding(f), figures.rows(), kNoClassColour);
        for (size_t c : order) h += share_cell(figures.holding(f, c), figures.class_rows(c), colour_of(c, classes.size()));
        h += "</tr>\n";
    }
    return h + "</table>\n</section>\n";
}

std::string heatmap_section(const RunFigures& figures, const std::vector<RankedFeature>& top) {
    const std::vector<RunFigures::SampledRow> sample = figures.heatmap_rows();
    std::string h = "<section id=\"heatmap\"><h2>Sequences against the top features</h2>\n";
    if (sample.empty() || top.empty()) return h + "<p>Nothing to show.</p>\n</section>\n";
    const size_t n_classes = figures.classes().size();
    h += format("<p class=\"note\">%zu of the %zu sequences%s (rows), against the top %zu features "
                "(columns, numbered as in the list above); a coloured cell: the sequence holds the feature.</p>\n",
                sample.size(), figures.rows(),
                sample.size() < figures.rows()
                    ? (figures.with_classes() ? ", grouped by class, taken evenly within each class" : ", taken evenly")
                    : (figures.with_classes() ? ", grouped by class" : ""),
                top.size());
    const int cell = 18, band = 12, left = 8 + band, head = 18;
    const int row_height = sample.size() <= 60 ? 8 : sample.size() <= 150 ? 4 : 2;
    const int width = left + static_cast<int>(top.size()) * cell;
    const int height = head + static_cast<int>(sample.size()) * row_height;
    h += format("<svg width=\"%d\" height=\"%d\" role=\"img\">", width + 4, height + 2);
    h += format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#f0f0f0\"/>", left, head,
                static_cast<int>(top.size()) * cell, height - head);
    for (size_t t = 0; t < top.size(); ++t)
        h += format("<text x=\"%d\" y=\"12\" text-anchor=\"middle\">%zu<title>%s</title></text>",
                    left + static_cast<int>(t) * cell + cell / 2, t + 1, shown(figures.features()[top[t].feature]).c_str());
    for (size_t r = 0; r < sample.size(); ++r) {
        const int y = head + static_cast<int>(r) * row_height;
        const char* colour = colour_of(sample[r].column, n_classes);
        h += format("<rect x=\"4\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>", y, band, row_height, colour);
        for (size_t t = 0; t < top.size(); ++t)
            if (std::binary_search(sample[r].ones.begin(), sample[r].ones.end(), static_cast<std::uint32_t>(top[t].feature)))
                h += format("<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"%s\"/>",
                            left + static_cast<int>(t) * cell + 1, y, cell - 2, row_height, colour);
    }
    h += "</svg>\n";
    if (figures.with_classes()) {
        h += "<p class=\"legend\">";
        for (size_t c : shown_classes(figures))
            h += format("<span><i class=\"sw\" style=\"background:%s\"></i>%s</span>", colour_of(c, n_classes),
                        shown(figures.classes()[c], 40).c_str());
        h += "</p>\n";
    }
    return h + "</section>\n";
}

}  // namespace

std::string report_html(const ReportRun& run, const RunFigures& figures) {
    const std::vector<RankedFeature> top = top_features(figures);
    std::string h = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // nothing may be fetched: the page is whole in itself
    h += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n";
    h += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    h += "<title>tessar " + html_escape(run.method) + " report</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    h += "<h1>tessar " + html_escape(run.method) + "</h1>\n";
    h += format("<p class=\"note\">%zu sequences, %zu features%s; %s</p>\n", figures.rows(), figures.features().size(),
                figures.with_classes() ? format(", %zu classes", figures.classes().size()).c_str() : ", no classes",
                html_escape(run.date).c_str());
    h += run_section(run, figures);
    h += classes_section(figures);
    h += top_section(figures, top);
    h += heatmap_section(figures, top);
    for (const ReportSection& section : run.sections) {
        h += "<section class=\"method\"><h2>" + html_escape(section.title) + "</h2>\n";
        if (!section.note.empty()) h += "<p class=\"note\">" + html_escape(section.note) + "</p>\n";
        h += section.rows.empty() ? std::string("<p>None.</p>\n") : table_html(section.columns, section.rows);
        h += "</section>\n";
    }
    return h + "</body>\n</html>\n";
}

}  // namespace tessar
