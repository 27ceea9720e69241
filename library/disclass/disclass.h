// Discriminative descriptors: the dialogue the two descriptor methods share, the family file,
// the mining tables and the mining itself.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "context/context.h"
#include "dialogue/dialogue.h"
#include "inputs/classfile.h"
#include "inputs/questions.h"

namespace tessar {

// The thresholds, asked as one block (asked again whole while either lies outside [0, 1]).
extern const Question kAlpha;
extern const Question kBeta;

// Every question of the method, in dialogue order.
const std::vector<const Question*>& disclass_questions();

// What a run computed. A new sequence is encoded with the descriptors alone: feature j is 1
// when descriptors[j] occurs in it.
struct DisclassRun {
    float ALPHA = 0;
    float BETA = 0;
    std::vector<std::string> descriptors;  // the features, in attribute order (newest first)
    size_t n_sequences = 0;  // of the sequence file
    size_t n_placed = 0;     // of those, the ones the family file holds (the training rows)
    ContextSummary tables;
};

// Runs the whole descriptor method: dialogue, family file, mining, report, ARFF files.
DisclassRun run_disclass(Dialogue& io);

// The answers to the questions that both descriptor methods ask, in their order: the sequence
// file, the classification file, the optional test file with its classification file, ALPHA
// and BETA. The test sequences are read when the test file is named.
struct DescriptorQuestions {
    std::string sequence_name;    // as typed, or the default
    std::string class_name;
    File sequence_file;
    File class_file;
    TestInput test;
    float ALPHA = 0;
    float BETA = 0;
};
DescriptorQuestions ask_descriptor_questions(Dialogue& io);

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
    // State of the mining when it ended: V[x] > 0 active with that label, < 0 retired or dropped
    // (the negated label it had; a label is dropped when no family reaches ALPHA with it), 0
    // eliminated; LongMot the last length filtered; NbrClasses the labels left at that length.
    std::vector<int> V;
    unsigned LongMot = 1;
    unsigned NbrClasses = 0;
};

// The name of the family file, created among the outputs.
extern const char* const kFamilyFileName;  // "SeqFile.seq"

// The input preparation of both descriptor methods: FormatFile, then FillTable. Sequences the
// family file could not take (labels out of the class order) are told in a note. An input
// named like the family file or the method's report (`report_name`) is fatal first.
DescriptorData prepare_descriptor_tables(Dialogue& io, DescriptorQuestions& q, const char* report_name);

// The mining of both descriptor methods: Discriminate, each length reported to io.progress.
void mine_descriptors(Dialogue& io, DescriptorData& data, float ALPHA, float BETA);

// Reads the classification file and writes the family file `family_path`: the sequences of
// data.P regrouped by class. Leaves `classes` after its last label read.
void FormatFile(ClassFile& classes, DescriptorData& data,
                const std::string& family_path = kFamilyFileName);

// Reads the family file back into T, Drapeau and the family records.
void FillTable(DescriptorData& data, const std::string& family_path = kFamilyFileName);

// Mines the descriptors under ALPHA and BETA into AllDDs and NbMot. `on_length`, when given,
// hears each descriptor length as its mining ends, with the longest length possible.
void Discriminate(DescriptorData& data, float ALPHA, float BETA,
                  const std::function<void(unsigned length, unsigned longest)>& on_length = {});

// The descriptor texts of AllDDs, in attribute order.
std::vector<std::string> descriptor_texts(const DescriptorData& data);

// The text of a descriptor: its length characters of T from its pos.
std::string descriptor_text(const DescriptorData& data, const DDRec& dd);

// Writes the report "LesDDs.txt" at `path`; fatal when it cannot be created.
void GenerateResultFile(const DescriptorData& data, float ALPHA, float BETA,
                        const std::string& path = "LesDDs.txt");

// A context request for the ARFF files of a descriptor method: the classification files read
// again from their start, the class attribute listing one class per family, a training row per
// sequence of the family file and a test row for each of the first as many test sequences.
// `attributes` must outlive the request; the rows are the caller's to fill.
ContextRequest descriptor_request(const std::vector<std::string>& attributes,
                                  const DescriptorData& data, const DescriptorQuestions& q);

// Asks for the ARFF names and writes the ARFF files of the method: the descriptor texts, newest
// first; a training row holds the descriptors with an active occurrence in its sequence, a test
// row those whose text occurs in its test sequence.
ContextSummary GenerateARFFFile(Dialogue& io, const DescriptorData& data, const DescriptorQuestions& q);

}  // namespace tessar
