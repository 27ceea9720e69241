// Outputs of the descriptor method: the report "LesDDs.txt" and the ARFF files, whose
// attributes are the descriptor texts, newest first.
#include <algorithm>

#include "context/presence.h"
#include "disclass/disclass.h"

namespace tessar {

void GenerateResultFile(const DescriptorData& data, float ALPHA, float BETA, const std::string& path) {
    File out = create_output(path);
    if (!out) fatal("\tErr: cannot create LesDDs.txt\n");
    // the single-precision thresholds times 100, so 0.7 shows as 69.999999
    std::fprintf(out.get(), "ALPHA = %f \n", static_cast<double>(ALPHA) * 100);
    std::fprintf(out.get(), "BETA = %f \n", static_cast<double>(BETA) * 100);
    std::fprintf(out.get(), "La valeur du debut du filtrage = %d\n\n\n", static_cast<int>(data.FilterAt));
    for (const DDRec& dd : data.AllDDs) {
        std::fprintf(out.get(), "\n>>%s        ", descriptor_text(data, dd).c_str());
        for (int f : dd.families) std::fprintf(out.get(), "\tFamily # %d", f);
    }
    close_output(out, path);
}

std::vector<std::string> descriptor_texts(const DescriptorData& data) {
    std::vector<std::string> texts;
    texts.reserve(data.AllDDs.size());
    for (const DDRec& dd : data.AllDDs) texts.push_back(descriptor_text(data, dd));
    return texts;
}

ContextRequest descriptor_request(const std::vector<std::string>& attributes,
                                  const DescriptorData& data, const DescriptorQuestions& q) {
    ContextRequest request{attributes};
    request.training.count = data.NbChaines;
    if (q.test.class_file) request.test.count = std::min<size_t>(data.NbChaines, q.test.sequences.size());
    request.classes.training = q.class_file.get();
    request.classes.test = q.test.class_file.get();
    request.classes.read_again = true;
    request.classes.n_listed = data.NbFamilles;
    request.txt_and_dat = false;
    return request;
}

ContextSummary GenerateARFFFile(Dialogue& io, const DescriptorData& data, const DescriptorQuestions& q) {
    const std::vector<std::string> texts = descriptor_texts(data);
    ContextRequest request = descriptor_request(texts, data, q);

    // training rows: the descriptors with an active occurrence in each sequence of the family file
    std::vector<std::vector<std::uint32_t>> active(data.NbChaines);
    for (size_t j = 0; j < data.AllDDs.size(); ++j)
        for (const SequenceCount& c : data.AllDDs[j].occ)
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
