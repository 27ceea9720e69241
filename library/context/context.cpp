#include "context/context.h"

#include "context/arff_names.h"
#include "context/table_formats.h"
#include "inputs/classfile.h"

namespace tessar {

const Question kArffName = {"--arff", AnswerKind::OutputFile,
                            "%%\tEnter the ARFF Context file name [Context.arff]: ",
                            "ARFF file of the training sequences", "Context.arff"};
// the N-gram method asks it after two line ends
const Question kArffNameAfterBlankLines = {
    "--arff", AnswerKind::OutputFile, "\n\n%%\tEnter the ARFF Context file name [Context.arff]: ",
    kArffName.help, "Context.arff"};
const Question kTestArffName = {"--test-arff", AnswerKind::OutputFile,
                                "%%\tEnter the ARFF test file name [Test.arff]: ",
                                "ARFF file of the test sequences (with --test)", "Test.arff",
                                0, 0, nullptr, "--test"};
const Question kTxtName = {"--txt", AnswerKind::OutputFile, "%%\tEnter the TXT Context file name [Context.txt]: ",
                           "TXT context table", "Context.txt"};
const Question kDatName = {"--dat", AnswerKind::OutputFile, "%%\tEnter the DAT Context file name [Context.dat]: ",
                           "DAT context table (with --classes)", "Context.dat", 0, 0, nullptr,
                           "--classes"};

namespace {

// An output file and the name it was answered with.
struct Output {
    File file;
    std::string name;
    void put(const std::string& text) const {
        if (file) std::fwrite(text.data(), 1, text.size(), file.get());
    }
};

// The open outputs; a file that is not written stays closed.
struct ContextOutputs {
    Output arff, test, txt, dat;
    TableFormat format = TableFormat::Arff;  // of the ARFF file and the test ARFF file
    // ARFF header text to both ARFF files (nothing in a format without that header).
    void to_arff_files(const std::string& text) const {
        if (!has_arff_header(format)) return;
        arff.put(text);
        test.put(text);
    }
    // Text to both files, whatever their format.
    void to_table_files(const std::string& text) const {
        arff.put(text);
        test.put(text);
    }
};

// Every file is created when its name is accepted; nothing is written before all names are. A
// name already taken by an output or a classification file of the run is asked again.
ContextOutputs ask_output_names(Dialogue& io, const ContextRequest& request) {
    const ClassFiles& classes = request.classes;
    ContextOutputs out;
    out.format = io.table_format();
    // each file differs from the classification files and from the outputs created before it
    std::vector<std::FILE*> in_use = {classes.training, classes.test};
    auto ask = [&](const Question& q, Output& output) {
        output.file = ask_output_file(io, q, output.name, in_use);
        in_use.push_back(output.file.get());
    };
    ask(request.blank_lines_first ? kArffNameAfterBlankLines : kArffName, out.arff);
    if (classes.test) ask(kTestArffName, out.test);
    if (request.txt_and_dat) {
        ask(kTxtName, out.txt);
        if (classes.training) ask(kDatName, out.dat);
    }
    return out;
}

// The classification files being read, with the class names the files list.
struct ClassReading {
    ClassFile training, test;
    bool with_test = false;
    std::vector<std::string> names;  // the training file's, in file order
};

// Checks one keyword line in the training file and, in step, in the test classification file.
void check_keyword(ClassReading& c, const char* message) {
    check_class_keyword(c.training, message);
    if (c.with_test) check_class_keyword(c.test, message);
}

// A classification file read again from its start up to its label lines, without checks: the
// whole names section is read, so the labels stay aligned whatever the number of families.
std::vector<std::string> read_header_again(ClassFile& file) {
    std::rewind(file.stream);
    next_class_line(file);
    const int count = read_class_count(file);
    next_class_line(file);
    std::vector<std::string> names = read_class_names(file, count);
    next_class_line(file);  // the marker before the labels
    return names;
}

// The end of the ARFF class attribute after its "{": "a,b,c}".
std::string class_list(const std::vector<std::string>& names, size_t n_listed) {
    std::string list;
    for (size_t c = 0; c < names.size() && c < n_listed; ++c) {
        if (c) list += ',';
        list += arff_quote(names[c]);
    }
    return list + "}";
}

void write_attributes(const ContextOutputs& out, const std::vector<std::string>& attributes,
                      bool with_classes) {
    std::string header = "@relation Context\n\n";
    const std::string values = std::string(" ") + arff_binary_values(out.format) + "\n";
    for (const std::string& a : attributes) header += "@attribute " + a + values;
    out.to_arff_files(header);
    if (out.format == TableFormat::Csv) out.to_table_files(csv_header(attributes, with_classes));
    std::string txt = format("#motifs number\n%d\n#motifs\n", static_cast<int>(attributes.size()));
    for (const std::string& a : attributes) txt += a + "\n";
    out.txt.put(txt);
}

// The class sections of every header, each check made once what precedes it in the files has
// been written (so a failed check keeps that); ends with the line before the data rows.
void write_class_header(const ContextOutputs& out, const ContextRequest& request, ClassReading& c) {
    const size_t n_rows = request.training.count;
    const std::vector<std::string>& attributes = request.attributes;
    if (!c.training.stream) {
        out.to_arff_files("\n@data\n");
    } else if (request.classes.read_again) {
        out.to_arff_files("@attribute class {");
        c.names = read_header_again(c.training);
        if (c.with_test) read_header_again(c.test);
        out.to_arff_files(class_list(c.names, request.classes.n_listed) + "\n\n@data\n");
    } else {
        check_keyword(c, kClassNumberError);
        const int k = read_class_count(c.training);
        if (c.with_test) read_class_count(c.test);  // not used: the training names rule

        std::string dat = format("%d %d %d\n", static_cast<int>(n_rows),
                                 static_cast<int>(attributes.size()), k);
        for (const std::string& a : attributes) dat += a + " 2 1 1\n";
        out.dat.put(dat + "\n");
        out.txt.put(format("#classes number\n%d\n#classes\n", k));
        out.to_arff_files("@attribute class {");

        check_keyword(c, kClassNamesError);
        c.names = read_class_names(c.training, k);
        if (c.with_test) read_class_names(c.test, k);
        std::string txt;
        for (const std::string& name : c.names) txt += name + "\n";
        out.txt.put(txt);
        out.to_arff_files(class_list(c.names, request.classes.n_listed) + "\n");

        check_keyword(c, kClassDataError);
        out.to_arff_files("\n@data\n");
    }
    out.txt.put(format("#instances number\n%d\n#context\n", static_cast<int>(n_rows)));
}

// Formats rows: a row starts as a copy of the all-zero row and gets its ones set, so a row
// costs one copy and one store per 1, whatever the number of attributes.
class RowFormatter {
public:
    explicit RowFormatter(size_t n) : n_(n) {
        for (size_t j = 0; j < n; ++j) {
            zeros_comma_ += j ? ",0" : "0";
            zeros_blank_ += j ? " 0" : "0";
        }
    }

    // "v,v,...,v[,class]\n"
    const std::string& arff(const std::vector<std::uint32_t>& ones, const std::string* label) {
        values(zeros_comma_, ones);
        if (label) {
            if (n_) row_ += ',';
            row_ += arff_quote(*label);
        }
        row_ += '\n';
        return row_;
    }
    // "v,v,...,v,m,m,...,m\n": the values, then one membership column per class
    const std::string& txt(const std::vector<std::uint32_t>& ones, const std::string& label,
                           const std::vector<std::string>& names) {
        values(zeros_comma_, ones);
        for (size_t c = 0; c < names.size(); ++c) {
            if (n_ || c) row_ += ',';
            row_ += names[c] == label ? '1' : '0';
        }
        row_ += '\n';
        return row_;
    }
    // "<number> v v ... v <class>\n"
    const std::string& dat(size_t number, const std::vector<std::uint32_t>& ones, const std::string& label) {
        row_ = std::to_string(number) + " ";
        row_ += zeros_blank_;
        for (std::uint32_t j : ones) row_[row_.size() - zeros_blank_.size() + 2 * j] = '1';
        row_ += ' ';
        row_ += label;
        row_ += '\n';
        return row_;
    }

private:
    void values(const std::string& zeros, const std::vector<std::uint32_t>& ones) {
        row_ = zeros;
        for (std::uint32_t j : ones) row_[2 * j] = '1';
    }
    size_t n_;
    std::string zeros_comma_, zeros_blank_, row_;
};

// A row of the ARFF file or the test ARFF file in the outputs' format; `label` is null without
// classes. Row `number` (from 1) names the row in an error.
class TableRowFormatter {
public:
    TableRowFormatter(TableFormat format, size_t n_attributes, const std::vector<std::string>& names)
        : format_(format), n_(n_attributes), names_(names), dense_(n_attributes) {}

    const std::string& row(const std::vector<std::uint32_t>& ones, const std::string* label,
                           size_t number) {
        switch (format_) {
        case TableFormat::Arff:
            return dense_.arff(ones, label);
        case TableFormat::Csv:
            // the dense row without its class, then the class in CSV's quoting
            row_ = dense_.arff(ones, nullptr);
            if (label) row_.insert(row_.size() - 1, (n_ ? "," : "") + csv_quote(*label));
            return row_;
        case TableFormat::SparseArff:
            row_.clear();
            append_sparse_arff_row(row_, ones, n_, label);
            return row_;
        case TableFormat::Libsvm:
            row_.clear();
            append_libsvm_row(row_, ones, label ? class_index(*label, number) : 0);
            return row_;
        }
        return row_;
    }

private:
    // A LibSVM row holds the class as a number: a label outside the class names has none.
    size_t class_index(const std::string& label, size_t number) const {
        for (size_t c = 0; c < names_.size(); ++c)
            if (names_[c] == label) return c;
        fatal(format("\tErr: the class '%s' of row %zu is not among the classes of the "
                     "classification file\n", label.c_str(), number));
    }

    TableFormat format_;
    size_t n_;
    const std::vector<std::string>& names_;
    RowFormatter dense_;
    std::string row_;
};

void write_rows(Dialogue& io, const ContextOutputs& out, const ContextRequest& request,
                ClassReading& c) {
    const bool with_classes = c.training.stream != nullptr;
    RowFormatter format_row(request.attributes.size());
    TableRowFormatter table_row(out.format, request.attributes.size(), c.names);
    std::vector<std::uint32_t> ones;
    static const std::string kNoLabel;
    Progress progress{"writing", 0,
                      static_cast<double>(request.training.count + (c.with_test ? request.test.count : 0)),
                      "rows"};

    // training rows: one label line per row, the same row in the ARFF, TXT and DAT files
    for (size_t i = 0; i < request.training.count; ++i) {
        const std::string& label = with_classes ? next_label(c.training) : kNoLabel;
        request.training.fill(i, label, ones);
        out.arff.put(table_row.row(ones, with_classes ? &label : nullptr, i + 1));
        if (out.txt.file) out.txt.put(format_row.txt(ones, label, c.names));
        if (out.dat.file) out.dat.put(format_row.dat(i + 1, ones, label));
        ++progress.done;
        io.progress(progress);
    }

    // test rows, with the labels of the test classification file
    if (c.with_test)
        for (size_t i = 0; i < request.test.count; ++i) {
            const std::string& label = next_label(c.test);
            request.test.fill(i, label, ones);
            out.test.put(table_row.row(ones, &label, i + 1));
            ++progress.done;
            io.progress(progress);
        }
}

}  // namespace

ContextSummary write_context_files(Dialogue& io, const ContextRequest& request) {
    ContextOutputs out = ask_output_names(io, request);
    ClassReading classes{{request.classes.training, {}}, {request.classes.test, {}},
                         request.classes.test != nullptr, {}};

    write_attributes(out, request.attributes, classes.training.stream != nullptr);
    write_class_header(out, request, classes);
    write_rows(io, out, request, classes);

    // DAT, ARFF, test ARFF, TXT in this order (the classification streams are the caller's)
    close_output(out.dat.file, out.dat.name);
    close_output(out.arff.file, out.arff.name);
    close_output(out.test.file, out.test.name);
    close_output(out.txt.file, out.txt.name);

    if (request.attributes.empty() && !request.classes.training)
        io.warn(format("\tWarning: %s has no attribute; data-mining tools cannot load it\n",
                       out.arff.name.c_str()));

    ContextSummary summary;
    summary.class_names = std::move(classes.names);
    if (summary.class_names.size() > request.classes.n_listed) summary.class_names.resize(request.classes.n_listed);
    summary.training_rows = request.training.count;
    summary.test_rows = classes.with_test ? request.test.count : 0;
    return summary;
}

}  // namespace tessar
