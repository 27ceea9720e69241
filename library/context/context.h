// The context writer shared by the motif and N-gram methods: asks for the output names, then
// writes the ARFF, test ARFF, TXT and DAT context files from a list of attribute texts.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dialogue.h"

// The two questions for the ARFF files (the test one only with a test file); each file is
// created when its name is accepted, and the question repeats until it can be.
struct ArffOutputs {
    File arff, test;
    std::string arff_name, test_name;
};
// `blank_lines_first`: the N-gram method's two line ends before the first question.
ArffOutputs ask_arff_outputs(bool with_test, bool blank_lines_first = false);

// Whether attribute `j` is present in `sequence`.
using Presence = std::function<bool(size_t j, const std::string& sequence)>;

struct ContextRequest {
    std::vector<std::string> attributes;               // attribute texts, in the method's order
    Presence present;                                  // empty: the text occurs as a substring
    const std::vector<std::string>* training = nullptr;
    const std::vector<std::string>* test = nullptr;    // null: no test file
    std::FILE* class_file = nullptr;                   // null: no classification file
    std::FILE* test_class_file = nullptr;              // set exactly when there is a test file
    bool blank_lines_before_first_prompt = false;      // the N-gram method's "\n\n" before its first question
};

// Asks for the output file names and writes the context files (throws FatalError on a bad
// classification file, after keeping what was written).
void write_context_files(const ContextRequest& request);
