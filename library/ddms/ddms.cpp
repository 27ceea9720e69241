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

// Closes an output file; a write that failed on the way (a full disk) is reported.
void close_output(File& file, const std::string& name) {
    if (std::fclose(file.release()) != 0) fatal("\tErr: cannot write " + name + "\n");
}

}  // namespace

void run_ddms() {
    // dialogue
    DescriptorQuestions q = ask_descriptor_questions();
    short number = ask_matrix_number();
    SimilarityRule rule = make_similarity_rule(*substitution_matrix(number), ask_threshold());

    // input preparation: family file, then the mining tables
    DescriptorData data;
    ClassFile classes{q.class_file.get(), ""};
    FormatFile(q.sequence_file.get(), classes, data);
    q.sequence_file.reset();
    FillTable(data);
    std::rewind(q.class_file.get());

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
    std::string arff_name, test_arff_name;
    File arff = ask_output_file(
        [] { std::printf("%%\tEnter the ARFF Context file name [Context.arff]: "); },
        "Context.arff", arff_name);
    File test_arff;
    if (!q.test_name.empty()) {
        test_arff = ask_output_file(
            [] { std::printf("%%\tEnter the ARFF test file name [Test.arff]: "); }, "Test.arff",
            test_arff_name);
    }
    ArffTargets targets{arff.get(), q.class_file.get(), test_arff.get(), q.test_class_file.get(),
                        &q.test_sequences};
    GenerateARFFFile2(table, data, rule, targets);
    close_output(arff, arff_name);
    if (test_arff) close_output(test_arff, test_arff_name);

    finish_method();
}
