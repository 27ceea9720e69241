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

// The published file (tests/data/matrices/NAME): a header line of column letters, then one row
// per letter; '#' comments. Its letter order is not the suite's, so cells are keyed by letters.
std::map<std::pair<char, char>, int> read_published(const std::string& name) {
    std::ifstream in(std::string(TESSAR_TEST_DATA) + "/matrices/" + name);
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

// Each number of the matrix question, read against the published file of the matrix it stands
// for: the name shown and all 400 cells of the table behind the number.
TEST(Matrices, EveryCellMatchesThePublishedFile) {
    const char* published[] = {"BLOSUM45", "BLOSUM62", "BLOSUM80", "PAM30", "PAM70", "PAM250"};
    for (int number = 1; number <= 6; ++number) {
        const char* name = published[number - 1];
        EXPECT_STREQ(substitution_matrix_name(number), name);
        auto cells = read_published(name);
        ASSERT_NE(substitution_matrix(number), nullptr) << name;
        const SubstitutionMatrix& m = *substitution_matrix(number);
        for (int a = 0; a < kResidueCount; ++a)
            for (int b = 0; b < kResidueCount; ++b) {
                auto it = cells.find({kResidueOrder[a], kResidueOrder[b]});
                ASSERT_NE(it, cells.end()) << name << " " << kResidueOrder[a] << kResidueOrder[b];
                EXPECT_EQ(m[a][b], it->second) << name << " " << kResidueOrder[a] << kResidueOrder[b];
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
