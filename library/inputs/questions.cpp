#include "inputs/questions.h"

#include "inputs/sequences.h"

File ask_sequence_file(int max_sequences_shown, int max_length_shown, std::string& name) {
    return ask_input_file(
        [=] {
            std::printf("%%\tEnter the file name of sequences\n");
            std::printf("  \t(an example file can be found in file SAMPLE;\n");
            std::printf("  \tmaximum number of sequences in the file is %d;\n", max_sequences_shown);
            std::printf("  \tmaximum length of sequences is %d) [Sample.txt]: ", max_length_shown);
        },
        "Sample.txt", name);
}

File ask_optional_class_file(short n_sequences, std::string& name) {
    return ask_input_file(
        [n_sequences] {
            std::printf("\n%%\tEnter the classification file for the %hd sequences\n", n_sequences);
            std::printf("  \tif there is no classification press ENTER: ");
        },
        "", name, true);
}

bool ask_test_files(std::vector<std::string>& sequences, File& class_file, std::string& name,
                    std::string& class_name) {
    File test = ask_input_file(
        [] {
            std::printf("\n%%\tEnter the test file \n");
            std::printf("  \tif there is no test file press ENTER: ");
        },
        "", name, true);
    if (!test) return false;
    sequences = read_sequences(test.get(), SequenceReader::Test);
    test.reset();
    const short n_test = static_cast<short>(sequences.size());
    // no default and no way out: the question repeats until a file opens
    class_file = ask_input_file(
        [n_test] {
            std::printf("\n%%\tEnter the test classification file for the %hd sequences\n", n_test);
            std::printf("  \tof the test file: ");
        },
        "", class_name);
    return true;
}
