// The pair engine exactly as it first landed: a literal transcription of the method,
// kept unchanged as the baseline for the benchmark and as the reference for the
// differential test of the optimised engine. Do not optimise or reformat this file.
#include "bench/baseline/baseline_engine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace baseline {
// The pair engine's working storage, shared by its stages (setup, search, tidy-up,
// reverse pass, choice). Internal to the engine.



// Cells per row. A state has at most 101 letters; the search's moves and copy ranges reach
// about 350 cells with such states, and a row never needs more than this.
inline constexpr long kRowCells = 1024;

// One character row. Rows are arrays of cells: what lies after a row's first NUL matters,
// because the search reads and moves cells up to its working length. A read outside the
// row yields NUL and a write outside the row is dropped.
struct Row {
    char cells[kRowCells];

    char at(long i) const { return i >= 0 && i < kRowCells ? cells[i] : '\0'; }
    void put(long i, char c) {
        if (i >= 0 && i < kRowCells) cells[i] = c;
    }
    // Fills the row with `text` followed by NUL in every other cell.
    void load(std::string_view text) {
        std::memcpy(cells, text.data(), text.size());
        std::memset(cells + text.size(), 0, kRowCells - text.size());
    }
    // Returns the index of the first NUL (kRowCells when the row holds none).
    long firstNul() const {
        const void* p = std::memchr(cells, 0, kRowCells);
        return p ? static_cast<const char*>(p) - cells : kRowCells;
    }
    std::string_view text() const { return std::string_view(cells, size_t(firstNul())); }
};

// The two rows of an alignment: one for the pair's shorter state, one for its longer.
struct RowPair {
    Row s;  // shorter state
    Row l;  // longer state
};

// The best candidate that one branch of the sweep accepted at a position.
struct BranchBest {
    double ratio = 0;
    double similarity = 0;
    double cost = 0;
    double length = 0;
};

struct PairWorkspace {
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
};

// Returns the substitution price of two differing letters: the transition cost when their
// codes are 6 or 17 apart (A/G, C/T), else the transversion cost.
inline bool isTransition(char a, char b) {
    int d = int(static_cast<unsigned char>(a)) - int(static_cast<unsigned char>(b));
    if (d < 0) d = -d;
    return d == 6 || d == 17;
}

// The ungapped comparison of the work rows: sets sxy, oxy, workLength, alignedLength, both
// branch ratios, the gap tallies and acceptedBranch.
void compareUngapped(PairWorkspace& ws);

// The two-phase gap-block search on the rows as loaded; leaves the adopted alignment in
// bestRows with sxy, oxy and alignedLength.
void searchAlignment(PairWorkspace& ws);

// Tidies the forward search's bestRows, hands them to forwardRows and scores them
// (forwardLength, forwardOxy, sxy, oxy).
void tidyForward(PairWorkspace& ws);

// Tidies the reverse search's bestRows in the reverse pass's order and scores them (oxy).
void tidyReverse(PairWorkspace& ws);
// The greedy gap-block search: the ungapped comparison, one block in the shorter state
// (phase 1), and the sweep over positions with its two branches and clean-up (phase 2).
// Every count is a double and every comparison is made in the order and with the
// strictness that the method defines: step matrices depend on ties decided by the last bit.


void compareUngapped(PairWorkspace& ws) {
    const Row& a = ws.workRows.s;
    const Row& r = ws.workRows.l;
    double cost = 0;
    double matches = 0;
    for (long k = 0; k < ws.lenL; ++k) {
        if (a.at(k) == r.at(k)) {
            matches += 1;
        } else if (a.at(k) == '\0') {
            cost += ws.model.gapCost;  // the overhang costs one gap, once
            break;
        } else {
            cost += isTransition(a.at(k), r.at(k)) ? ws.model.transitionCost
                                                   : ws.model.transversionCost;
        }
    }
    ws.sxy = matches / double(ws.lenL);
    ws.oxy = ws.sxy / cost;
    ws.workLength = ws.alignedLength = double(ws.lenL);
    ws.shorterBest.ratio = ws.oxy;
    ws.longerBest.ratio = ws.oxy;
    ws.shorterGaps = ws.longerGaps = 0;
    ws.acceptedBranch = 0;
}

namespace {

// Counts, over columns 0 to end - 1, the columns without a gap that match and those that
// do not.
void countBefore(const Row& a, const Row& r, long end, char gap, double& matches,
                 double& mismatches) {
    matches = 0;
    mismatches = 0;
    for (long k = 0; k < end; ++k) {
        const char x = a.at(k), y = r.at(k);
        if (x == gap || y == gap) continue;
        if (x == y)
            matches += 1;
        else
            mismatches += 1;
    }
}

// Widens the gap block at `p` of `row` from `from` to `to` cells: the cells from p + from up
// to and including the row's first NUL move to - from places right, then cells p to
// p + to - 1 receive the gap character.
void widenBlock(Row& row, long p, long from, long to, char gap) {
    const long shift = to - from;
    const long firstNul = row.firstNul();
    for (long m = firstNul; m >= p + from; --m) row.put(m + shift, row.at(m));
    for (long m = p; m < p + to; ++m) row.put(m, gap);
}

// Deletes cell k of `row`, moving cells k + 1 to n one place left; cell n keeps its value.
void deleteWithin(Row& row, long k, double n) {
    for (long m = k; m + 1 <= n; ++m) row.put(m, row.at(m + 1));
}

// Phase 1: one block of as many gaps as the length difference, tried after every number of
// the shorter state's letters.
void phaseOne(PairWorkspace& ws) {
    const long S = ws.lenS, L = ws.lenL, B = L - S;
    Row& work = ws.workRows.s;
    bool adopted = false;
    for (long K = 0; K < S; ++K) {
        for (long m = L - 1; m >= K + B; --m) work.put(m, work.at(m - B));
        for (long m = K; m < K + B; ++m) work.put(m, ws.gap);
        double matches = 0;
        for (long m = 0; m < L; ++m)
            if (work.at(m) == ws.workRows.l.at(m)) matches += 1;
        const double cost = double(S + 1) - matches;
        const double similarity = matches / ws.workLength;
        const double ratio = similarity / cost;
        ws.shorterBest.ratio = ratio;
        ws.shorterBest.similarity = similarity;
        ws.shorterBest.cost = cost;
        ws.shorterBest.length = ws.workLength;
        if (ratio > ws.oxy) {
            ws.oxy = ratio;
            ws.sxy = similarity;
            std::memcpy(ws.bestRows.s.cells, work.cells, size_t(std::min(L, kRowCells)));
            adopted = true;
        }
        std::memcpy(work.cells, ws.mirrorRows.s.cells, size_t(std::min(L, kRowCells)));
    }
    if (adopted) {
        std::memcpy(ws.mirrorRows.s.cells, ws.bestRows.s.cells, size_t(std::min(L, kRowCells)));
        std::memcpy(work.cells, ws.bestRows.s.cells, size_t(std::min(L, kRowCells)));
        ws.lengthDifference = 0;
    }
}

// The shorter-row branch at sweep position p: blocks of growing length in the shorter work
// row.
void shorterBranch(PairWorkspace& ws, long p) {
    Row& A = ws.workRows.s;
    const Row& R = ws.workRows.l;
    const double G = ws.model.gapCost;
    const double D = ws.lengthDifference;
    ws.gapBlockCount = ws.gapBlockBase;
    ws.shorterBlock = 0;
    ws.shorterBest.ratio = ws.oxy;
    double matchesBefore, mismatchesBefore;
    countBefore(A, R, p, ws.gap, matchesBefore, mismatchesBefore);
    for (long P = p; P < ws.workLength && A.at(p) != '\0'; ++P) {
        while ((R.at(P) != A.at(p + ws.shorterBlock) || R.at(P) == ws.gap) && P <= ws.workLength)
            ++P;
        if (P >= ws.workLength) break;
        const long s = P - p;
        double matchesAfter = 1, mismatchesAfter = 0;
        for (long Q = p + 1; Q < double(ws.lenS) + ws.shorterGaps; ++Q) {
            const char rc = R.at(Q + s);
            if (rc == A.at(Q + ws.shorterBlock))
                matchesAfter += 1;
            else if (rc == '\0')
                break;
            else
                mismatchesAfter += 1;
        }
        const double length = ws.workLength + double(s) - D;
        const double similarity = (matchesBefore + matchesAfter) / length;
        double tally;
        if (double(s) == D)
            tally = ws.acceptedBranch == 1 ? ws.gapBlockCount - 1 : ws.gapBlockCount;
        else if (double(s) > D && double(ws.shorterBlock) == D)
            tally = ws.gapBlockCount + 2;
        else
            tally = ws.acceptedBranch == 1 ? ws.gapBlockCount : ws.gapBlockCount + 1;
        const double cost = mismatchesBefore + mismatchesAfter + G * tally;
        const double ratio = similarity / cost;
        if (ratio > ws.shorterBest.ratio && ratio > ws.oxy) {
            ws.gapBlockCount = (cost - mismatchesBefore - mismatchesAfter) / G;
            widenBlock(A, p, ws.shorterBlock, s, ws.gap);
            ws.shorterBlock = int(s);
            ws.acceptedBranch = 1;
            ws.shorterBest = {ratio, similarity, cost, length};
        }
    }
}

// The longer-row branch at sweep position PL: blocks of growing length in the longer
// mirror row.
void longerBranch(PairWorkspace& ws, long PL) {
    const Row& A = ws.mirrorRows.s;
    Row& R = ws.mirrorRows.l;
    const double G = ws.model.gapCost;
    const double D = ws.lengthDifference;
    ws.longerBest.ratio = ws.oxy;
    ws.gapBlockCount = ws.gapBlockBase;
    ws.longerBlock = 0;
    double matchesBefore, mismatchesBefore;
    countBefore(A, R, PL, ws.gap, matchesBefore, mismatchesBefore);
    for (long P = PL; double(P) < double(ws.lenS) + ws.shorterGaps && A.at(PL) != R.at(PL); ++P) {
        while ((A.at(P) != R.at(PL + ws.longerBlock) || A.at(P) == ws.gap) && P <= ws.workLength)
            ++P;
        if (P >= ws.workLength) break;
        const long s = P - PL;
        double matchesAfter = 1, mismatchesAfter = 0;
        for (long Q = PL + 1; Q < ws.workLength; ++Q) {
            const char ac = A.at(Q + s);
            if (ac == R.at(Q + ws.longerBlock))
                matchesAfter += 1;
            else if (ac == '\0')
                break;
            else
                mismatchesAfter += 1;
        }
        double extra;
        if (D >= 0)
            extra = double(s);
        else if (D < 0 && double(s) > -D)
            extra = double(s) + D;
        else
            extra = 0;
        if (extra < 0) extra = 0;
        const double length = ws.workLength + extra;
        const double similarity = (matchesBefore + matchesAfter) / length;
        double tally;
        if (double(s) == -D)
            tally = ws.acceptedBranch == 2 ? ws.gapBlockCount - 1 : ws.gapBlockCount;
        else if (double(s) > -D && double(ws.longerBlock) == -D)
            tally = ws.gapBlockCount + 2;
        else
            tally = ws.acceptedBranch == 2 ? ws.gapBlockCount : ws.gapBlockCount + 1;
        const double cost = mismatchesBefore + mismatchesAfter + G * tally;
        const double ratio = similarity / cost;
        if (ratio > ws.longerBest.ratio && ratio > ws.oxy) {
            ws.gapBlockCount = tally;
            widenBlock(R, PL, ws.longerBlock, s, ws.gap);
            ws.longerBlock = int(s);
            ws.acceptedBranch = 2;
            ws.longerBest = {ratio, similarity, cost, length};
        }
    }
}

// Copies cells 0 to e of `from` into `to`.
void copyThrough(RowPair& to, const RowPair& from, double e) {
    for (long k = 0; k <= e && k < kRowCells; ++k) {
        to.s.cells[k] = from.s.cells[k];
        to.l.cells[k] = from.l.cells[k];
    }
}

// Sets cell k of all six search rows to NUL.
void endSearchRows(PairWorkspace& ws, long k) {
    for (RowPair* rows : {&ws.workRows, &ws.mirrorRows, &ws.bestRows}) {
        rows->s.put(k, '\0');
        rows->l.put(k, '\0');
    }
}

// The better branch's block becomes the alignment. Returns whether a branch was adopted.
bool adopt(PairWorkspace& ws) {
    const BranchBest& sb = ws.shorterBest;
    const BranchBest& lb = ws.longerBest;
    double e;
    if (sb.ratio > lb.ratio && sb.ratio > ws.oxy && ws.acceptedBranch == 1) {
        ws.oxy = sb.ratio;
        ws.sxy = sb.similarity;
        ws.alignedLength = sb.length;
        ws.shorterGaps += ws.shorterBlock;
        ws.lengthDifference -= ws.shorterBlock;
        if (ws.lengthDifference != 0) ws.gapBlockBase += 1;
        e = std::max(sb.length, double(ws.lenS) + ws.shorterGaps);
        copyThrough(ws.mirrorRows, ws.workRows, e);
        copyThrough(ws.bestRows, ws.workRows, e);
    } else if (lb.ratio > sb.ratio && lb.ratio > ws.oxy && ws.acceptedBranch == 2) {
        ws.oxy = lb.ratio;
        ws.sxy = lb.similarity;
        ws.alignedLength = lb.length;
        ws.longerGaps += ws.longerBlock;
        ws.lengthDifference += ws.longerBlock;
        if (ws.lengthDifference != 0) ws.gapBlockBase += 1;
        e = std::max(lb.length, double(ws.lenL) + ws.longerGaps);
        copyThrough(ws.workRows, ws.mirrorRows, e);
        copyThrough(ws.bestRows, ws.mirrorRows, e);
    } else {
        return false;
    }
    if (ws.reversePass) ws.reverseGapped = 1;
    endSearchRows(ws, long(e) + 2);
    return true;
}

// The BranchBest record that acceptedBranch names.
BranchBest& acceptedRecord(PairWorkspace& ws) {
    return ws.acceptedBranch == 1 ? ws.shorterBest : ws.longerBest;
}

// Removes gaps that cancel out from the work rows after an adoption.
void cleanUp(PairWorkspace& ws) {
    Row& ws_ = ws.workRows.s;
    Row& wl = ws.workRows.l;
    const char gap = ws.gap;
    for (long P = 0; P <= ws.workLength;) {
        if (ws_.at(P) == gap && wl.at(P) == gap) {
            // Case 1: a column of two gaps.
            const double before = ws.workLength;
            for (long m = P; m <= ws.workLength; ++m) {
                ws_.put(m, ws_.at(m + 1));
                wl.put(m, wl.at(m + 1));
                ws.mirrorRows.s.put(m, ws_.at(m));
                ws.bestRows.s.put(m, ws_.at(m));
                ws.mirrorRows.l.put(m, wl.at(m));
                ws.bestRows.l.put(m, wl.at(m));
            }
            if (ws.reversePass) {
                endSearchRows(ws, long(before) + 2);
            } else {
                long k = long(ws.workLength) + 1;
                while (ws.bestRows.s.at(k) != '\0' && ws.bestRows.l.at(k) != '\0') ++k;
                endSearchRows(ws, k);
            }
            ws.workLength -= 1;
            ws.shorterGaps -= 1;
            ws.longerGaps -= 1;
            continue;  // the column moved into P is examined again
        }
        if (ws_.at(P) != gap && ws_.at(P) == wl.at(P + 1) && wl.at(P) == gap) {
            // Case 2: the longer row's gap cancels the shorter row's next gap.
            deleteWithin(wl, P, ws.workLength);
            deleteWithin(ws.mirrorRows.l, P, ws.workLength);
            ws.longerGaps -= 1;
            for (long k = P; k <= ws.workLength; ++k) {
                if (ws_.at(k) == gap) {
                    deleteWithin(ws_, k, ws.workLength);
                    deleteWithin(ws.mirrorRows.s, k, ws.workLength);
                    break;
                }
            }
            ws.shorterGaps -= 1;
            ws.workLength -= 1;
            acceptedRecord(ws).length -= 1;
        } else if (wl.at(P) != gap && wl.at(P) == ws_.at(P + 1) && ws_.at(P) == gap &&
                   wl.at(P + 1) == ws_.at(P + 2) && wl.at(P + 2) == ws_.at(P + 3)) {
            // Case 3: the shorter row's gap cancels the longer row's next gap.
            deleteWithin(ws_, P, ws.workLength);
            deleteWithin(ws.mirrorRows.s, P, ws.workLength);
            ws.shorterGaps -= 1;
            for (long k = P; k <= ws.workLength; ++k) {
                if (wl.at(k) == gap) {
                    deleteWithin(wl, k, ws.workLength);
                    deleteWithin(ws.mirrorRows.l, k, ws.workLength);
                    break;
                }
            }
            ws.longerGaps -= 1;
            ws.workLength -= 1;
            acceptedRecord(ws).length -= 1;
        }
        ++P;
    }
}

// Phase 2: the sweep over the positions of the longer state.
void phaseTwo(PairWorkspace& ws) {
    for (long K = 0; K < ws.lenL; ++K) {
        ws.acceptedBranch = 0;
        const long p = long(double(K) + ws.shorterGaps);
        if (p > ws.workLength) return;
        if (ws.workRows.s.at(p) != ws.workRows.l.at(p) && ws.workRows.s.at(p) != ws.gap)
            shorterBranch(ws, p);
        const long PL = long(double(K) + ws.longerGaps);
        if (ws.mirrorRows.s.at(PL) != ws.mirrorRows.l.at(PL)) longerBranch(ws, PL);
        if (ws.acceptedBranch == 0) continue;
        if (adopt(ws)) {
            const BranchBest& b = ws.acceptedBranch == 1 ? ws.shorterBest : ws.longerBest;
            ws.workLength = double(long(b.length));
        } else {
            ws.workLength = 0;
        }
        cleanUp(ws);
    }
}

}  // namespace

void searchAlignment(PairWorkspace& ws) {
    if (ws.lenL > ws.lenS) phaseOne(ws);
    phaseTwo(ws);
}

// The tidy-up of a search result: cancelling gap pairs at the front, staggered gaps and
// columns of two gaps are removed, the rows are filled to equal length, and the alignment
// is scored with the cost model.

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
        deleteWithin(a, 2, ws.alignedLength);
        deleteWithin(b, 0, ws.alignedLength);
        ws.alignedLength -= 1;
        if (std::memcmp(beforeA.cells, a.cells, kRowCells) == 0 &&
            std::memcmp(beforeB.cells, b.cells, kRowCells) == 0)
            break;
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
            deleteWithin(s, g, n);
            deleteWithin(l, g + 1, n + 1);
        }
        if (l.at(g) == gap && s.at(g + 1) == gap) {
            deleteWithin(l, g, n);
            deleteWithin(s, g + 1, n + 1);
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

// Scores bestRows over alignedLength columns: each run of gaps costs the gap cost at its
// first column, each pair of differing letters its substitution price. Sets sxy and oxy.
void scoreBestRows(PairWorkspace& ws) {
    const Row& s = ws.bestRows.s;
    const Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    double cost = 0;
    double matches = 0;
    for (long g = 0; g < ws.alignedLength; ++g) {
        const char x = s.at(g), y = l.at(g);
        if (x == y) {
            matches += 1;
            continue;
        }
        if (g == 0 && (x == gap || y == gap)) cost += ws.model.gapCost;
        if (g > 0 && x == gap && s.at(g - 1) != gap) cost += ws.model.gapCost;
        if (g > 0 && y == gap && l.at(g - 1) != gap) cost += ws.model.gapCost;
        if (x != gap && y != gap)
            cost += isTransition(x, y) ? ws.model.transitionCost : ws.model.transversionCost;
    }
    ws.sxy = matches / ws.alignedLength;
    ws.oxy = ws.sxy / cost;
}

}  // namespace

void tidyForward(PairWorkspace& ws) {
    Row& s = ws.bestRows.s;
    Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    tidyFront(ws);
    // Columns of two gaps; a second one that moves into place is left.
    const double n = ws.alignedLength;
    for (long g = 0; g <= n + 1; ++g) {
        if (s.at(g) == gap && l.at(g) == gap) {
            deleteWithin(s, g, n);
            deleteWithin(l, g, n);
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

// The pair engine's entry: setup of a pair, the forward and the reverse pass, the choice of
// the final alignment and its scores.



PairWorkspace* newPairWorkspace() {
    return new PairWorkspace;
}
void deletePairWorkspace(PairWorkspace* workspace) {
    delete workspace;
}

namespace {

// The per-pair reset and the loading of the rows with the two states.
void setUpPair(PairWorkspace& ws) {
    const std::string_view S = ws.shorterState, L = ws.longerState;
    ws.workLength = ws.lengthDifference = ws.gapBlockBase = ws.gapBlockCount = 0;
    ws.shorterGaps = ws.longerGaps = 0;
    ws.acceptedBranch = ws.shorterBlock = ws.longerBlock = 0;
    ws.shorterBest = ws.longerBest = BranchBest{};
    ws.sxy = ws.oxy = ws.alignedLength = 0;
    ws.plainOxy = ws.plainLength = ws.forwardOxy = ws.forwardLength = 0;
    ws.reverseGapped = 0;
    ws.reversePass = false;

    ws.lengthDifference = double(ws.lenL - ws.lenS);
    if (ws.lengthDifference > 0) ws.gapBlockBase = ws.gapBlockCount = ws.model.gapCost;
    for (RowPair* rows :
         {&ws.workRows, &ws.mirrorRows, &ws.bestRows, &ws.forwardRows, &ws.plainRows}) {
        rows->s.load(S);
        rows->l.load(L);
    }
}

// Loads the search rows with both states written backwards and sets the reverse pass's
// starting values.
void setUpReversePass(PairWorkspace& ws) {
    ws.reverseGapped = 0;
    ws.reversePass = true;
    ws.lengthDifference = double(ws.lenL - ws.lenS);
    ws.gapBlockBase = ws.gapBlockCount = 0;
    std::string reversedS(ws.shorterState.rbegin(), ws.shorterState.rend());
    std::string reversedL(ws.longerState.rbegin(), ws.longerState.rend());
    for (RowPair* rows : {&ws.workRows, &ws.mirrorRows, &ws.bestRows}) {
        rows->s.load(reversedS);
        rows->l.load(reversedL);
    }
}

// Copies cells 0 to last of both rows of `from` into `to`.
void copyCells(RowPair& to, const RowPair& from, double last) {
    for (long k = 0; k <= last; ++k) {
        to.s.put(k, from.s.at(k));
        to.l.put(k, from.l.at(k));
    }
}

// Returns whether `row`, without its gap characters, spells `state`.
bool spells(const Row& row, std::string_view state, char gap) {
    size_t i = 0;
    for (long k = 0; k < kRowCells && row.cells[k] != '\0'; ++k) {
        if (row.cells[k] == gap) continue;
        if (i >= state.size() || row.cells[k] != state[i]) return false;
        ++i;
    }
    return i == state.size();
}

// The candidates that the choice selects from; a void one was taken before and gave rows
// that do not spell their states.
struct Candidates {
    bool forwardVoid = false;
    bool reverseVoid = false;
};

// The choice between the forward, the reverse and the plain alignment, and the
// normalisation of the chosen rows into bestRows. Returns the candidate that the first step
// took; `origin` receives where the final rows come from.
PairChoice choose(PairWorkspace& ws, const Candidates& c, double reverseLength, double reverseOxy,
                  PairChoice& origin) {
    RowPair& best = ws.bestRows;
    best = ws.savedReverse;
    ws.alignedLength = reverseLength;
    const double minusInfinity = -std::numeric_limits<double>::infinity();
    auto installPlain = [&ws, &best] {
        ws.alignedLength = ws.plainLength;
        copyCells(best, ws.plainRows, ws.plainLength);
        best.s.put(long(ws.plainLength) + 1, '\0');
        best.l.put(long(ws.plainLength) + 1, '\0');
    };
    // Forward or reverse.
    PairChoice taken;
    const bool reverseWins = c.forwardVoid || ws.forwardOxy < reverseOxy;
    if (ws.reverseGapped == 1 && !c.reverseVoid && reverseWins) {
        ws.reverseRows.s.load("");
        ws.reverseRows.l.load("");
        const long n = long(ws.alignedLength);
        for (long k = 0; k < n; ++k) {
            ws.reverseRows.s.put(n - 1 - k, best.s.at(k));
            ws.reverseRows.l.put(n - 1 - k, best.l.at(k));
        }
        copyCells(best, ws.reverseRows, ws.alignedLength);
        taken = PairChoice::reverse;
    } else if (!c.forwardVoid) {
        ws.alignedLength = ws.forwardLength;
        copyCells(best, ws.forwardRows, ws.forwardLength);
        taken = PairChoice::forward;
    } else {
        installPlain();
        taken = PairChoice::plain;
    }
    // Columns of two gaps; a column moved into place is not examined again.
    for (long p = 0; p <= ws.alignedLength + 1; ++p) {
        if (best.s.at(p) == ws.gap && best.l.at(p) == ws.gap) {
            for (long q = p; q < ws.alignedLength; ++q) {
                best.s.put(q, best.s.at(q + 1));
                best.l.put(q, best.l.at(q + 1));
            }
        }
    }
    // The ungapped alignment, when it is as good and shorter.
    const double reverseBar = c.reverseVoid ? minusInfinity : reverseOxy;
    const double forwardBar = c.forwardVoid ? minusInfinity : ws.forwardOxy;
    if (ws.plainOxy >= reverseBar && ws.plainOxy >= forwardBar &&
        ws.plainLength < ws.alignedLength) {
        installPlain();
        origin = PairChoice::plain;
    } else {
        origin = taken;
    }
    // Final filling to equal length.
    for (long p = 0; best.s.at(p) != '\0' || best.l.at(p) != '\0';) {
        if (best.s.at(p) == '\0') best.s.put(p, ws.gap);
        if (best.l.at(p) == '\0') best.l.put(p, ws.gap);
        ++p;
        ws.alignedLength = double(p);
    }
    return taken;
}

// Scores the final alignment with the cost model and the user's weights.
PairScores scoreFinal(const PairWorkspace& ws, const UserWeights& weights) {
    const Row& s = ws.bestRows.s;
    const Row& l = ws.bestRows.l;
    const char gap = ws.gap;
    double matches = 0, cost = 0, userCost = 0;
    for (long p = 0; p < ws.alignedLength; ++p) {
        const char x = s.at(p), y = l.at(p);
        if (x == y) {
            matches += 1;
            continue;
        }
        if (p == 0 && (x == gap || y == gap)) {
            cost += ws.model.gapCost;
            userCost += weights.insertions;
        }
        if (p > 0 && x == gap && s.at(p - 1) != gap) {
            cost += ws.model.gapCost;
            userCost += weights.insertions;
        }
        if (p > 0 && y == gap && l.at(p - 1) != gap) {
            cost += ws.model.gapCost;
            userCost += weights.insertions;
        }
        if (x != gap && y != gap) {
            if (isTransition(x, y)) {
                cost += ws.model.transitionCost;
                userCost += weights.transitions;
            } else {
                cost += ws.model.transversionCost;
                userCost += weights.transversions;
            }
        }
    }
    PairScores scores;
    scores.cxy = int(cost);
    scores.userCxy = userCost;
    scores.sxy = matches / ws.alignedLength;
    scores.oxy = scores.sxy / cost;
    scores.userOxy = scores.sxy / userCost;
    return scores;
}

}  // namespace

PairResult alignPairBaseline(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, PairWorkspace& ws,
                     PairTrace* trace) {
    PairResult result;
    result.firstIsShorter = !(first.size() > second.size());
    ws.shorterState = result.firstIsShorter ? first : second;
    ws.longerState = result.firstIsShorter ? second : first;
    ws.lenS = long(ws.shorterState.size());
    ws.lenL = long(ws.longerState.size());
    ws.gap = gapChar;
    ws.model = model;

    // The forward pass.
    setUpPair(ws);
    compareUngapped(ws);
    ws.plainOxy = ws.oxy;
    ws.plainLength = double(ws.lenL);
    searchAlignment(ws);
    if (trace) {
        trace->searchShorter = ws.bestRows.s.text();
        trace->searchLonger = ws.bestRows.l.text();
        trace->searchSxy = ws.sxy;
        trace->searchOxy = ws.oxy;
        trace->searchAlignedLength = ws.alignedLength;
    }
    tidyForward(ws);

    // The reverse pass.
    setUpReversePass(ws);
    compareUngapped(ws);
    searchAlignment(ws);
    tidyReverse(ws);
    ws.savedReverse = ws.bestRows;
    const double reverseLength = ws.alignedLength;
    const double reverseOxy = ws.oxy;

    // The choice, repeated without a candidate whose rows came out wrong.
    Candidates candidates;
    int rounds = 0;
    PairChoice origin;
    for (;;) {
        ++rounds;
        const PairChoice taken = choose(ws, candidates, reverseLength, reverseOxy, origin);
        if (taken == PairChoice::plain || (spells(ws.bestRows.s, ws.shorterState, gapChar) &&
                                           spells(ws.bestRows.l, ws.longerState, gapChar)))
            break;
        if (taken == PairChoice::reverse)
            candidates.reverseVoid = true;
        else
            candidates.forwardVoid = true;
    }

    if (trace) {
        trace->forwardShorter = ws.forwardRows.s.text();
        trace->forwardLonger = ws.forwardRows.l.text();
        trace->forwardLength = ws.forwardLength;
        trace->forwardOxy = ws.forwardOxy;
        trace->reverseGapped = ws.reverseGapped;
        trace->reverseShorter = ws.savedReverse.s.text();
        trace->reverseLonger = ws.savedReverse.l.text();
        trace->reverseAlignedLength = reverseLength;
        trace->reverseOxy = reverseOxy;
        trace->plainOxy = ws.plainOxy;
        trace->plainLength = ws.plainLength;
        trace->forwardVoid = candidates.forwardVoid;
        trace->reverseVoid = candidates.reverseVoid;
        trace->rounds = rounds;
        trace->choice = origin;
    }

    result.scores = scoreFinal(ws, weights);
    const size_t n = size_t(ws.alignedLength);
    result.shorterRow = std::string_view(ws.bestRows.s.cells, n);
    result.longerRow = std::string_view(ws.bestRows.l.cells, n);
    return result;
}

struct Workspace : PairWorkspace {};

Workspace* newWorkspace() { return new Workspace; }
void deleteWorkspace(Workspace* workspace) { delete workspace; }

PairResult alignPair(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, Workspace& workspace,
                     PairTrace* trace) {
    return alignPairBaseline(first, second, gapChar, model, weights, workspace, trace);
}

}  // namespace baseline
