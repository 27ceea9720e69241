// Discriminative descriptors: the dialogue the two descriptor methods share, the family file,
// the mining tables and the mining itself.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "context/context.h"
#include "dialogue.h"
#include "inputs/classfile.h"

// Runs the whole descriptor method: dialogue, family file, mining, report, ARFF files.
void run_disclass();

// The answers to the questions that both descriptor methods ask, in their order: the sequence
// file, the classification file, the optional test file with its classification file, ALPHA
// and BETA. The test sequences are read when the test file is named.
struct DescriptorQuestions {
    std::string sequence_name;    // as typed, or the default
    std::string class_name;
    std::string test_name;        // empty: no test file
    std::string test_class_name;
    File sequence_file;
    File class_file;
    std::vector<std::string> test_sequences;
    float ALPHA = 0;
    float BETA = 0;
    File test_class_file;         // open exactly when a test file was named
};
DescriptorQuestions ask_descriptor_questions();

// One family of the family file ("/" line), numbered from 1.
struct FamilyRec {
    int number = 0;
    int seqCount = 0;
    int ddCount = 0;   // descriptors whose best family this is
    int end = 0;       // position in T of the family's last residue (0 for the last family)
    std::vector<int> sequences;  // sequence numbers (from 1, over the whole family file)
};

// One sequence of the family file, numbered from 1 over the whole file.
struct SeqRec {
    int number = 0;
    int family = 0;    // number of its family
    int length = 0;
    int start = 0;     // position in T of its first residue
    int ddCount = 0;   // descriptors found in it (counted for the families of their tie set)
};

// One accepted descriptor.
// Active occurrences of a descriptor in one sequence (numbered from 1).
struct SequenceCount {
    int sequence = 0;
    int count = 0;
};

struct DDRec {
    int number = 0;              // 1.. in order of acceptance
    unsigned pos = 0;            // position in T of its first active occurrence
    std::vector<int> families;   // its tie set, ascending
    int length = 0;
    int famHits = 0;
    int famSize = 0;
    // The sequences holding active occurrences, ascending; the others hold none. Kept sparse:
    // with low thresholds there are tens of thousands of descriptors and few hits each.
    std::vector<SequenceCount> occ;
};

// Everything the input preparation and the mining produce.
struct DescriptorData {
    std::vector<std::string> P;            // the sequences of the sequence file, in file order
    std::vector<std::string> class_names;  // class names of the classification file, file order
    std::string T;                         // the family-file sequences end to end
    std::vector<int> Drapeau;              // Drapeau[k]: position in T of the last residue of sequence k
    std::vector<FamilyRec> families;       // in family order
    unsigned NbFamilles = 0;
    unsigned NbChaines = 0;
    unsigned Longueur = 0;
    unsigned FilterAt = 3;
    std::vector<DDRec> AllDDs;             // newest first
    unsigned NbMot = 0;

    std::vector<SeqRec> sequences;         // sequences[k - 1] is sequence k of the family file
    // State of the mining when it ended: V[x] > 0 active with that label, < 0 retired (the
    // negated label it had), 0 eliminated; LongMot the last length filtered; NbrClasses the
    // labels left at that length.
    std::vector<int> V;
    unsigned LongMot = 1;
    unsigned NbrClasses = 0;
};

// The name of the family file, in the working folder.
extern const char* const kFamilyFileName;  // "SeqFile.seq"

// The input preparation of both descriptor methods: FormatFile, FillTable, then the
// classification file rewound for the ARFF writers.
DescriptorData prepare_descriptor_tables(DescriptorQuestions& q);

// Reads the sequence file and the classification file and writes the family file
// "SeqFile.seq" (the sequences regrouped by class); leaves `classes` after its last label read.
void FormatFile(std::FILE* in, ClassFile& classes, DescriptorData& data);

// Reads "SeqFile.seq" back into T, Drapeau and the family records.
void FillTable(DescriptorData& data);

// Mines the descriptors under ALPHA and BETA into AllDDs and NbMot.
void Discriminate(DescriptorData& data, float ALPHA, float BETA);

// The text of a descriptor: its length characters of T from its pos.
std::string descriptor_text(const DescriptorData& data, const DDRec& dd);

// Writes the report "LesDDs.txt"; fatal when it cannot be created.
void GenerateResultFile(const DescriptorData& data, float ALPHA, float BETA);

// Writes the training ARFF file (and the test ARFF file when `test_arff` is set) from the
// mining results. Both classification files are read again from their start; the test side
// takes `test_sequences` and `test_class_file`.
void GenerateARFFFile(const DescriptorData& data, std::FILE* arff, std::FILE* class_file,
                      std::FILE* test_arff, std::FILE* test_class_file,
                      const std::vector<std::string>& test_sequences);
