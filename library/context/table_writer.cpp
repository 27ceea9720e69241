#include "context/table_writer.h"

#include "context/arff_names.h"
#include "context/table_formats.h"

namespace tessar {

DenseRows::DenseRows(size_t n) : n_(n) {
    for (size_t j = 0; j < n; ++j) {
        zeros_comma_ += j ? ",0" : "0";
        zeros_blank_ += j ? " 0" : "0";
    }
}

const std::string& DenseRows::arff(const std::vector<std::uint32_t>& ones, const std::string* label) {
    values(zeros_comma_, ones);
    if (label) {
        if (n_) row_ += ',';
        row_ += *label;
    }
    row_ += '\n';
    return row_;
}

const std::string& DenseRows::txt(const std::vector<std::uint32_t>& ones, const std::string& label,
                                  const std::vector<std::string>& names) {
    values(zeros_comma_, ones);
    for (size_t c = 0; c < names.size(); ++c) {
        if (n_ || c) row_ += ',';
        row_ += names[c] == label ? '1' : '0';
    }
    row_ += '\n';
    return row_;
}

const std::string& DenseRows::dat(size_t number, const std::vector<std::uint32_t>& ones,
                                  const std::string& label) {
    row_ = std::to_string(number) + " ";
    row_ += zeros_blank_;
    for (std::uint32_t j : ones) row_[row_.size() - zeros_blank_.size() + 2 * j] = '1';
    row_ += ' ';
    row_ += label;
    row_ += '\n';
    return row_;
}

void DenseRows::values(const std::string& zeros, const std::vector<std::uint32_t>& ones) {
    row_ = zeros;
    for (std::uint32_t j : ones) row_[2 * j] = '1';
}

TableWriter::TableWriter(std::FILE* out, TableFormat format, size_t n_attributes,
                         const std::vector<std::string>& class_names)
    : out_(out), format_(format), n_(n_attributes), names_(class_names), dense_(n_attributes) {}

void TableWriter::put(const std::string& text) {
    if (out_) std::fwrite(text.data(), 1, text.size(), out_);
}

void TableWriter::begin(const std::vector<std::string>& attributes, bool with_class) {
    if (format_ == TableFormat::Csv) put(csv_header(attributes, with_class));
    if (!has_arff_header(format_)) return;
    std::string header = "@relation Context\n\n";
    const std::string values = std::string(" ") + arff_binary_values(format_) + "\n";
    for (const std::string& a : attributes) header += "@attribute " + a + values;
    put(header);
}

void TableWriter::begin_class_attribute() {
    if (has_arff_header(format_)) put("@attribute class {");
}

void TableWriter::end_class_attribute(const std::vector<std::string>& listed) {
    if (!has_arff_header(format_)) return;
    std::string list;
    for (size_t c = 0; c < listed.size(); ++c) {
        if (c) list += ',';
        list += arff_quote(listed[c]);
    }
    put(list + "}\n");
}

void TableWriter::begin_data() {
    if (has_arff_header(format_)) put("\n@data\n");
}

void TableWriter::header(const std::vector<std::string>& attributes,
                         const std::vector<std::string>* classes) {
    begin(attributes, classes != nullptr);
    if (classes) {
        begin_class_attribute();
        end_class_attribute(*classes);
    }
    begin_data();
}

void TableWriter::row(const std::vector<std::uint32_t>& ones, RowClass cls) {
    ++rows_;
    static const std::string kUnknown = "?";
    const bool with_class = cls.label || cls.unknown;
    switch (format_) {
    case TableFormat::Arff:
    case TableFormat::SparseArff: {
        const std::string value = cls.label ? arff_quote(*cls.label) : kUnknown;
        if (format_ == TableFormat::Arff) {
            put(dense_.arff(ones, with_class ? &value : nullptr));
        } else {
            row_.clear();
            append_sparse_arff_row(row_, ones, n_, with_class ? &value : nullptr);
            put(row_);
        }
        return;
    }
    case TableFormat::Csv: {
        const std::string value = cls.label ? csv_quote(*cls.label) : kUnknown;
        put(dense_.arff(ones, with_class ? &value : nullptr));
        return;
    }
    case TableFormat::Libsvm:
        row_.clear();
        append_libsvm_row(row_, ones, cls.label ? class_index(*cls.label) : 0);
        put(row_);
        return;
    }
}

// A LibSVM row holds the class as a number: a label outside the class names has none.
size_t TableWriter::class_index(const std::string& label) const {
    for (size_t c = 0; c < names_.size(); ++c)
        if (names_[c] == label) return c;
    fatal(format("\tErr: the class '%s' of row %zu is not among the classes of the "
                 "classification file\n", label.c_str(), rows_));
}

}  // namespace tessar
