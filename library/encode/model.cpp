#include "encode/model.h"

#include <climits>
#include <cstring>

#include "methods/table.h"

namespace tessar {

const Question kSaveModel = {"--save-model", AnswerKind::OutputFile, "",
                             "write what the encoding of new sequences needs (features, classes, "
                             "parameters) to FILE, for tessar encode --model",
                             ""};

namespace {

constexpr int kModelVersion = 1;
const char* const kMagic = "tessar-model";

// A line as a message quotes it: escaped, and cut after 60 bytes.
std::string shown(const std::string& line) {
    const std::string text = escape_model_text(line);
    return text.size() > 60 ? text.substr(0, 60) + "..." : text;
}

// The lines of a model file, read one by one; each error names the file and the line.
class ModelReader {
public:
    ModelReader(std::FILE* in, const std::string& name) : in_(in), name_(name) {}

    [[noreturn]] void fail(const std::string& what) const {
        fatal(format("Err: %s line %d: %s\n", name_.c_str(), number_, what.c_str()));
    }

    // The next line, which must be `keyword`, a blank and a value: the value.
    std::string value_of(const char* keyword) {
        next(keyword);
        const size_t k = std::strlen(keyword);
        if (line_.compare(0, k, keyword) != 0 || line_.size() < k + 1 || line_[k] != ' ')
            fail(format("\"%s\" where a line \"%s ...\" belongs", shown(line_).c_str(), keyword));
        return line_.substr(k + 1);
    }

    // A whole number from `min` to `max` as the value of `keyword`.
    long long number_of(const char* keyword, long long min, long long max) {
        const std::string value = value_of(keyword);
        long long v = 0;
        if (!parse_integer(value, v) || value[0] == '+' || value[0] == '-' || v < min || v > max)
            fail(format("%s \"%s\" is not a whole number from %lld to %lld", keyword, shown(value).c_str(),
                        min, max));
        return v;
    }

    // An escaped text as its value.
    std::string text_of(const char* keyword) {
        const std::string value = value_of(keyword);
        std::string out;
        if (!unescape_model_text(value, out))
            fail(format("\"%s\": a '\\' stands only in \"\\\\\" and \"\\xHH\"", shown(value).c_str()));
        return out;
    }

    void end() {
        next("end");
        if (line_ != "end") fail(format("\"%s\" where the line \"end\" belongs", shown(line_).c_str()));
        std::string more;
        if (read_file_line(in_, more)) {
            ++number_;
            fail("text after the line \"end\"");
        }
    }

    // The next line, where a line of `keyword` belongs.
    const std::string& next(const char* keyword) {
        ++number_;
        if (!read_file_line(in_, line_))
            fail(format("the file ends where a line \"%s%s\" belongs: it is truncated", keyword,
                        std::strcmp(keyword, "end") ? " ..." : ""));
        return line_;
    }

private:
    std::FILE* in_;
    const std::string& name_;
    int number_ = 0;
    std::string line_;
};

void read_header(ModelReader& r, Model& m) {
    const std::string magic = std::string(kMagic) + " ";
    const std::string& first = r.next(kMagic);
    if (first.compare(0, magic.size(), magic) != 0)
        r.fail(format("not a tessar model: its first line is not \"%s %d\"", kMagic, kModelVersion));
    const std::string version = first.substr(magic.size());
    if (version != std::to_string(kModelVersion))
        r.fail(format("model version \"%s\": this tessar reads version %d", shown(version).c_str(),
                      kModelVersion));

    const std::string name = r.value_of("method");
    m.method = find_method(name);
    if (!m.method || !m.method->row_coder)
        r.fail(format("unknown method \"%s\" (%s)", shown(name).c_str(), model_method_names().c_str()));

    // each parameter as its question takes it on the command line
    for (const ModelParameter& p : m.method->model_parameters) {
        const std::string value = r.value_of(p.key);
        const std::string why = refusal_reason(*p.question, value);
        if (!why.empty()) r.fail(format("%s %s", p.key, why.c_str()));
        m.parameters.emplace_back(p.key, value);
    }
}

void read_classes(ModelReader& r, Model& m) {
    const std::string count = r.value_of("classes");
    if (count == "none") return;
    long long k = 0;
    if (!parse_integer(count, k) || count[0] == '+' || count[0] == '-' || k > INT_MAX)
        r.fail(format("classes \"%s\" is neither a number of classes nor \"none\"", shown(count).c_str()));
    m.with_classes = true;
    for (long long c = 0; c < k; ++c) m.class_names.push_back(r.text_of("class"));
}

}  // namespace

std::string model_text(const Model& m) {
    std::string text = format("%s %d\nmethod %s\n", kMagic, kModelVersion, m.method->name);
    for (const auto& [key, value] : m.parameters) text += key + " " + value + "\n";
    if (!m.with_classes) text += "classes none\n";
    else text += format("classes %zu\n", m.class_names.size());
    for (const std::string& name : m.class_names) text += "class " + escape_model_text(name) + "\n";
    text += format("features %zu\n", m.features.size());
    for (size_t j = 0; j < m.features.size(); ++j) text += "feature " + m.method->feature_line(m, j) + "\n";
    return text + "end\n";
}

Model read_model(std::FILE* in, const std::string& name) {
    ModelReader r(in, name);
    Model m;
    read_header(r, m);
    read_classes(r, m);
    const long long n_features = r.number_of("features", 0, INT_MAX);
    for (long long j = 0; j < n_features; ++j) {
        const std::string value = r.value_of("feature");
        std::string why;
        if (!m.method->read_feature(value, m, why)) r.fail(format("feature \"%s\": %s", shown(value).c_str(), why.c_str()));
    }
    r.end();
    return m;
}

void save_model(Dialogue& io, const Model& model) {
    std::string name;
    File out = ask_output_file(io, kSaveModel, name);
    const std::string text = model_text(model);
    std::fwrite(text.data(), 1, text.size(), out.get());
    close_output(out, name);
}

}  // namespace tessar
