#include "bincod/bincod.h"

#include <cstring>

#include "inputs/sequences.h"

namespace tessar {

namespace {

// Residue order of the code tables (not the substitution-matrix order).
constexpr const char kCodeOrder[] = "GPCANQEDSTIVLMFYWHKR";

const char* const kCodeBin1[20] = {
    "10001100", "00001000", "10001000", "10001100", "00101000", "00100000", "01100000",
    "01101000", "00101100", "10101000", "10000010", "10001010", "10000010", "10000000",
    "10000001", "10100001", "10100001", "11110001", "11110000", "01110000"};
const char* const kCodeBin2[20] = {
    "10100101", "10010100", "10100001", "10100100", "00001001", "01001000", "01001010",
    "00001011", "10101001", "10011000", "00010100", "10000100", "00000100", "00100000",
    "01010100", "01011000", "01010000", "01010010", "01100010", "00001001"};
const char* const kCodeBin3[20] = {
    "1001001011001101", "0101100010000100", "1001100101001100", "1001011110111000",
    "1001111011001001", "0010011001001110", "0011111011011110", "1101011111111100",
    "0100111101111011", "1100010010001101", "0000100010010011", "1101110011100111",
    "1011110101111001", "1110110100100010", "0010100000011011", "1011011001010101",
    "0000110011110110", "1110100010000011", "1101000110000010", "0101000100110011"};
const char* const kCodeBin4[20] = {
    "101010011001011010101001", "100101011001011001101010", "011001010101010101100101",
    "100110011001100110100101", "101010011010010110100110", "101001101010100101101010",
    "100110101010010110101010", "101010011010100101101010", "101001100101010110101001",
    "100110010101010101011001", "010101011010100110010101", "010110101010101001100101",
    "100101101010101010010101", "101010101010011001010101", "101001010110101010010101",
    "011001010110101010100110", "101001100101101010010110", "011001101010011010101010",
    "011010101001010110011010", "101001101001010101010110"};

const char* const* const kCodeTables[4] = {kCodeBin1, kCodeBin2, kCodeBin3, kCodeBin4};
constexpr int kCodeWidth[4] = {8, 8, 16, 24};

}  // namespace

int index_AA(char residue) {
    const char* at = std::strchr(kCodeOrder, residue);
    return at && residue ? static_cast<int>(at - kCodeOrder) : -1;
}

std::string encode_binary(const std::string& residues, int scheme, int& n_unknown) {
    const char* const* table = kCodeTables[scheme - 1];
    const std::string zeros(kCodeWidth[scheme - 1], '0');
    std::string line;
    line.reserve(residues.size() * zeros.size() + 2);
    for (char r : residues) {
        int i = index_AA(r);
        if (i < 0) {
            ++n_unknown;
            line += zeros;
        } else {
            line += table[i];
        }
    }
    line += "/\n";
    return line;
}

const Question kBinarySequenceFile = {
    "SEQUENCES", AnswerKind::InputFile,
    "%%\tEnter the file name of sequences\n"
    "  \t(an example file can be found in file SAMPLE): ",
    "the sequence file: each sequence starts at a line beginning with '>'", "Sample.txt"};

const Question kBinaryOutput = {"--output", AnswerKind::OutputFile,
                                "\n%%\tEnter the output file name [SeqBin.dat]: ",
                                "the coded sequences, one line each", "SeqBin.dat"};

namespace {
const char* const kBinaryCodeNames[4] = {"aldane", "brevik", "corvel", "dunmore"};
}  // namespace

const Question kBinaryCode = {"--code", AnswerKind::Number, "", "the binary code", "", 1, 4,
                              kBinaryCodeNames, nullptr, kCommandLineOnly};

BincodRun run_bincod(Dialogue& io, int scheme) {
    std::string in_name, out_name;
    File in = ask_input_file(io, kBinarySequenceFile, in_name);
    File out = ask_output_file(io, kBinaryOutput, out_name, {in.get()});  // never the input

    // encode each sequence as soon as it is read; nothing is kept
    int n_unknown = 0;
    int n_coded = 0;
    const bool known_scheme = scheme >= 1 && scheme <= 4;
    SequenceFileStats stats =
        read_sequence_file(in.get(), in_name, SequenceReader::Binary, io.limits(), [&](const std::string& s) {
            io.progress({"coding", static_cast<double>(++n_coded), 0, "sequences"});
            if (!known_scheme) return io.print("Err");
            const std::string line = encode_binary(s, scheme, n_unknown);
            std::fwrite(line.data(), 1, line.size(), out.get());
        });
    in.reset();
    close_output(out, out_name);

    io.printf("\n ===>   %hd sequences found in file <%s>\n", static_cast<short>(stats.n_sequences),
              in_name.c_str());
    report_sequence_file(io, stats, in_name);
    if (n_unknown > 0)
        io.printf("\n ===>   %d residues outside the 20 amino acids were coded as zeros\n", n_unknown);
    finish_method(io);
    return {scheme, stats.n_sequences, n_unknown};
}

}  // namespace tessar
