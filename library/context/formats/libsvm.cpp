// LibSVM: no header, rows "<class index> 4:1 18:1": the class's index in the training
// classification file's names (from 0; 0 for every row without a known class), then the 1-based
// numbers of the features whose value is 1; with ids, " # " and the row's id at the end (a
// comment to the readers).
#include <charconv>
#include <string>

#include "context/table_format.h"
#include "dialogue/dialogue.h"

namespace tessar {

namespace {

void no_names(std::string&, const std::vector<std::string>&, bool, bool) {}
void nothing(std::string&) {}
void no_class_names(std::string&, const std::vector<std::string>&) {}

// A LibSVM row holds the class as a number: a label outside the class names has none.
size_t class_index(const TableRow& row) {
    if (!row.cls.label) return 0;
    for (size_t c = 0; c < row.class_names.size(); ++c)
        if (row.class_names[c] == *row.cls.label) return c;
    fatal(format("\tErr: the class '%s' of row %zu is not among the classes of the classification file\n",
                 row.cls.label->c_str(), row.number));
}

void append_row(std::string& out, const TableRow& row, DenseRows&) {
    out += std::to_string(class_index(row));
    append_feature_list(out, row.ones, 1, " ", ":1", true);
    if (row.id) {
        out += " # ";
        out += *row.id;
    }
    out += '\n';
}

}  // namespace

extern const TableFormat kLibsvmFormat = {"libsvm", ".libsvm", false, no_names, nothing, no_class_names, nothing, append_row};

}  // namespace tessar
