// The sequence file reader: one algorithm for every method, with the messages of each caller.
//
// A sequence begins at a header line (first character '>'); the lines up to the next header
// hold its residues. Blanks, tabs and '*' are skipped, lower case is folded to upper case, any
// other character that is not a letter A-Z is fatal. Lines before the first header are ignored;
// a header followed by a header (or by the end) gives an empty sequence, which is kept.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Which reader runs: they differ only in their messages.
enum class SequenceReader {
    Discover,     // training file of the motif method: the overlong message names the sequence
    NGrams,       // training file of the N-gram method
    Test,         // test file of every method that takes one
    Descriptors,  // training file of the two descriptor methods
    Binary,       // training file of the binary coder: messages without the leading tab
};

constexpr int kMaxSequences = 2000;
constexpr int kMaxResidues = 5998;

// Reads and validates every sequence of `in`, handing each to `store` in file order as soon as
// it is complete. Counts the headers first: more than kMaxSequences is fatal before anything is
// stored. Returns the number of sequences. Throws FatalError on bad input.
int read_sequence_file(std::FILE* in, SequenceReader reader,
                       const std::function<void(const std::string&)>& store);

// The same, keeping the sequences.
std::vector<std::string> read_sequences(std::FILE* in, SequenceReader reader);
