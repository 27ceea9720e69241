#include "discover/discover.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <new>

#include "context/context.h"
#include "dialogue.h"
#include "inputs/questions.h"
#include "inputs/sequences.h"

namespace {

// The console spinner. Its position and the matcher call counter carry over from one run to
// the next while the library stays loaded: the only state the runs share.
const char A[] = "-\\|/";
int K = 0;
int match_calls = 0;

// Advances the spinner once every 101 sequences matched; `n` sequences at a time, the
// console flushed once for them all.
void spin(unsigned long n) {
    bool moved = false;
    while (n > 0) {
        const unsigned long step = std::min<unsigned long>(n, 101 - match_calls);
        match_calls += static_cast<int>(step);
        n -= step;
        if (match_calls > 100) {
            match_calls = 0;
            K = (K + 1) % 4;
            std::printf("%c\b", A[K]);
            moved = true;
        }
    }
    if (moved) std::fflush(stdout);
}

}  // namespace

int sample_threshold(int tot, int sam, int min_occ) {
    const double Tot = tot;
    const double Sam = sam;
    // finite-population factor; 0/0 for a single sequence, where it is taken as 0
    const double fpc = tot > 1 ? std::sqrt((Tot - Sam) / (Tot - 1)) : 0.0;
    for (int m = 1; m <= sam; ++m) {
        const double p = m / Sam;
        if (Tot * (p + 0.5 / Sam + 2.58 * fpc * std::sqrt((1 - p) * p / Tot)) >= min_occ) return m;
    }
    return sam + 1;
}

bool holds_pair(const std::string& x, const std::string& y, const std::string& sequence) {
    const size_t at = sequence.find(x);
    return at != std::string::npos && sequence.find(y, at + x.size()) != std::string::npos;
}

DiscoverResult discover_motifs(const std::vector<std::string>& sample, const DiscoverOptions& opt,
                               const MatchTick& tick, const MotifFound& on_found,
                               const std::function<void()>& before_search) {
    SearchParams params;
    params.Minlgh = opt.Minlgh;
    params.Maxlgh = 6000;
    params.Dist = opt.Dist;
    // the sample is the whole file
    const int tot = static_cast<int>(sample.size());
    params.Minsam = sample_threshold(tot, tot, opt.Minocc);

    CandidateTree tree = build_tree(sample);
    if (before_search) before_search();

    Search s = new_search(tree, params, tick, on_found);
    DiscoverResult result;
    if (opt.Sty == 2) {
        first_ptn(s);
        for (const auto& [x, y] : s.pairs) result.attributes.push_back(x + "*" + y);
        result.pairs = std::move(s.pairs);
    } else {
        one_ptn(s);
        result.attributes = std::move(s.MLst);
    }
    result.St = s.St;
    result.Ct = s.Ct;
    return result;
}

void run_discover() {
    // sequence file
    std::string in_name;
    File in = ask_sequence_file(2000, 6000, in_name);
    const std::vector<std::string> P = read_sequences(in.get(), SequenceReader::Discover);
    in.reset();
    const short Tot = static_cast<short>(P.size());
    std::printf("\n ===>   %hd sequences found in file <%s>\n", Tot, in_name.c_str());

    // classification file, then the test file and its classification file
    std::string class_name, test_name, test_class_name;
    File ClassF = ask_optional_class_file(Tot, class_name);
    File ClassTF;
    std::vector<std::string> SLstT;
    const bool has_test = ClassF && ask_test_files(SLstT, ClassTF, test_name, test_class_name);

    // search parameters
    DiscoverOptions opt;
    opt.Sty = ask_short(
        [] {
            std::printf("\n%%\tEnter the form of interesting motifs 1 or 2\n");
            std::printf("  \t(1 means *X*; 2 means *X*Y*) [1] : ");
        },
        1, 1, 2);
    opt.Minlgh = ask_short(
        [] {
            std::printf("\n%%\tEnter the minimum length of interesting motifs\n");
            std::printf("  \t(default is 3) [3] : ");
        },
        3, 1, 32767);
    const short default_occ = static_cast<short>(Tot / 3);
    opt.Minocc = ask_short(
        [default_occ] {
            std::printf("\n%%\tEnter the minimum occurrence number for interesting motifs\n");
            std::printf("  \t(the occurrence number of an interesting motif\n");
            std::printf("  \trefers to the number of sequences in which \n");
            std::printf("  \tthe motif approximately occurs; default is %hd) [%hd] : ", default_occ,
                        default_occ);
        },
        default_occ, 1, 32767);
    opt.Dist = ask_short(
        [] {
            std::printf("\n%%\tEnter the number of mutations allowed in searching\n");
            std::printf("  \tfor similar motifs (default is 0; maximum number is 10) [0] : ");
        },
        0, 0, 10);
    std::string out_name;
    File Out = ask_output_file(
        [] { std::printf("\n%%\tWhere the result should be stored (enter the file name) [Report.out] : "); },
        "Report.out", out_name);

    // report header
    const std::clock_t start = std::clock();
    std::fprintf(Out.get(), "Minimum length = %hd\n", static_cast<short>(opt.Minlgh));
    std::fprintf(Out.get(), "Minimum occurrence number = %hd\n", static_cast<short>(opt.Minocc));
    std::fprintf(Out.get(), "Number of mutations allowed = %hd\n", static_cast<short>(opt.Dist));
    std::fprintf(Out.get(), "Total number of sequences = %hd\n", Tot);
    std::fprintf(Out.get(), "Input file name = %s\n", in_name.c_str());
    if (ClassF) std::fprintf(Out.get(), "Classification file name = %s\n\n\n", class_name.c_str());
    std::fflush(Out.get());

    // tree and search; each motif goes to the report and the console as it is found
    auto heading = [&] {
        std::fprintf(Out.get(), "  Occurrence number     Motif\n");
        std::fprintf(Out.get(), "  -----------------     -----\n");
        std::printf("      0 motifs found\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b\b");
    };
    auto found = [&](int occurrences, const std::string& pattern, unsigned long Ct) {
        std::fprintf(Out.get(), "\t%3hd\t\t%s\n", static_cast<short>(occurrences), pattern.c_str());
        std::fflush(Out.get());
        std::printf("%c%6lu\b\b\b\b\b\b\b", A[K], Ct);
    };
    DiscoverResult result;
    try {
        result = discover_motifs(P, opt, spin, found, heading);
    } catch (const std::bad_alloc&) {
        std::fputs("\tErr:no enough memory\n", Out.get());
        std::fflush(Out.get());
        throw;
    }

    // footer, counts and time
    std::fprintf(Out.get(), "\n\n%6lu motifs found\n%6lu motifs checked", result.Ct, result.St);
    std::printf(" \n%7lu motifs checked\n", result.St);
    std::printf("\n\t%f seconds\n", seconds_since(start));
    close_output(Out, out_name);

    // context files: one attribute per motif
    ContextRequest request;
    request.attributes = result.attributes;
    if (opt.Sty == 2) {
        const auto& pairs = result.pairs;
        request.present = [&pairs](size_t j, const std::string& sequence) {
            return holds_pair(pairs[j].first, pairs[j].second, sequence);
        };
    }
    request.training = &P;
    request.test = has_test ? &SLstT : nullptr;
    request.class_file = ClassF.get();
    request.test_class_file = has_test ? ClassTF.get() : nullptr;
    write_context_files(request);

    finish_method();
}
