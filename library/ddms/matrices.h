// The six amino-acid substitution matrices of the method, rows and columns in the order of
// kResidueOrder.
#pragma once

namespace tessar {

// Residue alphabet: the row and column order of every substitution matrix.
constexpr const char kResidueOrder[] = "ARNDCQEGHILKMFPSTWYV";
constexpr int kResidueCount = 20;

using SubstitutionMatrix = int[kResidueCount][kResidueCount];

// Published integer matrices; row = first residue, column = second residue.
extern const SubstitutionMatrix BLOSUM45;
extern const SubstitutionMatrix BLOSUM62;
extern const SubstitutionMatrix BLOSUM80;
extern const SubstitutionMatrix PAM30;
extern const SubstitutionMatrix PAM70;
extern const SubstitutionMatrix PAM250;

// The table behind a matrix number of the dialogue: 1 BLOSUM45, 2 BLOSUM62, 3 BLOSUM80,
// 4 PAM30, 5 PAM70, 6 PAM250; nullptr for any other number.
const SubstitutionMatrix* substitution_matrix(int number);

// The name of that table ("BLOSUM62"...), or "" for any other number.
const char* substitution_matrix_name(int number);

}  // namespace tessar
