#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "discover/discover.h"
#include "oracle_match.h"
#include "oracle_search.h"
#include "parallel/parallel.h"
#include "random_sample.h"

using namespace tessar;

namespace {

struct Row {
    int occurrences;
    std::string pattern;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.occurrences << " " << r.pattern; }

struct SearchRun {
    std::vector<Row> rows;
    DiscoverResult result;
    unsigned long matcher_calls = 0;
};

SearchRun discover(const std::vector<std::string>& sample, int form, int min_length, int min_occ, int dist) {
    SearchRun run;
    DiscoverOptions opt;
    opt.form = form;
    opt.min_length = min_length;
    opt.min_occurrence = min_occ;
    opt.mutations = dist;
    run.result = discover_motifs(
        sample, opt, [&](unsigned long n) { run.matcher_calls += n; },
        [&](int occ, const std::string& pattern, unsigned long found) {
            EXPECT_EQ(found, run.rows.size() + 1);
            run.rows.push_back({occ, pattern});
        });
    EXPECT_EQ(run.result.n_found, run.rows.size());
    EXPECT_EQ(run.result.attributes.size(), run.rows.size());
    return run;
}

const std::vector<std::string> kExample = {"MKVLAG", "GGKVLA", "KVLAGG"};

}  // namespace

TEST(SampleThreshold, WholeFileSampleNeedsTheMinimumOccurrence) {
    EXPECT_EQ(sample_threshold(18, 18, 6), 6);
    EXPECT_EQ(sample_threshold(18, 18, 18), 18);
    EXPECT_EQ(sample_threshold(18, 18, 19), 19);     // out of reach: Tot + 1
    EXPECT_EQ(sample_threshold(1, 1, 1), 1);         // single sequence: factor taken as 0
    EXPECT_EQ(sample_threshold(1, 1, 2), 2);
    EXPECT_EQ(sample_threshold(0, 0, 1), 1);
    EXPECT_EQ(sample_threshold(100, 50, 30), 11);    // a true sample widens by 2.58 standard errors
}

TEST(OccurrenceTest, StopsAsSoonAsTheThresholdIsOutOfReach) {
    // the reference test goes through the sample one sequence at a time
    const std::vector<std::string> sample = {"AAA", "CCC", "AAA", "CCC", "AAA"};
    unsigned long ticks = 0;
    EXPECT_EQ(oracle::occurrence_test("*W*", sample, 3, 0, ticks), -1);
    EXPECT_EQ(ticks, 3u);  // after the third miss two sequences are left for three matches
    ticks = 0;
    EXPECT_EQ(oracle::occurrence_test("*AA*", sample, 3, 0, ticks), 3);
    EXPECT_EQ(ticks, 5u);  // an accepted pattern is matched against every sequence
    ticks = 0;
    EXPECT_EQ(oracle::occurrence_test("*AA*", sample, 4, 0, ticks), -1);
    EXPECT_EQ(ticks, 4u);  // one match and one miss to go after the fourth sequence
    EXPECT_EQ(oracle::occurrence_test("*CA*", sample, 5, 1, ticks), 5);
}

TEST(OccurrenceTest, TicksCountTheSequencesUpToTheGivingUp) {
    // four of five needed: a test gives up at its second miss
    SearchRun run = discover({"AAC", "AAC", "CCC", "CCC", "CCC"}, 1, 3, 4, 0);
    EXPECT_TRUE(run.rows.empty());
    EXPECT_EQ(run.result.n_checked, 2u);
    EXPECT_EQ(run.matcher_calls, 4u + 2u);  // AAC misses at 2 and 3, CCC at 0 and 1
}

TEST(DiscoverForm1, WorkedExampleRowsInOrder) {
    SearchRun run = discover(kExample, 1, 3, 2, 0);
    EXPECT_EQ(run.rows, (std::vector<Row>{{3, "*KVL*"}, {3, "*KVLA*"}, {2, "*KVLAG*"},
                                          {3, "*VLA*"}, {2, "*VLAG*"}, {2, "*LAG*"}}));
    EXPECT_EQ(run.result.n_checked, 13u);
    EXPECT_EQ(run.result.attributes,
              (std::vector<std::string>{"KVL", "KVLA", "KVLAG", "VLA", "VLAG", "LAG"}));
}

TEST(DiscoverForm1, OneMutationFindsMKVFirst) {
    SearchRun run = discover(kExample, 1, 3, 2, 1);
    ASSERT_FALSE(run.rows.empty());
    EXPECT_EQ(run.rows[0], (Row{3, "*MKV*"}));
}

TEST(DiscoverForm2, WorkedExampleRowsInOrder) {
    SearchRun run = discover(kExample, 2, 3, 3, 0);
    std::vector<Row> want;
    for (const char* p : {"*K*VL*", "*K*VLA*", "*K*LA*", "*KV*L*", "*KV*LA*", "*KV*A*", "*KVL*A*",
                          "*V*LA*", "*VL*A*"})
        want.push_back({3, p});
    EXPECT_EQ(run.rows, want);
    EXPECT_EQ(run.result.n_checked, 47u);
    EXPECT_EQ(run.result.attributes[0], "K*VL");
    EXPECT_EQ(run.result.pairs[6], (std::pair<std::string, std::string>{"KVL", "A"}));
}

TEST(HoldsPair, YMustFollowXWhollyWithAnyGap) {
    EXPECT_TRUE(holds_pair("KV", "L", "MKVLAG"));
    EXPECT_TRUE(holds_pair("AB", "CD", "ABXXCD"));
    EXPECT_FALSE(holds_pair("AB", "CD", "CDAB"));
    EXPECT_FALSE(holds_pair("ABA", "BA", "ABAB"));  // overlapping is not after
    EXPECT_TRUE(holds_pair("AB", "AB", "ABXAB"));
}

TEST(DiscoverEdges, IdenticalSequencesCountEachCopy) {
    SearchRun run = discover({"MKVL", "MKVL", "MKVL"}, 1, 3, 3, 0);
    EXPECT_EQ(run.rows, (std::vector<Row>{{3, "*MKV*"}, {3, "*MKVL*"}, {3, "*KVL*"}}));
    EXPECT_EQ(run.result.n_checked, 3u);
}

TEST(DiscoverEdges, OneRepeatedResidue) {
    SearchRun run = discover({"AAAAA", "AAA"}, 1, 2, 2, 0);
    EXPECT_EQ(run.rows, (std::vector<Row>{{2, "*AA*"}, {2, "*AAA*"}}));
    EXPECT_EQ(run.result.n_checked, 3u);  // AAAA is checked and rejected
}

TEST(DiscoverEdges, ShortMotifsOccurEvenInAnEmptySequence) {
    // a motif no longer than the mutations allowed can lose all its residues
    SearchRun run = discover({"MKV", "", "WWW"}, 1, 2, 3, 2);
    std::vector<Row> want;
    for (const char* p : {"*MK*", "*KV*", "*WW*"}) want.push_back({3, p});
    EXPECT_EQ(run.rows, want);
}

TEST(DiscoverEdges, MinimumOccurrenceAboveTheSequenceCount) {
    SearchRun run = discover(kExample, 1, 3, 4, 0);
    EXPECT_TRUE(run.rows.empty());
    EXPECT_GT(run.result.n_checked, 0u);  // the length-3 candidates are still checked
    EXPECT_TRUE(run.result.attributes.empty());
    SearchRun pairs = discover(kExample, 2, 2, 4, 0);
    EXPECT_TRUE(pairs.rows.empty());
    EXPECT_EQ(pairs.result.n_checked, 0u);  // every X is cut away first
}

TEST(DiscoverEdges, MinimumLengthLongerThanEverySequence) {
    SearchRun run = discover(kExample, 1, 7, 1, 3);
    EXPECT_EQ(run.result.n_checked, 0u);
    EXPECT_EQ(run.result.n_found, 0u);
    EXPECT_EQ(run.matcher_calls, 0u);
}

TEST(DiscoverEdges, SingleSequenceReportsItsSubstrings) {
    SearchRun run = discover({"ACDA"}, 1, 3, 1, 0);
    EXPECT_EQ(run.rows, (std::vector<Row>{{1, "*ACD*"}, {1, "*ACDA*"}, {1, "*CDA*"}}));
}

TEST(DiscoverEdges, EmptyFileFindsNothing) {
    SearchRun run = discover({}, 1, 1, 1, 0);
    EXPECT_EQ(run.result.n_checked, 0u);
    SearchRun pairs = discover({}, 2, 1, 1, 0);
    EXPECT_EQ(pairs.result.n_checked, 0u);
}

TEST(DiscoverEdges, SecondRunReportsOnlyItsOwnMotifs) {
    SearchRun first = discover(kExample, 1, 3, 2, 0);
    SearchRun second = discover({"WWYY", "WWYC"}, 1, 3, 2, 0);
    EXPECT_EQ(second.rows, (std::vector<Row>{{2, "*WWY*"}}));
    EXPECT_EQ(second.result.attributes, (std::vector<std::string>{"WWY"}));
    EXPECT_EQ(second.result.n_checked, 5u);  // WWY, WWYY, WWYC, WYY, WYC
}

// A brute-force oracle: every distinct substring of the sample (every pair of them for form 2)
// counted with the reference matcher.
namespace {

std::set<std::string> substrings(const std::vector<std::string>& sample) {
    std::set<std::string> all;
    for (const auto& s : sample)
        for (size_t i = 0; i < s.size(); ++i)
            for (size_t n = 1; i + n <= s.size(); ++n) all.insert(s.substr(i, n));
    return all;
}

int occurrences(const std::string& pattern, const std::vector<std::string>& sample, int dist) {
    int count = 0;
    for (const auto& s : sample) count += oracle::match(pattern, s) <= dist;
    return count;
}

std::vector<std::string> random_sample(std::mt19937& rng) { return random_letters(rng, 6, 9, 4); }

}  // namespace

TEST(DiscoverProperty, Form1FindsExactlyTheActiveSubstringsAfterTheirPrefixes) {
    std::mt19937 rng(7);
    size_t n_found = 0;
    for (int round = 0; round < 400; ++round) {
        const auto sample = random_sample(rng);
        const int tot = static_cast<int>(sample.size());
        const int min_length = 1 + round % 4, dist = round % 3, min_occ = 1 + round % (tot + 1);
        SCOPED_TRACE(testing::Message() << "round " << round);
        SearchRun run = discover(sample, 1, min_length, min_occ, dist);

        std::map<std::string, int> want;
        unsigned long checked = 0;
        for (const auto& x : substrings(sample)) {
            if (static_cast<int>(x.size()) < min_length) continue;
            bool prefixes_active = true;
            for (size_t n = min_length; n < x.size(); ++n)
                prefixes_active = prefixes_active && occurrences("*" + x.substr(0, n) + "*", sample, dist) >= min_occ;
            if (!prefixes_active) continue;
            ++checked;
            const int occ = occurrences("*" + x + "*", sample, dist);
            if (occ >= min_occ) want[x] = occ;
        }
        std::map<std::string, int> got;
        for (const auto& r : run.rows) {
            const std::string x = r.pattern.substr(1, r.pattern.size() - 2);
            EXPECT_TRUE(got.emplace(x, r.occurrences).second) << "reported twice: " << x;
            for (size_t n = min_length; n < x.size(); ++n)
                EXPECT_TRUE(got.count(x.substr(0, n))) << x << " before its prefix";
        }
        EXPECT_EQ(got, want);
        EXPECT_EQ(run.result.n_checked, checked);
        n_found += got.size();
    }
    EXPECT_GT(n_found, 1000u);  // the rounds are not trivially empty
}

TEST(DiscoverProperty, Form2FindsExactlyTheActivePairsInOrder) {
    std::mt19937 rng(11);
    size_t n_found = 0;
    for (int round = 0; round < 150; ++round) {
        auto sample = random_sample(rng);
        for (auto& s : sample) s.resize(std::min<size_t>(s.size(), 7));
        const int tot = static_cast<int>(sample.size());
        const int min_length = 2 + round % 3, dist = round % 2, min_occ = 1 + round % (tot + 1);
        SCOPED_TRACE(testing::Message() << "round " << round);
        SearchRun run = discover(sample, 2, min_length, min_occ, dist);

        const auto all = substrings(sample);
        std::map<std::pair<std::string, std::string>, int> want;
        for (const auto& x : all)
            for (const auto& y : all) {
                if (static_cast<int>(x.size() + y.size()) < min_length) continue;
                const int occ = occurrences("*" + x + "*" + y + "*", sample, dist);
                if (occ >= min_occ) want[{x, y}] = occ;
            }
        std::map<std::pair<std::string, std::string>, int> got;
        for (size_t i = 0; i < run.rows.size(); ++i) {
            const auto& [x, y] = run.result.pairs[i];
            EXPECT_EQ(run.rows[i].pattern, "*" + x + "*" + y + "*");
            EXPECT_EQ(run.result.attributes[i], x + "*" + y);
            EXPECT_TRUE(got.emplace(run.result.pairs[i], run.rows[i].occurrences).second);
            for (size_t n = 1; n < y.size(); ++n) {
                if (static_cast<int>(x.size() + n) < min_length) continue;
                EXPECT_TRUE(got.count({x, y.substr(0, n)})) << x << "*" << y << " before its prefix";
            }
        }
        EXPECT_EQ(got, want);
        n_found += got.size();
    }
    EXPECT_GT(n_found, 1000u);
}

// The library's search against the reference search (oracle_search.h: brute-force substrings,
// each candidate matched from scratch in every sequence, nothing shared with the library): the
// same reports in the same order, the same counts, and the same number of ticks before each
// report and in all.
namespace {

struct Trace {
    std::vector<Row> rows;
    std::vector<unsigned long> ticks_before;  // ticks so far at each report, then in all
    DiscoverResult result;
};

Trace fast_trace(const std::vector<std::string>& sample, const DiscoverOptions& opt) {
    Trace t;
    unsigned long ticks = 0;
    t.result = discover_motifs(
        sample, opt, [&](unsigned long n) { ticks += n; },
        [&](int occ, const std::string& pattern, unsigned long) {
            t.rows.push_back({occ, pattern});
            t.ticks_before.push_back(ticks);
        });
    t.ticks_before.push_back(ticks);
    return t;
}

Trace oracle_trace(const std::vector<std::string>& sample, const DiscoverOptions& opt) {
    oracle::Options options;
    options.form = opt.form;
    options.min_length = opt.min_length;
    options.min_occurrence = opt.min_occurrence;
    options.mutations = opt.mutations;
    options.max_length = opt.max_length;
    const oracle::Outcome outcome = oracle::search(sample, options);
    Trace t;
    for (const oracle::Report& r : outcome.reports) {
        t.rows.push_back({r.occurrences, r.pattern});
        t.ticks_before.push_back(r.ticks_before);
    }
    t.ticks_before.push_back(outcome.n_ticks);
    t.result.n_checked = outcome.n_checked;
    t.result.n_found = outcome.reports.size();
    t.result.attributes = outcome.attributes;
    t.result.pairs = outcome.pairs;
    return t;
}

// Returns the number of motifs the reference found.
size_t expect_same_search(const std::vector<std::string>& sample, const DiscoverOptions& opt) {
    const Trace want = oracle_trace(sample, opt);
    const Trace got = fast_trace(sample, opt);
    EXPECT_EQ(got.rows, want.rows);
    EXPECT_EQ(got.ticks_before, want.ticks_before);
    EXPECT_EQ(got.result.n_checked, want.result.n_checked);
    EXPECT_EQ(got.result.n_found, want.result.n_found);
    EXPECT_EQ(got.result.attributes, want.result.attributes);
    EXPECT_EQ(got.result.pairs, want.result.pairs);
    return want.rows.size();
}

// Small samples that make many ties: two or three letters, copies, runs of one residue, empty
// sequences.
std::vector<std::string> awkward_sample(std::mt19937& rng, int max_length) {
    std::vector<std::string> sample = random_letters(rng, 9, max_length, 3);
    switch (std::uniform_int_distribution<int>(0, 7)(rng)) {
    case 0:  // one sequence
        sample.resize(1);
        break;
    case 1:  // runs of one residue
        for (size_t i = 0; i < sample.size(); ++i) sample[i] = std::string((i * 5 + 1) % (max_length + 1), 'K');
        break;
    case 2:  // copies with an empty sequence among them
        for (size_t i = 1; i < sample.size(); ++i) sample[i] = sample[0];
        sample[sample.size() / 2].clear();
        break;
    default:
        break;
    }
    return sample;
}

DiscoverOptions random_options(std::mt19937& rng, int form, int n_seqs, int max_dist) {
    DiscoverOptions opt;
    opt.form = form;
    opt.min_length = std::uniform_int_distribution<int>(1, 5)(rng);
    opt.min_occurrence = std::uniform_int_distribution<int>(1, n_seqs + 1)(rng);
    opt.mutations = std::uniform_int_distribution<int>(0, max_dist)(rng);
    return opt;
}

}  // namespace

TEST(DiscoverAgainstReference, Form1OnAwkwardSamples) {
    std::mt19937 rng(2024);
    size_t found = 0;
    for (int round = 0; round < 1500; ++round) {
        const auto sample = awkward_sample(rng, 12);
        const DiscoverOptions opt = random_options(rng, 1, static_cast<int>(sample.size()), 3);
        SCOPED_TRACE(testing::Message() << "round " << round << " min length " << opt.min_length << " min occ "
                                        << opt.min_occurrence << " dist " << opt.mutations);
        found += expect_same_search(sample, opt);
    }
    EXPECT_GT(found, 5000u);  // the rounds are not trivially empty
}

TEST(DiscoverAgainstReference, Form2OnAwkwardSamples) {
    std::mt19937 rng(4048);
    size_t found = 0;
    for (int round = 0; round < 400; ++round) {
        const auto sample = awkward_sample(rng, 8);
        const DiscoverOptions opt = random_options(rng, 2, static_cast<int>(sample.size()), 3);
        SCOPED_TRACE(testing::Message() << "round " << round << " min length " << opt.min_length << " min occ "
                                        << opt.min_occurrence << " dist " << opt.mutations);
        found += expect_same_search(sample, opt);
    }
    EXPECT_GT(found, 5000u);
}

TEST(DiscoverAgainstReference, LongerProteinLikeSequences) {
    // sequences past one word of positions, with a shared motif so that long paths are accepted
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> letter(0, 19), length(60, 140);
    size_t found = 0;
    for (int round = 0; round < 8; ++round) {
        std::vector<std::string> sample(6 + round % 5);
        for (auto& s : sample) {
            s.resize(length(rng));
            for (char& c : s) c = "ARNDCQEGHILKMFPSTWYV"[letter(rng)];
            s.replace(length(rng) % 40, 9, "WHKMCYWPF");
        }
        DiscoverOptions opt;
        opt.form = round % 4 == 3 ? 2 : 1;
        opt.min_length = opt.form == 2 ? 8 : 3 + round % 3;
        opt.min_occurrence = static_cast<int>(sample.size()) - (opt.form == 2 ? 1 : 3);
        opt.mutations = opt.form == 2 ? 1 : round % 4;
        SCOPED_TRACE(testing::Message() << "round " << round);
        found += expect_same_search(sample, opt);
    }
    EXPECT_GT(found, 100u);
}

// Least lengths up to and past the longest sequence, and counts of sequences no candidate can
// reach: the strings that cannot reach the least length are left unwalked, and a count out of
// reach is settled without a walk; the reports, counts and ticks stay the reference's.
TEST(DiscoverAgainstReference, LimitsAtAndPastWhatTheSampleReaches) {
    std::mt19937 rng(515);
    size_t found = 0;
    for (int round = 0; round < 900; ++round) {
        const int form = round % 3 == 2 ? 2 : 1;
        const auto sample = awkward_sample(rng, form == 2 ? 8 : 12);
        const int n = static_cast<int>(sample.size());
        int longest = 0;
        for (const auto& seq : sample) longest = std::max(longest, static_cast<int>(seq.size()));
        DiscoverOptions opt = random_options(rng, form, n, 2);
        opt.min_length = std::uniform_int_distribution<int>(1, form * longest + 3)(rng);
        if (round % 4 == 1) opt.min_occurrence = n + 1 + round % 3;
        if (round % 7 == 3) opt.max_length = std::uniform_int_distribution<int>(1, longest + 2)(rng);
        SCOPED_TRACE(testing::Message() << "round " << round << " min length " << opt.min_length << " min occ "
                                        << opt.min_occurrence << " dist " << opt.mutations << " max length "
                                        << opt.max_length);
        found += expect_same_search(sample, opt);
    }
    EXPECT_GT(found, 500u);
}

// The branches may be searched on any number of threads: the reports, their ticks and the
// counts come out as with one.
namespace {

Trace threaded_trace(const std::vector<std::string>& sample, int form, int n_threads, size_t frame_budget = 0,
                     int dist = 1) {
    SearchParams params;
    params.min_length = 3;
    params.min_sequences = static_cast<int>(sample.size()) / 2;
    params.mutations = dist;
    CandidateTree tree = build_tree(sample);
    Trace t;
    unsigned long ticks = 0;
    Search s = new_search(
        tree, params, [&](unsigned long n) { ticks += n; },
        [&](int occ, const std::string& pattern, unsigned long found) {
            EXPECT_EQ(found, t.rows.size() + 1);
            t.rows.push_back({occ, pattern});
            t.ticks_before.push_back(ticks);
        });
    s.frame_budget = frame_budget;
    set_thread_count(n_threads);
    if (form == 2)
        search_motif_pairs(s);
    else
        search_single_motifs(s);
    set_thread_count(0);
    t.ticks_before.push_back(ticks);
    t.result.n_checked = s.n_checked;
    t.result.n_found = s.n_found;
    t.result.attributes = s.motifs;
    t.result.pairs = s.pairs;
    return t;
}

}  // namespace

TEST(DiscoverThreads, AnyNumberOfThreadsReportsInWalkOrder) {
    std::mt19937 rng(8);
    std::uniform_int_distribution<int> letter(0, 11), length(20, 60);
    std::vector<std::string> sample(12);
    for (auto& s : sample) {
        s.resize(length(rng));
        for (char& c : s) c = static_cast<char>('A' + letter(rng));
    }
    for (int form : {1, 2}) {
        const Trace one = threaded_trace(sample, form, 1);
        ASSERT_GT(one.rows.size(), 50u);
        for (int n_threads : {2, 3, 8}) {
            const Trace many = threaded_trace(sample, form, n_threads);
            EXPECT_EQ(many.rows, one.rows) << n_threads << " threads, form " << form;
            EXPECT_EQ(many.ticks_before, one.ticks_before);
            EXPECT_EQ(many.result.n_checked, one.result.n_checked);
            EXPECT_EQ(many.result.attributes, one.result.attributes);
            EXPECT_EQ(many.result.pairs, one.result.pairs);
        }
    }
}

TEST(DiscoverRowBudget, ReleasedRowsAreComputedAgainAlike) {
    // Fibonacci words branch at every length, so paths pass many branching nodes; with a budget
    // of one word every level above the parent is released and computed again on the way back
    std::string fib = "A", previous = "B";
    while (fib.size() < 90) {
        const std::string next = fib + previous;
        previous = fib;
        fib = next;
    }
    std::vector<std::string> sample;
    for (int i = 0; i < 6; ++i) sample.push_back(fib.substr(i * 3, 32 + i * 4));
    sample.push_back("CABBA");
    for (int form : {1, 2})
        for (int dist : {0, 3 - form}) {
            const Trace kept = threaded_trace(sample, form, 1, 0, dist);
            ASSERT_GT(kept.rows.size(), 20u);
            const Trace released = threaded_trace(sample, form, 2, 1, dist);
            EXPECT_EQ(released.rows, kept.rows) << "form " << form << " dist " << dist;
            EXPECT_EQ(released.ticks_before, kept.ticks_before);
            EXPECT_EQ(released.result.n_checked, kept.result.n_checked);
        }
}

TEST(DiscoverThreads, AFailingReportStopsTheSearchAndIsRethrown) {
    std::vector<std::string> sample(10, "MKVLAGWYHCDEFTRSPQ");
    sample[3] = "WYHCDEFMKVLAG";
    DiscoverOptions opt;
    opt.min_occurrence = 5;
    int reported = 0;
    auto fail_at_fifth = [&](int, const std::string&, unsigned long found) {
        reported = static_cast<int>(found);
        if (found == 5) throw std::runtime_error("report failed");
    };
    EXPECT_THROW(discover_motifs(sample, opt, {}, fail_at_fifth), std::runtime_error);
    EXPECT_EQ(reported, 5);
    opt.form = 2;
    reported = 0;
    EXPECT_THROW(discover_motifs(sample, opt, {}, fail_at_fifth), std::runtime_error);
    EXPECT_EQ(reported, 5);
}

TEST(DiscoverAgainstReference, ManyMutations) {
    // every count of operations the dialogue allows, and beyond
    std::mt19937 rng(12);
    for (int dist = 4; dist <= 12; ++dist)
        for (int round = 0; round < 6; ++round) {
            auto sample = awkward_sample(rng, 16);
            DiscoverOptions opt = random_options(rng, 1 + round % 2, static_cast<int>(sample.size()), 0);
            opt.mutations = dist;
            opt.min_length = dist + round % 3;
            SCOPED_TRACE(testing::Message() << "dist " << dist << " round " << round);
            expect_same_search(sample, opt);
        }
}
