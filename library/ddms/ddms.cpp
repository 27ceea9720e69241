#include "ddms/ddms.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "ddms/grouping.h"
#include "ddms/matrices.h"
#include "ddms/output.h"
#include "disclass/disclass.h"
#include "report/figures.h"

namespace tessar {

const char* const kDdmsReportName = "LesDDSMs.txt";

namespace {

const char* const kMatrixNames[] = {"blosum45", "blosum62", "blosum80", "pam30", "pam70", "pam250"};

}  // namespace

const Question kMatrixNumber = {"--matrix", AnswerKind::Number,
                                "\n%%\tEnter the substitution matrix number  1 or 2\n"
                                "  \t(1 means BLOSUM45; 4 means PAM30)\n"
                                "  \t(2 means BLOSUM62; 5 means PAM70)\n"
                                "  \t(3 means BLOSUM80; 6 means PAM250) default[2] : ",
                                "substitution matrix", "2", 1, 6, kMatrixNames};
const Question kThreshold = {"--threshold", AnswerKind::Real,
                             "\n%%\tEnter the threshold similarity score default value[0.5]: \n"
                             "  \tThreshold similarity score [0.5]= ",
                             "similarity threshold: least score of a similar window (0 or more)",
                             "0.5", 0, std::numeric_limits<float>::max()};  // kept in a float, as the model file is

namespace {

// The similarity threshold: 0.5 by default, any value from 0 up.
float ask_threshold(Dialogue& io) {
    const std::string prompt = prompt_text(kThreshold);
    for (;;) {
        const std::string answer = io.answer(kThreshold, prompt);
        const float threshold = answer.empty() ? 0.5f : static_cast<float>(parse_real(answer));
        if (!(threshold < 0)) return threshold;
        io.refuse(kThreshold, answer);
    }
}

}  // namespace

DescriptorRun run_ddms(Dialogue& io) {
    DescriptorQuestions q = ask_descriptor_questions(io);
    const int number = ask_number(io, kMatrixNumber);
    const float threshold = ask_threshold(io);
    const SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), threshold);
    DescriptorData data = prepare_descriptor_tables(io, q, kDdmsReportName);

    // mining and grouping
    const std::clock_t start = std::clock();
    io.print("\n\tRunning...\n");
    mine_with_progress(io, data, q.alpha, q.beta);
    DescriptorTable table = merged_descriptors(data, rule);
    if (RunFigures* figures = io.figures())
        for (const DdmsDescriptor& d : table.entries) figures->groups.push_back({d.text, d.stands_for});
    io.printf("\n\t%d  discriminative descriptors", static_cast<int>(table.size()));
    io.printf("\n\t%f seconds\n\n", seconds_since(start));

    write_ddms_report_file(table, q.alpha, q.beta, data.filter_from_length,
                           io.output_path(kDdmsReportName, OutputName::Default));
    DescriptorRun run;
    run.tables = write_ddms_context_files(io, table, data, rule, q);
    finish_descriptor_method(io, data);

    run.alpha = q.alpha;
    run.beta = q.beta;
    run.matrix = number;
    run.threshold = threshold;
    for (DdmsDescriptor& d : table.entries) {
        run.descriptors.push_back(std::move(d.text));
        run.descriptor_classes.push_back(std::move(d.class_name));
    }
    run.n_sequences = data.file_sequences.size();
    run.n_placed = data.n_placed;
    run.n_classes_placed = classes_placed(data);
    return run;
}

}  // namespace tessar
