#include "context/table_formats.h"

namespace tessar {

bool has_arff_header(TableFormat format) {
    return format == TableFormat::Arff || format == TableFormat::SparseArff;
}

const char* arff_binary_values(TableFormat format) {
    return format == TableFormat::SparseArff ? "{0,1}" : "{1,0}";
}

std::string csv_quote(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string csv_header(const std::vector<std::string>& attributes, bool with_class) {
    std::string header;
    for (const std::string& a : attributes) {
        if (!header.empty()) header += ',';
        header += csv_quote(a);
    }
    if (with_class) header += attributes.empty() ? "class" : ",class";
    return header + '\n';
}

void append_sparse_arff_row(std::string& row, const std::vector<std::uint32_t>& ones,
                            size_t n_attributes, const std::string* class_value) {
    row += '{';
    bool first = true;
    for (std::uint32_t j : ones) {
        if (!first) row += ',';
        first = false;
        row += std::to_string(j);
        row += " 1";
    }
    if (class_value) {
        if (!first) row += ',';
        row += std::to_string(n_attributes);
        row += ' ';
        row += *class_value;
    }
    row += "}\n";
}

void append_libsvm_row(std::string& row, const std::vector<std::uint32_t>& ones, size_t class_index) {
    row += std::to_string(class_index);
    for (std::uint32_t j : ones) {
        row += ' ';
        row += std::to_string(j + 1);
        row += ":1";
    }
    row += '\n';
}

}  // namespace tessar
