// The input-file questions that several methods ask with the same words.
#pragma once

#include <string>
#include <vector>

#include "dialogue.h"

// The sequence-file question (default "Sample.txt"); the two limits are shown as text only.
File ask_sequence_file(int max_sequences_shown, int max_length_shown, std::string& name);

// The optional classification file of the motif and N-gram methods; empty answer: none.
File ask_optional_class_file(short n_sequences, std::string& name);

// The optional test file; when one is named its sequences are read at once into `sequences`,
// and its classification file is asked for, with no way out, into `class_file`.
// Returns whether a test file was given.
bool ask_test_files(std::vector<std::string>& sequences, File& class_file, std::string& name,
                    std::string& class_name);
