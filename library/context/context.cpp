#include "context/context.h"

#include <algorithm>

#include "context/dense_rows.h"
#include "context/table_writer.h"
#include "inputs/classfile.h"
#include "parallel/parallel.h"

namespace tessar {

const Question kArffName = {"--arff", AnswerKind::OutputFile,
                            "%%\tEnter the ARFF Context file name [Context.arff]: ",
                            "ARFF file of the training sequences", "Context.arff",
                            0, 0, nullptr, nullptr, kTakesFormatExtension};
// the N-gram method asks it after two line ends
const Question kArffNameAfterBlankLines = {
    "--arff", AnswerKind::OutputFile, "\n\n%%\tEnter the ARFF Context file name [Context.arff]: ",
    kArffName.help, "Context.arff", 0, 0, nullptr, nullptr, kTakesFormatExtension};
const Question kTestArffName = {"--test-arff", AnswerKind::OutputFile,
                                "%%\tEnter the ARFF test file name [Test.arff]: ",
                                "ARFF file of the test sequences (with --test)", "Test.arff",
                                0, 0, nullptr, "--test", kTakesFormatExtension};
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
    const TableFormat* format = nullptr;  // of the ARFF file and the test ARFF file
};

// Every file is created when its name is accepted; nothing is written before all names are. A
// name already taken by an output or a classification file of the run is asked again.
ContextOutputs ask_output_names(Dialogue& io, const ContextRequest& request) {
    const ClassFiles& classes = request.classes;
    ContextOutputs out;
    out.format = &table_format_of(io);
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
        if (classes.given()) ask(kDatName, out.dat);
    }
    return out;
}

// Where the labels of a file's rows come from: the next label line of a classification file, or
// the next of the labels a method read.
struct LabelSource {
    ClassFile* file = nullptr;
    const std::vector<std::string>* read = nullptr;
    size_t at = 0;

    bool given() const { return file || read; }
    const std::string& next() {
        static const std::string kNone;
        if (file) return next_label(*file);
        if (!read || read->empty()) return kNone;
        return at < read->size() ? (*read)[at++] : read->back();  // the last one stands for the rest
    }
};

// The classification files being read, with the class names the files list.
struct ClassReading {
    ClassFile training, test;
    LabelSource training_labels, test_labels;
    bool with_test = false;
    std::vector<std::string> names;  // the training file's, in file order
};

// The two feature tables (the ARFF file and the test ARFF file), each header piece written to
// both; a table whose file is not open writes nothing.
struct Tables {
    TableWriter training, test;
    void begin(const std::vector<std::string>& attributes, bool with_class) {
        training.begin(attributes, with_class);
        test.begin(attributes, with_class);
    }
    void begin_class_attribute() {
        training.begin_class_attribute();
        test.begin_class_attribute();
    }
    void end_class_attribute(const std::vector<std::string>& listed) {
        training.end_class_attribute(listed);
        test.end_class_attribute(listed);
    }
    void begin_data() {
        training.begin_data();
        test.begin_data();
    }
};

// Checks one keyword line in the training file and, in step, in the test classification file.
void check_keyword(ClassReading& c, const char* message) {
    check_class_keyword(c.training, message);
    if (c.with_test) check_class_keyword(c.test, message);
}

// The names the class attribute lists: the first n_listed.
std::vector<std::string> listed(const std::vector<std::string>& names, size_t n_listed) {
    return {names.begin(), names.begin() + static_cast<std::ptrdiff_t>(std::min(n_listed, names.size()))};
}

void write_attributes(const ContextOutputs& out, Tables& tables,
                      const std::vector<std::string>& attributes, bool with_classes) {
    tables.begin(attributes, with_classes);
    std::string txt = format("#motifs number\n%d\n#motifs\n", static_cast<int>(attributes.size()));
    for (const std::string& a : attributes) txt += a + "\n";
    out.txt.put(txt);
}

// The class sections of every header, each check made once what precedes it in the files has
// been written (so a failed check keeps that); ends with the line before the data rows.
void write_class_header(const ContextOutputs& out, Tables& tables, const ContextRequest& request,
                        ClassReading& c) {
    const size_t n_rows = request.training.count;
    const std::vector<std::string>& attributes = request.attributes;
    if (!request.classes.given()) {
        tables.begin_data();
    } else if (request.classes.training_read) {
        tables.begin_class_attribute();
        c.names = request.classes.training_read->names;
        if (c.with_test) {
            if (request.classes.test_unchecked)
                read_class_header_unchecked(c.test);
            else
                read_test_class_header(c.test, static_cast<int>(c.names.size()));
        }
        tables.end_class_attribute(listed(c.names, request.classes.n_listed));
        tables.begin_data();
    } else {
        check_keyword(c, kClassNumberError);
        const int k = read_class_count(c.training);
        if (c.with_test) read_class_count(c.test);  // not used: the training names rule

        std::string dat = format("%d %d %d\n", static_cast<int>(n_rows),
                                 static_cast<int>(attributes.size()), k);
        for (const std::string& a : attributes) dat += a + " 2 1 1\n";
        out.dat.put(dat + "\n");
        out.txt.put(format("#classes number\n%d\n#classes\n", k));
        tables.begin_class_attribute();

        check_keyword(c, kClassNamesError);
        c.names = read_class_names(c.training, k);
        if (c.with_test) read_class_names(c.test, k);
        std::string txt;
        for (const std::string& name : c.names) txt += name + "\n";
        out.txt.put(txt);
        tables.end_class_attribute(listed(c.names, request.classes.n_listed));

        check_keyword(c, kClassDataError);
        tables.begin_data();
    }
    out.txt.put(format("#instances number\n%d\n#context\n", static_cast<int>(n_rows)));
}

// Hands every row to write(i, label, ones) in order, with the next label of `classes` ("" when it
// has none). Rows with a `make_fill` are filled ahead on every core, in chunks; their labels are
// read first, which changes nothing: reading a label cannot fail.
void each_row(const TableRows& rows, LabelSource& classes,
              const std::function<void(size_t i, const std::string& label, const std::vector<std::uint32_t>& ones)>& write) {
    static const std::string kNoLabel;
    constexpr size_t kChunk = 8, kAhead = 16;
    OrderedTasks chunks;
    if (!rows.make_fill || chunks.workers == 1 || rows.count <= kChunk) {
        const RowFill fill = rows.make_fill ? rows.make_fill() : rows.fill;
        std::vector<std::uint32_t> ones;
        for (size_t i = 0; i < rows.count; ++i) {
            const std::string& label = classes.given() ? classes.next() : kNoLabel;
            fill(i, label, ones);
            write(i, label, ones);
        }
        return;
    }
    std::vector<std::string> labels(rows.count);
    if (classes.given())
        for (std::string& label : labels) label = classes.next();
    std::vector<RowFill> fills(chunks.workers);  // by thread, made on first use
    // row i lives at i % ring.size() from its filling to its writing: at most kAhead chunks are
    // filled and not yet written
    std::vector<std::vector<std::uint32_t>> ring(kChunk * kAhead);
    auto bounds = [&](size_t chunk) { return std::pair{chunk * kChunk, std::min(rows.count, (chunk + 1) * kChunk)}; };
    chunks.count = (rows.count + kChunk - 1) / kChunk;
    chunks.window = kAhead;
    chunks.run = [&](size_t worker, size_t chunk) {
        if (!fills[worker]) fills[worker] = rows.make_fill();
        const auto [begin, end] = bounds(chunk);
        for (size_t i = begin; i < end; ++i) fills[worker](i, labels[i], ring[i % ring.size()]);
    };
    chunks.deliver = [&](size_t chunk) {
        const auto [begin, end] = bounds(chunk);
        for (size_t i = begin; i < end; ++i) write(i, labels[i], ring[i % ring.size()]);
    };
    run_ordered(chunks);
}

void write_rows(Dialogue& io, const ContextOutputs& out, Tables& tables, const ContextRequest& request,
                ClassReading& c) {
    const bool with_classes = request.classes.given();
    DenseRows format_row(request.attributes.size());
    Progress progress{"writing", 0,
                      static_cast<double>(request.training.count + (c.with_test ? request.test.count : 0)),
                      "rows"};

    // training rows: one label line per row, the same row in the ARFF, TXT and DAT files
    each_row(request.training, c.training_labels,
             [&](size_t i, const std::string& label, const std::vector<std::uint32_t>& ones) {
                 tables.training.row(ones, with_classes ? RowClass::of(label) : RowClass::none());
                 if (out.txt.file) out.txt.put(format_row.txt(ones, label, c.names));
                 if (out.dat.file) out.dat.put(format_row.dat(i + 1, ones, label));
                 ++progress.done;
                 io.progress(progress);
             });

    // test rows, with the labels of the test classification file
    if (c.with_test)
        each_row(request.test, c.test_labels, [&](size_t, const std::string& label, const std::vector<std::uint32_t>& ones) {
            tables.test.row(ones, RowClass::of(label));
            ++progress.done;
            io.progress(progress);
        });
}

}  // namespace

const TableFormat& table_format_of(const Dialogue& io) {
    return io.table_format() ? *io.table_format() : arff_format();
}

ContextSummary write_context_files(Dialogue& io, const ContextRequest& request) {
    ContextOutputs out = ask_output_names(io, request);
    ClassReading classes{{request.classes.training, {}}, {request.classes.test, {}}, {}, {}, request.classes.test != nullptr, {}};
    if (request.classes.training) classes.training_labels.file = &classes.training;
    if (request.classes.training_read) classes.training_labels.read = &request.classes.training_read->labels;
    if (request.classes.test) classes.test_labels.file = &classes.test;

    const size_t n = request.attributes.size();
    Tables tables{TableWriter(out.arff.file.get(), *out.format, n, classes.names),
                  TableWriter(out.test.file.get(), *out.format, n, classes.names)};
    write_attributes(out, tables, request.attributes, request.classes.given());
    write_class_header(out, tables, request, classes);
    write_rows(io, out, tables, request, classes);

    // DAT, ARFF, test ARFF, TXT in this order (the classification streams are the caller's)
    tables.training.flush();
    tables.test.flush();
    close_output(out.dat.file, out.dat.name);
    close_output(out.arff.file, out.arff.name);
    close_output(out.test.file, out.test.name);
    close_output(out.txt.file, out.txt.name);

    if (request.attributes.empty() && !request.classes.given())
        io.warn(format("\tWarning: %s has no attribute; data-mining tools cannot load it\n",
                       out.arff.name.c_str()));

    ContextSummary summary;
    summary.with_classes = request.classes.given();
    summary.class_names = listed(classes.names, request.classes.n_listed);
    summary.training_rows = request.training.count;
    summary.test_rows = classes.with_test ? request.test.count : 0;
    return summary;
}

}  // namespace tessar
