// The exact-presence engine as plainly as it can be said: each text looked for with
// std::string::find. Shares nothing with the library's engine; the property tests compare the two.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace oracle {

// Every occurrence (text, start) of every text in `sequence`, sorted. A text of length 0
// occurs at 0 and at the end only (the library's convention: it lies before and after all).
std::vector<std::pair<std::uint32_t, size_t>> occurrences(const std::vector<std::string>& texts,
                                                          const std::string& sequence);

// The texts that occur in `sequence`, ascending.
std::vector<std::uint32_t> present(const std::vector<std::string>& texts, const std::string& sequence);

}  // namespace oracle
