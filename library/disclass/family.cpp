// Input preparation of the descriptor methods: the family file "SeqFile.seq" regroups the
// sequences by class ("/" line before each class), and read_family_file reads it back into the text
// that the mining labels.
#include <algorithm>
#include <cerrno>

#include "disclass/disclass.h"

namespace tessar {

const char* const kFamilyFileName = "SeqFile.seq";

namespace {

const char* const kCannotCreateFamilyFile = "\tErr: cannot create SeqFile.seq\n";

}  // namespace

File create_family_file(const std::string& family_path) {
    File family = create_output(family_path);
    if (!family) fatal_file(kCannotCreateFamilyFile, "create", family_path, errno);
    return family;
}

void write_families(File& family, DescriptorData& data, const std::string& family_path) {
    // The classes in the order of the names section, the sequences in file order: a label that
    // differs from the current class closes it, so a sequence whose label matches no later class
    // is lost with all after it.
    const std::vector<std::string>& names = data.classes.names;
    const size_t n_sequences = data.file_sequences.size();
    size_t s = 0;
    for (size_t c = 0; c < names.size(); ++c) {
        std::fputs("/\n", family.get());
        for (; s < n_sequences && data.classes.label(s) == names[c]; ++s) {
            std::fputs(data.file_sequences[s].c_str(), family.get());
            if (s != n_sequences - 1) std::fputs("\n", family.get());
        }
        if (s == n_sequences) break;  // every sequence placed
    }
    close_output(family, family_path, kCannotCreateFamilyFile);
    data.n_skipped = n_sequences - s;

    // Nothing to mine and no row to write: say so rather than write empty tables.
    if (s == 0) fatal("\tErr: no sequence could be placed in SeqFile.seq (check the class labels)\n");
}

void write_family_file(ClassFile& classes, DescriptorData& data, const std::string& family_path) {
    // header of the classification file
    check_class_keyword(classes, kClassNumberError);
    const int n_classes = read_class_count(classes);
    check_class_keyword(classes, kClassNamesError);
    data.classes.names = read_class_names(classes, n_classes);

    // created before the last keyword check: a bad one leaves it empty
    File family = create_family_file(family_path);
    check_class_keyword(classes, kClassDataError);
    read_labels(classes, data.classes);
    write_families(family, data, family_path);
}

size_t group_by_class(DescriptorData& data) {
    const std::vector<std::string>& names = data.classes.names;
    const size_t n = data.file_sequences.size();
    // each label's class: the first of its name (a label that is none goes last)
    std::vector<size_t> class_of(n);
    for (size_t s = 0; s < n; ++s)
        class_of[s] = static_cast<size_t>(std::find(names.begin(), names.end(), data.classes.label(s)) - names.begin());
    std::vector<size_t> order(n);
    for (size_t s = 0; s < n; ++s) order[s] = s;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return class_of[a] < class_of[b]; });

    size_t moved = 0;
    std::vector<std::string> sequences(n), labels(n), ids(data.file_ids.size());
    for (size_t s = 0; s < n; ++s) {
        moved += order[s] != s;
        sequences[s] = std::move(data.file_sequences[order[s]]);
        labels[s] = data.classes.label(order[s]);
        if (s < ids.size()) ids[s] = std::move(data.file_ids[order[s]]);
    }
    data.file_sequences = std::move(sequences);
    data.file_ids = std::move(ids);
    data.classes.labels = std::move(labels);
    return moved;
}

void read_family_file(DescriptorData& data, const std::string& family_path) {
    File source(std::fopen(family_path.c_str(), "r"));
    if (!source) fatal_file("\tErr: cannot open SeqFile.seq\n", "open", family_path, errno);
    read_families(data, source.get());
}

void read_families(DescriptorData& data, std::FILE* source) {
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
    while (read_line(source, line)) {
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
