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
#include "methods/method.h"

namespace tessar {

// The thresholds, asked as one block (asked again whole while either lies outside [0, 1]).
extern const Question kAlpha;
extern const Question kBeta;

// What a run of a descriptor method computed. DisClass encodes a new sequence with the
// descriptors alone: feature j is 1 when descriptors[j] occurs in it. DDMS adds each
// descriptor's class, the matrix and the threshold (ddms/ddms.h).
struct DescriptorRun {
    float alpha = 0;
    float beta = 0;
    std::vector<std::string> descriptors;         // the features, in attribute order
    std::vector<std::string> descriptor_classes;  // DDMS: the class of each descriptor
    int matrix = 0;                               // DDMS: 1 to 6 (substitution_matrix)
    float threshold = 0;                          // DDMS: the similarity threshold
    size_t n_sequences = 0;  // of the sequence file
    size_t n_placed = 0;     // of those, the ones the family file holds (the training rows)
    size_t n_classes_placed = 0;  // the classes of those
    ContextSummary tables;
};

// What a descriptor method's run gives the front ends (methods/method.h): its summary line and
// its model, the descriptors and their classes as the features; `parameters` as the model saves
// them.
MethodRun descriptor_method_run(const Method& method, DescriptorRun run,
                                std::vector<std::pair<std::string, std::string>> parameters = {});

// Runs the whole descriptor method: dialogue, family file, mining, report, ARFF files.
DescriptorRun run_disclass(Dialogue& io);

// The answers to the questions that both descriptor methods ask, in their order: the sequence
// file, the classification file, the optional test file with its classification file, ALPHA
// and BETA. The test sequences are read when the test file is named.
struct DescriptorQuestions {
    std::string sequence_name;    // as typed, or the default
    std::string class_name;
    File sequence_file;
    File class_file;
    TestInput test;
    float alpha = 0;
    float beta = 0;
};
DescriptorQuestions ask_descriptor_questions(Dialogue& io);

// One family of the family file ("/" line), numbered from 1.
struct FamilyRec {
    int number = 0;
    int n_sequences = 0;         // seqCount
    int n_descriptors = 0;       // ddCount: descriptors whose best family this is
    int end = 0;                 // position in the text of its last residue (0 for the last family)
    std::vector<int> sequences;  // sequence numbers (from 1, over the whole family file)
};

// One sequence of the family file, numbered from 1 over the whole file.
struct SeqRec {
    int number = 0;
    int family = 0;         // number of its family
    int length = 0;
    int start = 0;          // position in the text of its first residue
    int n_descriptors = 0;  // ddCount: descriptors found in it (counted for their tie set's families)
};

// Active occurrences of a descriptor in one sequence (numbered from 1).
struct SequenceCount {
    int sequence = 0;
    int count = 0;
};

// One accepted descriptor (DDRec).
struct MinedDescriptor {
    int number = 0;                 // 1.. in order of acceptance
    unsigned first_occurrence = 0;  // pos: position in the text of its first active occurrence
    std::vector<int> families;      // its tie set, ascending; the best family is the last one
    int length = 0;
    int best_family_hits = 0;       // famHits: sequences of the best family holding it
    int best_family_size = 0;       // famSize: sequences of the best family
    // occ: the sequences holding active occurrences, ascending; the others hold none. Kept
    // sparse: with low thresholds there are tens of thousands of descriptors and few hits each.
    std::vector<SequenceCount> occurrences;
};

// Everything the input preparation and the mining produce.
struct DescriptorData {
    std::vector<std::string> file_sequences;  // P: the sequence file's sequences, in file order
    std::vector<std::string> file_ids;        // their ids, in the same order
    // The classification file: its class names, in file order, and its labels (the ARFF rows
    // take them).
    ClassesRead classes;
    std::string text;                         // T: the family-file sequences end to end
    // Drapeau: sequence_ends[k] is the position in the text of the last residue of sequence k
    // (k from 1); sequence_ends[0] is 0
    std::vector<int> sequence_ends;
    std::vector<FamilyRec> families;          // in family order
    unsigned n_families = 0;                  // NbFamilles
    unsigned n_placed = 0;                    // NbChaines: the sequences of the family file
    size_t n_skipped = 0;  // sequences the class walk skipped: their labels leave the class order
    unsigned longest_sequence = 0;            // Longueur: residues of the longest of them
    // FilterAt: from this descriptor length on, the occurrences of an accepted descriptor are
    // eliminated (no longer descriptor grows from them)
    unsigned filter_from_length = 3;
    std::vector<MinedDescriptor> descriptors;  // AllDDs: newest first
    unsigned n_descriptors = 0;                // NbMot

    std::vector<SeqRec> sequences;  // sequences[k - 1] is sequence k of the family file
    // State of the mining when it ended. labels (V): labels[x] > 0 active with that label, < 0
    // retired or dropped (the negated label it had; a label is dropped when no family reaches
    // ALPHA with it), 0 eliminated; mined_length (LongMot) the last length filtered; n_labels
    // (NbrClasses) the labels left at that length.
    std::vector<int> labels;
    unsigned mined_length = 1;
    unsigned n_labels = 0;
};

// The name of the family file, created among the outputs.
extern const char* const kFamilyFileName;  // "SeqFile.seq"
// The name of the method's report: the descriptors found, with their classes.
extern const char* const kDisclassReportName;  // "LesDDs.txt"

// The input preparation of both descriptor methods: write_family_file, then read_family_file. An
// input named like the family file or the method's report (`report_name`) is fatal first. When
// labels must fit (Limits::labels_must_fit), the classification files are read whole and checked
// first, and the sequences grouped by class (with a note when any moved).
DescriptorData prepare_descriptor_tables(Dialogue& io, DescriptorQuestions& q, const char* report_name);

// The input preparation and the mining of both descriptor methods for a training set in memory
// (methods/method.h): the labels checked, the sequences grouped by class and placed as the family
// file places them (the family file held in memory), then mined under the request's ALPHA and
// BETA, which `alpha` and `beta` receive.
DescriptorData learn_descriptors(const LearnRequest& request, float& alpha, float& beta);

// The model a descriptor method learned in memory (Method::learn): `run`'s descriptors (and
// their classes), the classes of the families of `data`.
Model learned_descriptor_model(const Method& method, DescriptorRun run, const DescriptorData& data,
                               const LearnRequest& request,
                               std::vector<std::pair<std::string, std::string>> parameters = {});

// The end of both descriptor methods once their files are written: the warning on the sequences
// the class walk skipped, then the closing line.
void finish_descriptor_method(Dialogue& io, const DescriptorData& data);
// The classes (families) holding at least one sequence of the family file.
size_t classes_placed(const DescriptorData& data);

// The mining of both descriptor methods: mine_descriptors, each length reported to io.progress.
void mine_with_progress(Dialogue& io, DescriptorData& data, float alpha, float beta);

// FormatFile: reads the classification file into data.classes and writes the family file
// `family_path`, the sequences of data.file_sequences regrouped by class (write_families). The
// family file is created before the keyword line of the labels is checked.
void write_family_file(ClassFile& classes, DescriptorData& data, const std::string& family_path = kFamilyFileName);

// Creates the family file (fatal when it cannot be).
File create_family_file(const std::string& family_path);

// The class walk: writes into `family` the sequences of data.file_sequences, class after class
// in the order of data.classes.names, each class taking the sequences from where the last one
// stopped as long as their labels name it (so a sequence whose label leaves that order is
// skipped with all after it); closes it. Fatal when no sequence could be placed.
void write_families(File& family, DescriptorData& data, const std::string& family_path);

// Groups data.file_sequences and their labels (data.classes) by class, stably, in the order of
// the class names, so that the class walk places every sequence whose label is a class name.
// Returns how many sequences moved.
size_t group_by_class(DescriptorData& data);

// FillTable: reads the family file back into the text, the sequence ends and the family records.
void read_family_file(DescriptorData& data, const std::string& family_path = kFamilyFileName);
// The same from an open family file (one held in memory).
void read_families(DescriptorData& data, std::FILE* source);

// Discriminate: mines the descriptors under ALPHA and BETA into `descriptors` and their count.
// `on_length`, when given, hears each descriptor length as its mining ends, with the longest
// length possible.
void mine_descriptors(DescriptorData& data, float alpha, float beta,
                      const std::function<void(unsigned length, unsigned longest)>& on_length = {});

// The class of a descriptor: that of the first family of its tie set ("" when it has none).
std::string descriptor_class(const DescriptorData& data, const MinedDescriptor& descriptor);

// The texts of the mined descriptors, in attribute order.
std::vector<std::string> descriptor_texts(const DescriptorData& data);

// The text of a descriptor: its length characters of the text from its first occurrence.
std::string descriptor_text(const DescriptorData& data, const MinedDescriptor& dd);

// GenerateResultFile: writes the report "LesDDs.txt" at `path`; fatal when it cannot be created.
void write_disclass_report(const DescriptorData& data, float alpha, float beta,
                           const std::string& path = "LesDDs.txt");

// The header both descriptor reports open with: ALPHA and BETA (the single-precision values times
// 100, the product taken in double precision, so 0.7 shows as 69.999999) and the filtering length,
// each on a line of its own, then an empty line.
void write_report_header(std::FILE* out, float alpha, float beta, unsigned filter_from_length);

// Creates a descriptor report at `path` (fatal "\tErr: cannot create <name>\n" when it cannot
// be), lets `write` fill it and closes it; a write that failed on the way (a full disk) is fatal
// too, never a short report passed off as complete.
void write_report_file(const std::string& path, const char* name, const std::function<void(std::FILE*)>& write);

// A context request for the ARFF files of a descriptor method: the class attribute listing one
// class per family, a training row per sequence of the family file with the labels data.classes
// holds, and a test row per test sequence (Limits::every_test_row) or for each of the first as
// many test sequences. `attributes` must outlive the request; the rows are the caller's to fill.
ContextRequest descriptor_request(const std::vector<std::string>& attributes, const DescriptorData& data,
                                  const DescriptorQuestions& q, const Limits& limits);

// GenerateARFFFile: asks for the ARFF names and writes the ARFF files of the method: the descriptor
// texts, newest first; a training row holds the descriptors with an active occurrence in its
// sequence, a test row those whose text occurs in its test sequence.
ContextSummary write_disclass_context_files(Dialogue& io, const DescriptorData& data, const DescriptorQuestions& q);

}  // namespace tessar
