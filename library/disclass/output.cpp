// Outputs of the descriptor method: the report "LesDDs.txt" and the ARFF files, whose
// attributes are the descriptor texts, newest first.
#include <algorithm>
#include <cerrno>

#include "context/presence.h"
#include "disclass/disclass.h"

namespace tessar {

void write_report_header(std::FILE* out, float alpha, float beta, unsigned filter_from_length) {
    std::fprintf(out, "ALPHA = %f \n", static_cast<double>(alpha) * 100);
    std::fprintf(out, "BETA = %f \n", static_cast<double>(beta) * 100);
    std::fprintf(out, "La valeur du debut du filtrage = %d\n\n", static_cast<int>(filter_from_length));
}

void write_report_file(const std::string& path, const char* name, const std::function<void(std::FILE*)>& write) {
    File out = create_output(path);
    if (!out) fatal_file(format("\tErr: cannot create %s\n", name), "create", path, errno);
    write(out.get());
    close_output(out, path);
}

void write_disclass_report(const DescriptorData& data, float alpha, float beta, const std::string& path) {
    write_report_file(path, "LesDDs.txt", [&](std::FILE* out) {
        write_report_header(out, alpha, beta, data.filter_from_length);
        std::fputs("\n", out);
        for (const MinedDescriptor& dd : data.descriptors) {
            std::fprintf(out, "\n>>%s        ", descriptor_text(data, dd).c_str());
            for (int f : dd.families) std::fprintf(out, "\tFamily # %d", f);
        }
    });
}

std::string descriptor_class(const DescriptorData& data, const MinedDescriptor& descriptor) {
    if (descriptor.families.empty()) return "";
    const size_t f = static_cast<size_t>(descriptor.families.front());
    return f >= 1 && f <= data.classes.names.size() ? data.classes.names[f - 1] : "";
}

std::vector<std::string> descriptor_texts(const DescriptorData& data) {
    std::vector<std::string> texts;
    texts.reserve(data.descriptors.size());
    for (const MinedDescriptor& dd : data.descriptors) texts.push_back(descriptor_text(data, dd));
    return texts;
}

ContextRequest descriptor_request(const std::vector<std::string>& attributes, const DescriptorData& data,
                                  const DescriptorQuestions& q, const Limits& limits) {
    ContextRequest request{attributes};
    request.training.count = data.n_placed;
    request.training.ids = &data.file_ids;
    request.test.ids = &q.test.ids;
    if (q.test.class_file)
        request.test.count = limits.every_test_row ? q.test.sequences.size()
                                                   : std::min<size_t>(data.n_placed, q.test.sequences.size());
    ClassFiles& classes = request.classes;
    classes.training_read = &data.classes;
    classes.test = q.test.class_file.get();
    classes.test_read = q.test.classes ? &*q.test.classes : nullptr;
    classes.test_unchecked = true;
    classes.n_listed = data.n_families;
    classes.training_name = q.class_name;
    classes.test_name = q.test.class_name;
    classes.training_sequences = data.file_sequences.size();
    classes.test_sequences = q.test.sequences.size();
    request.txt_and_dat = false;
    return request;
}

ContextSummary write_disclass_context_files(Dialogue& io, const DescriptorData& data, const DescriptorQuestions& q) {
    const std::vector<std::string> texts = descriptor_texts(data);
    ContextRequest request = descriptor_request(texts, data, q, io.limits());

    // training rows: the descriptors with an active occurrence in each sequence of the family file
    std::vector<std::vector<std::uint32_t>> active(data.n_placed);
    for (size_t j = 0; j < data.descriptors.size(); ++j)
        for (const SequenceCount& c : data.descriptors[j].occurrences)
            if (c.sequence >= 1 && static_cast<size_t>(c.sequence) <= active.size())
                active[c.sequence - 1].push_back(static_cast<std::uint32_t>(j));
    request.training.fill = [&active](size_t i, const std::string&, std::vector<std::uint32_t>& ones) {
        ones = active[i];
    };

    // test rows: the descriptors whose text occurs in the test sequence (indexed only for them)
    const PresenceIndex index = request.test.count ? index_texts(texts) : PresenceIndex{};
    request.test.make_fill = [&index, &q]() -> RowFill {
        return [&index, &q, scratch = PresenceScratch()](size_t i, const std::string&,
                                                         std::vector<std::uint32_t>& ones) mutable {
            fill_presence(index, q.test.sequences[i], scratch, ones);
        };
    };
    return write_context_files(io, request);
}

}  // namespace tessar
