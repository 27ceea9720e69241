#include "ddms/output.h"

#include <algorithm>
#include <map>
#include <memory>

namespace tessar {

void write_ddms_report(std::FILE* out, const DescriptorTable& table, float alpha, float beta,
                       unsigned filter_from_length) {
    write_report_header(out, alpha, beta, filter_from_length);
    // "possibilité" with its é as the single Latin-1 byte E9
    std::fputs("Liste des attributs| possibilit\xE9 de mutation| classe\n\n", out);
    for (size_t i = 0; i < table.size(); ++i)
        std::fprintf(out, "\n>>%i-%s| PM= %f| Class= %s", static_cast<int>(i + 1),
                     table[i].text.c_str(), static_cast<double>(table[i].pm),
                     table[i].class_name.c_str());
}

void write_ddms_report_file(const DescriptorTable& table, float alpha, float beta, unsigned filter_from_length,
                            const std::string& path) {
    write_report_file(path, "LesDDSMs.txt",
                      [&](std::FILE* out) { write_ddms_report(out, table, alpha, beta, filter_from_length); });
}

bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class) {
    if (sequence.find(text) != std::string::npos) return true;
    return sequence_class == text_class && has_similar_window(rule, sequence, text);
}

RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule) {
    RowEncoder encoder;
    encoder.table = &table;
    encoder.search = std::make_unique<SimilaritySearch>(make_similarity_search(rule, TrieRole::References));
    std::vector<std::string> texts;
    for (const DdmsDescriptor& d : table.entries) texts.push_back(d.text);
    encoder.index = index_texts(std::move(texts));

    // the entries of each class, then of each length within it, in table order
    std::map<std::string, std::map<size_t, std::vector<std::uint32_t>>> members;
    for (size_t j = 0; j < table.size(); ++j) {
        const DdmsDescriptor& d = table[j];
        auto [at, added] = members.try_emplace(d.class_name);
        if (added) encoder.classes.push_back({d.class_name, {}});
        at->second[d.text.size()].push_back(static_cast<std::uint32_t>(j));
    }
    for (RowEncoder::ClassGroups& c : encoder.classes)
        for (auto& [length, entries] : members[c.name]) {
            std::vector<std::string_view> views;
            for (std::uint32_t j : entries) views.push_back(table[j].text);
            c.by_length.push_back({index_similar(std::move(views), length, *encoder.search), std::move(entries)});
        }
    return encoder;
}

void encode_row(const RowEncoder& encoder, RowScratch& scratch, std::string_view sequence,
                const std::string* sequence_class, std::vector<std::uint32_t>& ones) {
    // the entries with value 1 as a set of bits, read out in order at the end: no sort, and an
    // entry found twice counts once
    std::vector<std::uint64_t>& present = scratch.present;
    present.resize(encoder.table->size() / 64 + 1, 0);
    auto add = [&present](std::uint32_t j) { present[j / 64] |= std::uint64_t{1} << (j % 64); };

    // exact occurrences
    for_each_occurrence(encoder.index, sequence, [&add](std::uint32_t j, size_t) { add(j); });

    // similar windows, for the descriptors of the sequence's own class only (of every class
    // without one)
    for (const RowEncoder::ClassGroups& c : encoder.classes) {
        if (sequence_class && c.name != *sequence_class) continue;
        size_t longest = 0;  // of the texts searched (groups by increasing length)
        for (const RowEncoder::Group& g : c.by_length)
            if (g.index.length <= sequence.size()) longest = g.index.length;
        face_sequence(*encoder.search, sequence, longest, scratch.facing);
        for (const RowEncoder::Group& g : c.by_length) {
            if (g.index.length > sequence.size()) break;
            scratch.found.clear();
            find_similar_windows(g.index, scratch.facing, scratch.windows, scratch.found);
            for (std::uint32_t item : scratch.found) add(g.members[item]);
        }
    }

    // ascending, the set left empty for the next row
    ones.clear();
    for (size_t w = 0; w < present.size(); ++w) {
        for (std::uint64_t m = present[w]; m; m &= m - 1)
            ones.push_back(static_cast<std::uint32_t>(w * 64 + static_cast<size_t>(__builtin_ctzll(m))));
        present[w] = 0;
    }
}

ContextSummary write_ddms_context_files(Dialogue& io, const DescriptorTable& table, const DescriptorData& data,
                                        const SimilarityRule& rule, const DescriptorQuestions& q) {
    std::vector<std::string> texts;
    texts.reserve(table.size());
    for (const DdmsDescriptor& d : table.entries) texts.push_back(d.text);
    ContextRequest request = descriptor_request(texts, data, q, io.limits());

    const RowEncoder encoder = make_row_encoder(table, rule);
    const bool label_free = io.limits().label_free_rows;
    // training row i is sequence file_sequences[i] with the i-th label of the classification file
    request.training.make_fill = [&data, &encoder, label_free]() -> RowFill {
        return [&data, &encoder, label_free, scratch = RowScratch()](size_t i, const std::string& label,
                                                                     std::vector<std::uint32_t>& ones) mutable {
            const std::vector<std::string>& sequences = data.file_sequences;
            encode_row(encoder, scratch, i < sequences.size() ? std::string_view(sequences[i]) : std::string_view(),
                       label_free ? nullptr : &label, ones);
        };
    };
    request.test.make_fill = [&q, &encoder, label_free]() -> RowFill {
        return [&q, &encoder, label_free, scratch = RowScratch()](size_t i, const std::string& label,
                                                                  std::vector<std::uint32_t>& ones) mutable {
            encode_row(encoder, scratch, q.test.sequences[i], label_free ? nullptr : &label, ones);
        };
    };
    ContextSummary summary = write_context_files(io, request);
    if (!label_free && !summary.test_table.empty()) io.warn(labelled_rows_warning(io, summary.test_table));
    return summary;
}

}  // namespace tessar
