#include "ddms/output.h"

#include "context/arff_names.h"
#include "dialogue.h"
#include "inputs/classfile.h"

namespace {

// A classification file read again from its start up to its label lines: the marker, the
// count, the marker, all the class names of the file, the marker before the labels. Reading
// every name (not only those of the families) keeps the labels aligned when the last classes
// of the list received no sequence. Past the end of the file the last line read stays, so the
// last label stands for the missing ones.
struct ReopenedClassFile {
    ClassFile file;
    std::vector<std::string> names;
};

ReopenedClassFile reopen_class_file(std::FILE* stream) {
    std::rewind(stream);
    ReopenedClassFile c{{stream, ""}, {}};
    next_class_line(c.file);
    int count = read_class_count(c.file);
    next_class_line(c.file);
    c.names = read_class_names(c.file, count);
    next_class_line(c.file);
    return c;
}

// One data row: the values of every descriptor, then the class; no separator before the class
// when there is no descriptor.
void write_row(std::FILE* out, RowEncoder& encoder, const std::string& sequence,
               const std::string& sequence_class, std::vector<char>& values, std::string& row) {
    encode_row(encoder, sequence, sequence_class, values);
    row.clear();
    for (char v : values) {
        row += v ? '1' : '0';
        row += ',';
    }
    row += arff_quote(sequence_class);
    row += '\n';
    std::fputs(row.c_str(), out);
}

}  // namespace

void write_ddms_report(std::FILE* out, const DescriptorTable& table, float ALPHA, float BETA,
                       unsigned FilterAt) {
    // The threshold is the single-precision value times 100, the product taken in double
    // precision (0.7 shows as 69.999999).
    std::fprintf(out, "ALPHA = %f \n", static_cast<double>(ALPHA) * 100);
    std::fprintf(out, "BETA = %f \n", static_cast<double>(BETA) * 100);
    std::fprintf(out, "La valeur du debut du filtrage = %d\n\n", static_cast<int>(FilterAt));
    // "possibilité" with its é as the single Latin-1 byte E9
    std::fputs("Liste des attributs| possibilit\xE9 de mutation| classe\n\n", out);
    for (size_t i = 0; i < table.MLst.size(); ++i)
        std::fprintf(out, "\n>>%i-%s| PM= %f| Class= %s", static_cast<int>(i + 1),
                     table.MLst[i].c_str(), static_cast<double>(table.CLst[i]),
                     table.CLst3[i].c_str());
}

void GenerateResultFile2(const DescriptorTable& table, float ALPHA, float BETA, unsigned FilterAt) {
    File out(std::fopen("LesDDSMs.txt", "w"));
    if (!out) fatal("\tErr: cannot create LesDDSMs.txt\n");
    write_ddms_report(out.get(), table, ALPHA, BETA, FilterAt);
    // a write that failed on the way (a full disk) must not pass for a complete report
    close_output(out, "LesDDSMs.txt");
}

bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class) {
    if (sequence.find(text) != std::string::npos) return true;
    return sequence_class == text_class && ExistMotif(rule, sequence, text) == 1;
}

RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule) {
    RowEncoder encoder;
    encoder.table = &table;
    encoder.rule = &rule;
    std::unordered_map<size_t, std::vector<int>> lengths;
    std::string letters;
    for (size_t j = 0; j < table.MLst.size(); ++j) {
        lengths[table.MLst[j].size()].push_back(static_cast<int>(j));
        letters += table.MLst[j];
    }
    // a table costs a lookup per window of every sequence, a search costs a pass per descriptor
    for (auto& [length, entries] : lengths) {
        if (entries.size() <= length || length == 0) {
            encoder.searched.insert(encoder.searched.end(), entries.begin(), entries.end());
            continue;
        }
        encoder.by_length.emplace_back(length, std::unordered_map<std::string_view, std::vector<int>>{});
        for (int j : entries) encoder.by_length.back().second[table.MLst[j]].push_back(j);
    }
    encoder.masks = make_masks(letters);
    return encoder;
}

void encode_row(RowEncoder& encoder, const std::string& sequence, const std::string& sequence_class,
                std::vector<char>& values) {
    const DescriptorTable& table = *encoder.table;
    values.assign(table.MLst.size(), 0);
    // exact occurrences
    const std::string_view seq = sequence;
    for (const auto& [length, texts] : encoder.by_length) {
        for (size_t p = 0; p + length <= seq.size(); ++p) {
            auto it = texts.find(seq.substr(p, length));
            if (it == texts.end()) continue;
            for (int j : it->second) values[j] = 1;
        }
    }
    for (int j : encoder.searched)
        if (sequence.find(table.MLst[j]) != std::string::npos) values[j] = 1;
    // similar windows, in sequences of the descriptor's own class only
    bool masks_filled = false;
    for (size_t j = 0; j < values.size(); ++j) {
        if (values[j] || table.CLst3[j] != sequence_class) continue;
        if (!masks_filled) {
            fill_masks(*encoder.rule, sequence, encoder.masks);
            masks_filled = true;
        }
        values[j] = static_cast<char>(exist_motif_masked(*encoder.rule, encoder.masks, sequence, table.MLst[j]));
    }
}

void GenerateARFFFile2(const DescriptorTable& table, const DescriptorData& data,
                       const SimilarityRule& rule, const ArffTargets& targets) {
    std::FILE* arff = targets.arff;
    std::FILE* test = targets.test_arff;
    auto both = [&](const char* text) {
        std::fputs(text, arff);
        if (test) std::fputs(text, test);
    };

    // header
    both("@relation Context\n\n");
    for (const std::string& text : table.MLst) {
        std::fprintf(arff, "@attribute %s {1,0}\n", text.c_str());
        if (test) std::fprintf(test, "@attribute %s {1,0}\n", text.c_str());
    }
    both("@attribute class {");

    ReopenedClassFile classes = reopen_class_file(targets.class_file);
    ReopenedClassFile test_classes;
    if (test) test_classes = reopen_class_file(targets.test_class_file);

    // the class attribute lists the training file's names of the families, in both files
    for (unsigned f = 1; f <= data.NbFamilles; ++f) {
        std::string name = f <= classes.names.size() ? arff_quote(classes.names[f - 1]) : "";
        both(name.c_str());
        if (f < data.NbFamilles) both(",");
    }
    both("}");
    both("\n\n@data\n");

    // rows
    RowEncoder encoder = make_row_encoder(table, rule);
    std::vector<char> values;
    std::string row;
    const std::vector<std::string> no_tests;
    const std::vector<std::string>& tests = targets.test_sequences ? *targets.test_sequences : no_tests;
    for (unsigned i = 1; i <= data.NbChaines; ++i) {
        std::string label = next_label(classes.file);
        static const std::string kNoSequence;
        const std::string& sequence = i <= data.P.size() ? data.P[i - 1] : kNoSequence;
        write_row(arff, encoder, sequence, label, values, row);
        if (test && i <= tests.size()) {
            std::string test_label = next_label(test_classes.file);
            write_row(test, encoder, tests[i - 1], test_label, values, row);
        }
    }
}
