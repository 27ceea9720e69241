// Writing one feature table as it goes: the header, then one row at a time, nothing kept but the
// row being formatted. The one writer of the table formats (context/table_format.h): the context
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

#include "context/dense_rows.h"
#include "context/table_format.h"

namespace tessar {

class TableWriter {
public:
    // Writes to `out` (null: writes nothing). `class_names` is read when a row needs the index of
    // its label (LibSVM): it may be filled after construction, and must outlive the writer. With
    // `ids` (or in a format that always has them) each row names its sequence.
    TableWriter(std::FILE* out, const TableFormat& format, size_t n_attributes,
                const std::vector<std::string>& class_names, bool ids = false);
    ~TableWriter();  // flushes
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // The header pieces, in this order; begin_class_attribute and end_class_attribute only in a
    // table with a class attribute.
    void begin(const std::vector<std::string>& attributes, bool with_class);  // relation, features
    void begin_class_attribute();                                  // "@attribute class {"
    void end_class_attribute(const std::vector<std::string>& listed);  // "a,b,c}\n"
    void begin_data();                                             // "\n@data\n"
    // The whole header of a table whose classes are known (null: no class attribute).
    void header(const std::vector<std::string>& attributes, const std::vector<std::string>* classes);

    // The next row: the features whose value is 1, ascending, its class and its sequence's id
    // (written only in a table with ids). Fatal in LibSVM when the label is not among the class
    // names.
    void row(const std::vector<std::uint32_t>& ones, RowClass cls, const std::string& id = "");

    // Hands the rows formatted so far to the file (rows are written in blocks).
    void flush();

    size_t rows() const { return rows_; }
    bool with_ids() const { return ids_; }

private:
    void put();

    std::FILE* out_;
    const TableFormat& format_;
    size_t n_;
    const std::vector<std::string>& names_;
    bool ids_;
    DenseRows dense_;
    std::string text_;
    size_t rows_ = 0;
};

}  // namespace tessar
