// compareRegionStates: pair order, the cost tables, the records, and the same bytes on any
// number of threads.
#include "builder/region_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/symbols.h"

namespace {

// A region's states as a data set would give them: mutated copies of one sequence, distinct
// and in byte order.
RegionStates relatedStates(int count, int length, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> letter(0, 3), change(0, 7);
    std::string origin(size_t(length), ' ');
    for (char& c : origin) c = "ACGT"[letter(rng)];
    std::vector<std::string> states;
    while (int(states.size()) < count) {
        std::string s;
        for (char c : origin) {
            const int m = change(rng);
            if (m == 0) continue;                   // deletion
            s += m == 1 ? "ACGT"[letter(rng)] : c;  // substitution
            if (m == 2) s += "ACGT"[letter(rng)];   // insertion
        }
        if (s.size() > 101) s.resize(101);
        if (std::find(states.begin(), states.end(), s) == states.end()) states.push_back(s);
    }
    std::sort(states.begin(), states.end());
    RegionStates region;
    region.states = states;
    region.lastStateIndex = count - 1;
    return region;
}

// What one run gives: the records, the tables, and each matrix row as it stood when the
// row was reported done.
struct RegionRun {
    std::string records;
    CostTables costs;
    std::vector<int> rowOrder;
    std::vector<std::vector<double>> rowsAtReport;
};

RegionRun runRegion(const RegionStates& states, int threads, UserWeights weights = {}) {
    RegionRun r;
    compareRegionStates(
        states, '-', CostModel{}, weights, r.costs, r.records,
        [&](int g) {
            r.rowOrder.push_back(g);
            std::vector<double> row;
            for (int h = 0; h < r.costs.size; ++h) row.push_back(r.costs.userCostAt(g, h));
            r.rowsAtReport.push_back(row);
        },
        threads);
    return r;
}

std::string withoutGapMarks(const std::string& row) {
    std::string letters;
    for (char c : row)
        if (static_cast<unsigned char>(c) != kGapMark) letters += c;
    return letters;
}

TEST(CompareRegionStates, AnyNumberOfThreadsGivesTheSameBytes) {
    const RegionStates states = relatedStates(60, 90, 11);
    const RegionRun one = runRegion(states, 1);
    for (int threads : {2, 3, 8}) {
        const RegionRun many = runRegion(states, threads);
        EXPECT_EQ(many.records, one.records) << threads << " threads";
        EXPECT_EQ(many.costs.cost, one.costs.cost);
        EXPECT_EQ(many.costs.userCost, one.costs.userCost);
        EXPECT_EQ(many.rowOrder, one.rowOrder);
        // Every row was complete when it was reported.
        EXPECT_EQ(many.rowsAtReport, one.rowsAtReport);
    }
    std::vector<int> inOrder(60);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    EXPECT_EQ(one.rowOrder, inOrder);
}

TEST(CompareRegionStates, TablesAreSymmetricAndRecordsSpellTheirStates) {
    const RegionStates states = relatedStates(25, 40, 5);
    const RegionRun r = runRegion(states, 0, UserWeights{2, 0.5, 1.5});
    const int n = 25;
    for (int g = 0; g < n; ++g) {
        EXPECT_EQ(r.costs.costAt(g, g), 0);
        EXPECT_EQ(r.costs.userCostAt(g, g), 0);
        for (int h = 0; h < n; ++h) {
            EXPECT_EQ(r.costs.costAt(g, h), r.costs.costAt(h, g));
            EXPECT_EQ(r.costs.userCostAt(g, h), r.costs.userCostAt(h, g));
            if (g != h) {
                EXPECT_GT(r.costs.costAt(g, h), 0);
            }
        }
    }
    // One record per pair, in pair order; each row, without its gap marks, spells the state
    // that its symbol names.
    std::istringstream in(r.records);
    std::string first, second;
    int records = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            ASSERT_TRUE(std::getline(in, first) && std::getline(in, second));
            ++records;
            ASSERT_EQ(first[0], '*');
            ASSERT_EQ(second[0], ' ');
            const int s = findStateSymbol(static_cast<unsigned char>(first[1]), n);
            const int l = findStateSymbol(static_cast<unsigned char>(second[1]), n);
            EXPECT_TRUE((s == i && l == j) || (s == j && l == i)) << first;
            const std::string rowS = first.substr(3);
            const std::string rowL = second.substr(3, second.find('\t', 3) - 3);
            EXPECT_EQ(rowS.size(), rowL.size());
            EXPECT_EQ(withoutGapMarks(rowS), states.states[size_t(s)]);
            EXPECT_EQ(withoutGapMarks(rowL), states.states[size_t(l)]);
        }
    }
    EXPECT_EQ(records, n * (n - 1) / 2);
    EXPECT_FALSE(std::getline(in, first));
}

TEST(CompareRegionStates, OneStateGivesNoRecordAndOneRow) {
    RegionStates states;
    states.states = {"ACGT"};
    states.lastStateIndex = 0;
    const RegionRun r = runRegion(states, 0);
    EXPECT_EQ(r.records, "");
    EXPECT_EQ(r.rowOrder, std::vector<int>{0});
    EXPECT_EQ(r.costs.cost, std::vector<int>{0});
}

TEST(CompareRegionStates, RecordLayout) {
    // Two states whose search adopts nothing: one transversion, C against G.
    RegionStates states;
    states.states = {"ACGT", "AGGT"};
    states.lastStateIndex = 1;
    RegionRun r = runRegion(states, 0);
    EXPECT_EQ(r.records, "*0\tACGT\n 1\tAGGT\t0.750\t 2\t0.375\t1.000\t0.750\n");
    // A gap block prints as the gap mark; the shorter state comes first.
    states.states = {"ATGAG", "ATG"};
    r = runRegion(states, 0);
    EXPECT_EQ(r.records, "*1\tAT\xA5\xA5G\n 0\tATGAG\t0.600\t 3\t0.200\t1.000\t0.600\n");
    // A zero user-weighted cost prints as printf prints an infinite ratio in four places.
    r = runRegion(states, 0, UserWeights{1, 1, 0});
    EXPECT_EQ(r.records, "*1\tAT\xA5\xA5G\n 0\tATGAG\t0.600\t 3\t0.200\t0.000\t inf\n");
}

}  // namespace
