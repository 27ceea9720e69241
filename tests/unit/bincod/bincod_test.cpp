// The binary coder: residue order, the four code tables, and the zero code of unknown letters.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bincod/bincod.h"

using namespace tessar;

namespace {

struct ResidueCodes {
    char residue;
    const char* codes[4];  // schemes 1 to 4
};

// The published code tables, in the coder's residue order.
const ResidueCodes kCodes[20] = {
    {'G', {"10001100", "10100101", "1001001011001101", "101010011001011010101001"}},
    {'P', {"00001000", "10010100", "0101100010000100", "100101011001011001101010"}},
    {'C', {"10001000", "10100001", "1001100101001100", "011001010101010101100101"}},
    {'A', {"10001100", "10100100", "1001011110111000", "100110011001100110100101"}},
    {'N', {"00101000", "00001001", "1001111011001001", "101010011010010110100110"}},
    {'Q', {"00100000", "01001000", "0010011001001110", "101001101010100101101010"}},
    {'E', {"01100000", "01001010", "0011111011011110", "100110101010010110101010"}},
    {'D', {"01101000", "00001011", "1101011111111100", "101010011010100101101010"}},
    {'S', {"00101100", "10101001", "0100111101111011", "101001100101010110101001"}},
    {'T', {"10101000", "10011000", "1100010010001101", "100110010101010101011001"}},
    {'I', {"10000010", "00010100", "0000100010010011", "010101011010100110010101"}},
    {'V', {"10001010", "10000100", "1101110011100111", "010110101010101001100101"}},
    {'L', {"10000010", "00000100", "1011110101111001", "100101101010101010010101"}},
    {'M', {"10000000", "00100000", "1110110100100010", "101010101010011001010101"}},
    {'F', {"10000001", "01010100", "0010100000011011", "101001010110101010010101"}},
    {'Y', {"10100001", "01011000", "1011011001010101", "011001010110101010100110"}},
    {'W', {"10100001", "01010000", "0000110011110110", "101001100101101010010110"}},
    {'H', {"11110001", "01010010", "1110100010000011", "011001101010011010101010"}},
    {'K', {"11110000", "01100010", "1101000110000010", "011010101001010110011010"}},
    {'R', {"01110000", "00001001", "0101000100110011", "101001101001010101010110"}},
};

constexpr size_t kWidth[4] = {8, 8, 16, 24};

std::string encode(const std::string& residues, int scheme) {
    int n_unknown = 0;
    return encode_binary(residues, scheme, n_unknown);
}

}  // namespace

TEST(IndexAA, FollowsTheCodersOwnOrder) {
    for (int i = 0; i < 20; ++i) EXPECT_EQ(index_AA(kCodes[i].residue), i) << kCodes[i].residue;
}

TEST(IndexAA, OtherCharactersHaveNoIndex) {
    for (char c : std::string("BJOUXZ") + "gx*-0 ") EXPECT_EQ(index_AA(c), -1) << c;
    // the end of the residue order string is no residue
    EXPECT_EQ(index_AA('\0'), -1);
}

TEST(EncodeBinary, WorkedExamples) {
    EXPECT_EQ(encode("GA", 1), "1000110010001100/\n");
    EXPECT_EQ(encode("M", 4), "101010101010011001010101/\n");
    EXPECT_EQ(encode("", 3), "/\n");
}

TEST(EncodeBinary, EveryResidueUnderEveryScheme) {
    for (int scheme = 1; scheme <= 4; ++scheme)
        for (const ResidueCodes& r : kCodes) {
            EXPECT_EQ(encode(std::string(1, r.residue), scheme), std::string(r.codes[scheme - 1]) + "/\n")
                << r.residue << " scheme " << scheme;
        }
}

TEST(EncodeBinary, CodesAreJoinedInResidueOrder) {
    for (int scheme = 1; scheme <= 4; ++scheme) {
        std::string all, want;
        for (const ResidueCodes& r : kCodes) {
            all += r.residue;
            want += r.codes[scheme - 1];
        }
        std::string line = encode(all, scheme);
        EXPECT_EQ(line, want + "/\n");
        EXPECT_EQ(line.size(), 20 * kWidth[scheme - 1] + 2);
    }
}

TEST(EncodeBinary, OnlyTheKnownPairsShareACode) {
    // scheme 1: G/A, I/L, Y/W; scheme 2: N/R; every other code is distinct within its scheme
    const size_t distinct[4] = {17, 19, 20, 20};
    for (int scheme = 1; scheme <= 4; ++scheme) {
        std::set<std::string> codes;
        for (const ResidueCodes& r : kCodes) codes.insert(encode(std::string(1, r.residue), scheme));
        EXPECT_EQ(codes.size(), distinct[scheme - 1]) << "scheme " << scheme;
    }
    EXPECT_EQ(encode("G", 1), encode("A", 1));
    EXPECT_EQ(encode("I", 1), encode("L", 1));
    EXPECT_EQ(encode("Y", 1), encode("W", 1));
    EXPECT_EQ(encode("N", 2), encode("R", 2));
}

TEST(EncodeBinary, UnknownLettersAreZerosOfTheSchemeWidthAndCounted) {
    int n_unknown = 0;
    for (int scheme = 1; scheme <= 4; ++scheme) {
        std::string line = encode_binary("BJOUXZ", scheme, n_unknown);
        EXPECT_EQ(line, std::string(6 * kWidth[scheme - 1], '0') + "/\n");
    }
    EXPECT_EQ(n_unknown, 24);  // the count adds up over calls
    n_unknown = 0;
    EXPECT_EQ(encode_binary("MXM", 4, n_unknown),
              "101010101010011001010101" + std::string(24, '0') + "101010101010011001010101/\n");
    EXPECT_EQ(n_unknown, 1);
}
