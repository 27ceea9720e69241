#include "oracle_match.h"

#include <algorithm>
#include <vector>

namespace oracle {

int match(std::string_view pattern, std::string_view text) {
    // cost(i, j): pattern[0, i) against text[0, j)
    const size_t m = pattern.size(), n = text.size();
    std::vector<int> table((m + 1) * (n + 1));
    auto cost = [&](size_t i, size_t j) -> int& { return table[i * (n + 1) + j]; };
    for (size_t j = 0; j <= n; ++j) cost(0, j) = static_cast<int>(j);  // residues left over
    for (size_t i = 1; i <= m; ++i) {
        const char p = pattern[i - 1];
        if (p == '*') {
            // a star swallows any run of residues, the empty one included
            cost(i, 0) = cost(i - 1, 0);
            for (size_t j = 1; j <= n; ++j) cost(i, j) = std::min(cost(i - 1, j), cost(i, j - 1));
            continue;
        }
        cost(i, 0) = cost(i - 1, 0) + 1;  // the letter deleted
        for (size_t j = 1; j <= n; ++j) {
            const int substitute = cost(i - 1, j - 1) + (p == text[j - 1] ? 0 : 1);
            const int delete_letter = cost(i - 1, j) + 1;
            const int insert_residue = cost(i, j - 1) + 1;
            cost(i, j) = std::min({substitute, delete_letter, insert_residue});
        }
    }
    return cost(m, n);
}

}  // namespace oracle
