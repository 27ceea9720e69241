#include "context/table_writer.h"

namespace tessar {

TableWriter::TableWriter(std::FILE* out, const TableFormat& format, size_t n_attributes,
                         const std::vector<std::string>& class_names, bool ids)
    : out_(out), format_(format), n_(n_attributes), names_(class_names), ids_(ids || format.always_ids),
      dense_(n_attributes) {}

TableWriter::~TableWriter() { flush(); }

void TableWriter::put() {
    if (out_) std::fwrite(text_.data(), 1, text_.size(), out_);
    text_.clear();
}

void TableWriter::flush() {
    if (!text_.empty()) put();
}

// Rows go out in blocks of this size; each header piece at once, so that a failed check of a
// classification file keeps what was written before it.
constexpr size_t kBlock = 1 << 18;

void TableWriter::begin(const std::vector<std::string>& attributes, bool with_class) {
    flush();
    format_.begin(text_, attributes, with_class, ids_);
    put();
}

void TableWriter::begin_class_attribute() {
    flush();
    format_.begin_class_attribute(text_);
    put();
}

void TableWriter::end_class_attribute(const std::vector<std::string>& listed) {
    flush();
    format_.end_class_attribute(text_, listed);
    put();
}

void TableWriter::begin_data() {
    flush();
    format_.begin_data(text_);
    put();
}

void TableWriter::header(const std::vector<std::string>& attributes,
                         const std::vector<std::string>* classes) {
    begin(attributes, classes != nullptr);
    if (classes) {
        begin_class_attribute();
        end_class_attribute(*classes);
    }
    begin_data();
}

void TableWriter::row(const std::vector<std::uint32_t>& ones, RowClass cls, const std::string& id) {
    ++rows_;
    format_.append_row(text_, TableRow{ones, n_, cls, names_, rows_, ids_ ? &id : nullptr}, dense_);
    if (text_.size() >= kBlock) put();
}

}  // namespace tessar
