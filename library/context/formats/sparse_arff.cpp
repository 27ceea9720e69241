// Sparse ARFF: the ARFF header with "@attribute X {0,1}" (an absent value is a nominal
// attribute's first value, so 0 comes first), rows "{3 1,17 1,<n> class}": the features whose
// value is 1 and the class, written always, even when it is the class attribute's first value.
#include <string>

#include "context/formats/arff.h"

namespace tessar {

namespace {

void begin(std::string& out, const std::vector<std::string>& attributes, bool, bool with_ids) {
    append_arff_begin(out, attributes, "{0,1}", with_ids);
}

// With ids, the id is attribute 0 (always written: an absent string value is no empty one) and
// the features and the class come one place later.
void append_row(std::string& out, const TableRow& row, DenseRows&) {
    out += '{';
    const std::uint32_t shift = row.id ? 1 : 0;
    if (row.id) {
        out += "0 ";
        out += arff_id_value(*row.id);
        if (!row.ones.empty()) out += ',';
    }
    append_feature_list(out, row.ones, shift, ",", " 1");
    if (row.cls.present()) {
        if (!row.ones.empty() || row.id) out += ',';
        out += std::to_string(row.n_attributes + shift);
        out += ' ';
        out += arff_class_value(row.cls);
    }
    out += "}\n";
}

}  // namespace

extern const TableFormat kSparseArffFormat = {"sparse-arff", ".arff", false, begin, append_arff_class_begin,
                                              append_arff_class_end, append_arff_data, append_row};

}  // namespace tessar
