// A model: what a method learned from its training file that the encoding of a new sequence
// needs, saved as a small text file (`--save-model`) and read back by `tessar encode`.
//
// Text layout, version 1 (doc/model-format.md has the reference): one item per line, each line
// a keyword, one blank and its value; lines end with LF. In this order:
//
//   tessar-model 1              the format and its version
//   method ngrams               motifs, ngrams, disclass or ddms
//   <parameters>                motifs: "form 1|2", "mutations 0..10"; ngrams: "n N";
//                               disclass: none; ddms: "matrix NAME", "threshold REAL"
//   classes K | classes none    the classes of the class attribute (none: no class attribute)
//   class NAME                  K lines, in the order the class attribute lists them
//   features F
//   feature TEXT                F lines, in attribute order; motifs form 2: "feature X Y";
//                               ddms: "feature TEXT CLASS", CLASS the descriptor's class
//   end
//
// A NAME or CLASS is the rest of the line after the blank, byte for byte, with one escaping
// rule: '\' is written "\\", and every byte below 0x20 and 0x7F is written "\xHH" (two
// lower-case hexadecimal digits), so that a name never holds a line end and may hold blanks,
// commas, quotes or nothing at all. Feature texts are residue letters A to Z.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

struct MotifsRun;
struct NgramsRun;
struct DisclassRun;
struct DdmsRun;

enum class ModelMethod { Motifs, Ngrams, Disclass, Ddms };

// The method's name in a model file and on the command line.
const char* model_method_name(ModelMethod method);

struct Model {
    ModelMethod method = ModelMethod::Ngrams;
    int n = 0;              // ngrams: N
    int form = 1;           // motifs: 1 for *X*, 2 for *X*Y*
    int mutations = 0;      // motifs: edit operations allowed in the search (rows test exact presence)
    int matrix = 0;         // ddms: 1 to 6 (substitution_matrix)
    float threshold = 0;    // ddms: the similarity threshold
    bool with_classes = false;             // the tables have a class attribute
    std::vector<std::string> class_names;  // as the class attribute lists them
    std::vector<std::string> features;     // attribute texts, in order (form 2: "X*Y")
    std::vector<std::pair<std::string, std::string>> pairs;  // motifs form 2: X and Y per feature
    std::vector<std::string> feature_classes;                // ddms: the class of each feature
};

// The model of a run, from its run record.
Model make_model(const MotifsRun& run);
Model make_model(const NgramsRun& run);
Model make_model(const DisclassRun& run);
Model make_model(const DdmsRun& run);

// The model file's text.
std::string model_text(const Model& model);

// Reads a model file; `name` names it in the messages. A file that is not a model of this
// version, or any line that does not parse, is fatal: "Err: NAME line K: what is wrong".
Model read_model(std::FILE* in, const std::string& name);

// The question of the methods' command line that saves the model.
extern const Question kSaveModel;  // "--save-model"

// Creates the model file answered to kSaveModel among the outputs and writes `model` to it.
void save_model(Dialogue& io, const Model& model);

// A text as a model file writes a name, and back (false: a bad escape).
std::string escape_model_text(const std::string& text);
bool unescape_model_text(const std::string& text, std::string& out);

}  // namespace tessar
