// Dense ARFF, the menu's format:
//   "@relation Context", a blank line, "@attribute X {1,0}" per feature, "@attribute class {a,b}"
//   with classes, a blank line, "@data", then rows "1,0,...,class".
#include "context/formats/arff.h"

#include "context/dense_rows.h"

namespace tessar {

std::string arff_quote(const std::string& name) {
    bool needs_quotes = name == "?" || name.find_first_of(" \t,{}'\"%") != std::string::npos;
    if (!needs_quotes) return name;
    std::string quoted = "'";
    for (char c : name) {
        if (c == '\\' || c == '\'') quoted += '\\';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

void append_arff_begin(std::string& out, const std::vector<std::string>& attributes, const char* binary_values,
                       bool with_ids) {
    out += "@relation Context\n\n";
    if (with_ids) out += "@attribute id string\n";
    for (const std::string& a : attributes) {
        out += "@attribute ";
        out += a;
        out += ' ';
        out += binary_values;
        out += '\n';
    }
}

void append_arff_class_begin(std::string& out) { out += "@attribute class {"; }

void append_arff_class_end(std::string& out, const std::vector<std::string>& listed) {
    for (size_t c = 0; c < listed.size(); ++c) {
        if (c) out += ',';
        out += arff_quote(listed[c]);
    }
    out += "}\n";
}

void append_arff_data(std::string& out) { out += "\n@data\n"; }

std::string arff_class_value(RowClass cls) { return cls.label ? arff_quote(*cls.label) : "?"; }

std::string arff_id_value(const std::string& id) { return id.empty() ? "''" : arff_quote(id); }

namespace {

void begin(std::string& out, const std::vector<std::string>& attributes, bool, bool with_ids) {
    append_arff_begin(out, attributes, "{1,0}", with_ids);
}

void append_row(std::string& out, const TableRow& row, DenseRows& dense) {
    if (row.id) {
        out += arff_id_value(*row.id);
        if (row.n_attributes || row.cls.present()) out += ',';
    }
    if (!row.cls.present()) {
        out += dense.arff(row.ones, nullptr);
        return;
    }
    const std::string value = arff_class_value(row.cls);
    out += dense.arff(row.ones, &value);
}

}  // namespace

extern const TableFormat kArffFormat = {"arff", ".arff", false, begin, append_arff_class_begin, append_arff_class_end,
                                        append_arff_data, append_row};

}  // namespace tessar
