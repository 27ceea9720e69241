// Discriminative descriptors merged by a substitution matrix.
#pragma once

#include <vector>

#include "context/context.h"
#include "ddms/grouping.h"
#include "dialogue/dialogue.h"

namespace tessar {

// The method's own questions: the substitution matrix (1 to 6, or its name on the command line)
// and the similarity threshold.
extern const Question kMatrixNumber;
extern const Question kThreshold;

// Every question of the method, in dialogue order: those of the descriptor method, then the
// matrix (1 to 6, or its name on the command line) and the similarity threshold.
const std::vector<const Question*>& ddms_questions();

// What a run computed. A new sequence of class c is encoded with the descriptors, the matrix
// and the threshold: feature j is 1 when descriptors[j].text occurs in it, or when
// descriptors[j].class_name is c and the sequence holds a window similar to the text under
// the matrix and the threshold (descriptor_value in ddms/output.h).
struct DdmsRun {
    float alpha = 0;
    float beta = 0;
    int matrix = 0;         // 1 to 6 (substitution_matrix)
    float threshold = 0;
    DescriptorTable descriptors;  // the features, in attribute order, each with its class
    size_t n_sequences = 0;  // of the sequence file
    size_t n_placed = 0;     // of those, the ones the family file holds (the training rows)
    ContextSummary tables;
};

// Runs the whole method: dialogue, family file, mining, grouping, report, ARFF files.
DdmsRun run_ddms(Dialogue& io);

}  // namespace tessar
