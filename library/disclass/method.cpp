// The discriminative-descriptor method's record in the table of methods, and what the two
// descriptor methods' records share.
#include "disclass/disclass.h"

#include <algorithm>

namespace tessar {

extern const Method kDisclassMethod;

namespace {

// Why the mining found nothing: a descriptor sets one class apart from the others, so one class
// alone has none; otherwise no text reaches ALPHA in its best class while staying within BETA in
// the others (ALPHA 0 and BETA 1 take every text).
std::string empty_mining_hint(const DescriptorRun& r) {
    if (r.n_classes_placed < 2)
        return "0 descriptors: the sequences placed are all of one class; a descriptor sets a class "
               "apart from the others";
    return format("0 descriptors reach %s %g with %s %g; try a lower %s or a higher %s", kAlpha.flag,
                  static_cast<double>(r.alpha), kBeta.flag, static_cast<double>(r.beta), kAlpha.flag, kBeta.flag);
}

}  // namespace

MethodRun descriptor_method_run(const Method& method, DescriptorRun r,
                                std::vector<std::pair<std::string, std::string>> parameters) {
    std::string hint = r.descriptors.empty() ? empty_mining_hint(r) : "";
    MethodRun out{format("%s: %zu sequences (%zu placed), %zu descriptors, %s", method.name, r.n_sequences,
                         r.n_placed, r.descriptors.size(), class_words(r.tables).c_str()),
                  base_model(method, std::move(r.descriptors), r.tables), std::move(hint)};
    out.model->feature_classes = std::move(r.descriptor_classes);
    out.model->parameters = std::move(parameters);
    return out;
}

Model learned_descriptor_model(const Method& method, DescriptorRun r, const DescriptorData& data,
                               const LearnRequest& request,
                               std::vector<std::pair<std::string, std::string>> parameters) {
    // the class attribute lists one class per family, as the tables' does
    r.tables.with_classes = true;
    r.tables.class_names.assign(data.classes.names.begin(),
                                data.classes.names.begin() + std::min<size_t>(data.n_families, data.classes.names.size()));
    r.n_sequences = request.sequences.size();
    r.n_placed = data.n_placed;
    return *descriptor_method_run(method, std::move(r), std::move(parameters)).model;
}

namespace {

// Every question of the method, in dialogue order.
const std::vector<const Question*>& questions() {
    static const std::vector<const Question*> questions = {
        &kSequenceFile, &kClassFile, &kTestFile, &kTestClassFile, &kAlpha, &kBeta,
        &kArffName, &kTestArffName};
    return questions;
}

MethodRun run(Dialogue& io) { return descriptor_method_run(kDisclassMethod, run_disclass(io)); }

RowCoder row_coder(const Model& model) { return presence_coder(model.features); }

Model learn(const LearnRequest& request) {
    require_known_parameters(request, {&kAlpha, &kBeta});
    float alpha = 0, beta = 0;
    const DescriptorData data = learn_descriptors(request, alpha, beta);
    DescriptorRun r;
    r.descriptors = descriptor_texts(data);
    return learned_descriptor_model(kDisclassMethod, std::move(r), data, request);
}

}  // namespace

const Method kDisclassMethod = {
    "disclass", 'c', "discriminative descriptors under ALPHA and BETA (menu c)",
    "tessar disclass seqs.fasta --classes seqs.cls --alpha 0.7 --beta 0.1 --format csv",
    questions, true, {{kFamilyFileName, "the family file"}, {kDisclassReportName, "the report"}}, run,
    {}, text_feature_line, read_text_feature, row_coder, TestClassReading::Unchecked, learn,
};

}  // namespace tessar
