#include "encode/encode.h"

#include <algorithm>

#include "context/context.h"
#include "context/table_writer.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"
#include "parallel/parallel.h"
#include "report/figures.h"

namespace tessar {

const Question kEncodeSequences = {"SEQUENCES", AnswerKind::InputFile, "",
                                   "the sequence file to encode, of any size (- for standard "
                                   "input): each sequence starts at a line beginning with '>'"};
const Question kModelFile = {"--model", AnswerKind::InputFile, "",
                             "the model file written by --save-model of a method"};
const Question kEncodeClasses = {
    "--classes", AnswerKind::OptionalInputFile, "",
    "classification file of the sequences, read as the method reads a test classification file "
    "(none: the class is ? and a ddms descriptor of any class is 1 when its text occurs or a window "
    "is similar to it)"};
const Question kEncodedName = {"--arff", AnswerKind::OutputFile, "", "the table of the sequences",
                               "Encoded.arff", 0, 0, nullptr, nullptr, kTakesFormatExtension};

const std::vector<const Question*>& encode_questions() {
    static const std::vector<const Question*> questions = {&kEncodeSequences, &kModelFile,
                                                           &kEncodeClasses, &kEncodedName};
    return questions;
}

namespace {

// The optional classification file of the rows, read up to its first label as the method of
// the model reads a test classification file on the command line: each keyword line checked,
// the names passed over by the model's count (motifs, ngrams) or read by the file's own count
// (the descriptor methods). Its labels are checked as they stream in: each a class name of the
// file and of the model, one per sequence.
struct RowClasses {
    std::string name;
    File file;
    ClassFile reader;
    std::vector<std::string> names;  // the file's, as read
    size_t first_label_line = 0;
};

RowClasses open_classes(Dialogue& io, const Model& model, const std::string& model_name) {
    RowClasses classes;
    classes.file = ask_input_file(io, kEncodeClasses, classes.name);
    if (!classes.file) return classes;
    if (!model.with_classes)
        fatal(format("Err: --classes: the model %s has no class attribute: it was learned without "
                     "a classification file\n", model_name.c_str()));
    classes.reader.stream = classes.file.get();
    classes.names = read_class_header(classes.reader, model.method->test_classes == TestClassReading::Checked
                                                          ? static_cast<int>(model.class_names.size())
                                                          : -1);
    classes.first_label_line = classes.reader.line_number + 1;
    return classes;
}

// Sequences read and not yet coded. They are coded a window at a time on every thread of the
// pool, and their rows written in input order, while the next window is read: memory holds two
// windows whatever the file's size, and the bytes do not depend on the number of threads.
struct Window {
    std::vector<std::string> sequences;
    std::vector<std::string> labels;  // one per sequence when the rows have their classes
    std::vector<std::string> ids;     // one per sequence when the rows name their sequence
    std::vector<std::vector<std::uint32_t>> ones;  // each row's features, kept for the report
    size_t residues = 0;
    // the rows of the tasks started and not yet written, task t at t % kTextsAhead, kept from
    // window to window
    std::vector<std::string> texts;

    static constexpr size_t kMaxSequences = 4096;
    static constexpr size_t kMaxResidues = size_t{16} << 20;
    static constexpr size_t kTaskSequences = 64;  // sequences coded by one task
    static constexpr size_t kTextsAhead = 16;     // tasks coded ahead of the one written

    bool full() const { return sequences.size() >= kMaxSequences || residues >= kMaxResidues; }
};

// What one thread codes rows with: its own filler and storage.
struct RowWorker {
    RowFiller fill;
    std::vector<std::uint32_t> ones;
    DenseRows dense;
};

// Codes and writes the rows of the window's sequences, the first numbered `first_row` + 1,
// then empties the window.
void write_window(Window& window, std::vector<RowWorker>& workers, const Model& model, const TableFormat& format,
                  std::FILE* out, size_t first_row, Dialogue& io, Progress& progress) {
    const size_t n = window.sequences.size();
    const bool labelled = !window.labels.empty();
    const bool named = !window.ids.empty();
    RunFigures* figures = io.figures();
    if (figures) window.ones.resize(n);
    std::vector<std::string>& texts = window.texts;
    texts.resize(Window::kTextsAhead);
    OrderedTasks tasks;
    tasks.count = (n + Window::kTaskSequences - 1) / Window::kTaskSequences;
    tasks.workers = workers.size();
    tasks.window = Window::kTextsAhead;
    tasks.run = [&](size_t worker, size_t task) {
        RowWorker& w = workers[worker];
        const size_t end = std::min(n, (task + 1) * Window::kTaskSequences);
        for (size_t i = task * Window::kTaskSequences; i < end; ++i) {
            const std::string* label = labelled ? &window.labels[i] : nullptr;
            w.fill(window.sequences[i], label, w.ones);
            const RowClass cls = !model.with_classes ? RowClass::none()
                                 : label             ? RowClass::of(*label)
                                                     : RowClass::missing();
            format.append_row(texts[task % Window::kTextsAhead],
                              TableRow{w.ones, model.features.size(), cls, model.class_names, first_row + i + 1,
                                       named ? &window.ids[i] : nullptr},
                              w.dense);
            if (figures) window.ones[i] = w.ones;
        }
    };
    tasks.deliver = [&](size_t task) {
        std::string& text = texts[task % Window::kTextsAhead];
        std::fwrite(text.data(), 1, text.size(), out);
        text.clear();
        // the report counts the rows in their order, as they are written
        if (figures) {
            static const std::string kNoLabel;
            const size_t end = std::min(n, (task + 1) * Window::kTaskSequences);
            for (size_t i = task * Window::kTaskSequences; i < end; ++i)
                figures->add_row(window.ones[i], labelled ? window.labels[i] : kNoLabel);
        }
        progress.done += static_cast<double>(std::min(Window::kTaskSequences, n - task * Window::kTaskSequences));
        io.progress(progress);
    };
    run_ordered(tasks);
    window.sequences.clear();
    window.labels.clear();
    window.ids.clear();
    window.residues = 0;
}

}  // namespace

EncodeRun run_encode(Dialogue& io, const EncodeOptions& options) {
    EncodeRun run;
    std::string model_name, sequences_name, table_name;
    {
        File model_file = ask_input_file(io, kModelFile, model_name);
        run.model = read_model(model_file.get(), model_name);
    }
    const Model& model = run.model;
    File sequences = ask_input_file(io, kEncodeSequences, sequences_name);
    RowClasses classes = open_classes(io, model, model_name);
    run.with_labels = classes.file != nullptr;
    File out = ask_output_file(io, kEncodedName, table_name);

    const TableFormat& format = table_format_of(io);
    const bool row_ids = io.row_ids() || format.always_ids;
    {
        TableWriter table(out.get(), format, model.features.size(), model.class_names, io.row_ids());
        if (options.header) table.header(model.features, model.with_classes ? &model.class_names : nullptr);
    }

    RunFigures* figures = io.figures();
    if (figures) figures->begin_rows(model.features, run.with_labels ? model.class_names : std::vector<std::string>());
    const RowCoder coder = model.method->row_coder(model);
    std::vector<RowWorker> workers;
    // no more workers than tasks may run ahead of the one written
    const size_t n_workers = std::min(thread_count(), Window::kTextsAhead);
    for (size_t i = 0; i < n_workers; ++i)
        workers.push_back(RowWorker{coder(), {}, DenseRows(model.features.size())});
    // one window is filled while the other is coded and written
    Window windows[2];
    Window* window = &windows[0];
    Progress progress{"encoding", 0, 0, "rows"};
    BesideWork coding;
    auto code_window = [&] {
        const size_t first_row = run.n_rows;
        run.n_rows += window->sequences.size();
        Window* full = window;
        coding.start([&, full, first_row] {
            write_window(*full, workers, model, format, out.get(), first_row, io, progress);
        });
        window = full == &windows[0] ? &windows[1] : &windows[0];
    };
    LabelTally own(classes.names), trained(model.class_names);
    bool labels_ended = false;  // the sequences from there on are counted, not encoded
    const SequenceFileStats stats = read_named_sequence_file(
        sequences.get(), sequences_name, SequenceReader::Test, io.limits(), [&](const std::string& id, std::string& sequence) {
            if (classes.file) {
                labels_ended = labels_ended || !next_class_line(classes.reader);
                if (labels_ended) return;
                const std::string& label = classes.reader.line;
                own.add(label);
                trained.add(label);
                if (own.outside() != LabelFit::kNone) {
                    LabelFit fit;
                    fit.outside = own.outside();
                    fit.outside_label = own.outside_label();
                    fatal(label_fit_error(fit, classes.name, classes.first_label_line));
                }
                if (trained.outside() != LabelFit::kNone)
                    fatal(outside_training_error(trained.outside_label(), classes.first_label_line + trained.outside(),
                                                 model.class_names, classes.name));
                window->labels.push_back(label);
            }
            if (row_ids) window->ids.push_back(id);
            window->residues += sequence.size();
            window->sequences.push_back(sequence);  // a copy of its own size; the reader keeps its buffer
            if (window->full()) code_window();
        });
    if (!window->sequences.empty()) code_window();
    coding.wait();
    report_sequence_file(io, stats, sequences_name);
    if (classes.file) {
        // the label lines past the last sequence count too
        while (next_class_line(classes.reader)) own.add(classes.reader.line);
        LabelFit fit;
        fit.n_labels = own.n_labels();
        fit.n_sequences = static_cast<size_t>(stats.n_sequences);
        if (!fit.fits()) fatal(label_fit_error(fit, classes.name, classes.first_label_line));
    }
    close_output(out, table_name);
    if (run.with_labels && model.method->label_free_option) io.warn(labelled_rows_warning(io, table_name));
    return run;
}

}  // namespace tessar
