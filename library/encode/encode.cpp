#include "encode/encode.h"

#include "context/context.h"
#include "context/table_writer.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"
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

    TableWriter table(out.get(), table_format_of(io), model.features.size(), model.class_names, io.row_ids());
    if (options.header) table.header(model.features, model.with_classes ? &model.class_names : nullptr);

    RunFigures* figures = io.figures();
    if (figures) figures->begin_rows(model.features, run.with_labels ? model.class_names : std::vector<std::string>());
    static const std::string kNoLabel;
    const RowFiller fill = model.method->row_coder(model)();
    std::vector<std::uint32_t> ones;
    Progress progress{"encoding", 0, 0, "rows"};
    LabelTally own(classes.names), trained(model.class_names);
    bool labels_ended = false;  // the sequences from there on are counted, not encoded
    const SequenceFileStats stats = read_named_sequence_file(
        sequences.get(), sequences_name, SequenceReader::Test, io.limits(), [&](const std::string& id, std::string& sequence) {
            const std::string* label = nullptr;
            if (classes.file) {
                labels_ended = labels_ended || !next_class_line(classes.reader);
                if (labels_ended) return;
                label = &classes.reader.line;
                own.add(*label);
                trained.add(*label);
                if (own.outside() != LabelFit::kNone) {
                    LabelFit fit;
                    fit.outside = own.outside();
                    fit.outside_label = own.outside_label();
                    fatal(label_fit_error(fit, classes.name, classes.first_label_line));
                }
                if (trained.outside() != LabelFit::kNone)
                    fatal(outside_training_error(trained.outside_label(), classes.first_label_line + trained.outside(),
                                                 model.class_names, classes.name));
            }
            fill(sequence, label, ones);
            table.row(ones, !model.with_classes ? RowClass::none()
                            : label             ? RowClass::of(*label)
                                                : RowClass::missing(),
                      id);
            if (figures) figures->add_row(ones, label ? *label : kNoLabel);
            ++progress.done;
            io.progress(progress);
        });
    report_sequence_file(io, stats, sequences_name);
    if (classes.file) {
        // the label lines past the last sequence count too
        while (next_class_line(classes.reader)) own.add(classes.reader.line);
        LabelFit fit;
        fit.n_labels = own.n_labels();
        fit.n_sequences = static_cast<size_t>(stats.n_sequences);
        if (!fit.fits()) fatal(label_fit_error(fit, classes.name, classes.first_label_line));
    }
    table.flush();
    close_output(out, table_name);
    if (run.with_labels && model.method->label_free_option) io.warn(labelled_rows_warning(io, table_name));
    run.n_rows = table.rows();
    return run;
}

}  // namespace tessar
