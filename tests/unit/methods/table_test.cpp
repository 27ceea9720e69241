// The table of methods, one property suite over every record: each method's run on the sample
// families gives a model whose row coder gives back, row for row, the test table the method wrote
// (the coder is what `tessar encode` and every later front end encode with); the records keep
// their names, keys and parameters apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <sstream>

#include "dialogue/preset.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"
#include "methods/table.h"
#include "parallel/parallel.h"
#include "support.h"

using namespace tessar;

namespace {

const std::string kData = TESSAR_TEST_DATA;

std::vector<std::string> read_sequence_file_at(const std::string& path) {
    File in(std::fopen(path.c_str(), "r"));
    return read_sequences(in.get(), path, SequenceReader::Test, Limits{});
}

// The label lines of a classification file, in order.
std::vector<std::string> labels_of(const std::string& path) {
    File in(std::fopen(path.c_str(), "r"));
    ClassFile classes{in.get(), ""};
    std::vector<std::string> labels;
    read_class_header_unchecked(classes);
    while (next_class_line(classes)) labels.push_back(classes.line);
    return labels;
}

// The ones of each row of a dense ARFF file.
std::vector<std::vector<std::uint32_t>> dense_rows(const std::string& text) {
    std::vector<std::vector<std::uint32_t>> rows;
    std::istringstream in(text.substr(text.find("@data\n") + 6));
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        for (size_t j = 0; 2 * j < line.size() && (line[2 * j] == '0' || line[2 * j] == '1'); ++j)
            if (line[2 * j] == '1') rows.back().push_back(static_cast<std::uint32_t>(j));
    }
    return rows;
}

class EveryMethod : public test_support::InScratchFolder {};

}  // namespace

TEST(MethodTable, NamesKeysAndParametersStandApart) {
    std::set<std::string> names;
    std::set<char> keys;
    for (const Method* m : methods()) {
        EXPECT_TRUE(names.insert(m->name).second) << m->name;
        EXPECT_TRUE(keys.insert(m->menu_key).second) << m->name;
        EXPECT_EQ(find_method(m->name), m);
        // a model parameter is the answer to one of the method's own questions
        for (const ModelParameter& p : m->model_parameters) {
            const auto& qs = m->questions();
            EXPECT_NE(std::find(qs.begin(), qs.end(), p.question), qs.end()) << m->name << " " << p.key;
        }
        EXPECT_EQ(m->row_coder == nullptr, m->feature_line == nullptr) << m->name;
    }
    EXPECT_EQ(find_method("hmm"), nullptr);
    EXPECT_EQ(model_method_names(), "motifs, ngrams, disclass or ddms");
}

TEST_F(EveryMethod, ItsRowCoderGivesTheTestTableItWrote) {
    const std::vector<std::string> test = read_sequence_file_at(kData + "/small-test.fasta");
    const std::vector<std::string> labels = labels_of(kData + "/small-test.cls");
    for (const Method* m : methods()) {
        if (!m->row_coder) continue;
        SCOPED_TRACE(m->name);
        std::filesystem::create_directory(m->name);
        PresetOptions options;
        options.messages = nullptr;
        options.out_dir = m->name;
        options.answers = {{"SEQUENCES", kData + "/small.fasta"}, {"--classes", kData + "/small.cls"},
                           {"--test", kData + "/small-test.fasta"}, {"--test-classes", kData + "/small-test.cls"},
                           {"--min-occurrence", "4"}, {"--alpha", "0.5"}, {"--form", "1"}};
        PresetDialogue io(std::move(options));
        const MethodRun run = m->run(io);
        ASSERT_TRUE(run.model);
        EXPECT_EQ(run.model->method, m);
        EXPECT_EQ(run.summary.rfind(std::string(m->name) + ": ", 0), 0u) << run.summary;
        EXPECT_FALSE(run.model->features.empty());

        const auto written = dense_rows(test_support::read_file(std::string(m->name) + "/Test.arff"));
        ASSERT_EQ(written.size(), test.size());
        const RowFiller fill = m->row_coder(*run.model)();
        std::vector<std::uint32_t> ones;
        for (size_t i = 0; i < test.size(); ++i) {
            fill(test[i], &labels[i], ones);
            EXPECT_EQ(ones, written[i]) << "test row " << i;
        }
    }
}

TEST(CodeRows, TheJoinedTableIsEveryRowInOrderOnAnyNumberOfThreads) {
    // more sequences than a block of rows holds, some too short for any N-gram, one empty
    std::mt19937 random(7);
    std::vector<std::string> sequences(1000);
    for (std::string& s : sequences) {
        s.resize(std::uniform_int_distribution<size_t>(0, 40)(random));
        for (char& c : s) c = static_cast<char>('A' + std::uniform_int_distribution<int>(0, 5)(random));
    }
    sequences[3].clear();
    LearnRequest request;
    request.sequences = sequences;
    request.parameters = {{"n", "3"}};
    const Model model = find_method("ngrams")->learn(request);

    SparseRows expected;
    const RowFiller fill = model.method->row_coder(model)();
    std::vector<std::uint32_t> ones;
    for (const std::string& s : sequences) {
        fill(s, nullptr, ones);
        expected.columns.insert(expected.columns.end(), ones.begin(), ones.end());
        expected.row_starts.push_back(static_cast<std::int64_t>(expected.columns.size()));
    }
    for (size_t threads : {1, 2, 3}) {
        set_thread_count(threads);
        const SparseRows rows = code_rows(model, sequences);
        EXPECT_EQ(rows.row_starts, expected.row_starts) << threads << " threads";
        EXPECT_EQ(rows.columns, expected.columns) << threads << " threads";
    }
    set_thread_count(0);
}
