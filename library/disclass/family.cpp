// Input preparation of the descriptor methods: the family file "SeqFile.seq" regroups the
// sequences by class ("/" line before each class), and FillTable reads it back into the text T
// that the mining labels.
#include "disclass/disclass.h"

#include "inputs/sequences.h"

const char* const kFamilyFileName = "SeqFile.seq";

void FormatFile(std::FILE* in, ClassFile& classes, DescriptorData& data) {
    data.P = read_sequences(in, SequenceReader::Descriptors);
    const size_t Tot = data.P.size();

    // header of the classification file
    check_class_keyword(classes, kClassNumberError);
    int NbClsForMSDD = read_class_count(classes);
    check_class_keyword(classes, kClassNamesError);
    data.class_names = read_class_names(classes, NbClsForMSDD);

    File family(std::fopen(kFamilyFileName, "w"));
    if (!family) fatal("\tErr: cannot create SeqFile.seq\n");
    check_class_keyword(classes, kClassDataError);

    // Walk the classes and the label lines together. A label that differs from the current
    // class closes it and stays pending for the next class; sequences are placed in file
    // order, so a sequence whose label matches no later class is lost with all after it.
    size_t s = 0;
    bool pending = false;
    for (size_t c = 0; c < data.class_names.size(); ++c) {
        std::fputs("/\n", family.get());
        bool walk_done = false;
        for (;;) {
            if (!pending) next_label(classes);
            pending = false;
            if (s == Tot) {
                walk_done = true;
                break;
            }
            if (classes.line != data.class_names[c]) {
                pending = true;
                break;
            }
            std::fputs(data.P[s].c_str(), family.get());
            if (s != Tot - 1) std::fputs("\n", family.get());
            ++s;
        }
        if (walk_done) break;
    }
    if (std::fclose(family.release()) != 0) fatal("\tErr: cannot create SeqFile.seq\n");

    // Nothing to mine and no row to write: say so rather than write empty tables.
    if (s == 0) fatal("\tErr: no sequence could be placed in SeqFile.seq (check the class labels)\n");
}

void FillTable(DescriptorData& data) {
    File source(std::fopen(kFamilyFileName, "r"));
    if (!source) fatal("\tErr: cannot open SeqFile.seq\n");

    data.T.clear();
    data.Drapeau.assign(1, 0);
    data.families.clear();
    data.sequences.clear();
    data.NbFamilles = 0;
    data.NbChaines = 0;
    data.Longueur = 0;

    // A last line without a line end still holds all its residues; an empty last line
    // without a line end is no line at all (read_line returns false), so it is not counted.
    std::string line;
    int start = 0;
    while (read_line(source.get(), line)) {
        if (!line.empty() && line[0] == '/') {
            ++data.NbFamilles;
            if (!data.families.empty()) data.families.back().end = data.Drapeau.back();
            FamilyRec family;
            family.number = static_cast<int>(data.NbFamilles);
            data.families.push_back(family);
            continue;
        }
        if (data.families.empty()) continue;  // the file always opens with a "/" line

        const int L = static_cast<int>(line.size());
        if (static_cast<unsigned>(L) > data.Longueur) data.Longueur = static_cast<unsigned>(L);
        FamilyRec& family = data.families.back();
        ++family.seqCount;
        ++data.NbChaines;
        family.sequences.push_back(static_cast<int>(data.NbChaines));
        SeqRec seq;
        seq.number = static_cast<int>(data.NbChaines);
        seq.family = family.number;
        seq.length = L;
        seq.start = start;
        data.sequences.push_back(seq);
        data.T += line;
        data.Drapeau.push_back(static_cast<int>(data.T.size()) - 1);
        start = data.Drapeau.back() + 1;
    }
    data.Drapeau[0] = 0;
}
