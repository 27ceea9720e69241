#include "context/context.h"

#include "context/arff_names.h"
#include "dialogue.h"
#include "inputs/classfile.h"

namespace {

// The open output files; a file that is not written stays empty.
// The ARFF files: ContextARFF, and ContextTest only with a test file.
struct ContextFiles : ArffOutputs {
    File txt;  // Context
    File dat;  // ContextDAT, only with a classification file
    std::string txt_name, dat_name;
};

ContextFiles ask_context_names(bool blank_lines_first, bool with_test, bool with_classes) {
    ContextFiles files;
    static_cast<ArffOutputs&>(files) = ask_arff_outputs(with_test, blank_lines_first);
    files.txt = ask_output_file(
        [] { std::printf("%%\tEnter the TXT Context file name [Context.txt]: "); }, "Context.txt",
        files.txt_name);
    if (with_classes)
        files.dat = ask_output_file(
            [] { std::printf("%%\tEnter the DAT Context file name [Context.dat]: "); }, "Context.dat",
            files.dat_name);
    return files;
}

// Presence of every attribute in one sequence.
std::vector<char> row_values(const ContextRequest& request, const std::string& sequence) {
    std::vector<char> values(request.attributes.size());
    for (size_t j = 0; j < values.size(); ++j)
        values[j] = request.present ? request.present(j, sequence)
                                    : sequence.find(request.attributes[j]) != std::string::npos;
    return values;
}

// The values as "1" and "0" separated by `separator` (nothing after the last).
void write_values(std::FILE* out, const std::vector<char>& values, char separator) {
    for (size_t j = 0; j < values.size(); ++j) {
        if (j) std::fputc(separator, out);
        std::fputc(values[j] ? '1' : '0', out);
    }
}

// An ARFF data row: the values, then the class (no separator before it when there is no value).
void write_arff_row(std::FILE* out, const std::vector<char>& values, const std::string* label) {
    write_values(out, values, ',');
    if (label) std::fprintf(out, "%s%s", values.empty() ? "" : ",", arff_quote(*label).c_str());
    std::fputc('\n', out);
}

// Checks one keyword line in the training file and, in step, in the test classification file.
void check_keyword(ClassFile& train, ClassFile* test, const char* message) {
    check_class_keyword(train, message);
    if (test) check_class_keyword(*test, message);
}

}  // namespace

ArffOutputs ask_arff_outputs(bool with_test, bool blank_lines_first) {
    ArffOutputs out;
    out.arff = ask_output_file(
        [blank_lines_first] {
            if (blank_lines_first) std::printf("\n\n");
            std::printf("%%\tEnter the ARFF Context file name [Context.arff]: ");
        },
        "Context.arff", out.arff_name);
    if (with_test)
        out.test = ask_output_file(
            [] { std::printf("%%\tEnter the ARFF test file name [Test.arff]: "); }, "Test.arff",
            out.test_name);
    return out;
}

void write_context_files(const ContextRequest& request) {
    const std::vector<std::string> no_sequences;
    const std::vector<std::string>& training = request.training ? *request.training : no_sequences;
    const bool with_classes = request.class_file != nullptr;
    const bool with_test = with_classes && request.test != nullptr && request.test_class_file != nullptr;
    const std::vector<std::string>& attributes = request.attributes;
    const int n = static_cast<int>(attributes.size());

    // every file is created when its name is accepted; nothing is written before all names are
    ContextFiles files =
        ask_context_names(request.blank_lines_before_first_prompt, with_test, with_classes);
    std::FILE* arff = files.arff.get();
    std::FILE* test_arff = files.test.get();
    std::FILE* txt = files.txt.get();
    std::FILE* dat = files.dat.get();
    auto to_arff_files = [&](auto write) {
        write(arff);
        if (test_arff) write(test_arff);
    };

    // relation and attributes
    to_arff_files([&](std::FILE* out) {
        std::fprintf(out, "@relation Context\n\n");
        for (const std::string& a : attributes)
            std::fprintf(out, "@attribute %s {1,0}\n", a.c_str());
    });
    std::fprintf(txt, "#motifs number\n%d\n#motifs\n", n);
    for (const std::string& a : attributes) std::fprintf(txt, "%s\n", a.c_str());

    // classification header, read in step with the test classification file; each check comes
    // after what precedes it in the files has been written, so a failed check keeps that
    ClassFile train_classes{request.class_file, {}};
    ClassFile test_classes{request.test_class_file, {}};
    ClassFile* test_header = with_test ? &test_classes : nullptr;
    std::vector<std::string> class_names;
    int k = 0;
    if (with_classes) {
        check_keyword(train_classes, test_header, kClassNumberError);
        k = read_class_count(train_classes);
        if (test_header) read_class_count(*test_header);  // not used: the training names rule

        std::fprintf(dat, "%d %d %d\n", static_cast<int>(training.size()), n, k);
        for (const std::string& a : attributes) std::fprintf(dat, "%s 2 1 1\n", a.c_str());
        std::fprintf(dat, "\n");
        std::fprintf(txt, "#classes number\n%d\n#classes\n", k);
        to_arff_files([](std::FILE* out) { std::fprintf(out, "@attribute class {"); });

        check_keyword(train_classes, test_header, kClassNamesError);
        class_names = read_class_names(train_classes, k);
        if (test_header) read_class_names(*test_header, k);
        for (const std::string& c : class_names) std::fprintf(txt, "%s\n", c.c_str());
        to_arff_files([&](std::FILE* out) {
            for (size_t c = 0; c < class_names.size(); ++c)
                std::fprintf(out, "%s%s", c ? "," : "", arff_quote(class_names[c]).c_str());
            std::fprintf(out, "}\n");
        });

        check_keyword(train_classes, test_header, kClassDataError);
    }
    to_arff_files([](std::FILE* out) { std::fprintf(out, "\n@data\n"); });
    std::fprintf(txt, "#instances number\n%d\n#context\n", static_cast<int>(training.size()));

    // training rows: one label line per sequence, the same row in the ARFF, TXT and DAT files
    for (size_t i = 0; i < training.size(); ++i) {
        std::vector<char> values = row_values(request, training[i]);
        const std::string* label = with_classes ? &next_label(train_classes) : nullptr;
        write_arff_row(arff, values, label);

        // TXT: the values and the class-membership columns, all separated by ","
        std::vector<char> columns = values;
        for (const std::string& c : class_names) columns.push_back(c == *label);
        write_values(txt, columns, ',');
        std::fputc('\n', txt);

        if (dat) {
            std::fprintf(dat, "%i ", static_cast<int>(i + 1));
            write_values(dat, values, ' ');
            std::fprintf(dat, " %s\n", label->c_str());
        }
    }

    // test rows: the test sequences with the labels of the test classification file
    if (with_test)
        for (const std::string& sequence : *request.test)
            write_arff_row(test_arff, row_values(request, sequence), &next_label(test_classes));

    // close DAT, ARFF, test ARFF, TXT in this order (the classification streams are the caller's)
    close_output(files.dat, files.dat_name);
    close_output(files.arff, files.arff_name);
    close_output(files.test, files.test_name);
    close_output(files.txt, files.txt_name);
}
