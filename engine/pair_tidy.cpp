// The tidy-up of a search result: cancelling gap pairs at the front, staggered gaps and
// columns of two gaps are removed, the rows are filled to equal length, and the alignment
// is scored with the cost model.
#include <bit>
#include <cmath>

#include "engine/pair_workspace.h"
#include "engine/row_kernels.h"

namespace {

// Gives an empty row one gap character.
void fillEmptyRows(PairWorkspace& ws) {
    if (ws.bestRows.s.at(0) == '\0') ws.bestRows.s.put(0, ws.gap);
    if (ws.bestRows.l.at(0) == '\0') ws.bestRows.l.put(0, ws.gap);
}

// Removes a gap pair at the front: while `a` has letters in cells 0 and 1 and a gap in
// cell 2, `b` has a gap in cell 0 and the rows differ at cell 1, cell 2 of `a` and cell 0 of
// `b` are deleted. An iteration that changes neither row ends the step (it could only
// repeat itself forever).
void removeFrontGapPair(PairWorkspace& ws, Row& a, Row& b) {
    const char gap = ws.gap;
    while (a.at(0) != gap && a.at(1) != gap && a.at(2) == gap && b.at(0) == gap &&
           a.at(1) != b.at(1)) {
        const Row beforeA = a, beforeB = b;
        a.deleteWithin(2, ws.alignedLength);
        b.deleteWithin(0, ws.alignedLength);
        ws.alignedLength -= 1;
        if (std::memcmp(beforeA.cells, a.cells, kRowCells) == 0 &&
            std::memcmp(beforeB.cells, b.cells, kRowCells) == 0) {
            if (ws.tidyEnded == '-') ws.tidyEnded = ws.reversePass ? 'R' : 'F';
            break;
        }
    }
}

// Removes staggered gaps: a gap in one row followed diagonally by a gap in the other.
void removeStaggeredGaps(PairWorkspace& ws) {
    Row& s = ws.bestRows.s;
    Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    const double n = ws.alignedLength;
    for (long g = 0; g < n; ++g) {
        if (s.at(g) == gap && l.at(g + 1) == gap) {
            s.deleteWithin(g, n);
            l.deleteWithin(g + 1, n + 1);
        }
        if (l.at(g) == gap && s.at(g + 1) == gap) {
            l.deleteWithin(g, n);
            s.deleteWithin(g + 1, n + 1);
        }
    }
}

// The first four tidy-up steps: empty rows, the two gap pairs at the front, staggered gaps.
void tidyFront(PairWorkspace& ws) {
    fillEmptyRows(ws);
    removeFrontGapPair(ws, ws.bestRows.s, ws.bestRows.l);
    removeFrontGapPair(ws, ws.bestRows.l, ws.bestRows.s);
    removeStaggeredGaps(ws);
}

// Sums the columns of bestRows as scoreColumns does, with the cost model only, when its costs
// are whole numbers: the columns are then counted by kind a block at a time (matches, gap
// openings, transitions and transversions), and the counts times the costs give the same
// sum as adding the costs column by column (every partial sum is a whole number within 2^53,
// which doubles hold exactly). Returns false, summing nothing, when the costs are not whole
// or the columns reach beyond the rows.
bool countModelScore(const PairWorkspace& ws, ColumnScore& sum) {
    long gapCost = 0, transitionCost = 0, transversionCost = 0;
    const double alignedLength = ws.alignedLength;
    if (!asWhole(ws.model.gapCost, gapCost) || !asWhole(ws.model.transitionCost, transitionCost) ||
        !asWhole(ws.model.transversionCost, transversionCost) ||
        !(alignedLength <= double(kRowCells)))
        return false;
    const Row& s = ws.bestRows.s;
    const Row& l = ws.bestRows.l;
    const long columns = alignedLength > 0 ? long(std::ceil(alignedLength)) : 0;
    long matches = 0, openings = 0, transitions = 0, transversions = 0;
    LaneMask gapBeforeS = 0, gapBeforeL = 0;  // whether the column before the block is a gap
    for (long k = 0; k < columns; k += kLanes) {
        const LaneMask lanes = firstLanes(columns - k);
        const LaneMask equal = equalLanes(s.cells + k, l.cells + k) & lanes;
        const LaneMask differ = ~equal & lanes;
        const LaneMask gapS = letterLanes(s.cells + k, ws.gap);
        const LaneMask gapL = letterLanes(l.cells + k, ws.gap);
        // A run of gaps opens at a differing column with a gap after a column without one.
        const LaneMask opens = differ & ((gapS & ~(gapS << 1 | gapBeforeS)) |
                                         (gapL & ~(gapL << 1 | gapBeforeL)));
        const LaneMask substitutions = differ & ~gapS & ~gapL;
        const LaneMask transition = transitionLanes(s.cells + k, l.cells + k);
        matches += countBits(equal);
        openings += countBits(opens);
        transitions += countBits(substitutions & transition);
        transversions += countBits(substitutions & ~transition);
        gapBeforeS = gapS >> (kLanes - 1) & 1;
        gapBeforeL = gapL >> (kLanes - 1) & 1;
    }
    sum.matches = double(matches);
    sum.cost = double(openings * gapCost + transitions * transitionCost +
                      transversions * transversionCost);
    return true;
}

// Scores bestRows over alignedLength columns with the cost model. Sets sxy and oxy.
void scoreBestRows(PairWorkspace& ws) {
    ColumnScore sum;
    if (!countModelScore(ws, sum)) sum = scoreColumns(ws, UserWeights{});
    ws.sxy = sum.matches / ws.alignedLength;
    ws.oxy = ws.sxy / sum.cost;
}

// Adds the price of column g of bestRows, whose cells differ, to `sum`: a gap where a run of
// gaps opens, a substitution where neither cell is a gap.
void priceColumn(const PairWorkspace& ws, const UserWeights& weights, long g, ColumnScore& sum) {
    const Row& s = ws.bestRows.s;
    const Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    const char x = s.at(g), y = l.at(g);
    const bool gapOpens = (g == 0 && (x == gap || y == gap)) ||
                          (g > 0 && x == gap && s.at(g - 1) != gap) ||
                          (g > 0 && y == gap && l.at(g - 1) != gap);
    if (gapOpens) {
        sum.cost += ws.model.gapCost;
        sum.userCost += weights.insertions;
    }
    if (x != gap && y != gap) {
        if (isTransition(x, y)) {
            sum.cost += ws.model.transitionCost;
            sum.userCost += weights.transitions;
        } else {
            sum.cost += ws.model.transversionCost;
            sum.userCost += weights.transversions;
        }
    }
}

}  // namespace

ColumnScore scoreColumns(const PairWorkspace& ws, const UserWeights& weights) {
    const Row& s = ws.bestRows.s;
    const Row& l = ws.bestRows.l;
    ColumnScore sum;
    // The columns whose cells are equal are counted a block at a time (the sum of ones is the
    // same double); the others are priced one by one in column order, so that the user's
    // weights are added in the same order as column by column.
    const double alignedLength = ws.alignedLength;
    const long columns = alignedLength > 0 ? (alignedLength < double(kRowCells)
                                                  ? long(std::ceil(alignedLength))
                                                  : kRowCells)
                                           : 0;
    long matches = 0;
    for (long k = 0; k < columns; k += kLanes) {
        const LaneMask lanes = firstLanes(columns - k);
        const LaneMask equal = equalLanes(s.cells + k, l.cells + k) & lanes;
        matches += countBits(equal);
        for (LaneMask rest = ~equal & lanes; rest != 0; rest &= rest - 1)
            priceColumn(ws, weights, k + std::countr_zero(rest), sum);
    }
    // Beyond the rows both cells read as NUL: equal columns.
    for (long g = kRowCells; g < alignedLength; ++g) ++matches;
    sum.matches = double(matches);
    return sum;
}

void tidyForward(PairWorkspace& ws) {
    Row& s = ws.bestRows.s;
    Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    tidyFront(ws);
    // Columns of two gaps; a second one that moves into place is left.
    const double n = ws.alignedLength;
    for (long g = 0; g <= n + 1; ++g) {
        if (s.at(g) == gap && l.at(g) == gap) {
            s.deleteWithin(g, n);
            l.deleteWithin(g, n);
        }
    }
    // Equal lengths, and the hand-over to the forward rows.
    long g = 0;
    while (s.at(g) != '\0' || l.at(g) != '\0') {
        for (Row* row : {&s, &l}) {
            if (row->at(g) == '\0') {
                row->put(g, gap);
                row->put(g + 1, '\0');
            }
        }
        ws.forwardRows.s.put(g, s.at(g));
        ws.forwardRows.l.put(g, l.at(g));
        ++g;
        ws.forwardLength = ws.alignedLength = double(g);
    }
    ws.forwardRows.s.put(g + 1, '\0');
    ws.forwardRows.l.put(g + 1, '\0');
    scoreBestRows(ws);
    ws.forwardOxy = ws.oxy;
}

void tidyReverse(PairWorkspace& ws) {
    Row& s = ws.bestRows.s;
    Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    // Equal lengths first.
    for (long g = 0; s.at(g) != '\0' || l.at(g) != '\0';) {
        for (Row* row : {&s, &l}) {
            if (row->at(g) == '\0') {
                row->put(g, gap);
                row->put(g + 1, '\0');
            }
        }
        ++g;
        ws.alignedLength = double(g);
    }
    tidyFront(ws);
    // Equal lengths again, without ending the rows.
    for (long g = 0; s.at(g) != '\0' || l.at(g) != '\0';) {
        if (s.at(g) == '\0') s.put(g, gap);
        if (l.at(g) == '\0') l.put(g, gap);
        ++g;
        ws.alignedLength = double(g);
    }
    scoreBestRows(ws);
}
