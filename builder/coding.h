// Character-state coding of a region: its distinct sequences become states with symbols.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builder/dataset.h"

// The most states a region can have and still be coded (one per symbol).
inline constexpr int kMaxCodedStates = 96;

// The distinct states of the current region in ascending unsigned byte order.
struct RegionStates {
    std::vector<std::string> states;
    int lastStateIndex = 0;  // number of states minus one
};

// One cell per taxon and region: a state symbol, the unknown-data code or '-'.
struct CodedMatrix {
    int taxonCount = 0;
    int regionCount = 0;
    std::vector<char> cells;  // taxon-major: cells[taxon * regionCount + region]

    // Sizes the matrix for `taxa` x `regions` cells, all '-'.
    void reset(int taxa, int regions);
    char& at(int taxon, int region) { return cells[size_t(taxon) * regionCount + region]; }
    char at(int taxon, int region) const { return cells[size_t(taxon) * regionCount + region]; }
};

// Returns `fragment` with every missing-data code removed, or "" when the unknown-data
// code stands anywhere in it (a missing-data code is removed before it is looked at again).
std::string cleanFragment(std::string_view fragment, char missingCode, char unknownCode);

// Returns whether a region with these states can be coded (at most 96 states).
inline bool isCodedRegion(const RegionStates& states) {
    return states.lastStateIndex < kMaxCodedStates;
}

// Takes every taxon's fragment of region `region` and cleans it, fills `states` with the
// distinct non-empty cleaned fragments (or the one empty state when there is none) and writes
// the region's column of `coded`: the state's symbol, or the unknown-data code for an empty
// fragment. A region with more than 96 states gets '-' in every cell.
void codeRegion(const Dataset& data, int region, RegionStates& states, CodedMatrix& coded);
