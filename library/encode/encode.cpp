#include "encode/encode.h"

#include "context/presence.h"
#include "context/table_writer.h"
#include "ddms/grouping.h"
#include "ddms/output.h"
#include "discover/discover.h"
#include "inputs/classfile.h"
#include "inputs/sequences.h"

namespace tessar {

const Question kEncodeSequences = {"SEQUENCES", AnswerKind::InputFile, "",
                                   "the sequence file to encode, of any size (- for standard "
                                   "input): each sequence starts at a line beginning with '>'"};
const Question kModelFile = {"--model", AnswerKind::InputFile, "",
                             "the model file written by --save-model of motifs, ngrams, disclass "
                             "or ddms"};
const Question kEncodeClasses = {
    "--classes", AnswerKind::OptionalInputFile, "",
    "classification file of the sequences, read as the method reads a test classification file "
    "(none: the class is ? and ddms tests exact presence only, without its similarity rule)"};
const Question kEncodedName = {"--arff", AnswerKind::OutputFile, "", "the table of the sequences",
                               "Encoded.arff"};

const std::vector<const Question*>& encode_questions() {
    static const std::vector<const Question*> questions = {&kEncodeSequences, &kModelFile,
                                                           &kEncodeClasses, &kEncodedName};
    return questions;
}

// The row code of each method, built once from the model: the presence engine for the N-gram
// and descriptor methods, the motif row encoder, the DDMS row encoder.
struct ModelEncoder::Rows {
    ModelMethod method;
    MotifRowEncoder motifs;
    PresenceIndex index;
    PresenceScratch scratch;
    DescriptorTable table;
    std::unique_ptr<SimilarityRule> rule;
    std::unique_ptr<RowEncoder> ddms;  // points into `table` and `rule`
    RowScratch ddms_scratch;
};

ModelEncoder::ModelEncoder(const Model& model) : rows_(std::make_unique<Rows>()) {
    Rows& r = *rows_;
    r.method = model.method;
    switch (model.method) {
    case ModelMethod::Motifs:
        r.motifs = make_motif_encoder(model.features, model.pairs);
        break;
    case ModelMethod::Ngrams:
    case ModelMethod::Disclass:
        r.index = index_texts(model.features);
        break;
    case ModelMethod::Ddms:
        for (size_t j = 0; j < model.features.size(); ++j)
            add_descriptor(r.table, model.features[j], model.feature_classes[j]);
        r.rule = std::make_unique<SimilarityRule>(
            make_similarity_rule(*substitution_matrix(model.matrix), model.threshold));
        r.ddms = std::make_unique<RowEncoder>(make_row_encoder(r.table, *r.rule));
        break;
    }
}

ModelEncoder::~ModelEncoder() = default;

void ModelEncoder::encode(const std::string& sequence, const std::string* label,
                          std::vector<std::uint32_t>& ones) {
    Rows& r = *rows_;
    switch (r.method) {
    case ModelMethod::Motifs:
        encode_motif_row(r.motifs, sequence, ones);
        return;
    case ModelMethod::Ngrams:
    case ModelMethod::Disclass:
        fill_presence(r.index, sequence, r.scratch, ones);
        return;
    case ModelMethod::Ddms:
        if (label)
            encode_row(*r.ddms, r.ddms_scratch, sequence, *label, ones);
        else  // no class, no similarity rule: the encoder's exact presence alone
            fill_presence(r.ddms->index, sequence, r.ddms_scratch.presence, ones);
        return;
    }
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
    if (model.method == ModelMethod::Motifs || model.method == ModelMethod::Ngrams)
        read_test_class_header(classes, static_cast<int>(model.class_names.size()));
    else
        read_class_header_again(classes);
    return file;
}

// The sequence file, or standard input for the answer "-".
std::FILE* open_sequences(Dialogue& io, std::string& name, File& owned) {
    if (io.answer(kEncodeSequences, prompt_text(kEncodeSequences)) == "-") {
        name = "standard input";
        return stdin;
    }
    owned = ask_input_file(io, kEncodeSequences, name);
    return owned.get();
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
    File owned_sequences;
    std::FILE* sequences = open_sequences(io, sequences_name, owned_sequences);
    ClassFile classes;
    File class_file = open_classes(io, model, model_name, classes);
    run.with_labels = class_file != nullptr;
    File out = ask_output_file(io, kEncodedName, table_name);

    TableWriter table(out.get(), io.table_format(), model.features.size(), model.class_names);
    if (options.header) table.header(model.features, model.with_classes ? &model.class_names : nullptr);

    ModelEncoder encoder(model);
    std::vector<std::uint32_t> ones;
    Progress progress{"encoding", 0, 0, "rows"};
    const SequenceFileStats stats = read_sequence_file(
        sequences, SequenceReader::Test, io.limits(), [&](std::string& sequence) {
            const std::string* label = class_file ? &next_label(classes) : nullptr;
            encoder.encode(sequence, label, ones);
            table.row(ones, !model.with_classes ? RowClass::none()
                            : label             ? RowClass::of(*label)
                                                : RowClass::missing());
            ++progress.done;
            io.progress(progress);
        });
    report_sequence_file(io, stats, sequences_name);
    close_output(out, table_name);
    run.n_rows = table.rows();
    return run;
}

}  // namespace tessar
