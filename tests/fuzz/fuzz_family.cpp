// The family file round trip of the descriptor methods: write_family_file writes the sequences of a
// fuzzed sequence file regrouped by the classes of a fuzzed classification file, read_family_file
// reads the family file back.
//
// Input: the sequence file, then the classification file (fuzz separator between them).
// Checks: the family file gives back a prefix of the sequences in file order (the text is their
// concatenation), and the family and sequence records agree with the text and with each other.
#include <cstdlib>

#include "disclass/disclass.h"
#include "harness.h"
#include "inputs/sequences.h"

namespace {

using fuzz::check;

void check_tables(const tessar::DescriptorData& data) {
    check(data.n_placed == data.sequences.size());
    check(data.n_placed <= data.file_sequences.size());
    check(data.n_families == data.families.size());
    check(data.n_families <= data.classes.names.size());
    check(data.sequence_ends.size() == data.n_placed + 1);

    std::string placed;
    for (size_t k = 0; k < data.n_placed; ++k) placed += data.file_sequences[k];
    check(data.text == placed);

    size_t position = 0, number = 0, longest = 0;
    for (const tessar::FamilyRec& family : data.families) {
        check(family.n_sequences == static_cast<int>(family.sequences.size()));
        for (int s : family.sequences) {
            check(s == static_cast<int>(++number));
            const tessar::SeqRec& seq = data.sequences[s - 1];
            check(seq.family == family.number);
            check(seq.start == static_cast<int>(position));
            check(seq.length == static_cast<int>(data.file_sequences[s - 1].size()));
            position += seq.length;
            longest = std::max(longest, static_cast<size_t>(seq.length));
        }
    }
    check(number == data.n_placed);
    check(longest == data.longest_sequence);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::vector<std::string> parts = fuzz::split_input(data, size, 2);
    tessar::Limits limits = tessar::console_limits();
    limits.max_sequences = 60;
    limits.max_residues = 200;
    tessar::DescriptorData tables;
    try {
        tessar::File sequences = fuzz::memory_stream(parts[0]);
        tables.file_sequences =
            tessar::read_sequences(sequences.get(), "sequences", tessar::SequenceReader::Descriptors, limits);
        tessar::File class_file = fuzz::memory_stream(parts[1]);
        tessar::ClassFile classes{class_file.get(), ""};
        fuzz::clear_scratch_folder();
        tessar::write_family_file(classes, tables);
        tessar::read_family_file(tables);
    } catch (const tessar::FatalError&) {
        return 0;
    }
    check_tables(tables);
    return 0;
}
