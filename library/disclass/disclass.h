#pragma once

// Runs the whole method: dialogue, computation, output files, closing key press.
void run_disclass();
