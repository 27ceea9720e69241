#include "context/context.h"

#include <algorithm>

#include "context/dense_rows.h"
#include "context/table_writer.h"
#include "inputs/classfile.h"
#include "parallel/parallel.h"
#include "report/figures.h"

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
                           "TXT context table (written only when named)", "Context.txt", 0, 0, nullptr, nullptr,
                           kWrittenWhenNamed};
const Question kDatName = {"--dat", AnswerKind::OutputFile, "%%\tEnter the DAT Context file name [Context.dat]: ",
                           "DAT context table (with --classes; written only when named)", "Context.dat", 0, 0,
                           nullptr, "--classes", kWrittenWhenNamed};

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
        if (io.wants_output(kTxtName)) ask(kTxtName, out.txt);
        if (classes.given() && io.wants_output(kDatName)) ask(kDatName, out.dat);
    }
    return out;
}

// The classification files being read, with the class names the files list. A file read here
// is read into `*_here`; `training_read` and `test_read` point at what was read, here or before.
struct ClassReading {
    ClassFile training, test;
    ClassesRead training_here, test_here;
    const ClassesRead* training_read = nullptr;
    const ClassesRead* test_read = nullptr;
    bool with_test = false;
    bool test_in_step = false;       // the test file's header is read in step with the training file's
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
    if (c.test_in_step) check_class_keyword(c.test, message);
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
// been written (so a failed check keeps that); ends with the line before the data rows. The
// labels are read last (reading them cannot fail).
void write_class_header(const ContextOutputs& out, Tables& tables, const ContextRequest& request,
                        ClassReading& c) {
    const size_t n_rows = request.training.count;
    const std::vector<std::string>& attributes = request.attributes;
    const ClassFiles& files = request.classes;
    if (!files.given()) {
        tables.begin_data();
        out.txt.put(format("#instances number\n%d\n#context\n", static_cast<int>(n_rows)));
        return;
    }
    const bool streamed = files.training_read == nullptr;
    c.test_in_step = streamed && c.with_test && !files.test_read;
    int k = 0;
    if (streamed) {
        check_keyword(c, kClassNumberError);
        k = read_class_count(c.training);
        if (c.test_in_step) read_class_count(c.test);  // not used: the training names rule
    } else {
        k = static_cast<int>(files.training_read->names.size());
    }

    std::string dat = format("%d %d %d\n", static_cast<int>(n_rows), static_cast<int>(attributes.size()), k);
    for (const std::string& a : attributes) dat += a + " 2 1 1\n";
    out.dat.put(dat + "\n");
    out.txt.put(format("#classes number\n%d\n#classes\n", k));
    tables.begin_class_attribute();

    if (streamed) {
        check_keyword(c, kClassNamesError);
        c.names = read_class_names(c.training, k);
        if (c.test_in_step) c.test_here.names = read_class_names(c.test, k);
    } else {
        c.names = files.training_read->names;
        if (c.with_test && !files.test_read)
            c.test_here.names = files.test_unchecked ? read_class_header_unchecked(c.test)
                                                     : read_class_header(c.test, k);
    }
    std::string txt;
    for (const std::string& name : c.names) txt += name + "\n";
    out.txt.put(txt);
    tables.end_class_attribute(listed(c.names, files.n_listed));

    if (streamed) check_keyword(c, kClassDataError);
    tables.begin_data();
    out.txt.put(format("#instances number\n%d\n#context\n", static_cast<int>(n_rows)));

    c.training_read = files.training_read;
    if (streamed) {
        read_labels(c.training, c.training_here);
        c.training_here.names = c.names;
        c.training_read = &c.training_here;
    }
    c.test_read = files.test_read;
    if (c.with_test && !files.test_read) {
        read_labels(c.test, c.test_here);
        c.test_read = &c.test_here;
    }
}

// Hands every row to write(i, label, ones) in order, with the label of row i in `classes` ("" when
// there are none). Rows with a `make_fill` are filled ahead on every core, in chunks.
void each_row(const TableRows& rows, const ClassesRead* classes,
              const std::function<void(size_t i, const std::string& label, const std::vector<std::uint32_t>& ones)>& write) {
    static const std::string kNoLabel;
    auto label_of = [classes](size_t i) -> const std::string& { return classes ? classes->label(i) : kNoLabel; };
    constexpr size_t kChunk = 8, kAhead = 16;
    OrderedTasks chunks;
    if (!rows.make_fill || chunks.workers == 1 || rows.count <= kChunk) {
        const RowFill fill = rows.make_fill ? rows.make_fill() : rows.fill;
        std::vector<std::uint32_t> ones;
        for (size_t i = 0; i < rows.count; ++i) {
            const std::string& label = label_of(i);
            fill(i, label, ones);
            write(i, label, ones);
        }
        return;
    }
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
        for (size_t i = begin; i < end; ++i) fills[worker](i, label_of(i), ring[i % ring.size()]);
    };
    chunks.deliver = [&](size_t chunk) {
        const auto [begin, end] = bounds(chunk);
        for (size_t i = begin; i < end; ++i) write(i, label_of(i), ring[i % ring.size()]);
    };
    run_ordered(chunks);
}

const std::string& row_id(const TableRows& rows, size_t i) {
    static const std::string kNoId;
    return rows.ids && i < rows.ids->size() ? (*rows.ids)[i] : kNoId;
}

void write_rows(Dialogue& io, const ContextOutputs& out, Tables& tables, const ContextRequest& request,
                ClassReading& c) {
    const bool with_classes = request.classes.given();
    RunFigures* figures = io.figures();
    if (figures) figures->begin_rows(request.attributes, with_classes ? listed(c.names, request.classes.n_listed)
                                                                      : std::vector<std::string>());
    DenseRows format_row(request.attributes.size());
    Progress progress{"writing", 0,
                      static_cast<double>(request.training.count + (c.with_test ? request.test.count : 0)),
                      "rows"};

    // training rows: one label line per row, the same row in the ARFF, TXT and DAT files
    each_row(request.training, c.training_read,
             [&](size_t i, const std::string& label, const std::vector<std::uint32_t>& ones) {
                 tables.training.row(ones, with_classes ? RowClass::of(label) : RowClass::none(),
                                     row_id(request.training, i));
                 if (out.txt.file) out.txt.put(format_row.txt(ones, label, c.names));
                 if (out.dat.file) out.dat.put(format_row.dat(i + 1, ones, label));
                 if (figures) figures->add_row(ones, label);
                 ++progress.done;
                 io.progress(progress);
             });

    // test rows, with the labels of the test classification file
    if (c.with_test)
        each_row(request.test, c.test_read, [&](size_t i, const std::string& label, const std::vector<std::uint32_t>& ones) {
            tables.test.row(ones, RowClass::of(label), row_id(request.test, i));
            ++progress.done;
            io.progress(progress);
        });
}

// The warnings on the labels of a classification file that do not fit its sequences or its
// names (the tables were written with them as they stand).
void warn_labels(Dialogue& io, const ClassesRead* classes, size_t n_sequences, size_t n_rows,
                 const std::string& file) {
    if (!classes) return;
    const LabelFit fit = fit_labels(classes->names, classes->labels, n_sequences == SIZE_MAX ? n_rows : n_sequences);
    if (!fit.fits()) io.warn(label_fit_warnings(fit, file));
}

}  // namespace

const TableFormat& table_format_of(const Dialogue& io) {
    return io.table_format() ? *io.table_format() : arff_format();
}

ContextSummary write_context_files(Dialogue& io, const ContextRequest& request) {
    const ClassFiles& files = request.classes;
    ContextOutputs out = ask_output_names(io, request);
    ClassReading classes;
    classes.training.stream = files.training;
    classes.test.stream = files.test;
    classes.with_test = files.with_test();

    const size_t n = request.attributes.size();
    Tables tables{TableWriter(out.arff.file.get(), *out.format, n, classes.names, io.row_ids()),
                  TableWriter(out.test.file.get(), *out.format, n, classes.names, io.row_ids())};
    write_attributes(out, tables, request.attributes, files.given());
    write_class_header(out, tables, request, classes);
    write_rows(io, out, tables, request, classes);

    // DAT, ARFF, test ARFF, TXT in this order (the classification streams are the caller's)
    tables.training.flush();
    tables.test.flush();
    close_output(out.dat.file, out.dat.name);
    close_output(out.arff.file, out.arff.name);
    close_output(out.test.file, out.test.name);
    close_output(out.txt.file, out.txt.name);

    if (request.attributes.empty() && !files.given())
        io.warn(format("\tWarning: %s has no attribute; data-mining tools cannot load it\n",
                       out.arff.name.c_str()));
    warn_labels(io, classes.training_read, files.training_sequences, request.training.count, files.training_name);
    if (classes.with_test)
        warn_labels(io, classes.test_read, files.test_sequences, request.test.count, files.test_name);

    ContextSummary summary;
    summary.with_classes = files.given();
    summary.class_names = listed(classes.names, files.n_listed);
    summary.training_rows = request.training.count;
    summary.test_rows = classes.with_test ? request.test.count : 0;
    if (classes.with_test) summary.test_table = out.test.name;
    return summary;
}

}  // namespace tessar
