#include "ddms/output.h"

#include <memory>

namespace tessar {

void write_ddms_report(std::FILE* out, const DescriptorTable& table, float ALPHA, float BETA,
                       unsigned FilterAt) {
    // The threshold is the single-precision value times 100, the product taken in double
    // precision (0.7 shows as 69.999999).
    std::fprintf(out, "ALPHA = %f \n", static_cast<double>(ALPHA) * 100);
    std::fprintf(out, "BETA = %f \n", static_cast<double>(BETA) * 100);
    std::fprintf(out, "La valeur du debut du filtrage = %d\n\n", static_cast<int>(FilterAt));
    // "possibilité" with its é as the single Latin-1 byte E9
    std::fputs("Liste des attributs| possibilit\xE9 de mutation| classe\n\n", out);
    for (size_t i = 0; i < table.size(); ++i)
        std::fprintf(out, "\n>>%i-%s| PM= %f| Class= %s", static_cast<int>(i + 1),
                     table[i].text.c_str(), static_cast<double>(table[i].pm),
                     table[i].class_name.c_str());
}

void GenerateResultFile2(const DescriptorTable& table, float ALPHA, float BETA, unsigned FilterAt,
                         const std::string& path) {
    File out = create_output(path);
    if (!out) fatal("\tErr: cannot create LesDDSMs.txt\n");
    write_ddms_report(out.get(), table, ALPHA, BETA, FilterAt);
    // a write that failed on the way (a full disk) must not pass for a complete report
    close_output(out, path);
}

bool descriptor_value(const SimilarityRule& rule, const std::string& sequence,
                      const std::string& sequence_class, const std::string& text,
                      const std::string& text_class) {
    if (sequence.find(text) != std::string::npos) return true;
    return sequence_class == text_class && ExistMotif(rule, sequence, text) == 1;
}

RowEncoder make_row_encoder(const DescriptorTable& table, const SimilarityRule& rule) {
    RowEncoder encoder;
    encoder.table = &table;
    encoder.rule = &rule;
    std::vector<std::string> texts;
    std::string letters;
    for (const MSDescriptor& d : table.entries) {
        texts.push_back(d.text);
        letters += d.text;
    }
    encoder.index = index_texts(std::move(texts));
    encoder.masks = make_masks(letters);
    return encoder;
}

void encode_row(RowEncoder& encoder, const std::string& sequence, const std::string& sequence_class,
                std::vector<std::uint32_t>& ones) {
    const DescriptorTable& table = *encoder.table;
    // exact occurrences
    fill_presence(encoder.index, sequence, encoder.scratch, ones);
    std::vector<char>& present = encoder.present;
    present.assign(table.size(), 0);
    for (std::uint32_t j : ones) present[j] = 1;
    // similar windows, in sequences of the descriptor's own class only
    bool masks_filled = false;
    for (size_t j = 0; j < table.size(); ++j) {
        if (present[j] || table[j].class_name != sequence_class) continue;
        if (!masks_filled) {
            fill_masks(*encoder.rule, sequence, encoder.masks);
            masks_filled = true;
        }
        present[j] = static_cast<char>(exist_motif_masked(*encoder.rule, encoder.masks, sequence, table[j].text));
    }
    ones.clear();
    for (size_t j = 0; j < table.size(); ++j)
        if (present[j]) ones.push_back(static_cast<std::uint32_t>(j));
}

ContextSummary GenerateARFFFile2(Dialogue& io, const DescriptorTable& table, const DescriptorData& data,
                       const SimilarityRule& rule, const DescriptorQuestions& q) {
    std::vector<std::string> texts;
    texts.reserve(table.size());
    for (const MSDescriptor& d : table.entries) texts.push_back(d.text);
    ContextRequest request = descriptor_request(texts, data, q);

    auto encoder = std::make_shared<RowEncoder>(make_row_encoder(table, rule));
    // training row i is sequence P[i] with the i-th label of the classification file
    request.training.fill = [&data, encoder](size_t i, const std::string& label,
                                             std::vector<std::uint32_t>& ones) {
        static const std::string kNoSequence;
        encode_row(*encoder, i < data.P.size() ? data.P[i] : kNoSequence, label, ones);
    };
    request.test.fill = [&q, encoder](size_t i, const std::string& label, std::vector<std::uint32_t>& ones) {
        encode_row(*encoder, q.test.sequences[i], label, ones);
    };
    return write_context_files(io, request);
}

}  // namespace tessar
