// The N-gram method's record in the table of methods.
#include "inputs/questions.h"
#include "methods/method.h"
#include "ngrams/ngrams.h"

namespace tessar {

extern const Method kNgramsMethod;

namespace {

// Every question of the method, in dialogue order.
const std::vector<const Question*>& questions() {
    static const std::vector<const Question*> questions = {
        &kSequenceFile, &kOptionalClassFile, &kTestFile, &kTestClassFile, &kNgramSize,
        &kArffNameAfterBlankLines, &kTestArffName, &kTxtName, &kDatName};
    return questions;
}

MethodRun run(Dialogue& io) {
    NgramsRun r = run_ngrams(io);
    std::string summary = format("ngrams: %zu sequences, %zu distinct %d-grams, %s", r.n_sequences,
                                 r.ngrams.size(), r.n, class_words(r.tables).c_str());
    // a sequence of N residues or more has an N-gram: none has when N exceeds every one
    std::string hint = r.ngrams.empty() && r.n_sequences > 0
                           ? longer_than_every_sequence("N-grams", kNgramSize, r.n, r.longest_sequence)
                           : "";
    Model model = base_model(kNgramsMethod, std::move(r.ngrams), r.tables);
    model.parameters = {{"n", std::to_string(r.n)}};
    return {std::move(summary), std::move(model), std::move(hint)};
}

// An N-gram has N letters.
bool read_feature(const std::string& value, Model& model, std::string& why) {
    if (is_residues(value) && value.size() != static_cast<size_t>(model.number("n"))) {
        why = format("not of n = %d letters", model.number("n"));
        return false;
    }
    return read_text_feature(value, model, why);
}

RowCoder row_coder(const Model& model) { return ngram_coder(model.features, model.number("n")); }

Model learn(const LearnRequest& request) {
    require_known_parameters(request, {&kNgramSize});
    const int n = static_cast<int>(learn_parameter(request, kNgramSize));
    Model model = learned_model(kNgramsMethod, extract_ngrams(request.sequences, n).ngrams, request);
    model.parameters = {{"n", std::to_string(n)}};
    return model;
}

}  // namespace

const Method kNgramsMethod = {
    "ngrams", 'b', "every distinct substring of N residues as a feature (menu b)",
    "tessar ngrams seqs.fasta --classes seqs.cls -n 2 --format sparse-arff --out-dir out",
    questions, true, {}, run,
    {{"n", &kNgramSize}}, text_feature_line, read_feature, row_coder, TestClassReading::Checked, learn,
};

}  // namespace tessar
