#include "encode/encode.h"

#include "context/context.h"
#include "context/table_writer.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"

namespace tessar {

const Question kEncodeSequences = {"SEQUENCES", AnswerKind::InputFile, "",
                                   "the sequence file to encode, of any size (- for standard "
                                   "input): each sequence starts at a line beginning with '>'"};
const Question kModelFile = {"--model", AnswerKind::InputFile, "",
                             "the model file written by --save-model of a method"};
const Question kEncodeClasses = {
    "--classes", AnswerKind::OptionalInputFile, "",
    "classification file of the sequences, read as the method reads a test classification file "
    "(none: the class is ? and ddms tests exact presence only, without its similarity rule)"};
const Question kEncodedName = {"--arff", AnswerKind::OutputFile, "", "the table of the sequences",
                               "Encoded.arff", 0, 0, nullptr, nullptr, kTakesFormatExtension};

const std::vector<const Question*>& encode_questions() {
    static const std::vector<const Question*> questions = {&kEncodeSequences, &kModelFile,
                                                           &kEncodeClasses, &kEncodedName};
    return questions;
}

namespace {

// Opens the optional classification file and reads it up to its first label, as the method
// of the model reads a test classification file: checked beside the training file's count
// (motifs, ngrams), or read again without checks (the descriptor methods).
File open_classes(Dialogue& io, const Model& model, const std::string& model_name, ClassFile& classes) {
    std::string name;
    File file = ask_input_file(io, kEncodeClasses, name);
    if (!file) return file;
    if (!model.with_classes)
        fatal(format("Err: --classes: the model %s has no class attribute: it was learned without "
                     "a classification file\n", model_name.c_str()));
    classes.stream = file.get();
    if (model.method->test_classes == TestClassReading::Checked)
        read_test_class_header(classes, static_cast<int>(model.class_names.size()));
    else
        read_class_header_unchecked(classes);
    return file;
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
    ClassFile classes;
    File class_file = open_classes(io, model, model_name, classes);
    run.with_labels = class_file != nullptr;
    File out = ask_output_file(io, kEncodedName, table_name);

    TableWriter table(out.get(), table_format_of(io), model.features.size(), model.class_names);
    if (options.header) table.header(model.features, model.with_classes ? &model.class_names : nullptr);

    const RowFiller fill = model.method->row_coder(model)();
    std::vector<std::uint32_t> ones;
    Progress progress{"encoding", 0, 0, "rows"};
    const SequenceFileStats stats = read_sequence_file(
        sequences.get(), sequences_name, SequenceReader::Test, io.limits(), [&](std::string& sequence) {
            const std::string* label = class_file ? &next_label(classes) : nullptr;
            fill(sequence, label, ones);
            table.row(ones, !model.with_classes ? RowClass::none()
                            : label             ? RowClass::of(*label)
                                                : RowClass::missing());
            ++progress.done;
            io.progress(progress);
        });
    report_sequence_file(io, stats, sequences_name);
    table.flush();
    close_output(out, table_name);
    run.n_rows = table.rows();
    return run;
}

}  // namespace tessar
