// The report of a run: one HTML page that opens offline (inline CSS and SVG, nothing fetched,
// no script) and a JSON file of the same figures (doc/report-format.md). Both are made of the
// figures gathered during the run (report/figures.h) and what the front end knows of the run.
//
// The page stays small whatever the input: it shows the top of each list (kTopFeatures
// features, kHeatmapRows sequences, kShownClasses classes, texts cut at kShownText characters
// with the full text in the JSON file).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dialogue/dialogue.h"
#include "report/figures.h"

namespace tessar {

// The version of the JSON file's layout (its key "format").
constexpr int kReportFormatVersion = 1;
// The page shows at most this many classes (the largest), and texts of at most this many
// characters.
constexpr size_t kShownClasses = 40;
constexpr size_t kShownText = 300;

// What the front end knows of the run.
struct ReportRun {
    std::string version;       // of the suite
    std::string method;        // "ngrams", "encode"
    std::string command_line;  // as typed, quoted for a shell
    std::string date;          // UTC, ISO 8601
    std::vector<std::pair<std::string, std::string>> parameters;  // name, value as given or defaulted
    std::vector<std::string> outputs;                              // the files written
    double seconds = 0;                                            // wall time
    std::vector<ReportSection> sections;                           // the method's own
};

// A bar of a histogram: the values from..to (inclusive) and how many there are.
struct HistogramBar {
    std::uint64_t from, to, count;
};
// Counts by value ([v]: how many of value v) in at most `bars` bars of equal width, from the
// least value counted to the largest.
std::vector<HistogramBar> histogram(const std::vector<std::uint64_t>& counts, size_t bars = 20);

// The sequence file the features come from (the first training file, else the first file);
// null without one.
const InputFigures* training_input(const RunFigures& figures);
// How many features have each length of text ([n]: features of n characters).
std::vector<std::uint64_t> feature_length_counts(const RunFigures& figures);
// How many features each class gave (the features' classes), in class order; empty when the
// features have no class.
std::vector<std::uint64_t> features_per_class(const RunFigures& figures);

// The section of `tessar encode`: how many encoded sequences hold each top feature, and how many
// hold none.
ReportSection encoded_rows_section(const RunFigures& figures, const std::vector<RankedFeature>& top);

// The JSON file and the page.
std::string report_json(const ReportRun& run, const RunFigures& figures);
std::string report_html(const ReportRun& run, const RunFigures& figures);

// A JSON string literal of `text` (quotes, backslash and control characters escaped; a byte
// that is not part of well-formed UTF-8 becomes U+FFFD).
std::string json_string(const std::string& text);
// `text` for HTML text and attribute values: & < > " ' escaped.
std::string html_escape(const std::string& text);

}  // namespace tessar
