// Shared helpers of the descriptor tests: a private working folder (the family file and the
// reports are written to the working folder), tables from families.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "disclass/disclass.h"
#include "support.h"

using namespace tessar;

using InTempFolder = test_support::InScratchFolder;
using test_support::read_file;
using test_support::text_file;
using test_support::write_file;

// A FASTA text of the given sequences.
inline std::string fasta(const std::vector<std::string>& seqs) {
    std::string text;
    for (size_t i = 0; i < seqs.size(); ++i) text += ">s" + std::to_string(i + 1) + "\n" + seqs[i] + "\n";
    return text;
}

// A classification file with these class names and label lines (the last without a line end).
inline std::string class_text(const std::vector<std::string>& names, const std::vector<std::string>& labels) {
    std::string text = "#classes number\n" + std::to_string(names.size()) + "\n#classes names\n";
    for (const std::string& n : names) text += n + "\n";
    text += "#classes instances";
    for (const std::string& l : labels) text += "\n" + l;
    return text;
}

// write_family_file then read_family_file on inline files (run inside InTempFolder).
inline DescriptorData prepare(const std::string& fasta_text, const std::string& classes_text) {
    DescriptorData data;
    File in = text_file(fasta_text);
    File cls = text_file(classes_text);
    data.file_sequences = read_sequences(in.get(), "sequences", SequenceReader::Descriptors, console_limits());
    ClassFile classes{cls.get(), ""};
    write_family_file(classes, data);
    read_family_file(data);
    return data;
}

// The tables of a family file holding these families (run inside InTempFolder).
inline DescriptorData from_families(const std::vector<std::vector<std::string>>& families) {
    std::string text;
    for (const auto& family : families) {
        text += "/\n";
        for (const std::string& s : family) text += s + "\n";
    }
    write_file(kFamilyFileName, text);
    DescriptorData data;
    for (size_t f = 0; f < families.size(); ++f) {
        std::string name = "c";
        name += std::to_string(f + 1);
        data.classes.names.push_back(name);
    }
    read_family_file(data);
    return data;
}

inline std::vector<std::string> texts(const DescriptorData& data) {
    std::vector<std::string> out;
    for (const MinedDescriptor& dd : data.descriptors) out.push_back(descriptor_text(data, dd));
    return out;
}

// The occurrences as a table indexed by sequence number, entry 0 unused.
inline std::vector<int> dense_occ(const MinedDescriptor& dd, size_t n_sequences) {
    std::vector<int> table(n_sequences + 1, 0);
    for (const SequenceCount& s : dd.occurrences) table.at(s.sequence) = s.count;
    return table;
}

inline const MinedDescriptor* find_dd(const DescriptorData& data, const std::string& text) {
    for (const MinedDescriptor& dd : data.descriptors)
        if (descriptor_text(data, dd) == text) return &dd;
    return nullptr;
}

inline std::string fatal_message(const std::function<void()>& body) {
    try {
        body();
    } catch (const FatalError& e) {
        return e.message;
    }
    return "(no fatal error)";
}
