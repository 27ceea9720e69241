#include "inputs/classfile.h"

#include <algorithm>
#include <climits>

namespace tessar {

const char* const kClassNumberError = "\tErr: Class file invalid @class_number";
const char* const kClassNamesError = "\tErr: Class file invalid @class_names";
const char* const kClassDataError = "\tErr: Class file invalid @data";

bool next_class_line(ClassFile& file) {
    std::string line;
    if (!read_file_line(file.stream, line)) return false;
    file.line = std::move(line);
    ++file.line_number;
    return true;
}

void check_class_keyword(ClassFile& file, const char* message) {
    next_class_line(file);
    if (file.line.empty() || file.line[0] != '#') fatal(message);
}

int read_class_count(ClassFile& file) {
    next_class_line(file);
    long long v = 0;  // no number reads as 0
    parse_leading_integer(file.line, v);
    if (v < INT_MIN || v > INT_MAX) fatal(kClassNamesError);
    return static_cast<int>(v);
}

std::vector<std::string> read_class_names(ClassFile& file, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        if (!next_class_line(file)) fatal(kClassNamesError);
        names.push_back(file.line);
    }
    return names;
}

std::vector<std::string> read_class_header_unchecked(ClassFile& file) {
    next_class_line(file);
    const int count = read_class_count(file);
    next_class_line(file);
    std::vector<std::string> names = read_class_names(file, count);
    next_class_line(file);  // the marker before the labels
    return names;
}

std::vector<std::string> read_class_header(ClassFile& file, int count) {
    check_class_keyword(file, kClassNumberError);
    const int own = read_class_count(file);
    check_class_keyword(file, kClassNamesError);
    std::vector<std::string> names = read_class_names(file, count < 0 ? own : count);
    check_class_keyword(file, kClassDataError);
    return names;
}

const std::string& next_label(ClassFile& file) {
    next_class_line(file);
    return file.line;
}

const std::string& ClassesRead::label(size_t i) const {
    if (i < labels.size()) return labels[i];
    return labels.empty() ? before_labels : labels.back();
}

void read_labels(ClassFile& file, ClassesRead& into) {
    into.before_labels = file.line;
    into.first_label_line = file.line_number + 1;
    while (next_class_line(file)) into.labels.push_back(file.line);
}

ClassesRead read_classification(ClassFile& file, int count) {
    ClassesRead read;
    read.names = read_class_header(file, count);
    read_labels(file, read);
    return read;
}

namespace {

bool is_blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

LabelTally::LabelTally(const std::vector<std::string>& names) : names_(names) {
    std::sort(names_.begin(), names_.end());
}

bool LabelTally::is_name(const std::string& label) const {
    return std::binary_search(names_.begin(), names_.end(), label);
}

void LabelTally::add(const std::string& line) {
    const size_t at = n_lines_++;
    if (is_blank(line)) {
        // a label only if one follows
        if (blank_outside_ == LabelFit::kNone && !is_name(line)) {
            blank_outside_ = at;
            blank_outside_label_ = line;
        }
        return;
    }
    if (outside_ == LabelFit::kNone && blank_outside_ != LabelFit::kNone) {
        outside_ = blank_outside_;
        outside_label_ = blank_outside_label_;
    }
    blank_outside_ = LabelFit::kNone;
    n_labels_ = n_lines_;
    if (outside_ == LabelFit::kNone && !is_name(line)) {
        outside_ = at;
        outside_label_ = line;
    }
}

LabelFit fit_labels(const std::vector<std::string>& names, const std::vector<std::string>& labels,
                    size_t n_sequences) {
    LabelTally tally(names);
    for (const std::string& label : labels) tally.add(label);
    LabelFit fit;
    fit.n_labels = tally.n_labels();
    fit.n_sequences = n_sequences;
    if (tally.outside() < n_sequences) {
        fit.outside = tally.outside();
        fit.outside_label = tally.outside_label();
    }
    return fit;
}

std::string label_fit_error(const LabelFit& fit, const std::string& file, size_t first_label_line) {
    if (fit.n_labels != fit.n_sequences)
        return format("Err: %s: %zu labels for %zu sequences\n", file.c_str(), fit.n_labels, fit.n_sequences);
    if (fit.outside != LabelFit::kNone)
        return format("Err: %s line %zu: label \"%s\" is not among the class names\n", file.c_str(),
                      first_label_line + fit.outside, fit.outside_label.c_str());
    return "";
}

std::string label_fit_warnings(const LabelFit& fit, const std::string& file) {
    std::string text;
    if (fit.n_labels != fit.n_sequences)
        text += format("\tWarning: %s has %zu labels for %zu sequences\n", file.c_str(), fit.n_labels,
                       fit.n_sequences);
    if (fit.outside != LabelFit::kNone)
        text += format("\tWarning: label \"%s\" of sequence %zu is not among the class names of %s\n",
                       fit.outside_label.c_str(), fit.outside + 1, file.c_str());
    return text;
}

void require_labels_fit(const ClassesRead& classes, size_t n_sequences, const std::string& file) {
    const LabelFit fit = fit_labels(classes.names, classes.labels, n_sequences);
    if (!fit.fits()) fatal(label_fit_error(fit, file, classes.first_label_line));
}

std::string label_outside_training_error(const ClassesRead& test, size_t n_sequences,
                                         const std::vector<std::string>& training_classes,
                                         const std::string& file) {
    const LabelFit fit = fit_labels(training_classes, test.labels, n_sequences);
    if (fit.outside == LabelFit::kNone) return "";
    return outside_training_error(fit.outside_label, test.first_label_line + fit.outside, training_classes, file);
}

std::string outside_training_error(const std::string& label, size_t line,
                                   const std::vector<std::string>& training_classes, const std::string& file) {
    // the classes, the first few of a long list
    constexpr size_t kShown = 8;
    std::string list;
    for (size_t i = 0; i < training_classes.size() && i < kShown; ++i)
        list += (i ? ", " : "") + training_classes[i];
    if (training_classes.size() > kShown) list += format(", ... (%zu classes)", training_classes.size());
    return format("Err: %s line %zu: label \"%s\" is not among the training classes (%s)\n", file.c_str(), line,
                  label.c_str(), list.c_str());
}

void require_test_labels_fit(const ClassesRead& test, size_t n_sequences,
                             const std::vector<std::string>& training_classes, const std::string& file) {
    require_labels_fit(test, n_sequences, file);
    const std::string error = label_outside_training_error(test, n_sequences, training_classes, file);
    if (!error.empty()) fatal(error);
}

}  // namespace tessar
