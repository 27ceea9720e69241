#include "suggest.h"

#include <algorithm>
#include <vector>


namespace tessar::cli {

namespace {

std::string_view without_dashes(std::string_view name) {
    const size_t first = name.find_first_not_of('-');
    return first == std::string_view::npos ? std::string_view() : name.substr(first);
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

size_t edit_distance(std::string_view a, std::string_view b) {
    // three rows of the table: d[i][j] is the distance between a's first i and b's first j letters
    std::vector<size_t> before(b.size() + 1), previous(b.size() + 1), row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + change});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
                row[j] = std::min(row[j], before[j - 2] + 1);  // two neighbours swapped
        }
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return previous[b.size()];
}

std::string nearest_name(std::string_view given, const std::vector<std::string>& names) {
    const std::string_view word = without_dashes(given);
    std::string nearest;
    size_t best = 0;
    for (const std::string& name : names) {
        const std::string_view other = without_dashes(name);
        const size_t d = edit_distance(word, other);
        if (3 * d > std::max(word.size(), other.size())) continue;
        if (nearest.empty() || d < best) {
            nearest = name;
            best = d;
        }
    }
    return nearest;
}

}  // namespace tessar::cli
