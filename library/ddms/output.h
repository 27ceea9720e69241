// The outputs of the method: the report "LesDDSMs.txt" and the ARFF context files.
#pragma once

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "context/presence.h"
#include "ddms/grouping.h"
#include "disclass/disclass.h"

namespace tessar {

// Writes the report (thresholds, filtering length, then every descriptor of the table with its
// number, text, PM and class) to `out`.
void write_ddms_report(std::FILE* out, const DescriptorTable& table, float ALPHA, float BETA,
                       unsigned FilterAt);

// Creates the report "LesDDSMs.txt" at `path` and writes it; fatal when the file cannot be
// created.
void GenerateResultFile2(const DescriptorTable& table, float ALPHA, float BETA, unsigned FilterAt,
                         const std::string& path = "LesDDSMs.txt");

// The value of one descriptor for one sequence: 1 when its text occurs in the sequence, or when
// the sequence belongs to the descriptor's class and holds a window similar to it.
bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class);

// The values of every descriptor of a table for one sequence at a time, with the answers of
// descriptor_value: exact occurrences from the presence index, then, for the descriptors of the
// sequence's own class that do not occur, similar windows tried only where the letter masks
// allow them.
struct RowEncoder {
    const DescriptorTable* table = nullptr;
    const SimilarityRule* rule = nullptr;
    PresenceIndex index;
    PresenceScratch scratch;
    SequenceMasks masks;
    std::vector<char> present;
};
RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule);
// The descriptors whose value is 1, ascending, into `ones`.
void encode_row(RowEncoder& encoder, const std::string& sequence, const std::string& sequence_class,
                std::vector<std::uint32_t>& ones);

// Asks for the ARFF names and writes the ARFF files: one training row per sequence of the family
// file (training sequence i being P[i-1]) and, with a test file, a test row for each of the
// first min(NbChaines, number of test sequences) test sequences.
ContextSummary GenerateARFFFile2(Dialogue& io, const DescriptorTable& table, const DescriptorData& data,
                       const SimilarityRule& rule, const DescriptorQuestions& q);

}  // namespace tessar
