// The discriminative-descriptor method's record in the table of methods.
#include "disclass/disclass.h"
#include "methods/method.h"

namespace tessar {

extern const Method kDisclassMethod;

namespace {

MethodRun run(Dialogue& io) {
    DisclassRun r = run_disclass(io);
    MethodRun out;
    out.summary = format("disclass: %zu sequences (%zu placed), %zu descriptors, %s", r.n_sequences,
                         r.n_placed, r.descriptors.size(), class_words(r.tables).c_str());
    out.model = base_model(kDisclassMethod, std::move(r.descriptors), r.tables);
    return out;
}

RowCoder row_coder(const Model& model) { return presence_coder(model.features); }

}  // namespace

const Method kDisclassMethod = {
    "disclass", 'c', "discriminative descriptors under ALPHA and BETA (menu c)",
    "tessar disclass seqs.fasta --classes seqs.cls --alpha 0.7 --beta 0.1 --format csv",
    disclass_questions, true, run,
    {}, text_feature_line, read_text_feature, row_coder, TestClassReading::Unchecked,
};

}  // namespace tessar
