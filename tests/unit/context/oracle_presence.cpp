#include "context/oracle_presence.h"

#include <algorithm>

namespace oracle {

std::vector<std::pair<std::uint32_t, size_t>> occurrences(const std::vector<std::string>& texts,
                                                          const std::string& sequence) {
    std::vector<std::pair<std::uint32_t, size_t>> found;
    for (size_t t = 0; t < texts.size(); ++t) {
        const auto text = static_cast<std::uint32_t>(t);
        if (texts[t].empty()) {
            found.push_back({text, 0});
            found.push_back({text, sequence.size()});
            continue;
        }
        for (size_t at = sequence.find(texts[t]); at != std::string::npos; at = sequence.find(texts[t], at + 1))
            found.push_back({text, at});
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::uint32_t> present(const std::vector<std::string>& texts, const std::string& sequence) {
    std::vector<std::uint32_t> ones;
    for (size_t t = 0; t < texts.size(); ++t)
        if (sequence.find(texts[t]) != std::string::npos) ones.push_back(static_cast<std::uint32_t>(t));
    return ones;
}

}  // namespace oracle
