#pragma once

#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// The questions of the coder: the sequence file and the output file.
extern const Question kBinarySequenceFile;
extern const Question kBinaryOutput;

// The code, on the command line (the menu's key gives it there): aldane, brevik, corvel, dunmore.
extern const Question kBinaryCode;

// What a run did: a new sequence is encoded with the scheme alone.
struct BincodRun {
    int scheme = 0;
    int n_sequences = 0;
    int n_unknown = 0;  // residues outside the 20 amino acids, coded as zeros
};

// Runs the binary coder with scheme 1 to 4: dialogue, encoding written as the file is read,
// closing key press.
BincodRun run_bincod(Dialogue& io, int scheme);

// Index 0 to 19 of an amino-acid letter in the coder's own order G P C A N Q E D S T I V L M F Y
// W H K R; -1 for any other character.
int index_AA(char residue);

// One output line: the codes of the residues under `scheme` (1 to 4), then "/\n". A residue
// outside the 20 amino acids is written as zeros of the scheme's width and counted in `n_unknown`.
std::string encode_binary(const std::string& residues, int scheme, int& n_unknown);

}  // namespace tessar
