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
    // blocks of rows, each filled on any thread into storage of its own, then joined in order:
    // the columns of a block one after another, and where each of its rows ends
    struct Block {
        std::vector<std::uint32_t> columns;
        std::vector<std::size_t> row_ends;
    };
    constexpr size_t kBlock = 256;
    const size_t n_blocks = (sequences.size() + kBlock - 1) / kBlock;
    std::vector<Block> blocks(n_blocks);
    OrderedTasks tasks;
    tasks.count = n_blocks;
    std::vector<RowFiller> fillers(tasks.workers);
    std::vector<std::vector<std::uint32_t>> ones(tasks.workers);
    tasks.run = [&](size_t worker, size_t b) {
        if (!fillers[worker]) fillers[worker] = coder();
        const size_t begin = b * kBlock, end = std::min(sequences.size(), begin + kBlock);
        Block& block = blocks[b];
        block.row_ends.reserve(end - begin);
        for (size_t i = begin; i < end; ++i) {
            fillers[worker](sequences[i], labels ? &(*labels)[i] : nullptr, ones[worker]);
            block.columns.insert(block.columns.end(), ones[worker].begin(), ones[worker].end());
            block.row_ends.push_back(block.columns.size());
        }
    };
    run_ordered(tasks);

    // the whole table at its size, each block copied to its place on any thread
    SparseRows rows;
    std::vector<size_t> block_starts(n_blocks + 1, 0);
    for (size_t b = 0; b < n_blocks; ++b) block_starts[b + 1] = block_starts[b] + blocks[b].columns.size();
    rows.columns.resize(block_starts[n_blocks]);
    rows.row_starts.resize(sequences.size() + 1);
    parallel_blocks(n_blocks, 1, [&](size_t, size_t begin, size_t end) {
        for (size_t b = begin; b < end; ++b) {
            Block& block = blocks[b];
            std::copy(block.columns.begin(), block.columns.end(), rows.columns.begin() + static_cast<std::ptrdiff_t>(block_starts[b]));
            for (size_t r = 0; r < block.row_ends.size(); ++r)
                rows.row_starts[b * kBlock + r + 1] = static_cast<std::int64_t>(block_starts[b] + block.row_ends[r]);
            std::vector<std::uint32_t>().swap(block.columns);  // given back as soon as it is copied
        }
    });
    return rows;
}

}  // namespace tessar
