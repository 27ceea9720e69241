// The JSON file of a run's report; doc/report-format.md describes every key.
#include <algorithm>

#include "report/report.h"

namespace tessar {

namespace {

std::string number(double value) { return format("%.10g", value); }
std::string count(std::uint64_t value) { return std::to_string(value); }

std::string fraction(std::uint64_t part, std::uint64_t whole) {
    return number(whole ? static_cast<double>(part) / static_cast<double>(whole) : 0.0);
}

// A list of the items `item(i)` makes, one per line at `indent`.
template <typename Item>
std::string list(size_t n, const char* indent, Item item) {
    if (n == 0) return "[]";
    std::string text = "[";
    for (size_t i = 0; i < n; ++i) text += (i ? ",\n" : "\n") + std::string(indent) + item(i);
    return text + "\n" + std::string(indent).substr(2) + "]";
}

std::string strings(const std::vector<std::string>& texts) {
    std::string text = "[";
    for (size_t i = 0; i < texts.size(); ++i) text += (i ? ", " : "") + json_string(texts[i]);
    return text + "]";
}

std::string histogram_json(const std::vector<HistogramBar>& bars, const char* what) {
    return list(bars.size(), "    ", [&](size_t i) {
        return format("{\"from\": %llu, \"to\": %llu, \"%s\": %llu}", static_cast<unsigned long long>(bars[i].from),
                      static_cast<unsigned long long>(bars[i].to), what,
                      static_cast<unsigned long long>(bars[i].count));
    });
}

}  // namespace

std::string report_json(const ReportRun& run, const RunFigures& figures) {
    const std::vector<std::string>& classes = figures.classes();
    const std::vector<RankedFeature> top = top_features(figures);
    std::string j = "{\n";
    j += format("  \"format\": %d,\n", kReportFormatVersion);
    j += "  \"tessar\": " + json_string(run.version) + ",\n";
    j += "  \"method\": " + json_string(run.method) + ",\n";
    j += "  \"command_line\": " + json_string(run.command_line) + ",\n";
    j += "  \"date\": " + json_string(run.date) + ",\n";
    j += "  \"parameters\": {";
    for (size_t i = 0; i < run.parameters.size(); ++i)
        j += (i ? ", " : "") + json_string(run.parameters[i].first) + ": " + json_string(run.parameters[i].second);
    j += "},\n";
    j += "  \"inputs\": " + list(figures.inputs().size(), "    ", [&](size_t i) {
        const InputFigures& in = figures.inputs()[i];
        return "{\"name\": " + json_string(in.name) + ", \"sequences\": " + count(in.sequences) +
               ", \"training\": " + (in.training ? "true" : "false") + "}";
    }) + ",\n";
    const InputFigures* training = training_input(figures);
    j += "  \"lengths\": " +
         histogram_json(training ? histogram(training->length_counts) : std::vector<HistogramBar>(), "sequences")
 + ",\n";
    j += "  \"sequences\": " + count(figures.rows()) + ",\n";
    j += "  \"classes\": " + list(classes.size(), "    ", [&](size_t c) {
        return "{\"name\": " + json_string(classes[c]) + ", \"sequences\": " + count(figures.class_rows(c)) + "}";
    }) + ",\n";
    j += "  \"sequences_without_class\": " + count(figures.with_classes() ? figures.class_rows(classes.size()) : 0) + ",\n";
    j += "  \"features\": " + count(figures.features().size()) + ",\n";
    const std::vector<std::uint64_t> per_class = features_per_class(figures);
    j += "  \"features_per_class\": {";
    for (size_t c = 0; c < per_class.size(); ++c)
        j += (c ? ", " : "") + json_string(classes[c]) + ": " + count(per_class[c]);
    j += "},\n";
    j += "  \"feature_lengths\": " + histogram_json(histogram(feature_length_counts(figures)), "features") + ",\n";
    j += "  \"sequences_without_feature\": " + count(figures.rows_without_feature()) + ",\n";
    j += "  \"measure\": " + json_string(ranking_measure(figures)) + ",\n";
    j += "  \"top_features\": " + list(top.size(), "    ", [&](size_t i) {
        const size_t f = top[i].feature;
        std::string share;
        for (size_t c = 0; c < classes.size(); ++c)
            share += (c ? ", " : "") + json_string(classes[c]) + ": " + fraction(figures.holding(f, c), figures.class_rows(c));
        return "{\"name\": " + json_string(figures.features()[f]) + ", \"score\": " + number(top[i].score) +
               ", \"sequences\": " + count(figures.holding(f)) + ", \"share\": {" + share + "}}";
    }) + ",\n";
    const std::vector<RunFigures::SampledRow> sample = figures.heatmap_rows();
    j += "  \"heatmap\": " + list(sample.size(), "    ", [&](size_t i) {
        std::string present;
        for (size_t t = 0; t < top.size(); ++t)
            if (std::binary_search(sample[i].ones.begin(), sample[i].ones.end(), static_cast<std::uint32_t>(top[t].feature)))
                present += (present.empty() ? "" : ", ") + std::to_string(t);
        const std::string cls = sample[i].column < classes.size() ? json_string(classes[sample[i].column]) : "null";
        return format("{\"row\": %zu, \"class\": %s, \"top_features\": [%s]}", sample[i].row + 1, cls.c_str(),
                      present.c_str());
    }) + ",\n";
    j += "  \"sections\": " + list(run.sections.size(), "    ", [&](size_t s) {
        const ReportSection& section = run.sections[s];
        std::string rows;
        for (size_t r = 0; r < section.rows.size(); ++r) rows += (r ? ", " : "") + strings(section.rows[r]);
        return "{\"title\": " + json_string(section.title) + ", \"note\": " + json_string(section.note) +
               ", \"columns\": " + strings(section.columns) + ", \"rows\": [" + rows + "]}";
    }) + ",\n";
    j += "  \"outputs\": " + strings(run.outputs) + ",\n";
    j += "  \"seconds\": " + number(run.seconds) + "\n";
    return j + "}\n";
}

}  // namespace tessar
