#include "context/table_format.h"

#include <charconv>

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

void append_feature_list(std::string& out, const std::vector<std::uint32_t>& ones, std::uint32_t base,
                         std::string_view separator, std::string_view value, bool separator_first) {
    if (ones.empty()) return;
    constexpr size_t kDigits = 10;  // of a 32-bit number
    const size_t begin = out.size();
    out.resize(begin + ones.size() * (separator.size() + kDigits + value.size()) + kDigits);
    char* at = out.data() + begin;
    char* const end = out.data() + out.size();
    // the pieces are a character or two: copied by hand, not by a call per piece
    auto put = [&at](std::string_view piece) {
        for (char c : piece) *at++ = c;
    };
    bool first = !separator_first;
    for (std::uint32_t j : ones) {
        if (!first) put(separator);
        first = false;
        at = std::to_chars(at, end, static_cast<std::uint64_t>(j) + base).ptr;
        put(value);
    }
    out.resize(static_cast<size_t>(at - out.data()));
}

std::string with_format_extension(const std::string& name, const TableFormat& format) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    const bool has_extension = dot != std::string::npos && dot > 0 &&
                               (slash == std::string::npos || dot > slash + 1);
    return (has_extension ? name.substr(0, dot) : name) + format.extension;
}

}  // namespace tessar
