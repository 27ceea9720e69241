#include "context/context.h"

#include "context/arff_names.h"
#include "context/parallel.h"
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
                                "ARFF file of the test sequences (with --test)", "Test.arff"};
const Question kTxtName = {"--txt", AnswerKind::OutputFile, "%%\tEnter the TXT Context file name [Context.txt]: ",
                           "TXT context table", "Context.txt"};
const Question kDatName = {"--dat", AnswerKind::OutputFile, "%%\tEnter the DAT Context file name [Context.dat]: ",
                           "DAT context table (with --classes)", "Context.dat"};

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
    // The text to both ARFF files.
    void to_arff_files(const std::string& text) const {
        arff.put(text);
        test.put(text);
    }
};

// Every file is created when its name is accepted; nothing is written before all names are.
ContextOutputs ask_output_names(Dialogue& io, const ContextRequest& request) {
    const ClassFiles& classes = request.classes;
    ContextOutputs out;
    out.arff.file = ask_output_file(io, request.blank_lines_first ? kArffNameAfterBlankLines : kArffName,
                                    out.arff.name);
    if (classes.test) out.test.file = ask_output_file(io, kTestArffName, out.test.name);
    if (request.txt_and_dat) {
        out.txt.file = ask_output_file(io, kTxtName, out.txt.name);
        if (classes.training) out.dat.file = ask_output_file(io, kDatName, out.dat.name);
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

void write_attributes(const ContextOutputs& out, const std::vector<std::string>& attributes) {
    std::string header = "@relation Context\n\n";
    for (const std::string& a : attributes) header += "@attribute " + a + " {1,0}\n";
    out.to_arff_files(header);
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

// The values of a row, "v,v,...,v" or "v v ... v": the text stays from row to row, and only the
// places of the last row's ones are set back to '0' before the new ones are set, so a row costs
// two stores per 1 and no copy, whatever the number of attributes.
class ValueRow {
public:
    ValueRow(size_t n, char separator) {
        text_.reserve(n ? 2 * n - 1 : 0);
        for (size_t j = 0; j < n; ++j) {
            if (j) text_ += separator;
            text_ += '0';
        }
    }
    const std::string& set(const std::vector<std::uint32_t>& ones) {
        for (std::uint32_t j : set_) text_[2 * j] = '0';
        for (std::uint32_t j : ones) text_[2 * j] = '1';
        set_ = ones;
        return text_;
    }
    bool empty() const { return text_.empty(); }

private:
    std::string text_;
    std::vector<std::uint32_t> set_;
};

// Hands every row to write(i, label, ones) in order, with the next label of `classes` (none
// when null). Rows with a `make_fill` are filled ahead on every core, in chunks; their labels are
// read first, which changes nothing: reading a label cannot fail.
void each_row(const TableRows& rows, ClassFile* classes,
              const std::function<void(size_t i, const std::string& label, const std::vector<std::uint32_t>& ones)>& write) {
    static const std::string kNoLabel;
    constexpr size_t kChunk = 8, kAhead = 16;
    if (!rows.make_fill || worker_count() == 1 || rows.count <= kChunk) {
        const RowFill fill = rows.make_fill ? rows.make_fill() : rows.fill;
        std::vector<std::uint32_t> ones;
        for (size_t i = 0; i < rows.count; ++i) {
            const std::string& label = classes ? next_label(*classes) : kNoLabel;
            fill(i, label, ones);
            write(i, label, ones);
        }
        return;
    }
    std::vector<std::string> labels(rows.count);
    if (classes)
        for (std::string& label : labels) label = next_label(*classes);
    std::vector<RowFill> fills(worker_count());  // by thread, made on first use
    std::vector<std::vector<std::uint32_t>> ring(kChunk * kAhead);
    ordered_chunks(
        rows.count, kChunk, kAhead,
        [&](size_t thread, size_t begin, size_t end) {
            if (!fills[thread]) fills[thread] = rows.make_fill();
            for (size_t i = begin; i < end; ++i) fills[thread](i, labels[i], ring[i % ring.size()]);
        },
        [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) write(i, labels[i], ring[i % ring.size()]);
        });
}

void write_rows(const ContextOutputs& out, const ContextRequest& request, ClassReading& c) {
    const bool with_classes = c.training.stream != nullptr;
    ValueRow commas(request.attributes.size(), ',');
    ValueRow blanks(out.dat.file ? request.attributes.size() : 0, ' ');
    std::string tail;

    // "values[,class]\n"
    auto arff_row = [&](const Output& file, const std::string& values, const std::string* label) {
        file.put(values);
        tail.clear();
        if (label) {
            if (!values.empty()) tail += ',';
            tail += arff_quote(*label);
        }
        tail += '\n';
        file.put(tail);
    };

    // training rows: one label line per row, the same row in the ARFF, TXT and DAT files
    each_row(request.training, with_classes ? &c.training : nullptr,
             [&](size_t i, const std::string& label, const std::vector<std::uint32_t>& ones) {
                 const std::string& values = commas.set(ones);
                 arff_row(out.arff, values, with_classes ? &label : nullptr);
                 if (out.txt.file) {
                     // the values, then one membership column per class
                     out.txt.put(values);
                     tail.clear();
                     for (size_t k = 0; k < c.names.size(); ++k) {
                         if (!values.empty() || k) tail += ',';
                         tail += c.names[k] == label ? '1' : '0';
                     }
                     tail += '\n';
                     out.txt.put(tail);
                 }
                 if (out.dat.file) {
                     // "<number> v v ... v <class>"
                     out.dat.put(std::to_string(i + 1) + " ");
                     out.dat.put(blanks.set(ones));
                     out.dat.put(" " + label + "\n");
                 }
             });

    // test rows, with the labels of the test classification file
    if (c.with_test)
        each_row(request.test, &c.test, [&](size_t, const std::string& label, const std::vector<std::uint32_t>& ones) {
            arff_row(out.test, commas.set(ones), &label);
        });
}

}  // namespace

void write_context_files(Dialogue& io, const ContextRequest& request) {
    ContextOutputs out = ask_output_names(io, request);
    ClassReading classes{{request.classes.training, {}}, {request.classes.test, {}},
                         request.classes.test != nullptr, {}};

    write_attributes(out, request.attributes);
    write_class_header(out, request, classes);
    write_rows(out, request, classes);

    // DAT, ARFF, test ARFF, TXT in this order (the classification streams are the caller's)
    close_output(out.dat.file, out.dat.name);
    close_output(out.arff.file, out.arff.name);
    close_output(out.test.file, out.test.name);
    close_output(out.txt.file, out.txt.name);

    if (request.attributes.empty() && !request.classes.training)
        io.warn(format("\tWarning: %s has no attribute; data-mining tools cannot load it\n",
                       out.arff.name.c_str()));
}

}  // namespace tessar
