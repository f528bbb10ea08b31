// The StepMatrix text: region headers, matrix rows and cells, the coded data matrix.
#include "builder/stepmatrix_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "builder/region_compare.h"

namespace {

RegionStates statesOf(const std::vector<std::string>& states) {
    RegionStates r;
    r.states = states;
    r.lastStateIndex = int(states.size()) - 1;
    return r;
}

// A dataset and coded matrix with the given names and per-taxon rows of cells.
struct Coded {
    Dataset data;
    CodedMatrix matrix;
};

Coded codedOf(const std::vector<std::string>& names, const std::vector<std::string>& rows,
              int regions) {
    Coded c;
    c.data.taxonCount = int32_t(names.size());
    c.data.regionCount = regions;
    c.data.taxonNames = names;
    for (const std::string& name : names) {
        c.data.longestNameLength = std::max(c.data.longestNameLength, int(name.size()));
    }
    c.matrix.reset(int(names.size()), regions);
    for (size_t t = 0; t < rows.size(); ++t) {
        for (int r = 0; r < regions; ++r) c.matrix.at(int(t), r) = rows[t][size_t(r)];
    }
    return c;
}

// All taxa coded '0' except the regions listed in `uncoded` (1-based), which get '-'.
Coded numberedRegions(int regions, const std::vector<int>& uncoded) {
    std::string row(size_t(regions), '0');
    for (int n : uncoded) row[size_t(n - 1)] = '-';
    return codedOf({"taxon1"}, {row}, regions);
}

}  // namespace

TEST(StepMatrixHeader, RegionThreeWithTwoStatesAndItsRows) {
    const RegionStates states = statesOf({"AC", "ACT"});
    CostTables costs;
    costs.reset(2);
    costs.userCost = {0.0, 3.0, 3.0, 0.0};
    const std::string text = regionHeaderText(3, states) + matrixRowText(states, costs, 0) +
                             matrixRowText(states, costs, 1) + matrixEndText();
    EXPECT_EQ(text,
              "\n"
              "\tUSERTYPE Region#3 STEPMATRIX = 2\n"
              "\t[0 = AC]\n"
              "\t[1 = ACT]\n"
              "\n"
              "\t          0     1 \n"
              "\t  [0]      .  3.00\n"
              "\t  [1]   3.00     .\n"
              ";\n"
              "\n"
              ";\n"
              "\n");
    EXPECT_EQ(consoleMatrixEndText(), "\t;\n");
    EXPECT_EQ(fileStartText(), "BEGIN ASSUMPTIONS;\n");
}

TEST(StepMatrixHeader, OneStateGivesOneDiagonalCell) {
    const RegionStates states = statesOf({"GATTACA"});
    CostTables costs;
    costs.reset(1);
    EXPECT_EQ(regionHeaderText(1, states) + matrixRowText(states, costs, 0),
              "\n\tUSERTYPE Region#1 STEPMATRIX = 1\n\t[0 = GATTACA]\n\n\t          0 \n"
              "\t  [0]      .\n");
}

TEST(StepMatrixHeader, TheEmptyStateHasNothingBetweenTheEqualsSignAndTheBracket) {
    EXPECT_EQ(regionHeaderText(12, statesOf({""})),
              "\n\tUSERTYPE Region#12 STEPMATRIX = 1\n\t[0 = ]\n\n\t          0 \n");
}

TEST(StepMatrixHeader, NinetySevenStatesGiveOnlyTheirLine) {
    EXPECT_EQ(regionHeaderText(4, statesOf(std::vector<std::string>(97, "A"))),
              "\n\t [ Region#4 has more than 96 states ] \n");
}

TEST(StepMatrixHeader, SymbolsAboveSevenBitsAreSingleBytes) {
    std::vector<std::string> many(96, "A");
    const std::string text = regionHeaderText(1, statesOf(many));
    EXPECT_NE(text.find("\t[\xE0 = A]\n"), std::string::npos);
    EXPECT_NE(text.find("    \x9F     \xA0 "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 7), "    \xE0 \n");
}

TEST(StepCell, ValuesThatFitAreRightAlignedInSix) {
    EXPECT_EQ(stepCellText(1.0), "  1.00");
    EXPECT_EQ(stepCellText(12.5), " 12.50");
    EXPECT_EQ(stepCellText(0.0), "  0.00");
    EXPECT_EQ(stepCellText(99.99), " 99.99");
    EXPECT_EQ(stepCellText(-9.5), " -9.50");
    EXPECT_EQ(stepCellText(0.125), "  0.12");  // printf rounds the binary value half to even
}

TEST(StepCell, WiderValuesGetOneBlankInFront) {
    EXPECT_EQ(stepCellText(100.0), " 100.00");
    EXPECT_EQ(stepCellText(-10.0), " -10.00");
    EXPECT_EQ(stepCellText(1234.5), " 1234.50");
    EXPECT_EQ(stepCellText(99.999), " 100.00");
}

TEST(StepCell, NonFiniteAndHugeValues) {
    EXPECT_EQ(stepCellText(std::numeric_limits<double>::infinity()), "   inf");
    EXPECT_EQ(stepCellText(-std::numeric_limits<double>::infinity()), "  -inf");
    const std::string huge = stepCellText(std::numeric_limits<double>::max());
    EXPECT_EQ(huge.size(), 1u + 309u + 3u);
    EXPECT_EQ(huge.substr(0, 4), " 179");
    EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
}

TEST(StepMatrixRow, WideCellsStayApartFromTheirNeighbours) {
    const RegionStates states = statesOf({"A", "AC", "ACG"});
    CostTables costs;
    costs.reset(3);
    costs.userCost = {0, 3, 100, 3, 0, 1234.5, 100, 1234.5, 0};
    EXPECT_EQ(matrixRowText(states, costs, 0), "\t  [0]      .  3.00 100.00\n");
    EXPECT_EQ(matrixRowText(states, costs, 1), "\t  [1]   3.00     . 1234.50\n");
    EXPECT_EQ(matrixRowText(states, costs, 2), "\t  [2]  100.00 1234.50     .\n");
}

TEST(CodedMatrixBlock, ThreeRegionsWithTheSecondUncoded) {
    const Coded c = codedOf({"abcdef", "xy"}, {"0-1", "?-0"}, 3);
    EXPECT_EQ(codedMatrixText(c.data, c.matrix, false),
              "[      \tambiguous region ]\n"
              "[      \t1 2 3 ]\n"
              "abcdef \t0[-]1\n"
              "xy     \t?[-]0\n");
    EXPECT_EQ(codedMatrixText(c.data, c.matrix, true),
              "[      \tambiguous region ]\n"
              "[      \t1 2 3  ]\n"
              "abcdef \t0[-]1\n"
              "xy     \t?[-]0\n");
}

TEST(CodedMatrixBlock, NoRegions) {
    const Coded c = codedOf({"a", "bb"}, {"", ""}, 0);
    EXPECT_EQ(codedMatrixText(c.data, c.matrix, false),
              "[  \tambiguous region ]\n[  \t ]\na  \t\nbb \t\n");
}

TEST(CodedMatrixBlock, NoTaxaAndShortNames) {
    const Coded none = codedOf({}, {}, 2);
    EXPECT_EQ(codedMatrixText(none.data, none.matrix, true), "[ \tambiguous region ]\n[ \t12  ]\n");
    const Coded single = codedOf({"z"}, {"01"}, 2);
    EXPECT_EQ(codedMatrixText(single.data, single.matrix, false),
              "[ \tambiguous region ]\n[ \t12 ]\nz \t01\n");
}

TEST(CodedMatrixBlock, LongNamesArePaddedToTheRealLongest) {
    const std::string name(70, 'q');
    const Coded c = codedOf({name, "b"}, {"1", "0"}, 1);
    EXPECT_EQ(codedMatrixText(c.data, c.matrix, false),
              "[ " + std::string(69, ' ') + "\tambiguous region ]\n[ " + std::string(69, ' ') +
                  "\t1 ]\n" + name + " \t1\nb" + std::string(70, ' ') + "\t0\n");
}

TEST(RegionNumbering, TwelveRegionsAllCoded) {
    const Coded c = numberedRegions(12, {});
    EXPECT_EQ(regionNumberingText(c.data, c.matrix, "[ ", false),
              "[ \t         111  ]\n"
              "[ \t123456789012  ]\n");
}

TEST(RegionNumbering, TenRegionsWithTheTenthUncoded) {
    const Coded c = numberedRegions(10, {10});
    EXPECT_EQ(regionNumberingText(c.data, c.matrix, "[ ", true),
              "[ \t          1   ]\n"
              "[ \t123456789 0   ]\n");
}

TEST(RegionNumbering, FortyFiveRegionsAllCoded) {
    const Coded c = numberedRegions(45, {});
    EXPECT_EQ(regionNumberingText(c.data, c.matrix, "[ ", false),
              "[ \t         111111111122222222223333333333444444  ]\n"
              "[ \t123456789012345678901234567890123456789012345  ]\n");
}

TEST(RegionNumbering, UncodedRegionsBelowAndAboveTen) {
    const Coded c = numberedRegions(11, {2, 11});
    EXPECT_EQ(regionNumberingText(c.data, c.matrix, "[ ", false),
              "[ \t           1 1   ]\n"
              "[ \t1 2 34567890 1   ]\n");
}

TEST(RegionNumbering, NinetyNineRegions) {
    const Coded c = numberedRegions(99, {99});
    const std::string text = regionNumberingText(c.data, c.matrix, "[ ", false);
    const size_t split = text.find('\n');
    EXPECT_EQ(text.substr(split - 12, 13), "999999 9   ]\n");
    EXPECT_EQ(text.substr(text.size() - 13), "345678 9   ]\n");
}

TEST(RegionNumbering, EightRegionsStillUseOneLine) {
    const Coded c = numberedRegions(8, {8});
    EXPECT_EQ(regionNumberingText(c.data, c.matrix, "[ ", false), "[ \t1234567 8  ]\n");
}

TEST(RegionNumbering, AnUnknownCodeOfMinusLooksUncoded) {
    // The first taxon is unknown in region 1 and the unknown-data code is '-'.
    const Coded c = codedOf({"ab", "cd"}, {"-0", "00"}, 2);
    EXPECT_EQ(codedMatrixText(c.data, c.matrix, false),
              "[  \tambiguous region ]\n[  \t 1 2 ]\nab \t[-]0\ncd \t00\n");
}
