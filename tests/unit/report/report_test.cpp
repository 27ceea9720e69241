// The report's figures: counts by class from the rows, the information gain against values
// worked by hand, the ranking, the heatmap's sample, and the page's escaping and size whatever
// the input.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "report/figures.h"
#include "report/report.h"

using namespace tessar;

namespace {

// Figures of `features` over rows given as (label, features held).
RunFigures figures_of(const std::vector<std::string>& features, const std::vector<std::string>& classes,
                      const std::vector<std::pair<std::string, std::vector<std::uint32_t>>>& rows) {
    RunFigures figures;
    figures.begin_rows(features, classes);
    for (const auto& [label, ones] : rows) figures.add_row(ones, label);
    return figures;
}

}  // namespace

TEST(ReportFigures, InformationGainMatchesWorkedValues) {
    // 4 sequences of a, 4 of b. f0 is in every a and no b: it tells the class (1 bit). f1 is in
    // every sequence: nothing. f2 is in 3 a and 1 b: 1 - H(3/4, 1/4) = 0.18872 bits.
    // A row of an unknown class counts among the sequences, not in the gain.
    const RunFigures figures = figures_of(
        {"f0", "f1", "f2"}, {"a", "b"},
        {{"a", {0, 1, 2}}, {"a", {0, 1, 2}}, {"a", {0, 1, 2}}, {"a", {0, 1}},
         {"b", {1, 2}}, {"b", {1}}, {"b", {1}}, {"b", {1}}, {"zz", {2}}});
    EXPECT_NEAR(information_gain(figures, 0), 1.0, 1e-12);
    EXPECT_NEAR(information_gain(figures, 1), 0.0, 1e-12);
    const double h = -(0.75 * std::log2(0.75) + 0.25 * std::log2(0.25));
    EXPECT_NEAR(information_gain(figures, 2), 1.0 - h, 1e-12);
    EXPECT_EQ(figures.rows(), 9u);
    EXPECT_EQ(figures.class_rows(2), 1u);  // the unknown class
    EXPECT_EQ(figures.holding(2), 5u);
    EXPECT_EQ(figures.holding(2, 1), 1u);

    const std::vector<RankedFeature> top = top_features(figures);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].feature, 0u);
    EXPECT_EQ(top[1].feature, 2u);
    EXPECT_EQ(top[2].feature, 1u);
}

TEST(ReportFigures, RankingWithoutClassesAndEqualGains) {
    // no classes: by sequences holding, then feature order
    const RunFigures plain = figures_of({"x", "y", "z"}, {}, {{"", {1, 2}}, {"", {1}}, {"", {2}}, {"", {}}});
    const std::vector<RankedFeature> top = top_features(plain, 2);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].feature, 1u);
    EXPECT_EQ(top[0].score, 2);
    EXPECT_EQ(top[1].feature, 2u);
    EXPECT_EQ(plain.rows_without_feature(), 1u);
    // equal gains (0): the feature more sequences hold first
    const RunFigures flat = figures_of({"p", "q"}, {"a", "b"}, {{"a", {1}}, {"b", {0, 1}}, {"a", {}}, {"b", {1}}});
    EXPECT_EQ(top_features(flat)[0].feature, 1u);
}

TEST(ReportFigures, HeatmapSamplesEvenlyWithinEachClass) {
    RunFigures figures;
    figures.begin_rows({"f"}, {"big", "small", "tiny"});
    for (size_t i = 0; i < 30000; ++i) figures.add_row({}, "big");
    for (size_t i = 0; i < 1000; ++i) figures.add_row({0}, "small");
    figures.add_row({0}, "tiny");
    const std::vector<RunFigures::SampledRow> sample = figures.heatmap_rows();
    ASSERT_LE(sample.size(), kHeatmapRows);
    ASSERT_GE(sample.size(), kHeatmapRows - 3);
    std::vector<std::vector<size_t>> by_class(4);
    for (size_t i = 0; i < sample.size(); ++i) {
        by_class[sample[i].column].push_back(sample[i].row);
        if (i) {
            EXPECT_LE(sample[i - 1].column, sample[i].column) << "grouped by class, in class order";
        }
    }
    EXPECT_EQ(by_class[2].size(), 1u);  // the smallest class keeps a row
    EXPECT_EQ(by_class[1].size(), 1000 * kHeatmapRows / 31001);
    // evenly: from near the first row of the class to near its last, at steps that differ by one
    // stride at most
    const std::vector<size_t>& big = by_class[0];
    ASSERT_GT(big.size(), 300u);
    EXPECT_LT(big.front(), 100u);
    EXPECT_GT(big.back(), 29000u);
    size_t least = SIZE_MAX, most = 0;
    for (size_t i = 1; i < big.size(); ++i) {
        least = std::min(least, big[i] - big[i - 1]);
        most = std::max(most, big[i] - big[i - 1]);
    }
    EXPECT_LE(most, 2 * least);
}

TEST(ReportFigures, HistogramCoversEveryValue) {
    std::vector<std::uint64_t> counts(1001);
    counts[7] = 2;
    counts[1000] = 1;
    counts[500] = 4;
    const std::vector<HistogramBar> bars = histogram(counts, 20);
    ASSERT_LE(bars.size(), 20u);
    EXPECT_EQ(bars.front().from, 7u);
    EXPECT_EQ(bars.back().to, 1000u);
    std::uint64_t total = 0;
    for (size_t i = 0; i < bars.size(); ++i) {
        total += bars[i].count;
        if (i) {
            EXPECT_EQ(bars[i].from, bars[i - 1].to + 1);
        }
    }
    EXPECT_EQ(total, 7u);
    EXPECT_TRUE(histogram(std::vector<std::uint64_t>(5), 20).empty());
    EXPECT_TRUE(histogram({}, 20).empty());  // no feature: no length
    EXPECT_EQ(histogram({1}, 20).size(), 1u);  // one empty sequence
}

TEST(ReportPage, EscapesNamesAndStaysSmall) {
    // class and feature names that are markup, and many long ones
    std::vector<std::string> classes = {"<b>&\"'", "plain"};
    for (int c = 0; c < 500; ++c) classes.push_back("class" + std::to_string(c) + std::string(200, 'c'));
    std::vector<std::string> features;
    for (int f = 0; f < 200; ++f) features.push_back("<i>" + std::string(20000, 'A' + f % 26));
    RunFigures figures;
    figures.begin_rows(features, classes);
    for (size_t i = 0; i < 20000; ++i) {
        std::vector<std::uint32_t> ones;
        for (std::uint32_t f = 0; f < features.size(); ++f)
            if ((i + f) % 3 == 0) ones.push_back(f);
        figures.add_row(ones, classes[i % classes.size()]);
    }
    ReportRun run;
    run.method = "ngrams";
    run.command_line = std::string(100000, 'x');
    run.sections.push_back({"<script>", "n", {"a"}, {{std::string(100000, 'Q')}}});
    const std::string page = report_html(run, figures);
    EXPECT_LT(page.size(), 2u << 20);
    EXPECT_EQ(page.find("<b>&"), std::string::npos);
    EXPECT_EQ(page.find("<i>"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("&lt;b&gt;&amp;&quot;&#39;"), std::string::npos);

    const std::string json = report_json(run, figures);
    EXPECT_NE(json.find("\"<b>&\\\"'\""), std::string::npos);
}

TEST(ReportPage, JsonStringsEscapeWhatJsonForbids) {
    EXPECT_EQ(json_string("a\"b\\c\n\x01\x7f"), "\"a\\\"b\\\\c\\n\\u0001\\u007f\"");
    // UTF-8 passes; Latin-1 bytes, a cut character and a surrogate do not
    EXPECT_EQ(json_string("\xc3\xa9t\xc3\xa9"), "\"\xc3\xa9t\xc3\xa9\"");
    EXPECT_EQ(json_string("caf\xe9"), "\"caf\\ufffd\"");
    EXPECT_EQ(json_string("\xe2\x82"), "\"\\ufffd\\ufffd\"");
    EXPECT_EQ(json_string("\xed\xa0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
}
