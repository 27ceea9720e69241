// The outputs of the method: the report "LesDDSMs.txt" and the ARFF context files.
#pragma once

#include <cstdio>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "context/presence.h"
#include "ddms/grouping.h"
#include "ddms/window_search.h"
#include "disclass/disclass.h"

namespace tessar {

// Writes the report (the header of both descriptor reports, then every descriptor of the table
// with its number, text, PM and class) to `out`.
void write_ddms_report(std::FILE* out, const DescriptorTable& table, float alpha, float beta,
                       unsigned filter_from_length);

// GenerateResultFile2: creates the report "LesDDSMs.txt" at `path` and writes it; fatal when the
// file cannot be created.
void write_ddms_report_file(const DescriptorTable& table, float alpha, float beta, unsigned filter_from_length,
                            const std::string& path = "LesDDSMs.txt");

// The value of one descriptor for one sequence: 1 when its text occurs in the sequence, or when
// the sequence belongs to the descriptor's class and holds a window similar to it.
bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class);

// The values of every descriptor of a table for one sequence at a time, with the answers of
// descriptor_value: exact occurrences from the presence index, then, for the sequence's own
// class, the descriptors similar to some window of the sequence, found for all the windows at
// once in a trie of that class's descriptors of each length. The encoder only reads once made, so
// rows may be encoded on several threads at once, each with its own scratch.
struct RowEncoder {
    // the descriptors of one class and one length: the trie's item i is table entry members[i]
    struct Group {
        SimilarityIndex index;
        std::vector<std::uint32_t> members;
    };
    struct ClassGroups {
        std::string name;
        std::vector<Group> by_length;  // by increasing length
    };
    const DescriptorTable* table = nullptr;
    std::unique_ptr<SimilaritySearch> search;  // the descriptors as references; the tries hold its address
    PresenceIndex index;
    std::vector<ClassGroups> classes;  // in order of first appearance in the table
};
RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule);

// Working storage of encode_row, reused from row to row.
struct RowScratch {
    PresenceScratch presence;  // for fill_presence alone (rows without a class)
    SequenceFacing facing;
    WindowScratch windows;
    std::vector<std::uint32_t> found;
    std::vector<std::uint64_t> present;  // bit j for table entry j; all 0 between rows
};

// The descriptors whose value is 1, ascending, into `ones`. Without a class (null) the row
// carries no label: a descriptor of any class is 1 when its text occurs in the sequence or a
// window of the sequence is similar to it.
void encode_row(const RowEncoder& encoder, RowScratch& scratch, std::string_view sequence,
                const std::string* sequence_class, std::vector<std::uint32_t>& ones);

// GenerateARFFFile2: asks for the ARFF names and writes the ARFF files: one training row per
// sequence of the family file (training sequence i being file_sequences[i-1]) and, with a test
// file, a test row for each of the first min(n_placed, number of test sequences) test sequences.
ContextSummary write_ddms_context_files(Dialogue& io, const DescriptorTable& table, const DescriptorData& data,
                                        const SimilarityRule& rule, const DescriptorQuestions& q);

}  // namespace tessar
