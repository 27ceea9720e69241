#include "ddms/ddms.h"

#include <cstdio>
#include <ctime>

#include "ddms/grouping.h"
#include "ddms/matrices.h"
#include "ddms/output.h"
#include "dialogue.h"
#include "disclass/disclass.h"

namespace {

short ask_matrix_number() {
    return ask_short(
        [] {
            std::printf("\n%%\tEnter the substitution matrix number  1 or 2\n");
            std::printf("  \t(1 means BLOSUM45; 4 means PAM30)\n");
            std::printf("  \t(2 means BLOSUM62; 5 means PAM70)\n");
            std::printf("  \t(3 means BLOSUM80; 6 means PAM250) default[2] : ");
        },
        2, 1, 6);
}

// The similarity threshold: 0.5 by default, any value from 0 up.
float ask_threshold() {
    for (;;) {
        std::printf("\n%%\tEnter the threshold similarity score default value[0.5]: \n");
        std::printf("  \tThreshold similarity score [0.5]= ");
        std::string answer = read_answer();
        float Score = answer.empty() ? 0.5f : static_cast<float>(parse_real(answer));
        if (!(Score < 0)) return Score;
    }
}

}  // namespace

void run_ddms() {
    // dialogue
    DescriptorQuestions q = ask_descriptor_questions();
    short number = ask_matrix_number();
    SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), ask_threshold());

    // input preparation: family file, then the mining tables
    DescriptorData data = prepare_descriptor_tables(q);

    // mining and grouping
    std::clock_t start = std::clock();
    std::printf("\n\tRunning...\n");
    std::fflush(stdout);
    Discriminate(data, q.ALPHA, q.BETA);
    DescriptorTable table = MSDescriptors(data, rule);
    std::printf("\n\t%d  discriminative descriptors", static_cast<int>(table.NbMSDD));
    std::printf("\n\t%f seconds\n\n", seconds_since(start));

    // outputs
    GenerateResultFile2(table, q.ALPHA, q.BETA, data.FilterAt);
    ArffOutputs out = ask_arff_outputs(!q.test_name.empty());
    ArffTargets targets{out.arff.get(), q.class_file.get(), out.test.get(), q.test_class_file.get(),
                        &q.test_sequences};
    GenerateARFFFile2(table, data, rule, targets);
    close_output(out.arff, out.arff_name);
    close_output(out.test, out.test_name);

    finish_method();
}
