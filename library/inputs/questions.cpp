#include "inputs/questions.h"

namespace tessar {

const Question kSequenceFile = {
    "SEQUENCES", AnswerKind::InputFile,
    "%%\tEnter the file name of sequences\n"
    "  \t(an example file can be found in file SAMPLE;\n"
    "  \tmaximum number of sequences in the file is %d;\n"
    "  \tmaximum length of sequences is %d) [Sample.txt]: ",
    "the sequence file: each sequence starts at a line beginning with '>'", "Sample.txt"};

const Question kOptionalClassFile = {
    "--classes", AnswerKind::OptionalInputFile,
    "\n%%\tEnter the classification file for the %hd sequences\n"
    "  \tif there is no classification press ENTER: ",
    "classification file of the sequences (none: no class attribute, no test file)"};

const Question kClassFile = {"--classes", AnswerKind::InputFile,
                             "\n%%\tEnter the classification file: ",
                             "classification file of the sequences, grouped by class before mining (required)"};

const Question kTestFile = {"--test", AnswerKind::OptionalInputFile,
                            "\n%%\tEnter the test file \n"
                            "  \tif there is no test file press ENTER: ",
                            "test sequence file, encoded with the features of the training file",
                            "", 0, 0, nullptr, "--classes"};

const Question kTestClassFile = {"--test-classes", AnswerKind::InputFile,
                                 "\n%%\tEnter the test classification file for the %hd sequences\n"
                                 "  \tof the test file: ",
                                 "classification file of the test file (required with --test)",
                                 "", 0, 0, nullptr, "--test"};

SequenceInput ask_sequence_file(Dialogue& io, SequenceReader reader, ShownLimits shown) {
    SequenceInput input;
    File in = ask_input_file(io, kSequenceFile, prompt_text(kSequenceFile, shown.sequences, shown.length),
                             input.name);
    input.sequences = read_sequences(in.get(), input.name, reader, io.limits(), &input.stats, &input.ids);
    return input;
}

File ask_optional_class_file(Dialogue& io, int n_sequences, std::string& name) {
    return ask_input_file(io, kOptionalClassFile,
                          prompt_text(kOptionalClassFile, static_cast<short>(n_sequences)), name);
}

bool ask_test_files(Dialogue& io, TestInput& test) {
    File file = ask_input_file(io, kTestFile, test.name);
    if (!file) return false;
    SequenceFileStats stats;
    test.sequences = read_sequences(file.get(), test.name, SequenceReader::Test, io.limits(), &stats, &test.ids);
    file.reset();
    require_sequences(io, stats, test.name);
    note_residues(io, stats, test.name);
    const short n_test = static_cast<short>(test.sequences.size());
    test.class_file =
        ask_input_file(io, kTestClassFile, prompt_text(kTestClassFile, n_test), test.class_name);
    return true;
}

LabelledInput ask_labelled_input(Dialogue& io, SequenceReader reader, const char* found_format) {
    LabelledInput input;
    input.training = ask_sequence_file(io, reader, kShownLimits);
    const int n_sequences = static_cast<int>(input.training.sequences.size());
    io.print(format(found_format, static_cast<short>(n_sequences), input.training.name.c_str()));
    report_sequence_file(io, input.training.stats, input.training.name);
    input.class_file = ask_optional_class_file(io, n_sequences, input.class_name);
    input.with_test = input.class_file && ask_test_files(io, input.test);
    if (input.class_file && io.limits().labels_must_fit) {
        ClassFile training{input.class_file.get(), ""};
        input.classes = read_classification(training);
        require_labels_fit(*input.classes, input.training.sequences.size(), input.class_name);
        if (input.with_test) {
            // read beside the training file: its names by the training file's count
            ClassFile test{input.test.class_file.get(), ""};
            input.test.classes = read_classification(test, static_cast<int>(input.classes->names.size()));
            require_test_labels_fit(*input.test.classes, input.test.sequences.size(), input.classes->names,
                                    input.test.class_name);
        }
    }
    return input;
}

}  // namespace tessar
