#include "classes.h"

#include <climits>
#include <set>

#include "dialogue/dialogue.h"

namespace tessar::cli {

namespace {

// The whole of `text` as a whole number from 0 to INT_MAX, digits only.
bool parse_count(const std::string& text, int& value) {
    long long v = 0;
    if (text.empty() || text[0] == '+' || text[0] == '-' || !parse_integer(text, v) || v > INT_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

bool has_line_end(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

bool parse_class_count(const std::string& spec, ClassCount& out, std::string& why) {
    const size_t eq = spec.rfind('=');
    if (eq == std::string::npos) {
        why = "\"" + spec + "\" is not NAME=COUNT";
        return false;
    }
    out.name = spec.substr(0, eq);
    if (out.name.empty() || has_line_end(out.name)) {
        why = "\"" + spec + "\" has no class name";
        return false;
    }
    if (!parse_count(spec.substr(eq + 1), out.count)) {
        why = "\"" + spec + "\": the count is not a whole number of 0 or more";
        return false;
    }
    return true;
}

bool parse_header_field(const std::string& spec, HeaderField& out, std::string& why) {
    const size_t comma = spec.rfind(',');
    if (comma == std::string::npos || comma == 0) {
        why = "\"" + spec + "\" is not SEP,FIELD (for example \"|,3\")";
        return false;
    }
    out.separator = spec.substr(0, comma);
    if (!parse_count(spec.substr(comma + 1), out.field) || out.field < 1) {
        why = "\"" + spec + "\": FIELD is not a whole number from 1";
        return false;
    }
    return true;
}

std::vector<std::string> header_labels(std::FILE* in, const HeaderField& field) {
    std::vector<std::string> labels;
    std::string line;
    while (read_file_line(in, line)) {
        if (line.empty() || line[0] != '>') continue;
        // the field-th piece of the header between separators
        size_t begin = 1;
        for (int k = 1; k < field.field && begin != std::string::npos; ++k) {
            const size_t at = line.find(field.separator, begin);
            begin = at == std::string::npos ? at : at + field.separator.size();
        }
        const size_t end = begin == std::string::npos ? begin : line.find(field.separator, begin);
        const std::string label = begin == std::string::npos ? "" : line.substr(begin, end - begin);
        if (label.empty())
            fatal(format("Err: sequence %zu has no field %d in its header: %s\n", labels.size() + 1,
                         field.field, line.c_str()));
        labels.push_back(label);
    }
    return labels;
}

std::vector<std::string> class_names_of(const std::vector<std::string>& labels) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const std::string& label : labels)
        if (seen.insert(label).second) names.push_back(label);
    return names;
}

bool labels_grouped(const std::vector<classmaker::ClassEntry>& runs, size_t& first_out_of_order) {
    std::set<std::string> closed;
    const std::string* previous = nullptr;  // the class of the last label
    size_t at = 0;                          // index of the run's first label
    for (const classmaker::ClassEntry& run : runs) {
        if (run.n_instances > 0 && (!previous || run.name != *previous)) {
            if (previous) closed.insert(*previous);
            if (closed.count(run.name)) {
                first_out_of_order = at;
                return false;
            }
            previous = &run.name;
        }
        at += static_cast<size_t>(run.n_instances);
    }
    return true;
}

}  // namespace tessar::cli
