// The family file round trip of the descriptor methods: FormatFile writes the sequences of a
// fuzzed sequence file regrouped by the classes of a fuzzed classification file, FillTable reads
// the family file back.
//
// Input: the sequence file, then the classification file (fuzz separator between them).
// Checks: the family file gives back a prefix of the sequences in file order (T is their
// concatenation), and the family and sequence records agree with T and with each other.
#include <cstdlib>

#include "disclass/disclass.h"
#include "harness.h"
#include "inputs/sequences.h"

namespace {

using fuzz::check;

void check_tables(const tessar::DescriptorData& data) {
    check(data.NbChaines == data.sequences.size());
    check(data.NbChaines <= data.P.size());
    check(data.NbFamilles == data.families.size());
    check(data.NbFamilles <= data.class_names.size());
    check(data.Drapeau.size() == data.NbChaines + 1);

    std::string placed;
    for (size_t k = 0; k < data.NbChaines; ++k) placed += data.P[k];
    check(data.T == placed);

    size_t position = 0, number = 0, longest = 0;
    for (const tessar::FamilyRec& family : data.families) {
        check(family.seqCount == static_cast<int>(family.sequences.size()));
        for (int s : family.sequences) {
            check(s == static_cast<int>(++number));
            const tessar::SeqRec& seq = data.sequences[s - 1];
            check(seq.family == family.number);
            check(seq.start == static_cast<int>(position));
            check(seq.length == static_cast<int>(data.P[s - 1].size()));
            position += seq.length;
            longest = std::max(longest, static_cast<size_t>(seq.length));
        }
    }
    check(number == data.NbChaines);
    check(longest == data.Longueur);
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
        tables.P = tessar::read_sequences(sequences.get(), tessar::SequenceReader::Descriptors, limits);
        tessar::File class_file = fuzz::memory_stream(parts[1]);
        tessar::ClassFile classes{class_file.get(), ""};
        fuzz::clear_scratch_folder();
        tessar::FormatFile(classes, tables);
        tessar::FillTable(tables);
    } catch (const tessar::FatalError&) {
        return 0;
    }
    check_tables(tables);
    return 0;
}
