#include "context/table_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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

namespace {

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839404142434445464748495051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

// Writes `v` in decimal at `at` and returns the end: numbers below 10,000 (most feature numbers)
// two digits at a time from a table.
char* put_decimal(char* at, char* end, std::uint64_t v) {
    auto pair = [](char* to, std::uint64_t two) { std::memcpy(to, kDigitPairs + 2 * two, 2); };
    if (v < 100) {
        if (v < 10) {
            *at = static_cast<char>('0' + v);
            return at + 1;
        }
        pair(at, v);
        return at + 2;
    }
    if (v < 1000) {
        *at = static_cast<char>('0' + v / 100);
        pair(at + 1, v % 100);
        return at + 3;
    }
    if (v < 10000) {
        pair(at, v / 100);
        pair(at + 2, v % 100);
        return at + 4;
    }
    return std::to_chars(at, end, v).ptr;
}

}  // namespace

void append_feature_list(std::string& out, const std::vector<std::uint32_t>& ones, std::uint32_t base,
                         std::string_view separator, std::string_view value, bool separator_first) {
    if (ones.empty()) return;
    // room for the longest number
    const std::uint64_t largest = static_cast<std::uint64_t>(*std::max_element(ones.begin(), ones.end())) + base;
    size_t digits = 1;
    for (std::uint64_t v = largest; v >= 10; v /= 10) ++digits;
    const size_t begin = out.size();
    out.resize(begin + ones.size() * (separator.size() + digits + value.size()));
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
        at = put_decimal(at, end, static_cast<std::uint64_t>(j) + base);
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
