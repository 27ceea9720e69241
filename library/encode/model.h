// Model files: what a method learned from its training file that the encoding of a new sequence
// needs (methods/method.h has the Model record), saved as a small text file (`--save-model`) and
// read back by `tessar encode`.
//
// Text layout, version 1 (doc/model-format.md has the reference): one item per line, each line
// a keyword, one blank and its value; lines end with LF. In this order:
//
//   tessar-model 1              the format and its version
//   method NAME                 a method of the table that saves models
//   <parameters>                the method's model parameters, "key value" each, in its order
//   classes K | classes none    the classes of the class attribute (none: no class attribute)
//   class NAME                  K lines, in the order the class attribute lists them
//   features F
//   feature ...                 F lines, in attribute order, as the method writes them
//   end
//
// A NAME is the rest of the line after the blank, escaped (escape_model_text), so that a name
// never holds a line end and may hold blanks, commas, quotes or nothing at all.
#pragma once

#include <cstdio>
#include <string>

#include "dialogue/dialogue.h"
#include "methods/method.h"

namespace tessar {

// The model file's text.
std::string model_text(const Model& model);

// Reads a model file; `name` names it in the messages. A file that is not a model of this
// version, or any line that does not parse, is fatal: "Err: NAME line K: what is wrong".
Model read_model(std::FILE* in, const std::string& name);

// The question of the methods' command line that saves the model.
extern const Question kSaveModel;  // "--save-model"

// Creates the model file answered to kSaveModel among the outputs and writes `model` to it.
void save_model(Dialogue& io, const Model& model);

}  // namespace tessar
