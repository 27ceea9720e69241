#include "discover/discover.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <new>

#include "context/context.h"
#include "context/presence.h"
#include "inputs/questions.h"
#include "inputs/sequences.h"

namespace tessar {

const Question kMotifForm = {"--form", AnswerKind::Number,
                             "\n%%\tEnter the form of interesting motifs 1 or 2\n"
                             "  \t(1 means *X*; 2 means *X*Y*) [1] : ",
                             "motif form: 1 for *X*, 2 for *X*Y*", "1", 1, 2};
const Question kMinLength = {"--min-length", AnswerKind::Number,
                             "\n%%\tEnter the minimum length of interesting motifs\n"
                             "  \t(default is 3) [3] : ",
                             "minimum motif length in residues", "3", 1, INT_MAX};
const Question kMinOccurrence = {
    "--min-occurrence", AnswerKind::Number,
    "\n%%\tEnter the minimum occurrence number for interesting motifs\n"
    "  \t(the occurrence number of an interesting motif\n"
    "  \trefers to the number of sequences in which \n"
    "  \tthe motif approximately occurs; default is %hd) [%hd] : ",
    "minimum number of sequences a motif occurs in (default: a third of them, at least 1)", "", 1, INT_MAX};
const Question kMutations = {"--mutations", AnswerKind::Number,
                             "\n%%\tEnter the number of mutations allowed in searching\n"
                             "  \tfor similar motifs (default is 0; maximum number is 10) [0] : ",
                             "edit operations allowed in an occurrence (0 to 10)", "0", 0, 10};
const Question kReportName = {
    "--report", AnswerKind::OutputFile,
    "\n%%\tWhere the result should be stored (enter the file name) [Report.out] : ",
    "report of the motifs found", "Report.out"};

namespace {

// The console spinner: one step every 101 sequences matched. Its position and its call count
// carry over from one run to the next while the library stays loaded, so they live as long as it.
struct Spinner {
    static constexpr char kFaces[] = "-\\|/";
    int position = 0;
    int calls = 0;

    // `n` more sequences matched; the steps they make are printed at once.
    void tick(Dialogue& io, unsigned long n) {
        std::string steps;
        for (; n > 0; --n)
            if (++calls > 100) {
                calls = 0;
                position = (position + 1) % 4;
                steps += kFaces[position];
                steps += '\b';
            }
        if (!steps.empty()) io.print(steps);
    }
    char face() const { return kFaces[position]; }
};
Spinner spinner;

}  // namespace

int sample_threshold(int tot, int sam, int min_occ) {
    const double total = tot;   // Tot
    const double sampled = sam;  // Sam
    // finite-population factor; 0/0 for a single sequence, where it is taken as 0
    const double fpc = tot > 1 ? std::sqrt((total - sampled) / (total - 1)) : 0.0;
    for (int m = 1; m <= sam; ++m) {
        const double p = m / sampled;
        if (total * (p + 0.5 / sampled + 2.58 * fpc * std::sqrt((1 - p) * p / total)) >= min_occ) return m;
    }
    return sam + 1;
}

bool holds_pair(const std::string& x, const std::string& y, const std::string& sequence) {
    const size_t at = sequence.find(x);
    return at != std::string::npos && sequence.find(y, at + x.size()) != std::string::npos;
}

MotifRowEncoder make_motif_encoder(const std::vector<std::string>& attributes,
                                   const std::vector<std::pair<std::string, std::string>>& pairs) {
    MotifRowEncoder encoder;
    if (pairs.empty()) {
        encoder.index = index_texts(attributes);
        return encoder;
    }
    // the index holds every X, then every Y
    std::vector<std::string> texts;
    for (const auto& pair : pairs) texts.push_back(pair.first);
    for (const auto& pair : pairs) texts.push_back(pair.second);
    encoder.n_pairs = pairs.size();
    encoder.index = index_texts(std::move(texts));
    return encoder;
}

void encode_motif_row(const MotifRowEncoder& r, MotifRowScratch& scratch, std::string_view sequence,
                      std::vector<std::uint32_t>& ones) {
    if (r.n_pairs == 0) {
        fill_presence(r.index, sequence, scratch.presence, ones);
        return;
    }
    // per distinct text (its first copy: an X or a Y stands in many pairs): the end of its
    // earliest occurrence and the start of its last one
    scratch.first_end.assign(2 * r.n_pairs, -1);
    scratch.last_start.assign(2 * r.n_pairs, -1);
    for_each_distinct_occurrence(r.index, sequence, [&](std::uint32_t t, size_t at) {
        const long long end = static_cast<long long>(at + r.index.lengths[t]);
        if (scratch.first_end[t] < 0 || end < scratch.first_end[t]) scratch.first_end[t] = end;
        if (static_cast<long long>(at) > scratch.last_start[t]) scratch.last_start[t] = static_cast<long long>(at);
    });
    ones.clear();
    for (size_t j = 0; j < r.n_pairs; ++j) {
        const std::uint32_t x = r.index.links[j].first, y = r.index.links[r.n_pairs + j].first;
        if (scratch.first_end[x] >= 0 && scratch.last_start[y] >= scratch.first_end[x]) ones.push_back(static_cast<std::uint32_t>(j));
    }
}

DiscoverResult discover_motifs(const std::vector<std::string>& sample, const DiscoverOptions& opt,
                               const MatchTick& tick, const MotifFound& on_found,
                               const std::function<void()>& before_search,
                               const SearchProgress& progress) {
    SearchParams params;
    params.min_length = opt.min_length;
    params.max_length = opt.max_length;
    params.mutations = opt.mutations;
    // the sample is the whole file
    const int tot = static_cast<int>(sample.size());
    params.min_sequences = sample_threshold(tot, tot, opt.min_occurrence);

    CandidateTree tree = build_tree(sample);
    if (before_search) before_search();

    Search s = new_search(tree, params, tick, on_found);
    s.on_progress = progress;
    DiscoverResult result;
    if (opt.form == 2) {
        search_motif_pairs(s);
        for (const auto& [x, y] : s.pairs) result.attributes.push_back(x + "*" + y);
        result.pairs = std::move(s.pairs);
    } else {
        search_single_motifs(s);
        result.attributes = std::move(s.motifs);
    }
    result.n_checked = s.n_checked;
    result.n_found = s.n_found;
    if (progress) progress(s.n_checked, s.n_found);
    return result;
}

namespace {

DiscoverOptions ask_discover_options(Dialogue& io, int n_sequences) {
    DiscoverOptions opt;
    opt.form = ask_number(io, kMotifForm);
    opt.min_length = ask_number(io, kMinLength);
    const int default_occ = n_sequences / 3;
    opt.min_occurrence = ask_number(io, kMinOccurrence,
                            prompt_text(kMinOccurrence, static_cast<short>(default_occ),
                                        static_cast<short>(default_occ)),
                            default_occ, format("a third of %d sequence%s", n_sequences, n_sequences == 1 ? "" : "s"));
    opt.mutations = ask_number(io, kMutations);
    if (io.limits().max_residues == INT_MAX) opt.max_length = INT_MAX;
    return opt;
}

void write_report_header(std::FILE* out, const DiscoverOptions& opt, const LabelledInput& in) {
    std::fprintf(out, "Minimum length = %d\n", opt.min_length);
    std::fprintf(out, "Minimum occurrence number = %d\n", opt.min_occurrence);
    std::fprintf(out, "Number of mutations allowed = %d\n", opt.mutations);
    std::fprintf(out, "Total number of sequences = %d\n", static_cast<int>(in.training.sequences.size()));
    std::fprintf(out, "Input file name = %s\n", in.training.name.c_str());
    if (in.class_file) std::fprintf(out, "Classification file name = %s\n\n\n", in.class_name.c_str());
    std::fflush(out);
}

// The search, each motif written to the report and counted on the console as it is found.
DiscoverResult search_with_report(Dialogue& io, const std::vector<std::string>& sample,
                                  const DiscoverOptions& opt, std::FILE* report) {
    auto heading = [&] {
        std::fputs("  Occurrence number     Motif\n  -----------------     -----\n", report);
        io.print("      0 motifs found\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b");
    };
    auto found = [&](int occurrences, const std::string& pattern, unsigned long n_found) {
        std::fprintf(report, "\t%3d\t\t%s\n", occurrences, pattern.c_str());
        std::fflush(report);
        io.printf("%c%6lu\b\b\b\b\b\b\b", spinner.face(), n_found);
    };
    try {
        auto progress = [&io](unsigned long checked, unsigned long n_found) {
            io.progress({"search", static_cast<double>(checked), 0, "checked",
                         static_cast<long long>(n_found)});
        };
        return discover_motifs(sample, opt, [&](unsigned long n) { spinner.tick(io, n); }, found, heading,
                               progress);
    } catch (const std::bad_alloc&) {
        std::fputs("\tErr:no enough memory\n", report);
        std::fflush(report);
        throw;
    }
}

ContextSummary write_motif_context(Dialogue& io, const LabelledInput& in, const DiscoverResult& result) {
    ContextRequest request{result.attributes};
    const RowCoder rows = motif_coder(result.attributes, result.pairs);
    request.training = coder_rows(rows, in.training.sequences, false);
    if (in.with_test) request.test = coder_rows(rows, in.test.sequences, false);
    request.training.ids = &in.training.ids;
    request.test.ids = &in.test.ids;
    request.classes = labelled_class_files(in);
    return write_context_files(io, request);
}

}  // namespace

MotifsRun run_discover(Dialogue& io) {
    const LabelledInput in = ask_labelled_input(io, SequenceReader::Discover,
                                                "\n ===>   %hd sequences found in file <%s>\n");
    const DiscoverOptions opt = ask_discover_options(io, static_cast<int>(in.training.sequences.size()));
    std::string report_name;
    // the classification files stay open for the context files: the report is neither of them
    File report = ask_output_file(io, kReportName, report_name,
                                  {in.class_file.get(), in.test.class_file.get()});

    const std::clock_t start = std::clock();
    write_report_header(report.get(), opt, in);
    DiscoverResult result = search_with_report(io, in.training.sequences, opt, report.get());
    std::fprintf(report.get(), "\n\n%6lu motifs found\n%6lu motifs checked", result.n_found, result.n_checked);
    io.printf(" \n%7lu motifs checked\n", result.n_checked);
    io.printf("\n\t%f seconds\n", seconds_since(start));
    close_output(report, report_name);

    MotifsRun run;
    run.tables = write_motif_context(io, in, result);
    finish_method(io);

    run.options = opt;
    run.motifs = std::move(result);
    run.n_sequences = in.training.sequences.size();
    run.longest_sequence = longest_length(in.training.sequences);
    return run;
}

}  // namespace tessar
