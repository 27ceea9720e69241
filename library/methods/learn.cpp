// Learning from a training set in memory, and the rows of sequences in memory: what the Python
// module calls, on the methods' own steps.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "inputs/classfile.h"
#include "methods/method.h"
#include "parallel/parallel.h"

namespace tessar {

std::string parameter_name(const Question& q) {
    std::string name = q.flag;
    name.erase(0, name.find_first_not_of('-'));
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

namespace {

const std::string* find_parameter(const LearnRequest& request, const Question& q) {
    const std::string name = parameter_name(q);
    for (const auto& [key, value] : request.parameters)
        if (key == name) return &value;
    return nullptr;
}

}  // namespace

bool has_parameter(const LearnRequest& request, const Question& q) { return find_parameter(request, q) != nullptr; }

double learn_parameter(const LearnRequest& request, const Question& q, double fallback) {
    const std::string* given = find_parameter(request, q);
    if (!given) return std::isnan(fallback) ? std::strtod(q.default_answer, nullptr) : fallback;
    const std::string reason = refusal_reason(q, *given);
    if (!reason.empty()) fatal(format("Err: %s %s\n", parameter_name(q).c_str(), reason.c_str()));
    if (q.choices) return std::strtod(choice_number(q, *given).c_str(), nullptr);
    return std::strtod(given->c_str(), nullptr);
}

void require_known_parameters(const LearnRequest& request, const std::vector<const Question*>& questions) {
    for (const auto& parameter : request.parameters) {
        const std::string& key = parameter.first;
        const bool known = std::any_of(questions.begin(), questions.end(),
                                       [&](const Question* q) { return parameter_name(*q) == key; });
        if (!known) fatal(format("Err: no parameter %s\n", key.c_str()));
    }
}

Model learned_model(const Method& method, std::vector<std::string> features, const LearnRequest& request) {
    ContextSummary tables;
    tables.with_classes = !request.labels.empty();
    if (tables.with_classes) tables.class_names = request.class_names;
    return base_model(method, std::move(features), tables);
}

void require_two_classes(const LearnRequest& request) {
    ClassesRead classes;
    classes.names = request.class_names;
    classes.labels = request.labels;
    if (request.labels.empty()) fatal("Err: this method learns from labelled sequences: give their labels\n");
    require_labels_fit(classes, request.sequences.size(), "the labels");
    if (request.class_names.size() < 2)
        fatal(format("Err: the labels name %zu class; this method needs two at least\n", request.class_names.size()));
}

SparseRows code_rows(const Model& model, const std::vector<std::string>& sequences,
                     const std::vector<std::string>* labels) {
    const RowCoder coder = model.method->row_coder(model);
    // blocks of rows, each filled on any thread and joined in order
    constexpr size_t kBlock = 256;
    OrderedTasks tasks;
    tasks.count = (sequences.size() + kBlock - 1) / kBlock;
    std::vector<RowFiller> fillers(tasks.workers);
    std::vector<std::vector<std::vector<std::uint32_t>>> blocks(tasks.count);
    tasks.run = [&](size_t worker, size_t b) {
        if (!fillers[worker]) fillers[worker] = coder();
        const size_t begin = b * kBlock, end = std::min(sequences.size(), begin + kBlock);
        blocks[b].resize(end - begin);
        for (size_t i = begin; i < end; ++i)
            fillers[worker](sequences[i], labels ? &(*labels)[i] : nullptr, blocks[b][i - begin]);
    };
    SparseRows rows;
    rows.row_starts.reserve(sequences.size() + 1);
    tasks.deliver = [&](size_t b) {
        for (const std::vector<std::uint32_t>& ones : blocks[b]) {
            rows.columns.insert(rows.columns.end(), ones.begin(), ones.end());
            rows.row_starts.push_back(static_cast<std::int64_t>(rows.columns.size()));
        }
        std::vector<std::vector<std::uint32_t>>().swap(blocks[b]);
    };
    run_ordered(tasks);
    return rows;
}

}  // namespace tessar
