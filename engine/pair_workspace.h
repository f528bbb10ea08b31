// The pair engine's working storage, shared by its stages (setup, search, tidy-up,
// reverse pass, choice). Internal to the engine.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/engine.h"

// Cells per row. With states of 101 letters the search's moves and copy ranges reach about
// 350 cells; the engine takes states of up to kMaxStateLength letters.
inline constexpr long kRowCells = 1024;
// NUL cells after the row, never written, so that blocks of up to 64 cells read at any cell
// of the row stay inside the array.
inline constexpr long kRowSlack = 64;

// One character row. Rows are arrays of cells: what lies after a row's first NUL matters,
// because the search reads and moves cells up to its working length. A read outside the
// row yields NUL and a write outside the row is dropped.
struct Row {
    // Each row in its own 2 KiB: no block read from it then crosses a 4 KiB page, which
    // costs many times a plain read (it made the whole search half again slower).
    alignas(2048) char cells[kRowCells + kRowSlack];

    char at(long i) const { return i >= 0 && i < kRowCells ? cells[i] : '\0'; }
    void put(long i, char c) {
        if (i >= 0 && i < kRowCells) cells[i] = c;
    }
    // Fills the row with `text` followed by NUL in every other cell (a text longer than the
    // row, which the engine never loads, would be cut at the row's end).
    void load(std::string_view text) {
        const size_t n = std::min(text.size(), size_t(kRowCells));
        std::memcpy(cells, text.data(), n);
        std::memset(cells + n, 0, size_t(kRowCells + kRowSlack) - n);
    }
    // Fills the row with `text` written backwards, followed by NUL in every other cell.
    void loadReversed(std::string_view text) {
        const size_t n = std::min(text.size(), size_t(kRowCells));
        std::reverse_copy(text.end() - n, text.end(), cells);
        std::memset(cells + n, 0, size_t(kRowCells + kRowSlack) - n);
    }
    // Returns the index of the first NUL (kRowCells when the row holds none).
    long firstNul() const {
        const void* p = std::memchr(cells, 0, kRowCells);
        return p ? static_cast<const char*>(p) - cells : kRowCells;
    }
    std::string_view text() const { return std::string_view(cells, size_t(firstNul())); }
    // Deletes cell k within n: cells k + 1 to n move one place left, cell n keeps its value.
    void deleteWithin(long k, double n) {
        long m = k;
        for (; m < 0 && m + 1 <= n; ++m) put(m, at(m + 1));
        if (!(m + 1 <= n)) return;
        // Cells m to last take cells m + 1 to last + 1; the cell after the row reads NUL, as
        // the slack holds.
        const double lastMoved = std::floor(n) - 1;
        const long last = lastMoved >= double(kRowCells - 1) ? kRowCells - 1 : long(lastMoved);
        if (last >= m) std::memmove(cells + m, cells + m + 1, size_t(last - m + 1));
    }
    // Copies cells first to last of `from` (those inside the row).
    void copyFrom(const Row& from, long first, double last) {
        first = std::max(first, 0L);
        const long end = last >= double(kRowCells - 1) ? kRowCells : long(std::floor(last)) + 1;
        if (end > first) std::memcpy(cells + first, from.cells + first, size_t(end - first));
    }
};

// The two rows of an alignment: one for the pair's shorter state, one for its longer.
struct RowPair {
    Row s;  // shorter state
    Row l;  // longer state
};

// Copies cells 0 to last of both rows of `from` into `to`.
inline void copyCells(RowPair& to, const RowPair& from, double last) {
    to.s.copyFrom(from.s, 0, last);
    to.l.copyFrom(from.l, 0, last);
}

// The best candidate that one branch of the sweep accepted at a position.
struct BranchBest {
    double ratio = 0;
    double similarity = 0;
    double cost = 0;
    double length = 0;
};

// What one branch of the sweep needs to know, while the search rows stay the same, to rule
// out a position without trying its candidates (see candidate_filter.h). Cell [p][d] of
// `matched` and `unmatched` holds the matching and the differing columns that the branch
// counts after a candidate at position p + d (the counted row against the scanned row read d
// cells further on, from column p + 1 to the counting end or the column at which counting
// stops).
struct BranchCounts {
    static constexpr long kSize = 256;  // positions and diagonals covered
    long version = -1;                  // the rows' version the counts were taken for
    bool usable = false;                // whether the rows and terms allowed them
    long countEnd = 0;                  // the end of the counted columns
    long last = 0;                      // the last candidate position
    long firstRow = 0;                  // the first position counted
    // The bar of the positions (the ratio to beat, which only an adoption changes), the
    // least gap charge of a candidate, and for a candidate on diagonal d its length times the
    // bar (scaled as the filter needs) and its gap charge.
    double bar = 0;
    long leastCharge = 0;
    alignas(64) float scaledLength[kSize];
    alignas(64) float charge[kSize];
    // The columns before kSize in which neither row has a gap, equal and unequal, by cell.
    std::uint64_t equalColumns[kSize / 64], unequalColumns[kSize / 64];
    alignas(64) std::uint8_t matched[kSize][kSize];
    alignas(64) std::uint8_t unmatched[kSize][kSize];
};

// The search stages of one kernel set (see kernel_sets.h).
struct SearchStages;

struct PairWorkspace {
    const SearchStages* stages = nullptr;  // the kernel set this workspace runs
    RowPair workRows, mirrorRows, bestRows, forwardRows, plainRows, reverseRows;
    RowPair savedReverse;  // the reverse pass's rows, kept for a repeated choice

    // The pair.
    std::string_view shorterState, longerState;
    long lenS = 0, lenL = 0;
    char gap = '-';
    CostModel model;

    // Search scalars.
    double workLength = 0;
    double lengthDifference = 0;
    double gapBlockBase = 0;
    double gapBlockCount = 0;
    double shorterGaps = 0;
    double longerGaps = 0;
    int acceptedBranch = 0;
    int shorterBlock = 0;
    int longerBlock = 0;
    BranchBest shorterBest, longerBest;

    // Pair values shared by the stages.
    double sxy = 0, oxy = 0, alignedLength = 0;
    double plainOxy = 0, plainLength = 0;
    double forwardOxy = 0, forwardLength = 0;
    int reverseGapped = 0;
    bool reversePass = false;  // the search runs on the reversed states
    char tidyEnded = '-';      // see PairTrace

    // The version of the search rows, which changes whenever the sweep starts or an
    // adoption changes them, and each branch's counts for the candidate filter.
    long rowsVersion = 0;
    BranchCounts shorterCounts, longerCounts;
};

// Returns the substitution price of two differing letters: the transition cost when their
// codes are 6 or 17 apart (A/G, C/T), else the transversion cost.
inline bool isTransition(char a, char b) {
    int d = int(static_cast<unsigned char>(a)) - int(static_cast<unsigned char>(b));
    if (d < 0) d = -d;
    return d == 6 || d == 17;
}

// Returns `value` as a whole number in `whole` when it is one from -2^20 to 2^20.
inline bool asWhole(double value, long& whole) {
    if (!(value >= -0x1p20 && value <= 0x1p20)) return false;
    whole = long(value);
    return double(whole) == value;
}

// The terms of a branch's candidates at a sweep position, in whole numbers: a candidate whose
// block has s cells has the length workLength + (s - shift), not below workLength when the
// branch clamps lengths, and is charged the gap blocks of its class (s below, at or above the
// length difference as the branch sees it), to which its mismatches are added.
struct CandidateTerms {
    long shift, below, at, above;
};

// Returns the terms for the length difference d, the gap cost G, the branch's gap-block count,
// whether the branch accepted its current block, that block's length and whether lengths are
// clamped (shift is then the difference, or none when it is negative).
inline CandidateTerms candidateTerms(long d, long G, long count, bool acceptedHere, long block,
                                     bool clamp) {
    CandidateTerms terms;
    terms.shift = clamp ? std::max(0L, d) : d;
    terms.below = G * (acceptedHere ? count : count + 1);
    terms.at = G * (acceptedHere ? count - 1 : count);
    terms.above = block == d ? G * (count + 2) : terms.below;
    return terms;
}

// Whole-number counts of compared columns.
struct ColumnCounts {
    long matches = 0;
    long mismatches = 0;
};

// What the columns of an alignment add up to.
struct ColumnScore {
    double matches = 0;
    double cost = 0;      // under the cost model
    double userCost = 0;  // under the user's weights
};

// Sums the first alignedLength columns of bestRows: each run of gaps costs a gap at its
// first column, each pair of differing letters its substitution price; equal cells match.
ColumnScore scoreColumns(const PairWorkspace& ws, const UserWeights& weights);

// Tidies the forward search's bestRows, hands them to forwardRows and scores them
// (forwardLength, forwardOxy, sxy, oxy).
void tidyForward(PairWorkspace& ws);

// Tidies the reverse search's bestRows in the reverse pass's order and scores them (oxy).
void tidyReverse(PairWorkspace& ws);
