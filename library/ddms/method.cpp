// The method's record in the table of methods.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ddms/ddms.h"
#include "ddms/matrices.h"
#include "ddms/output.h"
#include "methods/method.h"

namespace tessar {

extern const Method kDdmsMethod;

namespace {

// Every question of the method, in dialogue order.
const std::vector<const Question*>& questions() {
    static const std::vector<const Question*> questions = {
        &kSequenceFile, &kClassFile, &kTestFile, &kTestClassFile, &kAlpha, &kBeta,
        &kMatrixNumber, &kThreshold, &kArffName, &kTestArffName};
    return questions;
}

MethodRun run(Dialogue& io) {
    const DescriptorRun r = run_ddms(io);
    return descriptor_method_run(kDdmsMethod, r, {{"matrix", parameter_text(kMatrixNumber, r.matrix)},
                                                  {"threshold", parameter_text(kThreshold, r.threshold)}});
}

// A descriptor is the line "TEXT CLASS", its class escaped as every name of a model file.
std::string feature_line(const Model& model, size_t j) {
    return model.features[j] + " " + escape_model_text(model.feature_classes[j]);
}

bool read_feature(const std::string& value, Model& model, std::string& why) {
    const size_t blank = value.find(' ');
    std::string name;
    if (blank == std::string::npos || !is_residues(value.substr(0, blank))) {
        why = "a descriptor is written \"TEXT CLASS\", TEXT of letters A to Z";
        return false;
    }
    if (!unescape_model_text(value.substr(blank + 1), name)) {
        why = "its class holds a '\\' outside \"\\\\\" and \"\\xHH\"";
        return false;
    }
    model.features.push_back(value.substr(0, blank));
    model.feature_classes.push_back(std::move(name));
    return true;
}

// The method's rule for a sequence of known class; for one of unknown class, the label-free rule.
RowCoder row_coder(const Model& model) {
    struct Shared {
        DescriptorTable table;
        std::unique_ptr<SimilarityRule> rule;
        RowEncoder encoder;  // points into `table` and `rule`
    };
    auto shared = std::make_shared<Shared>();
    for (size_t j = 0; j < model.features.size(); ++j)
        add_descriptor(shared->table, model.features[j], model.feature_classes[j]);
    shared->rule = std::make_unique<SimilarityRule>(make_similarity_rule(
        *substitution_matrix(model.number("matrix")), std::strtof(model.parameter("threshold").c_str(), nullptr)));
    shared->encoder = make_row_encoder(shared->table, *shared->rule);
    std::shared_ptr<const Shared> rows = shared;
    return [rows]() -> RowFiller {
        return [rows, scratch = RowScratch()](std::string_view sequence, const std::string* label,
                                              std::vector<std::uint32_t>& ones) mutable {
            encode_row(rows->encoder, scratch, sequence, label, ones);
        };
    };
}

// The merged groups, the largest first: each representative and the descriptors it stands for.
void report_sections(const Model&, const RunFigures& figures, std::vector<ReportSection>& sections) {
    constexpr size_t kShownGroups = 30, kShownMembers = 12;
    std::vector<const FeatureGroup*> groups;
    for (const FeatureGroup& g : figures.groups) groups.push_back(&g);
    std::stable_sort(groups.begin(), groups.end(), [](const FeatureGroup* a, const FeatureGroup* b) {
        return a->members.size() > b->members.size();
    });
    ReportSection section{"Merged groups",
                          format("%zu descriptors kept; each stands for the descriptors the substitution "
                                 "matrix scores as similar to it; the largest groups first",
                                 groups.size()),
                          {"representative", "descriptors merged", "merged into it"}, {}};
    for (size_t i = 0; i < groups.size() && i < kShownGroups; ++i) {
        const std::vector<std::string>& members = groups[i]->members;
        std::string listed;
        for (size_t m = 0; m < members.size() && m < kShownMembers; ++m) listed += (m ? " " : "") + members[m];
        if (members.size() > kShownMembers) listed += format(" and %zu more", members.size() - kShownMembers);
        section.rows.push_back({groups[i]->representative, std::to_string(members.size()), listed});
    }
    sections.push_back(std::move(section));
}

Model learn(const LearnRequest& request) {
    require_known_parameters(request, {&kAlpha, &kBeta, &kMatrixNumber, &kThreshold});
    const int number = static_cast<int>(learn_parameter(request, kMatrixNumber));
    const float threshold = static_cast<float>(learn_parameter(request, kThreshold));
    const SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), threshold);
    float alpha = 0, beta = 0;
    const DescriptorData data = learn_descriptors(request, alpha, beta);
    DescriptorTable table = merged_descriptors(data, rule);
    DescriptorRun r;
    for (DdmsDescriptor& d : table.entries) {
        r.descriptors.push_back(std::move(d.text));
        r.descriptor_classes.push_back(std::move(d.class_name));
    }
    return learned_descriptor_model(kDdmsMethod, std::move(r), data, request,
                                    {{"matrix", parameter_text(kMatrixNumber, number)},
                                     {"threshold", parameter_text(kThreshold, threshold)}});
}

}  // namespace

const Method kDdmsMethod = {
    "ddms", 'd', "discriminative descriptors merged by a substitution matrix (menu d)",
    "tessar ddms seqs.fasta --classes seqs.cls --matrix pam70 --threshold 0.5 --out-dir out",
    questions, true, {{kFamilyFileName, "the family file"}, {kDdmsReportName, "the report"}}, run,
    {{"matrix", &kMatrixNumber}, {"threshold", &kThreshold}},
    feature_line, read_feature, row_coder, TestClassReading::Unchecked, learn, true, report_sections,
};

}  // namespace tessar
