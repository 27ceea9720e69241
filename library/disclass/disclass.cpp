// The discriminative-descriptor method: its dialogue (shared with the substitution-matrix
// method) and the order of its steps.
#include "disclass/disclass.h"

#include <ctime>

#include "inputs/questions.h"

DescriptorQuestions ask_descriptor_questions() {
    DescriptorQuestions q;
    q.sequence_file = ask_sequence_file(3000, 5000, q.sequence_name);

    // required: no default, no way to skip
    q.class_file = ask_input_file([] { std::printf("\n%%\tEnter the classification file: "); }, "",
                                  q.class_name);

    ask_test_files(q.test_sequences, q.test_class_file, q.test_name, q.test_class_name);

    // thresholds: the whole block again while either lies outside [0, 1]
    do {
        std::printf("\n%%\tEnter ALPHA and BETA values ( 0 <= ALPHA,BETA <= 1 )\n");
        std::printf("  \tdefault values[0][0]: \n");
        std::printf("  \tALPHA [0]= ");
        q.ALPHA = static_cast<float>(parse_real(read_answer()));
        std::printf("  \tBETA [0]= ");
        q.BETA = static_cast<float>(parse_real(read_answer()));
    } while (!(q.ALPHA >= 0 && q.ALPHA <= 1 && q.BETA >= 0 && q.BETA <= 1));
    return q;
}

DescriptorData prepare_descriptor_tables(DescriptorQuestions& q) {
    DescriptorData data;
    ClassFile classes{q.class_file.get(), ""};
    FormatFile(q.sequence_file.get(), classes, data);
    q.sequence_file.reset();
    FillTable(data);
    std::rewind(q.class_file.get());
    return data;
}

void run_disclass() {
    DescriptorQuestions q = ask_descriptor_questions();
    const bool has_test = !q.test_name.empty();

    DescriptorData data = prepare_descriptor_tables(q);

    // mining
    std::clock_t start = std::clock();
    std::printf("\n\tRunning...\n");
    std::fflush(stdout);
    Discriminate(data, q.ALPHA, q.BETA);
    std::printf("\n\t%d  discriminative descriptors", static_cast<int>(data.NbMot));
    std::printf("\n\t%f seconds\n\n", seconds_since(start));

    // outputs
    GenerateResultFile(data, q.ALPHA, q.BETA);
    ArffOutputs out = ask_arff_outputs(has_test);
    GenerateARFFFile(data, out.arff.get(), q.class_file.get(), out.test.get(),
                     q.test_class_file.get(), q.test_sequences);
    close_output(out.arff, out.arff_name);
    close_output(out.test, out.test_name);
    finish_method();
}
