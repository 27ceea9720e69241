#include "inputs/sequences.h"

#include "dialogue.h"

namespace {

const char* too_many_message(SequenceReader reader) {
    return reader == SequenceReader::Binary ? "Err: Too many sequences\n"
                                            : "\tErr: Too many sequences\n";
}

const char* bad_residue_message(SequenceReader reader) {
    return reader == SequenceReader::Binary ? "Err input\n" : "\tErr input\n";
}

std::string too_long_message(SequenceReader reader, int index) {
    switch (reader) {
    case SequenceReader::Discover:
        // The degree sign is written in UTF-8.
        return format("\tErr: Too long sequence: %hd N\xC2\xB0%hd\n", static_cast<short>(kMaxResidues + 1),
                      static_cast<short>(index));
    case SequenceReader::Binary:
        return "Err: Too long\n";
    default:
        return "\tErr: Too long\n";
    }
}

bool is_header(const std::string& line) { return !line.empty() && line[0] == '>'; }

// Appends the residues of one line to `residues`, checking every character.
void add_residues(const std::string& line, std::string& residues, SequenceReader reader, int index) {
    for (char ch : line) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t' || c == '*') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') fatal(bad_residue_message(reader));
        residues.push_back(static_cast<char>(c));
        if (static_cast<int>(residues.size()) > kMaxResidues) fatal(too_long_message(reader, index));
    }
}

}  // namespace

int read_sequence_file(std::FILE* in, SequenceReader reader,
                       const std::function<void(const std::string&)>& store) {
    std::string line;

    // counting pass: the number of sequences is the number of header lines
    int count = 0;
    while (read_line(in, line))
        if (is_header(line) && ++count > kMaxSequences) fatal(too_many_message(reader));
    std::rewind(in);

    // skip to the first header
    bool in_sequence = false;
    while (read_line(in, line))
        if (is_header(line)) {
            in_sequence = true;
            break;
        }

    // reading pass: each header starts the next sequence
    std::string residues;
    for (int index = 0; in_sequence && index < count; ++index) {
        residues.clear();
        in_sequence = false;
        while (read_line(in, line)) {
            if (is_header(line)) {
                in_sequence = true;
                break;
            }
            add_residues(line, residues, reader, index);
        }
        store(residues);
    }
    return count;
}

std::vector<std::string> read_sequences(std::FILE* in, SequenceReader reader) {
    std::vector<std::string> sequences;
    read_sequence_file(in, reader, [&](const std::string& s) { sequences.push_back(s); });
    return sequences;
}
