// The greedy gap-block search: the ungapped comparison, one block in the shorter state
// (phase 1), and the sweep over positions with its two branches and clean-up (phase 2).
// Every count is a double and every comparison is made in the order and with the
// strictness that the method defines: step matrices depend on ties decided by the last bit.
#include <algorithm>

#include "builder/pair_workspace.h"

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
