// Discriminative descriptors merged by a substitution matrix.
#pragma once

#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// Every question of the method, in dialogue order: those of the descriptor method, then the
// matrix (1 to 6, or its name on the command line) and the similarity threshold.
const std::vector<const Question*>& ddms_questions();

// Runs the whole method: dialogue, family file, mining, grouping, report, ARFF files.
void run_ddms(Dialogue& io);

}  // namespace tessar
