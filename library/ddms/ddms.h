#pragma once

// Runs the whole method: dialogue, mining, grouping by the chosen substitution matrix, report,
// ARFF files, closing key press.
void run_ddms();
