// The table formats: one record per format, each defined in a file of its own under formats/,
// and one table listing them. The context writer and `tessar encode` write every table through
// a record, the command line takes `--format` names and file extensions from the table: adding
// a format is one file and one line in table_format.cpp.
//
// Every format has the same rows (one per sequence, the features in attribute order, the class
// last); a row is given as the ascending indices of its features whose value is 1. A table may
// name each row's sequence (its id, the header line's first word): CSV always does, the others
// when asked; the ARFF formats as a first attribute "id", LibSVM after each row. The header
// comes in the pieces the context writer interleaves with its checks of the classification
// files (a failed check keeps what was written before it); a piece a format does not have
// appends nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessar {

// The class value of a row: none (a table without a class attribute), a label, or unknown
// ("?" in the ARFF formats and CSV; 0 in LibSVM, which has no unknown value).
struct RowClass {
    const std::string* label = nullptr;
    bool unknown = false;

    static RowClass none() { return {}; }
    static RowClass of(const std::string& label) { return {&label, false}; }
    static RowClass missing() { return {nullptr, true}; }
    bool present() const { return label || unknown; }
};

class DenseRows;

// One row as a format writes it.
struct TableRow {
    const std::vector<std::uint32_t>& ones;         // the features whose value is 1, ascending
    size_t n_attributes;
    RowClass cls;
    const std::vector<std::string>& class_names;    // of the class attribute, for formats that number them
    size_t number;                                  // the row's number, from 1 (for messages)
    const std::string* id = nullptr;                // the sequence's id; null: the table has none
};

struct TableFormat {
    const char* name;       // on the command line: "sparse-arff"
    const char* extension;  // of its files, with the dot: ".arff"
    bool always_ids;        // its rows name their sequence whether asked or not (CSV)
    // The relation and the feature attributes (or a header row), after the id attribute (or
    // column) when `with_ids`; `with_class`: a class follows.
    void (*begin)(std::string& out, const std::vector<std::string>& attributes, bool with_class, bool with_ids);
    // "@attribute class {", then the names and "}\n".
    void (*begin_class_attribute)(std::string& out);
    void (*end_class_attribute)(std::string& out, const std::vector<std::string>& listed);
    // The line that opens the rows.
    void (*begin_data)(std::string& out);
    // One row with its line end; `dense` holds the writer's all-zero rows.
    void (*append_row)(std::string& out, const TableRow& row, DenseRows& dense);
};

// Every format, the dense ARFF file of the menu first.
const std::vector<const TableFormat*>& table_formats();

// The menu's format: dense ARFF.
const TableFormat& arff_format();

// The format of that name, in any case ("CSV"), or null.
const TableFormat* find_table_format(std::string_view name);

// The names of the formats, "arff, sparse-arff, csv, libsvm".
std::string table_format_names();

// Appends, for each feature of `ones`, `separator` (not before the first), its number plus
// `base`, and `value`: "3 1,17 1" or " 4:1 18:1". The one writer of the sparse formats' lists,
// written in place (a table of 200,000 rows holds some 60 million of them).
void append_feature_list(std::string& out, const std::vector<std::uint32_t>& ones, std::uint32_t base,
                         std::string_view separator, std::string_view value, bool separator_first = false);

// `name` with its extension replaced by the format's (a name without one gets it added).
std::string with_format_extension(const std::string& name, const TableFormat& format);

}  // namespace tessar
