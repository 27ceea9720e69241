// What every method of the suite is to its front ends. Each method folder defines one Method
// record (its method.cpp) and methods/table.cpp lists them; the command line's subcommands and
// --help, the model files and `tessar encode` all read that table, and nothing dispatches on a
// method's name. A method's record says:
//   - its name (subcommand, model files), menu key, help line and example;
//   - its questions, in dialogue order (the console asks them, the command line makes flags),
//     and the outputs it writes under fixed names;
//   - how it runs on a dialogue, and what the run gives back: a summary line and a model;
//   - the parameters its model file holds, how a feature line is written and read back;
//   - how the rows of its features are computed for any sequence (its row coder);
//   - the sections of its own in the report of a run (report/figures.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "context/context.h"
#include "dialogue/dialogue.h"
#include "inputs/questions.h"
#include "report/figures.h"

namespace tessar {

struct Method;

// What a method learned from its training file that the encoding of a new sequence needs; a
// model file holds it (encode/model.h, doc/model-format.md).
struct Model {
    const Method* method = nullptr;
    // The parameters the encoding depends on, in the method's order, each as the model file
    // writes it: a number, a choice name ("blosum62") or a real.
    std::vector<std::pair<std::string, std::string>> parameters;
    bool with_classes = false;                 // the tables have a class attribute
    std::vector<std::string> class_names;      // as the class attribute lists them
    std::vector<std::string> features;         // attribute texts, in order (motif pairs "X*Y")
    std::vector<std::string> feature_classes;  // the class of each feature (DDMS); else empty

    // The text of a parameter ("" when the model has none of that key).
    const std::string& parameter(std::string_view key) const;
    // A number parameter (a choice name gives its number), or a real one.
    int number(std::string_view key) const;
    double real(std::string_view key) const;
};

// A parameter of a model file: its key and the question whose answer it is, whose kind and
// range (or choice names) a value read back must fit.
struct ModelParameter {
    const char* key;
    const Question* question;
};

// The row of one sequence: the features whose value is 1, ascending, into `ones`. `label` is
// the sequence's class (null: unknown).
using RowFiller =
    std::function<void(std::string_view sequence, const std::string* label, std::vector<std::uint32_t>& ones)>;
// Row fillers of one model: each call gives a filler with working storage of its own (one per
// thread); what they share (the indexes of the features) is made once, by the coder's maker.
using RowCoder = std::function<RowFiller()>;

// What a run gives its front end besides the files it wrote.
struct MethodRun {
    std::string summary;         // one line: "ngrams: 18 sequences, 2117 distinct 3-grams, 3 classes"
    std::optional<Model> model;  // none: the method learns nothing to encode with
    // When the run found no feature: which answer excluded everything, its value and what to
    // change, one line without its end ("0 motifs reach --min-occurrence 6 (a third of 18
    // sequences); try a lower value"); "" otherwise. The menu says nothing of it.
    std::string hint = "";
};

// How a method reads the classification file of sequences it encodes with a model (a test
// file, `tessar encode --classes`).
enum class TestClassReading {
    Checked,    // each keyword line checked, the names passed over by the training file's count
    Unchecked,  // read from its start without checks, by its own count
};

// What a method learns from when its training set is held in memory rather than in files (the
// Python module): the sequences as the sequence reader leaves them (letters A to Z), one label
// per sequence (none: no classes) and the class names, in the order the tables list them. The
// parameters are the answers to the method's questions, by name (the flag without its dashes,
// '-' as '_': "min_length"), as text; each is checked as the flag's value is, and an absent one
// takes the question's default.
struct LearnRequest {
    std::vector<std::string> sequences;
    std::vector<std::string> labels;
    std::vector<std::string> class_names;
    std::vector<std::pair<std::string, std::string>> parameters;
};

// An output a method writes under a fixed name of its own, in the output folder.
struct FixedOutput {
    const char* name;  // "SeqFile.seq"
    const char* what;  // "the family file"
};

struct Method {
    const char* name;     // subcommand and model files: "ngrams"
    char menu_key;        // its key in the launcher's menu (the binary coder: the first of four)
    const char* summary;  // one line of help
    const char* example;  // a command line
    // Every question, in dialogue order.
    const std::vector<const Question*>& (*questions)();
    bool writes_tables;   // ARFF files (their --format), as opposed to files of its own
    // The outputs it writes under fixed names, besides those its questions name.
    std::vector<FixedOutput> fixed_outputs;
    // Runs the whole method on a dialogue: questions, computation, output files, closing line.
    MethodRun (*run)(Dialogue& io);

    // ---- models (a method without a row coder saves none)
    std::vector<ModelParameter> model_parameters;
    // The value of the model file's line "feature ..." for feature j.
    std::string (*feature_line)(const Model& model, size_t j);
    // Reads the value of a feature line into the model; false, with the reason, when it does
    // not fit the method.
    bool (*read_feature)(const std::string& value, Model& model, std::string& why);
    RowCoder (*row_coder)(const Model& model);
    TestClassReading test_classes;
    // Learns the model from a training set in memory by the steps `run` takes on files; the
    // model equals the one `run` gives for the same sequences, labels and answers.
    Model (*learn)(const LearnRequest& request) = nullptr;
    // Its rows may take the rows' labels, and may leave them out (Limits::label_free_rows): the
    // command line offers --label-free.
    bool label_free_option = false;

    // ---- the report of a run: appends the method's own sections, made of its model and the
    // figures of the run (null: none)
    void (*report_sections)(const Model& model, const RunFigures& figures,
                            std::vector<ReportSection>& sections) = nullptr;
};

// ---- pieces several records share

// The warning on rows of a method with Method::label_free_option written with their labels for
// a test file (or by `tessar encode --classes`): their values carry the labels. Names the table.
std::string labelled_rows_warning(const Dialogue& io, const std::string& table_name);

// The name of a question's answer in a LearnRequest: "--min-length" -> "min_length".
std::string parameter_name(const Question& q);
// Whether the request gives an answer to `q`.
bool has_parameter(const LearnRequest& request, const Question& q);
// The request's answer to a number or real question, checked as the flag's value is; an absent
// answer takes `fallback` (NaN: the question's default). Fatal ("Err: min_length: ...") when
// it is refused.
double learn_parameter(const LearnRequest& request, const Question& q, double fallback = __builtin_nan(""));
// Fatal when the request names a parameter that none of `questions` has.
void require_known_parameters(const LearnRequest& request, const std::vector<const Question*>& questions);
// A model of `method` with its features, its classes those of the request.
Model learned_model(const Method& method, std::vector<std::string> features, const LearnRequest& request);
// Fatal unless every sequence has a label, each one of the class names, and there are two
// classes at least (what the descriptor methods need).
void require_two_classes(const LearnRequest& request);

// The rows of `sequences` by the model's row coder, on every core, as compressed sparse rows:
// row i holds the columns columns[row_starts[i]] to columns[row_starts[i + 1] - 1], ascending.
// `labels` gives each sequence's class (null: unknown, as `tessar encode` without classes).
struct SparseRows {
    std::vector<std::int64_t> row_starts{0};
    std::vector<std::uint32_t> columns;
};
SparseRows code_rows(const Model& model, const std::vector<std::string>& sequences,
                     const std::vector<std::string>* labels = nullptr);

// "3 classes" or "no classes", for a summary line.
std::string class_words(const ContextSummary& tables);

// The hint of a run whose length answer `q` (of value `length`) exceeds every sequence:
// "0 <features>: <flag> <length> is longer than every sequence (the longest has <longest>
// residues); try a lower value".
std::string longer_than_every_sequence(const char* features, const Question& q, int length, size_t longest);

// The residues of the longest of `sequences` (0 for none).
size_t longest_length(const std::vector<std::string>& sequences);

// A model of `method` with its features and the classes of its tables.
Model base_model(const Method& method, std::vector<std::string> features, const ContextSummary& tables);

// A parameter's value as a model file writes it: a choice name, a whole number, or a real with
// nine significant digits (which give a single-precision value back exactly).
std::string parameter_text(const Question& q, double value);

// A text as a model file writes a name (a class name: '\' as "\\", bytes below 0x20 and 0x7F
// as "\xHH"), and back (false: a bad escape).
std::string escape_model_text(const std::string& text);
bool unescape_model_text(const std::string& text, std::string& out);

// Whether `text` is one or more residue letters A to Z.
bool is_residues(std::string_view text);

// The feature line of a method whose features are texts: the text.
std::string text_feature_line(const Model& model, size_t j);
// Reads a text of residue letters.
bool read_text_feature(const std::string& value, Model& model, std::string& why);

// Exact presence of the model's features: feature j is 1 when its text occurs in the sequence.
RowCoder presence_coder(std::vector<std::string> texts);

// The rows of `sequences` by a coder, filled ahead on every core (context/context.h). The label
// handed to the coder is the one the context writer reads for the row (null without classes).
TableRows coder_rows(const RowCoder& coder, const std::vector<std::string>& sequences, bool with_labels);

// The classification files of the motif and N-gram methods' inputs, for their context files:
// read by the writer, or read whole already.
ClassFiles labelled_class_files(const LabelledInput& in);

}  // namespace tessar
