#include "methods/method.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "context/presence.h"
#include "dialogue/preset.h"

namespace tessar {

namespace {

const ModelParameter* parameter_spec(const Model& m, std::string_view key) {
    if (!m.method) return nullptr;
    for (const ModelParameter& p : m.method->model_parameters)
        if (key == p.key) return &p;
    return nullptr;
}

}  // namespace

const std::string& Model::parameter(std::string_view key) const {
    static const std::string kNone;
    for (const auto& [k, v] : parameters)
        if (k == key) return v;
    return kNone;
}

int Model::number(std::string_view key) const {
    const std::string& text = parameter(key);
    const ModelParameter* spec = parameter_spec(*this, key);
    const std::string number = spec && spec->question->choices ? choice_number(*spec->question, text) : text;
    return std::atoi(number.c_str());
}

double Model::real(std::string_view key) const { return std::strtod(parameter(key).c_str(), nullptr); }

std::string labelled_rows_warning(const Dialogue& io, const std::string& table_name) {
    return format("\tWarning: the test rows of %s use the test classes; a classifier evaluated on them sees its "
                  "answer%s\n",
                  table_name.c_str(), io.limits().label_free_hint);
}

std::string class_words(const ContextSummary& tables) {
    if (tables.class_names.empty()) return "no classes";
    return format("%zu classes", tables.class_names.size());
}

std::string longer_than_every_sequence(const char* features, const Question& q, int length, size_t longest) {
    return format("0 %s: %s %d is longer than every sequence (the longest has %zu residues); try a lower value",
                  features, q.flag, length, longest);
}

size_t longest_length(const std::vector<std::string>& sequences) {
    size_t longest = 0;
    for (const std::string& s : sequences) longest = std::max(longest, s.size());
    return longest;
}

Model base_model(const Method& method, std::vector<std::string> features, const ContextSummary& tables) {
    Model m;
    m.method = &method;
    m.features = std::move(features);
    m.with_classes = tables.with_classes;
    m.class_names = tables.class_names;
    return m;
}

std::string parameter_text(const Question& q, double value) {
    if (q.choices) return choice_name(q, std::to_string(static_cast<long long>(value)));
    if (q.kind == AnswerKind::Number) return std::to_string(static_cast<long long>(value));
    return format("%.9g", value);
}

std::string escape_model_text(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c == 0x7f)
            out += format("\\x%02x", c);
        else
            out += ch;
    }
    return out;
}

bool unescape_model_text(const std::string& text, std::string& out) {
    out.clear();
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) >= 0 && hex(text[i + 3]) >= 0) {
            out += static_cast<char>(hex(text[i + 2]) * 16 + hex(text[i + 3]));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

bool is_residues(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

std::string text_feature_line(const Model& model, size_t j) { return model.features[j]; }

bool read_text_feature(const std::string& value, Model& model, std::string& why) {
    if (!is_residues(value)) {
        why = "not a text of letters A to Z";
        return false;
    }
    model.features.push_back(value);
    return true;
}

RowCoder presence_coder(std::vector<std::string> texts) {
    auto index = std::make_shared<const PresenceIndex>(index_texts(std::move(texts)));
    return [index]() -> RowFiller {
        return [index, scratch = PresenceScratch()](std::string_view sequence, const std::string*,
                                                    std::vector<std::uint32_t>& ones) mutable {
            fill_presence(*index, sequence, scratch, ones);
        };
    };
}

TableRows coder_rows(const RowCoder& coder, const std::vector<std::string>& sequences, bool with_labels) {
    TableRows rows;
    rows.count = sequences.size();
    rows.make_fill = [coder, &sequences, with_labels]() -> RowFill {
        return [fill = coder(), &sequences, with_labels](size_t i, const std::string& label,
                                                         std::vector<std::uint32_t>& ones) {
            fill(sequences[i], with_labels ? &label : nullptr, ones);
        };
    };
    return rows;
}

ClassFiles labelled_class_files(const LabelledInput& in) {
    ClassFiles files;
    files.training = in.class_file.get();
    files.training_read = in.classes ? &*in.classes : nullptr;
    files.training_name = in.class_name;
    files.training_sequences = in.training.sequences.size();
    if (in.with_test) {
        files.test = in.test.class_file.get();
        files.test_read = in.test.classes ? &*in.test.classes : nullptr;
        files.test_name = in.test.class_name;
        files.test_sequences = in.test.sequences.size();
    }
    return files;
}

}  // namespace tessar
