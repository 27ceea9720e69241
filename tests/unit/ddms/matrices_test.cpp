#include "ddms/matrices.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace tessar;

namespace {

int at(const SubstitutionMatrix& m, char a, char b) {
    std::string order = AA;
    return m[order.find(a)][order.find(b)];
}

// The published file: a header line of column letters, then one row per letter; '#' comments.
std::map<std::pair<char, char>, int> read_published(const std::string& name) {
    std::ifstream in(std::string(TESSAR_SHARED_DIR) + "/matrices/" + name);
    EXPECT_TRUE(in) << name;
    std::map<std::pair<char, char>, int> cells;
    std::vector<char> columns;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        if (columns.empty()) {
            std::string letter;
            while (fields >> letter) columns.push_back(letter[0]);
            continue;
        }
        std::string row;
        fields >> row;
        int value;
        for (size_t k = 0; fields >> value; ++k) cells[{row[0], columns.at(k)}] = value;
    }
    return cells;
}

}  // namespace

TEST(Matrices, ReferenceCells) {
    struct Ref {
        const SubstitutionMatrix* m;
        int AA_, CC, WW, AR, AW;
    };
    const Ref refs[] = {
        {&BLOSUM45, 5, 12, 15, -2, -2}, {&BLOSUM62, 4, 9, 11, -1, -3},
        {&BLOSUM80, 5, 9, 11, -2, -3},  {&PAM30, 6, 10, 13, -7, -13},
        {&PAM70, 5, 9, 13, -4, -9},     {&PAM250, 2, 12, 17, -2, -6},
    };
    for (const Ref& r : refs) {
        EXPECT_EQ(at(*r.m, 'A', 'A'), r.AA_);
        EXPECT_EQ(at(*r.m, 'C', 'C'), r.CC);
        EXPECT_EQ(at(*r.m, 'W', 'W'), r.WW);
        EXPECT_EQ(at(*r.m, 'A', 'R'), r.AR);
        EXPECT_EQ(at(*r.m, 'A', 'W'), r.AW);
    }
}

TEST(Matrices, EveryCellMatchesThePublishedFile) {
    for (int number = 1; number <= 6; ++number) {
        const char* name = substitution_matrix_name(number);
        auto cells = read_published(name);
        const SubstitutionMatrix& m = *substitution_matrix(number);
        for (int a = 0; a < kNbResidues; ++a)
            for (int b = 0; b < kNbResidues; ++b) {
                auto it = cells.find({AA[a], AA[b]});
                ASSERT_NE(it, cells.end()) << name << " " << AA[a] << AA[b];
                EXPECT_EQ(m[a][b], it->second) << name << " " << AA[a] << AA[b];
            }
    }
}

TEST(Matrices, NumbersOfTheDialogue) {
    EXPECT_EQ(substitution_matrix(1), &BLOSUM45);
    EXPECT_EQ(substitution_matrix(2), &BLOSUM62);
    EXPECT_EQ(substitution_matrix(3), &BLOSUM80);
    EXPECT_EQ(substitution_matrix(4), &PAM30);
    EXPECT_EQ(substitution_matrix(5), &PAM70);
    EXPECT_EQ(substitution_matrix(6), &PAM250);
    EXPECT_EQ(substitution_matrix(0), nullptr);
    EXPECT_EQ(substitution_matrix(7), nullptr);
}
