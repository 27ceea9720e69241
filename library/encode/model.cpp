#include "encode/model.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ddms/ddms.h"
#include "ddms/matrices.h"
#include "disclass/disclass.h"
#include "discover/discover.h"
#include "ngrams/ngrams.h"

namespace tessar {

const Question kSaveModel = {"--save-model", AnswerKind::OutputFile, "",
                             "write what the encoding of new sequences needs (features, classes, "
                             "parameters) to FILE, for tessar encode --model",
                             ""};

namespace {

constexpr int kModelVersion = 1;
const char* const kMagic = "tessar-model";
const char* const kMethodNames[] = {"motifs", "ngrams", "disclass", "ddms"};

// The matrix's name as the command line spells it ("blosum62"), or "" for no matrix.
std::string matrix_flag_name(int number) {
    std::string name = substitution_matrix_name(number);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

bool is_residues(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

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
    int number_of(const char* keyword, long long min, long long max) {
        const std::string value = value_of(keyword);
        long long v = 0;
        const bool digits = !value.empty() && value.size() <= 18 &&
                            value.find_first_not_of("0123456789") == std::string::npos;
        if (digits) v = std::atoll(value.c_str());
        if (!digits || v < min || v > max)
            fail(format("%s \"%s\" is not a whole number from %lld to %lld", keyword, shown(value).c_str(),
                        min, max));
        return static_cast<int>(v);
    }

    // An escaped text as its value.
    std::string text_of(const char* keyword) { return unescaped(value_of(keyword)); }

    std::string unescaped(const std::string& text) const {
        std::string out;
        if (!unescape_model_text(text, out))
            fail(format("\"%s\": a '\\' stands only in \"\\\\\" and \"\\xHH\"", shown(text).c_str()));
        return out;
    }

    void end() {
        next("end");
        if (line_ != "end") fail(format("\"%s\" where the line \"end\" belongs", shown(line_).c_str()));
        std::string more;
        if (read_line(in_, more)) {
            ++number_;
            fail("text after the line \"end\"");
        }
    }

    // The next line, where a line of `keyword` belongs.
    const std::string& next(const char* keyword) {
        ++number_;
        if (!read_line(in_, line_))
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

    const std::string method = r.value_of("method");
    int k = 0;
    while (k < 4 && method != kMethodNames[k]) ++k;
    if (k == 4)
        r.fail(format("unknown method \"%s\" (motifs, ngrams, disclass or ddms)", shown(method).c_str()));
    m.method = static_cast<ModelMethod>(k);

    switch (m.method) {
    case ModelMethod::Motifs:
        m.form = r.number_of("form", 1, 2);
        m.mutations = r.number_of("mutations", 0, 10);
        break;
    case ModelMethod::Ngrams:
        m.n = r.number_of("n", 1, INT_MAX);
        break;
    case ModelMethod::Disclass:
        break;
    case ModelMethod::Ddms: {
        const std::string name = r.value_of("matrix");
        for (int number = 1; number <= 6 && !m.matrix; ++number)
            if (name == matrix_flag_name(number)) m.matrix = number;
        if (!m.matrix)
            r.fail(format("unknown matrix \"%s\" (blosum45, blosum62, blosum80, pam30, pam70 or pam250)",
                          shown(name).c_str()));
        const std::string value = r.value_of("threshold");
        char* end = nullptr;
        m.threshold = value.empty() ? -1 : std::strtof(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(m.threshold) ||
            m.threshold < 0)
            r.fail(format("threshold \"%s\" is not a number from 0 up", shown(value).c_str()));
        break;
    }
    }
}

void read_classes(ModelReader& r, Model& m) {
    const std::string count = r.value_of("classes");
    if (count == "none") return;
    if (count.empty() || count.size() > 9 || count.find_first_not_of("0123456789") != std::string::npos)
        r.fail(format("classes \"%s\" is neither a number of classes nor \"none\"", shown(count).c_str()));
    const long long k = std::atoll(count.c_str());
    m.with_classes = true;
    for (long long c = 0; c < k; ++c) m.class_names.push_back(r.text_of("class"));
}

void read_feature(ModelReader& r, Model& m) {
    const std::string value = r.value_of("feature");
    const size_t blank = value.find(' ');
    const std::string text = value.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : value.substr(blank + 1);
    auto bad = [&](const char* what) {
        r.fail(format("feature \"%s\": %s", shown(value).c_str(), what));
    };
    switch (m.method) {
    case ModelMethod::Motifs:
        if (m.form == 2) {
            if (blank == std::string::npos || !is_residues(text) || !is_residues(rest))
                bad("a motif *X*Y* is written \"X Y\", each of letters A to Z");
            m.pairs.emplace_back(text, rest);
            m.features.push_back(text + "*" + rest);
            return;
        }
        break;
    case ModelMethod::Ddms:
        if (blank == std::string::npos || !is_residues(text))
            bad("a descriptor is written \"TEXT CLASS\", TEXT of letters A to Z");
        m.feature_classes.push_back(r.unescaped(rest));
        m.features.push_back(text);
        return;
    case ModelMethod::Ngrams:
        if (is_residues(value) && value.size() != static_cast<size_t>(m.n))
            bad(format("not of n = %d letters", m.n).c_str());
        break;
    case ModelMethod::Disclass:
        break;
    }
    if (!is_residues(value)) bad("not a text of letters A to Z");
    m.features.push_back(value);
}

// A model of `method` with its features and the classes of its tables.
Model base_model(ModelMethod method, const std::vector<std::string>& features, const ContextSummary& tables) {
    Model m;
    m.method = method;
    m.features = features;
    m.with_classes = tables.with_classes;
    m.class_names = tables.class_names;
    return m;
}

}  // namespace

const char* model_method_name(ModelMethod method) { return kMethodNames[static_cast<int>(method)]; }

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

Model make_model(const MotifsRun& run) {
    Model m = base_model(ModelMethod::Motifs, run.motifs.attributes, run.tables);
    m.form = run.options.form;
    m.mutations = run.options.mutations;
    m.pairs = run.motifs.pairs;
    return m;
}

Model make_model(const NgramsRun& run) {
    Model m = base_model(ModelMethod::Ngrams, run.ngrams, run.tables);
    m.n = run.n;
    return m;
}

Model make_model(const DisclassRun& run) {
    return base_model(ModelMethod::Disclass, run.descriptors, run.tables);
}

Model make_model(const DdmsRun& run) {
    Model m = base_model(ModelMethod::Ddms, {}, run.tables);
    m.matrix = run.matrix;
    m.threshold = run.threshold;
    for (const MSDescriptor& d : run.descriptors.entries) {
        m.features.push_back(d.text);
        m.feature_classes.push_back(d.class_name);
    }
    return m;
}

std::string model_text(const Model& m) {
    std::string text = format("%s %d\nmethod %s\n", kMagic, kModelVersion, model_method_name(m.method));
    switch (m.method) {
    case ModelMethod::Motifs:
        text += format("form %d\nmutations %d\n", m.form, m.mutations);
        break;
    case ModelMethod::Ngrams:
        text += format("n %d\n", m.n);
        break;
    case ModelMethod::Disclass:
        break;
    case ModelMethod::Ddms:
        // nine significant digits give the single-precision threshold back exactly
        text += format("matrix %s\nthreshold %.9g\n", matrix_flag_name(m.matrix).c_str(),
                       static_cast<double>(m.threshold));
        break;
    }
    if (!m.with_classes) text += "classes none\n";
    else text += format("classes %zu\n", m.class_names.size());
    for (const std::string& name : m.class_names) text += "class " + escape_model_text(name) + "\n";
    text += format("features %zu\n", m.features.size());
    for (size_t j = 0; j < m.features.size(); ++j) {
        if (m.method == ModelMethod::Motifs && m.form == 2)
            text += "feature " + m.pairs[j].first + " " + m.pairs[j].second + "\n";
        else if (m.method == ModelMethod::Ddms)
            text += "feature " + m.features[j] + " " + escape_model_text(m.feature_classes[j]) + "\n";
        else
            text += "feature " + m.features[j] + "\n";
    }
    return text + "end\n";
}

Model read_model(std::FILE* in, const std::string& name) {
    ModelReader r(in, name);
    Model m;
    read_header(r, m);
    read_classes(r, m);
    const int n_features = r.number_of("features", 0, INT_MAX);
    for (int j = 0; j < n_features; ++j) read_feature(r, m);
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
