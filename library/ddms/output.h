// The outputs of the method: the report "LesDDSMs.txt" and the ARFF context files.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ddms/grouping.h"
#include "disclass/disclass.h"

// Writes the report (thresholds, filtering length, then every descriptor of the table with its
// number, text, PM and class) to `out`.
void write_ddms_report(std::FILE* out, const DescriptorTable& table, float ALPHA, float BETA,
                       unsigned FilterAt);

// Creates "LesDDSMs.txt" in the working folder and writes the report into it; fatal when the
// file cannot be created.
void GenerateResultFile2(const DescriptorTable& table, float ALPHA, float BETA, unsigned FilterAt);

// Where the ARFF files go and what they read. `test_arff` is null without a test file; both
// classification files are read again from their start.
struct ArffTargets {
    std::FILE* arff = nullptr;
    std::FILE* class_file = nullptr;
    std::FILE* test_arff = nullptr;
    std::FILE* test_class_file = nullptr;
    const std::vector<std::string>* test_sequences = nullptr;
};

// The value of one descriptor for one sequence: 1 when its text occurs in the sequence, or when
// the sequence belongs to the descriptor's class and holds a window similar to it.
bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class);

// Computes the values of every descriptor of a table for one sequence at a time, with the
// answers of descriptor_value: exact occurrences are looked up window by window in a table of
// the texts of each length (or searched for, for the lengths with few descriptors), and the
// similar windows are tried only where the letter masks allow them.
struct RowEncoder {
    const DescriptorTable* table = nullptr;
    const SimilarityRule* rule = nullptr;
    std::vector<std::pair<size_t, std::unordered_map<std::string_view, std::vector<int>>>> by_length;
    std::vector<int> searched;  // descriptors whose length has too few texts for a table
    SequenceMasks masks;
};
RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule);
// values[j] = 1 or 0 for descriptor j.
void encode_row(RowEncoder& encoder, const std::string& sequence, const std::string& sequence_class,
                std::vector<char>& values);

// Writes the training ARFF file (one row per sequence of the family file, training sequence i
// being P[i-1]) and, with a test file, the test ARFF file (rows for the first
// min(NbChaines, number of test sequences) test sequences).
void GenerateARFFFile2(const DescriptorTable& table, const DescriptorData& data,
                       const SimilarityRule& rule, const ArffTargets& targets);
