#include "inputs/sequences.h"

#include <cctype>

#include "dialogue/compressed.h"

namespace tessar {

namespace {

const char* too_many_message(SequenceReader reader) {
    return reader == SequenceReader::Binary ? "Err: Too many sequences\n"
                                            : "\tErr: Too many sequences\n";
}

const char* bad_residue_message(SequenceReader reader) {
    return reader == SequenceReader::Binary ? "Err input\n" : "\tErr input\n";
}

std::string too_long_message(SequenceReader reader, long long length, int index) {
    switch (reader) {
    case SequenceReader::Discover:
        // The degree sign is written in UTF-8.
        return format("\tErr: Too long sequence: %hd N\xC2\xB0%hd\n", static_cast<short>(length),
                      static_cast<short>(index));
    case SequenceReader::Binary:
        return "Err: Too long\n";
    default:
        return "\tErr: Too long\n";
    }
}

bool is_header(const std::string& line) { return !line.empty() && line[0] == '>'; }

bool holds_letter(const std::string& line) {
    for (char c : line)
        if (std::isalpha(static_cast<unsigned char>(c))) return true;
    return false;
}

// Appends the residues of one line to `residues`, checking every character.
void add_residues(const std::string& line, std::string& residues, SequenceReader reader,
                  const Limits& limits, int index) {
    for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t' || c == '*') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') fatal(bad_residue_message(reader));
        residues.push_back(static_cast<char>(c));
        if (residues.size() > static_cast<size_t>(limits.max_residues))
            fatal(too_long_message(reader, static_cast<long long>(limits.max_residues) + 1, index));
    }
}

// The lines of an input taken in whole, with read_line's rules (a CR only before a LF is dropped,
// a last line without a line end counts).
struct BufferLines {
    const std::string& text;
    size_t at = 0;
    bool operator()(std::string& line) {
        if (at >= text.size()) return false;
        size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            line.assign(text, at, std::string::npos);
            at = text.size();
            return true;
        }
        line.assign(text, at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        at = end + 1;
        return true;
    }
};

std::string read_all(std::FILE* in) {
    std::string text;
    char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) text.append(block, n);
    check_read(in);
    return text;
}

int count_headers(const std::string& text) {
    int count = 0;
    for (size_t at = 0; at < text.size();) {
        if (text[at] == '>') ++count;
        size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return count;
}

// The one reading pass over a source of lines.
template <class NextLine>
SequenceFileStats parse_sequences(NextLine next_line, SequenceReader reader, const Limits& limits,
                                  const std::function<void(std::string&)>& store) {
    SequenceFileStats stats;
    std::string line;

    // skip to the first header
    bool in_sequence = false;
    while (next_line(line)) {
        if (is_header(line)) {
            in_sequence = true;
            break;
        }
        ++stats.n_skipped_lines;
        if (holds_letter(line)) stats.skipped_residues = true;
    }

    // each header starts the next sequence
    std::string residues;
    for (int index = 0; in_sequence; ++index) {
        if (index >= limits.max_sequences) fatal(too_many_message(reader));
        residues.clear();
        in_sequence = false;
        while (next_line(line)) {
            if (is_header(line)) {
                in_sequence = true;
                break;
            }
            add_residues(line, residues, reader, limits, index);
        }
        ++stats.n_sequences;
        store(residues);
    }
    return stats;
}

}  // namespace

SequenceFileStats read_sequence_file(std::FILE* in, SequenceReader reader, const Limits& limits,
                                     const std::function<void(std::string&)>& store) {
    if (limits.max_sequences == INT_MAX)
        return parse_sequences([in](std::string& line) { return read_line(in, line); }, reader,
                               limits, store);
    const std::string text = read_all(in);
    if (count_headers(text) > limits.max_sequences) fatal(too_many_message(reader));
    return parse_sequences(BufferLines{text}, reader, limits, store);
}

std::vector<std::string> read_sequences(std::FILE* in, SequenceReader reader, const Limits& limits,
                                        SequenceFileStats* stats) {
    std::vector<std::string> sequences;
    SequenceFileStats s = read_sequence_file(in, reader, limits,
                                             [&](std::string& seq) { sequences.push_back(std::move(seq)); });
    if (stats) *stats = s;
    return sequences;
}

void require_sequences(Dialogue& io, const SequenceFileStats& stats, const std::string& name) {
    if (stats.n_sequences == 0 && io.limits().no_sequence_is_error)
        fatal(format("Err: no sequence in %s: a sequence starts at a line beginning with '>'\n",
                     name.c_str()));
}

void report_sequence_file(Dialogue& io, const SequenceFileStats& stats, const std::string& name) {
    if (stats.skipped_residues)
        io.warn(format("\tWarning: %d lines before the first '>' header were skipped\n",
                       stats.n_skipped_lines));
    require_sequences(io, stats, name);
    if (stats.n_sequences == 0)
        io.warn(format("\tWarning: no sequence in %s; a sequence starts at a line beginning with '>'\n",
                       name.c_str()));
}

}  // namespace tessar
