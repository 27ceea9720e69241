// Dense rows, each built from the all-zero row with its ones set: a row costs one copy and one
// store per 1, whatever the number of attributes. The values of the dense ARFF and CSV rows, and
// the rows of the TXT and DAT context tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessar {

class DenseRows {
public:
    explicit DenseRows(size_t n_attributes);

    // "v,v,...,v[,class]\n" (class as the format spells it)
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

}  // namespace tessar
