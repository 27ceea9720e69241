// The sequence file reader: one algorithm for every method, with the messages of each caller.
//
// A sequence begins at a header line (first character '>'); the lines up to the next header
// hold its residues. Blanks, tabs and '*' are skipped, lower case is folded to upper case, any
// other character that is not a letter A-Z is fatal (the menu's "Err input"; the detail names
// the file, the line, the column and the character). Lines before the first header are skipped
// (and counted, so that the user can be told); a header followed by a header (or by the end)
// gives an empty sequence, which is kept.
//
// The input is read once, so a pipe works as well as a file. With a limit on the number of
// sequences the whole input is taken in first and its headers counted, so that too many
// sequences is fatal before any sequence is stored; without one, sequences are handed on as
// they are read and nothing else is kept.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// Which reader runs: they differ only in their messages.
enum class SequenceReader {
    Discover,     // training file of the motif method: the overlong message names the sequence
    NGrams,       // training file of the N-gram method
    Test,         // test file of every method that takes one
    Descriptors,  // training file of the two descriptor methods
    Binary,       // training file of the binary coder: messages without the leading tab
};

// What a reading found besides the sequences.
struct SequenceFileStats {
    int n_sequences = 0;
    int n_skipped_lines = 0;          // lines before the first header
    bool skipped_residues = false;    // one of them held a letter
    std::array<long long, 26> letter_counts{};  // residues of the sequences, by letter A to Z
    SequenceReader reader = SequenceReader::Test;  // the reader that read the file
    // length_counts[n]: how many sequences hold n residues (up to the longest length)
    std::vector<std::uint64_t> length_counts = {};
};

// Reads and validates every sequence of `in`, handing each to `store` in file order as soon as
// it is complete. More than limits.max_sequences headers, or a sequence of more than
// limits.max_residues residues, is fatal. Throws FatalError on bad input; `name` is the file's
// name in its detail.
SequenceFileStats read_sequence_file(std::FILE* in, const std::string& name, SequenceReader reader,
                                     const Limits& limits, const std::function<void(std::string&)>& store);

// The same, handing each sequence with its id (sequence_id of its header line).
using StoreNamedSequence = std::function<void(const std::string& id, std::string& residues)>;
SequenceFileStats read_named_sequence_file(std::FILE* in, const std::string& name, SequenceReader reader,
                                           const Limits& limits, const StoreNamedSequence& store);

// The same, keeping the sequences, and their ids in `ids` when given.
std::vector<std::string> read_sequences(std::FILE* in, const std::string& name, SequenceReader reader,
                                        const Limits& limits, SequenceFileStats* stats = nullptr,
                                        std::vector<std::string>* ids = nullptr);

// The id that names a sequence in the tables: its header line's text after '>' up to the first
// blank or tab ("" when there is none).
std::string sequence_id(std::string_view header);

// What stands after "Err input: <file> " for a character `c` that is no residue letter at
// `line` and `column` (from 1): "line 2 column 4: '-' is not a residue letter (gaps of aligned
// sequences must be removed)", the character shown printably, with a hint fitting it.
std::string bad_residue_detail(long long line, long long column, unsigned char c);

// The residues of the file that are none of the 20 amino acids (B, J, O, U, X, Z).
long long uncommon_residues(const SequenceFileStats& stats);
// The share of the file's residues that are A, C, G, T, U or N, from 0 to 1 (0 without residues).
double nucleotide_share(const SequenceFileStats& stats);

// The reader's rule for the residues of one line: blanks, tabs and '*' skipped, lower case folded
// to upper case, each letter appended to `residues`. Returns the position in `line` of the first
// character that is none of these (residues up to it appended), or std::string::npos.
size_t append_residues(std::string_view line, std::string& residues);

// A file holding no sequence is fatal when the front end's limits say so (batch use).
void require_sequences(Dialogue& io, const SequenceFileStats& stats, const std::string& name);

// Tells the user what the reading of the file `name` skipped or did not find: a warning for the
// lines holding residues before the first header, and for a file with no sequence at all
// (unless require_sequences finds that fatal). Printed right after the method's "sequences
// found" line. Then note_residues.
void report_sequence_file(Dialogue& io, const SequenceFileStats& stats, const std::string& name);

// Notes, once per file, for the front ends that take notes (the menu says nothing): the residues
// that are none of the 20 amino acids, with their letters, and a warning when more than 90 % of
// the residues are A, C, G, T, U or N (the file looks like nucleotides).
void note_residues(Dialogue& io, const SequenceFileStats& stats, const std::string& name);

}  // namespace tessar
