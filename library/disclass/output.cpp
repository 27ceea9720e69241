// Outputs of the descriptor method: the report "LesDDs.txt" and the ARFF files, whose
// attributes are the descriptor texts, newest first.
#include "context/arff_names.h"
#include "disclass/disclass.h"

namespace {

// Skips the three header lines of a classification file read again from its start, then reads
// its whole names section, so that the label lines that follow stay aligned whatever the
// number of families.
// The file keeps its last line read, so that past the end of the file the last line stands for
// the missing labels.
ClassFile skip_class_header(std::FILE* stream) {
    std::rewind(stream);
    ClassFile file{stream, ""};
    next_class_line(file);
    int count = read_class_count(file);
    next_class_line(file);
    read_class_names(file, count);
    next_class_line(file);  // the marker before the labels
    return file;
}

}  // namespace

void GenerateResultFile(const DescriptorData& data, float ALPHA, float BETA) {
    const std::string name = "LesDDs.txt";
    File out(std::fopen(name.c_str(), "w"));
    if (!out) fatal("\tErr: cannot create " + name + "\n");
    // the single-precision thresholds times 100, so 0.7 shows as 69.999999
    std::fprintf(out.get(), "ALPHA = %f \n", static_cast<double>(ALPHA) * 100);
    std::fprintf(out.get(), "BETA = %f \n", static_cast<double>(BETA) * 100);
    std::fprintf(out.get(), "La valeur du debut du filtrage = %d\n\n\n", static_cast<int>(data.FilterAt));
    for (const DDRec& dd : data.AllDDs) {
        std::fprintf(out.get(), "\n>>%s        ", descriptor_text(data, dd).c_str());
        for (int f : dd.families) std::fprintf(out.get(), "\tFamily # %d", f);
        std::fflush(out.get());
    }
    close_output(out, name);
}

void GenerateARFFFile(const DescriptorData& data, std::FILE* arff, std::FILE* class_file,
                      std::FILE* test_arff, std::FILE* test_class_file,
                      const std::vector<std::string>& test_sequences) {
    const bool has_test = test_arff != nullptr;
    auto both = [&](const std::string& text) {
        std::fputs(text.c_str(), arff);
        if (has_test) std::fputs(text.c_str(), test_arff);
    };

    // attributes: the descriptor texts, newest first
    both("@relation Context\n\n");
    std::vector<std::string> texts;
    texts.reserve(data.AllDDs.size());
    for (const DDRec& dd : data.AllDDs) {
        texts.push_back(descriptor_text(data, dd));
        both("@attribute " + texts.back() + " {1,0}\n");
    }

    // class attribute: the first NbFamilles names of the training classification file
    both("@attribute class {");
    ClassFile classes = skip_class_header(class_file);
    ClassFile test_classes;
    if (has_test) test_classes = skip_class_header(test_class_file);
    for (unsigned f = 1; f <= data.NbFamilles; ++f) {
        both(arff_quote(data.class_names[f - 1]));
        both(f < data.NbFamilles ? "," : "}");
    }
    if (data.NbFamilles == 0) both("}");
    both("\n\n@data\n");

    // rows: the i-th sequence of the family file takes the i-th label line; the test file
    // gets a row for each of its first NbChaines sequences
    const size_t n_test = test_sequences.size();
    std::string row, test_row;
    std::vector<size_t> next_occ(data.AllDDs.size(), 0);  // each descriptor's occ, walked in step
    for (unsigned i = 1; i <= data.NbChaines; ++i) {
        const bool test_row_too = has_test && i <= n_test;
        row.clear();
        test_row.clear();
        for (size_t j = 0; j < data.AllDDs.size(); ++j) {
            const std::vector<SequenceCount>& occ = data.AllDDs[j].occ;
            const bool holds = next_occ[j] < occ.size() && occ[next_occ[j]].sequence == static_cast<int>(i);
            if (holds) ++next_occ[j];
            row += holds ? "1," : "0,";
            if (test_row_too)
                test_row += test_sequences[i - 1].find(texts[j]) != std::string::npos ? "1," : "0,";
        }
        row += arff_quote(next_label(classes));
        row += '\n';
        std::fputs(row.c_str(), arff);
        if (test_row_too) {
            test_row += arff_quote(next_label(test_classes));
            test_row += '\n';
            std::fputs(test_row.c_str(), test_arff);
        }
    }
}
