#include "context/dense_rows.h"

namespace tessar {

DenseRows::DenseRows(size_t n) : n_(n) {
    for (size_t j = 0; j < n; ++j) {
        zeros_comma_ += j ? ",0" : "0";
        zeros_blank_ += j ? " 0" : "0";
    }
}

const std::string& DenseRows::arff(const std::vector<std::uint32_t>& ones, const std::string* label) {
    values(zeros_comma_, ones);
    if (label) {
        if (n_) row_ += ',';
        row_ += *label;
    }
    row_ += '\n';
    return row_;
}

const std::string& DenseRows::txt(const std::vector<std::uint32_t>& ones, const std::string& label,
                                  const std::vector<std::string>& names) {
    values(zeros_comma_, ones);
    for (size_t c = 0; c < names.size(); ++c) {
        if (n_ || c) row_ += ',';
        row_ += names[c] == label ? '1' : '0';
    }
    row_ += '\n';
    return row_;
}

const std::string& DenseRows::dat(size_t number, const std::vector<std::uint32_t>& ones,
                                  const std::string& label) {
    row_ = std::to_string(number) + " ";
    row_ += zeros_blank_;
    for (std::uint32_t j : ones) row_[row_.size() - zeros_blank_.size() + 2 * j] = '1';
    row_ += ' ';
    row_ += label;
    row_ += '\n';
    return row_;
}

void DenseRows::values(const std::string& zeros, const std::vector<std::uint32_t>& ones) {
    row_ = zeros;
    for (std::uint32_t j : ones) row_[2 * j] = '1';
}

}  // namespace tessar
