// The motif method's record in the table of methods.
#include <algorithm>
#include <map>
#include <climits>
#include <memory>

#include "inputs/questions.h"
#include "discover/discover.h"

namespace tessar {

extern const Method kMotifsMethod;

RowCoder motif_coder(const std::vector<std::string>& attributes,
                     const std::vector<std::pair<std::string, std::string>>& pairs) {
    auto encoder = std::make_shared<const MotifRowEncoder>(make_motif_encoder(attributes, pairs));
    return [encoder]() -> RowFiller {
        return [encoder, scratch = MotifRowScratch()](std::string_view sequence, const std::string*,
                                                      std::vector<std::uint32_t>& ones) mutable {
            encode_motif_row(*encoder, scratch, sequence, ones);
        };
    };
}

namespace {

// Every question of the method, in dialogue order.
const std::vector<const Question*>& questions() {
    static const std::vector<const Question*> questions = {
        &kSequenceFile, &kOptionalClassFile, &kTestFile, &kTestClassFile, &kMotifForm, &kMinLength,
        &kMinOccurrence, &kMutations, &kReportName, &kArffName, &kTestArffName, &kTxtName, &kDatName};
    return questions;
}

// Why a search found nothing: the candidates are pieces of the sequences themselves, so a least
// length beyond the longest sequence leaves none; otherwise no motif occurs in enough sequences.
std::string empty_search_hint(const MotifsRun& r) {
    if (static_cast<size_t>(r.options.min_length) > r.longest_sequence)
        return longer_than_every_sequence("motifs", kMinLength, r.options.min_length, r.longest_sequence);
    const bool the_default = static_cast<size_t>(r.options.min_occurrence) == r.n_sequences / 3;
    return format("0 motifs reach %s %d (%s %zu sequences); try a lower value", kMinOccurrence.flag,
                  r.options.min_occurrence, the_default ? "a third of" : "of", r.n_sequences);
}

MethodRun run(Dialogue& io) {
    MotifsRun r = run_discover(io);
    std::string summary = format("motifs: %zu sequences, %lu motifs found of %lu checked, %s", r.n_sequences,
                                 r.motifs.n_found, r.motifs.n_checked, class_words(r.tables).c_str());
    std::string hint = r.motifs.attributes.empty() ? empty_search_hint(r) : "";
    Model model = base_model(kMotifsMethod, std::move(r.motifs.attributes), r.tables);
    model.parameters = {{"form", std::to_string(r.options.form)}, {"mutations", std::to_string(r.options.mutations)}};
    return {std::move(summary), std::move(model), std::move(hint)};
}

bool is_pair_form(const Model& model) { return model.number("form") == 2; }

// A motif *X*Y* (attribute "X*Y") is the line "X Y".
std::string feature_line(const Model& model, size_t j) {
    std::string line = model.features[j];
    if (is_pair_form(model)) line[line.find('*')] = ' ';
    return line;
}

bool read_feature(const std::string& value, Model& model, std::string& why) {
    if (!is_pair_form(model)) return read_text_feature(value, model, why);
    const size_t blank = value.find(' ');
    if (blank == std::string::npos || !is_residues(value.substr(0, blank)) ||
        !is_residues(value.substr(blank + 1))) {
        why = "a motif *X*Y* is written \"X Y\", each of letters A to Z";
        return false;
    }
    model.features.push_back(value.substr(0, blank) + "*" + value.substr(blank + 1));
    return true;
}

RowCoder row_coder(const Model& model) {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (is_pair_form(model))
        for (const std::string& f : model.features) {
            const size_t star = f.find('*');
            pairs.emplace_back(f.substr(0, star), f.substr(star + 1));
        }
    return motif_coder(model.features, pairs);
}

// The most frequent motifs; with form 2 the pairs, and the motifs that enter most pairs.
void report_sections(const Model& model, const RunFigures& figures, std::vector<ReportSection>& sections) {
    constexpr size_t kShown = 20;
    const bool pairs = is_pair_form(model);
    sections.push_back(most_held_section(figures, pairs ? "Most frequent pairs *X*Y*" : "Most frequent motifs",
                                         kShown, [](size_t) { return true; }));
    if (!pairs) return;
    std::map<std::string, size_t> in_pairs;  // motif -> pairs it enters
    for (const std::string& f : model.features) {
        const size_t star = f.find('*');
        ++in_pairs[f.substr(0, star)];
        if (f.substr(star + 1) != f.substr(0, star)) ++in_pairs[f.substr(star + 1)];
    }
    std::vector<std::pair<std::string, size_t>> motifs(in_pairs.begin(), in_pairs.end());
    std::stable_sort(motifs.begin(), motifs.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    ReportSection section{"Motifs in most pairs", "each motif X or Y and the number of pairs it enters",
                          {"motif", "pairs"}, {}};
    for (size_t i = 0; i < motifs.size() && i < kShown; ++i)
        section.rows.push_back({motifs[i].first, std::to_string(motifs[i].second)});
    sections.push_back(std::move(section));
}

Model learn(const LearnRequest& request) {
    require_known_parameters(request, {&kMotifForm, &kMinLength, &kMinOccurrence, &kMutations});
    DiscoverOptions opt;
    opt.form = static_cast<int>(learn_parameter(request, kMotifForm));
    opt.min_length = static_cast<int>(learn_parameter(request, kMinLength));
    // by default a third of the sequences, as the dialogue's
    opt.min_occurrence =
        static_cast<int>(learn_parameter(request, kMinOccurrence, static_cast<double>(std::max<size_t>(1, request.sequences.size() / 3))));
    opt.mutations = static_cast<int>(learn_parameter(request, kMutations));
    opt.max_length = INT_MAX;  // sequences of any length
    DiscoverResult result = discover_motifs(request.sequences, opt);
    Model model = learned_model(kMotifsMethod, std::move(result.attributes), request);
    model.parameters = {{"form", std::to_string(opt.form)}, {"mutations", std::to_string(opt.mutations)}};
    return model;
}

}  // namespace

const Method kMotifsMethod = {
    "motifs", 'a', "active motifs *X* or *X*Y* found within a number of mutations (menu a)",
    "tessar motifs seqs.fasta --classes seqs.cls --min-length 4 --min-occurrence 3 --out-dir out",
    questions, true, {}, run,
    // the mutations are the search's setting, kept for the record: the rows test exact occurrences
    {{"form", &kMotifForm}, {"mutations", &kMutations}},
    feature_line, read_feature, row_coder, TestClassReading::Checked, learn, false, report_sections,
};

}  // namespace tessar
