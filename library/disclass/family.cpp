// Input preparation of the descriptor methods: the family file "SeqFile.seq" regroups the
// sequences by class ("/" line before each class), and read_family_file reads it back into the text
// that the mining labels.
#include <algorithm>
#include <cerrno>

#include "disclass/disclass.h"

namespace tessar {

const char* const kFamilyFileName = "SeqFile.seq";

namespace {

// Writes the sequences from number s on while their labels name class c; returns the number of
// the first sequence not written. `pending`: the label line read last is still to be placed (it
// named another class), so it is compared with the next class instead of a new line.
size_t write_class(std::FILE* family, ClassFile& classes, DescriptorData& data, size_t c,
                   size_t s, bool& pending) {
    const size_t n_sequences = data.file_sequences.size();
    for (;; ++s) {
        if (!pending) data.classes.labels.push_back(next_label(classes));
        pending = false;
        if (s == n_sequences) return s;
        if (data.classes.labels.back() != data.classes.names[c]) {
            pending = true;
            return s;
        }
        std::fputs(data.file_sequences[s].c_str(), family);
        if (s != n_sequences - 1) std::fputs("\n", family);
    }
}

}  // namespace

void write_family_file(ClassFile& classes, DescriptorData& data, const std::string& family_path) {
    // header of the classification file
    check_class_keyword(classes, kClassNumberError);
    const int n_classes = read_class_count(classes);
    check_class_keyword(classes, kClassNamesError);
    data.classes.names = read_class_names(classes, n_classes);

    const char* const kCannotCreate = "\tErr: cannot create SeqFile.seq\n";
    File family = create_output(family_path);
    if (!family) fatal_file(kCannotCreate, "create", family_path, errno);
    check_class_keyword(classes, kClassDataError);

    // The classes in the order of the names section, the sequences in file order: a label that
    // differs from the current class closes it, so a sequence whose label matches no later class
    // is lost with all after it.
    size_t s = 0;
    bool pending = false;
    for (size_t c = 0; c < data.classes.names.size(); ++c) {
        std::fputs("/\n", family.get());
        s = write_class(family.get(), classes, data, c, s, pending);
        if (s == data.file_sequences.size()) break;  // every sequence placed
    }
    close_output(family, family_path, kCannotCreate);

    // Nothing to mine and no row to write: say so rather than write empty tables.
    if (s == 0) fatal("\tErr: no sequence could be placed in SeqFile.seq (check the class labels)\n");
}

void read_family_file(DescriptorData& data, const std::string& family_path) {
    File source(std::fopen(family_path.c_str(), "r"));
    if (!source) fatal_file("\tErr: cannot open SeqFile.seq\n", "open", family_path, errno);

    data.text.clear();
    data.sequence_ends.assign(1, 0);
    data.families.clear();
    data.sequences.clear();
    data.n_families = 0;
    data.n_placed = 0;
    data.longest_sequence = 0;

    // A last line without a line end still holds all its residues; an empty last line
    // without a line end is no line at all (read_line returns false), so it is not counted.
    std::string line;
    int start = 0;
    while (read_line(source.get(), line)) {
        if (!line.empty() && line[0] == '/') {
            ++data.n_families;
            if (!data.families.empty()) data.families.back().end = data.sequence_ends.back();
            FamilyRec family;
            family.number = static_cast<int>(data.n_families);
            data.families.push_back(family);
            continue;
        }
        if (data.families.empty()) continue;  // the file always opens with a "/" line

        const int L = static_cast<int>(line.size());
        data.longest_sequence = std::max(data.longest_sequence, static_cast<unsigned>(L));
        FamilyRec& family = data.families.back();
        ++family.n_sequences;
        ++data.n_placed;
        family.sequences.push_back(static_cast<int>(data.n_placed));
        SeqRec seq;
        seq.number = static_cast<int>(data.n_placed);
        seq.family = family.number;
        seq.length = L;
        seq.start = start;
        data.sequences.push_back(seq);
        data.text += line;
        data.sequence_ends.push_back(static_cast<int>(data.text.size()) - 1);
        start = data.sequence_ends.back() + 1;
    }
    data.sequence_ends[0] = 0;
}

}  // namespace tessar
