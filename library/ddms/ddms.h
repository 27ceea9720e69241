// Discriminative descriptors merged by a substitution matrix.
#pragma once

#include <vector>

#include "context/context.h"
#include "ddms/grouping.h"
#include "disclass/disclass.h"
#include "dialogue/dialogue.h"

namespace tessar {

// The name of the method's report: the merged descriptors, with their classes.
extern const char* const kDdmsReportName;  // "LesDDSMs.txt"

// The method's own questions: the substitution matrix (1 to 6, or its name on the command line)
// and the similarity threshold.
extern const Question kMatrixNumber;
extern const Question kThreshold;

// A run's descriptors (DescriptorRun, disclass/disclass.h) each come with a class: a new
// sequence of class c is encoded with the descriptors, the matrix and the threshold: feature j
// is 1 when descriptors[j] occurs in it, or when descriptor_classes[j] is c and the sequence
// holds a window similar to the descriptor under the matrix and the threshold (descriptor_value
// in ddms/output.h).
// Runs the whole method: dialogue, family file, mining, grouping, report, ARFF files.
DescriptorRun run_ddms(Dialogue& io);

}  // namespace tessar
