// CSV: a header row "id,X,Y,...,class", rows "<id>,1,0,...,class" (the class "?" when unknown):
// the first column names the row's sequence, so that a reader can index the rows by it.
#include "context/formats/csv.h"

#include "context/dense_rows.h"
#include "context/table_format.h"

namespace tessar {

std::string csv_quote(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

namespace {

void begin(std::string& out, const std::vector<std::string>& attributes, bool with_class, bool with_ids) {
    bool first = true;
    if (with_ids) {
        out += "id";
        first = false;
    }
    for (const std::string& a : attributes) {
        if (!first) out += ',';
        first = false;
        out += csv_quote(a);
    }
    if (with_class) out += first ? "class" : ",class";
    out += '\n';
}

void nothing(std::string&) {}
void no_class_names(std::string&, const std::vector<std::string>&) {}

void append_row(std::string& out, const TableRow& row, DenseRows& dense) {
    if (row.id) {
        out += csv_quote(*row.id);
        if (row.n_attributes || row.cls.present()) out += ',';
    }
    if (!row.cls.present()) {
        out += dense.arff(row.ones, nullptr);
        return;
    }
    const std::string value = row.cls.label ? csv_quote(*row.cls.label) : "?";
    out += dense.arff(row.ones, &value);
}

}  // namespace

extern const TableFormat kCsvFormat = {"csv", ".csv", true, begin, nothing, no_class_names, nothing, append_row};

}  // namespace tessar
