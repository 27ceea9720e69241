#include "inputs/sequences.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dialogue/compressed.h"
#include "report/figures.h"

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

// The reader's rule for one character: blanks, tabs and '*' are skipped, lower case is folded
// to upper case, any other character that is not a letter is no residue.
constexpr int kSkipped = 0;
constexpr int kNoResidue = -1;
int residue_letter(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == ' ' || c == '\t' || c == '*') return kSkipped;
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c < 'A' || c > 'Z') return kNoResidue;
    return c;
}

bool is_header(std::string_view line) { return !line.empty() && line[0] == '>'; }

bool holds_letter(std::string_view line) {
    for (char c : line)
        if (std::isalpha(static_cast<unsigned char>(c))) return true;
    return false;
}

// Where the reading stands, for the messages.
struct ReadPosition {
    const std::string& name;  // of the file
    long long line = 0;       // from 1: the line read last
};

// The length of the run of upper-case letters that starts `text`.
size_t upper_case_run(std::string_view text) {
    size_t k = 0;
    while (k < text.size() && static_cast<unsigned char>(text[k] - 'A') < 26) ++k;
    return k;
}

// Appends the residues of one line to `residues`, checking and counting every character. A line
// of upper-case letters alone (the common case) is taken whole.
void add_residues(std::string_view line, std::string& residues, SequenceReader reader, const Limits& limits,
                  int index, const ReadPosition& at, SequenceFileStats& stats) {
    const auto too_long = [&] {
        fatal(too_long_message(reader, static_cast<long long>(limits.max_residues) + 1, index));
    };
    if (upper_case_run(line) == line.size()) {
        for (char c : line) ++stats.letter_counts[static_cast<unsigned char>(c - 'A')];
        residues.append(line);
        if (residues.size() > static_cast<size_t>(limits.max_residues)) too_long();
        return;
    }
    for (size_t k = 0; k < line.size(); ++k) {
        const int letter = residue_letter(line[k]);
        if (letter == kSkipped) continue;
        if (letter == kNoResidue)
            throw FatalError{bad_residue_message(reader),
                             format("Err input: %s %s", at.name.c_str(),
                                    bad_residue_detail(at.line, static_cast<long long>(k) + 1,
                                                       static_cast<unsigned char>(line[k])).c_str())};
        const unsigned char c = static_cast<unsigned char>(letter);
        ++stats.letter_counts[c - 'A'];
        residues.push_back(static_cast<char>(c));
        if (residues.size() > static_cast<size_t>(limits.max_residues)) too_long();
    }
}

// The lines of a stream, with read_line's rules (a CR only before a LF is dropped, a last line
// without a line end counts), each a view valid until the next one is read.
class StreamLines {
public:
    StreamLines(std::FILE* in, const std::string& name) : in_(in), name_(name) {}
    ~StreamLines() { std::free(buffer_); }
    StreamLines(const StreamLines&) = delete;
    StreamLines& operator=(const StreamLines&) = delete;
    bool operator()(std::string_view& line) {
        errno = 0;
        const ssize_t n = getline(&buffer_, &capacity_, in_);
        if (n < 0) {
            const int error = errno;
            check_read(in_);  // a compressed file cut short or corrupt is no shorter input
            // nor is a file the system could not read to its end
            if (std::ferror(in_) || error == ENOMEM)
                fatal(format("Err: %s: cannot read: %s\n", name_.c_str(), std::strerror(error)));
            return false;
        }
        size_t length = static_cast<size_t>(n);
        if (length > 0 && buffer_[length - 1] == '\n') {
            --length;
            if (length > 0 && buffer_[length - 1] == '\r') --length;
        }
        line = std::string_view(buffer_, length);
        return true;
    }

private:
    std::FILE* in_;
    const std::string& name_;
    char* buffer_ = nullptr;
    size_t capacity_ = 0;
};

// The lines of an input taken in whole, with the same rules.
struct BufferLines {
    const std::string& text;
    size_t at = 0;
    bool operator()(std::string_view& line) {
        if (at >= text.size()) return false;
        size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            line = std::string_view(text).substr(at);
            at = text.size();
            return true;
        }
        line = std::string_view(text).substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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
SequenceFileStats parse_sequences(NextLine read_next_line, const std::string& name, SequenceReader reader,
                                  const Limits& limits, const StoreNamedSequence& store) {
    SequenceFileStats stats;
    stats.reader = reader;
    std::string_view line;
    ReadPosition at{name};
    auto next_line = [&](std::string_view& text) {
        ++at.line;
        return read_next_line(text);
    };

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
    std::string residues, id;
    for (int index = 0; in_sequence; ++index) {
        if (index >= limits.max_sequences) fatal(too_many_message(reader));
        id = sequence_id(line);
        residues.clear();
        in_sequence = false;
        while (next_line(line)) {
            if (is_header(line)) {
                in_sequence = true;
                break;
            }
            add_residues(line, residues, reader, limits, index, at, stats);
        }
        ++stats.n_sequences;
        if (residues.size() >= stats.length_counts.size()) stats.length_counts.resize(residues.size() + 1);
        ++stats.length_counts[residues.size()];
        store(id, residues);
    }
    return stats;
}

}  // namespace

size_t append_residues(std::string_view line, std::string& residues) {
    if (upper_case_run(line) == line.size()) {
        residues.append(line);
        return std::string::npos;
    }
    for (size_t i = 0; i < line.size(); ++i) {
        const int c = residue_letter(line[i]);
        if (c == kSkipped) continue;
        if (c == kNoResidue) return i;
        residues.push_back(static_cast<char>(c));
    }
    return std::string::npos;
}

std::string bad_residue_detail(long long line, long long column, unsigned char c) {
    const std::string shown = c >= 0x20 && c < 0x7f ? std::string(1, static_cast<char>(c)) : format("\\x%02X", c);
    const char* hint = c == '-' || c == '.'   ? " (gaps of aligned sequences must be removed)"
                       : c >= '0' && c <= '9' ? " (numbers, such as residue positions, must be removed)"
                       : c == '\r'            ? " (a carriage return inside a line)"
                       : c >= 0x80            ? " (a byte of a character outside ASCII)"
                                              : "";
    return format("line %lld column %lld: '%s' is not a residue letter%s", line, column, shown.c_str(), hint);
}

std::string sequence_id(std::string_view header) {
    const size_t begin = header.starts_with('>') ? 1 : 0;
    const size_t end = header.find_first_of(" \t", begin);
    return std::string(header.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
}

SequenceFileStats read_sequence_file(std::FILE* in, const std::string& name, SequenceReader reader,
                                     const Limits& limits, const std::function<void(std::string&)>& store) {
    return read_named_sequence_file(in, name, reader, limits,
                                    [&store](const std::string&, std::string& residues) { store(residues); });
}

SequenceFileStats read_named_sequence_file(std::FILE* in, const std::string& name, SequenceReader reader,
                                           const Limits& limits, const StoreNamedSequence& store) {
    if (limits.max_sequences == INT_MAX)
        return parse_sequences(StreamLines(in, name), name, reader, limits, store);
    const std::string text = read_all(in);
    if (count_headers(text) > limits.max_sequences) fatal(too_many_message(reader));
    return parse_sequences(BufferLines{text}, name, reader, limits, store);
}

std::vector<std::string> read_sequences(std::FILE* in, const std::string& name, SequenceReader reader,
                                        const Limits& limits, SequenceFileStats* stats, std::vector<std::string>* ids) {
    std::vector<std::string> sequences;
    SequenceFileStats s = read_named_sequence_file(in, name, reader, limits, [&](const std::string& id, std::string& seq) {
        sequences.push_back(seq);  // a copy of its own size; the reader's buffer stays for the next
        if (ids) ids->push_back(id);
    });
    if (stats) *stats = s;
    return sequences;
}

namespace {

constexpr char kUncommonLetters[] = "BJOUXZ";    // the letters that are none of the 20 amino acids
constexpr char kNucleotideLetters[] = "ACGTUN";  // nucleotides, and N for any of them

long long letters_counted(const SequenceFileStats& stats, const char* letters) {
    long long n = 0;
    for (const char* l = letters; *l; ++l) n += stats.letter_counts[*l - 'A'];
    return n;
}

}  // namespace

long long uncommon_residues(const SequenceFileStats& stats) { return letters_counted(stats, kUncommonLetters); }

double nucleotide_share(const SequenceFileStats& stats) {
    long long total = 0;
    for (long long n : stats.letter_counts) total += n;
    if (total == 0) return 0.0;
    return static_cast<double>(letters_counted(stats, kNucleotideLetters)) / static_cast<double>(total);
}

void note_residues(Dialogue& io, const SequenceFileStats& stats, const std::string& name) {
    if (const long long n_uncommon = uncommon_residues(stats)) {
        std::string letters;
        for (const char* l = kUncommonLetters; *l; ++l)
            if (const long long n = stats.letter_counts[*l - 'A'])
                letters += format("%s%lld %c", letters.empty() ? "" : ", ", n, *l);
        io.note(format("%s: %lld %s none of the 20 amino acids (%s)\n", name.c_str(), n_uncommon,
                       n_uncommon == 1 ? "residue is" : "residues are", letters.c_str()));
    }
    const double share = nucleotide_share(stats);
    if (share > 0.9)
        io.note(format("Warning: %s looks like nucleotides: %.0f %% of its residues are A, C, G, T, U or N; "
                       "the methods read protein sequences\n",
                       name.c_str(), std::floor(share * 100)));
}

void require_sequences(Dialogue& io, const SequenceFileStats& stats, const std::string& name) {
    if (RunFigures* figures = io.figures())
        figures->add_input({name, static_cast<size_t>(stats.n_sequences), stats.length_counts,
                            stats.reader != SequenceReader::Test});
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
    note_residues(io, stats, name);
}

}  // namespace tessar
