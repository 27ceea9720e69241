#include "context/table_format.h"

#include "dialogue/dialogue.h"

namespace tessar {

extern const TableFormat kArffFormat;        // formats/arff.cpp
extern const TableFormat kSparseArffFormat;  // formats/sparse_arff.cpp
extern const TableFormat kCsvFormat;         // formats/csv.cpp
extern const TableFormat kLibsvmFormat;      // formats/libsvm.cpp

const std::vector<const TableFormat*>& table_formats() {
    static const std::vector<const TableFormat*> formats = {&kArffFormat, &kSparseArffFormat, &kCsvFormat,
                                                            &kLibsvmFormat};
    return formats;
}

const TableFormat& arff_format() { return kArffFormat; }

const TableFormat* find_table_format(std::string_view name) {
    for (const TableFormat* f : table_formats())
        if (equal_ignoring_case(name, f->name)) return f;
    return nullptr;
}

std::string table_format_names() {
    std::string names;
    for (const TableFormat* f : table_formats()) names += (names.empty() ? "" : ", ") + std::string(f->name);
    return names;
}

std::string with_format_extension(const std::string& name, const TableFormat& format) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    const bool has_extension = dot != std::string::npos && dot > 0 &&
                               (slash == std::string::npos || dot > slash + 1);
    return (has_extension ? name.substr(0, dot) : name) + format.extension;
}

}  // namespace tessar
