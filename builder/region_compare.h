// compareRegionStates: aligns and scores every pair of states of one region.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "builder/coding.h"
#include "engine/engine.h"

// The cost of every pair of states of the current region; symmetric, diagonal 0.
struct CostTables {
    int size = 0;                  // number of states
    std::vector<int> cost;         // CostMatrix, size x size
    std::vector<double> userCost;  // UserCostMatrix, size x size

    // Sizes both tables for `states` states, all 0.
    void reset(int states);
    int costAt(int g, int h) const { return cost[size_t(g) * size + h]; }
    double userCostAt(int g, int h) const { return userCost[size_t(g) * size + h]; }
};

// Returns the number of threads to align pairs on: the processors this process may use.
int defaultThreadCount();

// Aligns every pair (i, j), i < j, of the region's states, fills `costs`, appends one record
// per pair to `alignments` in pair order and calls `rowDone(g)` as soon as row g of the step
// matrix is complete (all pairs of rows 0 to g are done), in row order. The rows are shared
// out among `threads` threads (0: defaultThreadCount()), or aligned on the calling thread when
// no thread can be started; the output is the same for any number.
void compareRegionStates(const RegionStates& states, char gapChar, const CostModel& model,
                         const UserWeights& weights, CostTables& costs, std::string& alignments,
                         const std::function<void(int)>& rowDone, int threads = 0);
