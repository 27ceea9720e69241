// Writing one feature table as it goes: the header, then one row at a time, nothing kept but the
// row being formatted. The one writer of the table formats (context/table_formats.h): the context
// writer writes a method's ARFF file and test ARFF file with it, `tessar encode` its tables of
// any number of sequences.
//
// The header comes in the pieces the context writer interleaves with its checks of the
// classification files (a failed check keeps what was written before it): begin (the relation
// and the feature attributes, or CSV's header row), the class attribute in two halves, then the
// line that opens the data. A table whose classes are known writes them at once with `header`.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogue/dialogue.h"

namespace tessar {

// Dense rows, each built from the all-zero row with its ones set: a row costs one copy and one
// store per 1, whatever the number of attributes. The ARFF and CSV values of a row, and the
// rows of the TXT and DAT context tables.
class DenseRows {
public:
    explicit DenseRows(size_t n_attributes);

    // "v,v,...,v[,class]\n" (class as ARFF spells it)
    const std::string& arff(const std::vector<std::uint32_t>& ones, const std::string* label);
    // "v,v,...,v,m,m,...,m\n": the values, then one membership column per class
    const std::string& txt(const std::vector<std::uint32_t>& ones, const std::string& label,
                           const std::vector<std::string>& names);
    // "<number> v v ... v <class>\n"
    const std::string& dat(size_t number, const std::vector<std::uint32_t>& ones, const std::string& label);

private:
    void values(const std::string& zeros, const std::vector<std::uint32_t>& ones);
    size_t n_;
    std::string zeros_comma_, zeros_blank_, row_;
};

// The class value of a row: none (a table without a class attribute), a label, or unknown
// ("?" in the ARFF formats and CSV; 0 in LibSVM, which has no unknown value).
struct RowClass {
    const std::string* label = nullptr;
    bool unknown = false;

    static RowClass none() { return {}; }
    static RowClass of(const std::string& label) { return {&label, false}; }
    static RowClass missing() { return {nullptr, true}; }
};

class TableWriter {
public:
    // Writes to `out` (null: writes nothing). `class_names` is read when a LibSVM row needs the
    // index of its label: it may be filled after construction, and must outlive the writer.
    TableWriter(std::FILE* out, TableFormat format, size_t n_attributes,
                const std::vector<std::string>& class_names);

    // The header pieces, in this order; begin_class_attribute and end_class_attribute only in a
    // table with a class attribute. Each writes nothing in a format without that piece.
    void begin(const std::vector<std::string>& attributes, bool with_class);  // relation, features
    void begin_class_attribute();                                  // "@attribute class {"
    void end_class_attribute(const std::vector<std::string>& listed);  // "a,b,c}\n"
    void begin_data();                                             // "\n@data\n"
    // The whole header of a table whose classes are known (null: no class attribute).
    void header(const std::vector<std::string>& attributes, const std::vector<std::string>* classes);

    // The next row: the features whose value is 1, ascending, and its class. Fatal in LibSVM
    // when the label is not among the class names.
    void row(const std::vector<std::uint32_t>& ones, RowClass cls);

    size_t rows() const { return rows_; }

private:
    void put(const std::string& text);
    size_t class_index(const std::string& label) const;

    std::FILE* out_;
    TableFormat format_;
    size_t n_;
    const std::vector<std::string>& names_;
    DenseRows dense_;
    std::string row_;
    size_t rows_ = 0;
};

}  // namespace tessar
