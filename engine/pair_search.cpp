// The greedy gap-block search: the ungapped comparison, one block in the shorter state
// (phase 1), and the sweep over positions with its two branches and clean-up (phase 2).
// Every count is a double and every comparison is made in the order and with the
// strictness that the method defines: step matrices depend on ties decided by the last bit.
// This file is compiled once per kernel set, into the namespace that row_kernels.h names.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/candidate_filter.h"
#include "engine/pair_workspace.h"
#include "engine/row_kernels.h"

namespace KERNEL_SET {

KERNEL void compareUngapped(PairWorkspace& ws) {
    const Row& a = ws.workRows.s;
    const Row& r = ws.workRows.l;
    // Column by column up to the overhang: equal cells match, others cost their substitution
    // price, in column order; the first column past the shorter state costs one gap and ends
    // it. The matches are counted whole: the sum of ones gives the same double.
    double cost = 0;
    long matches = 0;
    const long columns = std::min(ws.lenL, kRowCells);  // lenL is at most kMaxStateLength
    bool ended = false;
    for (long k = 0; k < columns && !ended; k += kLanes) {
        const LaneMask lanes = firstLanes(columns - k);
        const LaneMask differ = ~equalLanes(a.cells + k, r.cells + k) & lanes;
        LaneMask compared = lanes;  // the block's columns before the overhang
        for (LaneMask rest = differ; rest != 0; rest &= rest - 1) {
            const long g = k + std::countr_zero(rest);
            if (a.cells[g] == '\0') {
                cost += ws.model.gapCost;  // the overhang costs one gap, once
                compared = lanes & firstLanes(g - k);
                ended = true;
                break;
            }
            cost += isTransition(a.cells[g], r.cells[g]) ? ws.model.transitionCost
                                                         : ws.model.transversionCost;
        }
        matches += countBits(~differ & compared);
    }
    ws.sxy = double(matches) / double(ws.lenL);
    ws.oxy = ws.sxy / cost;
    ws.workLength = ws.alignedLength = double(ws.lenL);
    ws.shorterBest.ratio = ws.oxy;
    ws.longerBest.ratio = ws.oxy;
    ws.shorterGaps = ws.longerGaps = 0;
    ws.acceptedBranch = 0;
}

namespace {

// The bar that a candidate's ratio must pass, and a test that rejects without dividing the
// candidates that provably cannot pass it. The search computes a candidate's ratio as
// fl(fl(m / length) / cost); with u = 2^-53, m >= 0, and length and cost from 1 to 2^200, no
// step leaves the normal doubles, so that is at most m / (length * cost) * (1 + u)^2. The test
// rejects when m < fl(fl(bar * (1 - 16u)) * fl(length * cost)), which gives
//   ratio < bar * (1 - 16u) * (1 + u)^5 < bar,
// so the exact test "ratio > bar" would have failed too. Every candidate that the test does
// not reject (and every one outside those ranges) is decided by the divisions as before.
class RatioBar {
public:
    KERNEL explicit RatioBar(double bar) { raise(bar); }
    // The bar becomes `bar`; one outside 2^-300 to 2^300 rejects nothing.
    KERNEL void raise(double bar) {
        shrunk_ = bar >= 0x1p-300 && bar <= 0x1p300 ? bar * (1 - 0x1p-49) : 0;
    }
    // Returns whether a candidate of `matches` (a count), `length` and `cost` has a ratio
    // below the bar.
    KERNEL_INLINE bool rejects(double matches, double length, double cost) const {
        const double product = length * cost;
        return length >= 1 && cost >= 1 && product <= 0x1p200 && matches < shrunk_ * product;
    }
    // The same in whole numbers, below 2^21 for the length and 2^41 for the cost (the product
    // is then exact as a long, and rounded once as a double).
    // The caller makes sure that length and cost are at least 1.
    KERNEL_INLINE bool rejectsWhole(long matches, long length, long cost) const {
        return double(matches) < shrunk_ * double(length * cost);
    }

private:
    double shrunk_ = 0;
};

// Returns the smallest whole number not below `value`, for values from -2^40 to 2^40; the
// nearer bound for others (and 2^40 for NaN, which no loop of the search runs up to).
KERNEL_INLINE long ceilOf(double value) {
    if (value >= -0x1p40 && value <= 0x1p40) return long(std::ceil(value));
    return value < 0 ? -(1L << 40) : 1L << 40;
}

// A branch's candidates, with the division-free test made in whole numbers where it can be.
// The branch's values (working length, length difference, gap cost, gap-block count) are
// whole numbers unless a caller's cost model is not; then the lengths, costs and matches of
// its candidates are whole numbers below 2^21 and 2^41 too, every double operation on them
// is exact, and the same sums in longs give the same values. The candidates that the test
// rejects are passed over here, with no double arithmetic; every other one goes to the
// branch's own evaluation, which decides it in doubles as before.
class Contenders {
public:
    // The branch's block starts at `origin`; `scanned` is the row whose cells give the
    // candidates and `counted` the other row; `countEnd` ends the counted columns, which lie
    // inside both rows for every candidate when `inside`; a candidate
    // is taken only while the cell after the one before lies below `endNext`. A candidate has
    // the length and the gap charge that candidateTerms gives, lengths clamped at workLength
    // when `clampAtWorkLength`.
    KERNEL_INLINE Contenders(const PairWorkspace& ws, LetterPositions candidates, long origin,
                             const Row& scanned, const Row& counted, int block, long countEnd,
                             bool inside, long endNext, double difference, bool acceptedHere,
                             bool clampAtWorkLength, ColumnCounts before)
        : candidates_(candidates), origin_(origin), endNext_(endNext), clamp_(clampAtWorkLength) {
        long workLength = 0, d = 0, gapCost = 0, count = 0;
        whole_ = inside && asWhole(ws.workLength, workLength) && asWhole(difference, d) &&
                 asWhole(ws.model.gapCost, gapCost) && asWhole(ws.gapBlockCount, count);
        if (!whole_) return;
        x_ = scanned.cells + 1;
        y_ = counted.cells + origin + 1 + block;
        columns_ = countEnd - origin - 1;
        lengthBase_ = workLength;
        difference_ = d;
        matchesBase_ = before.matches + 1;
        // The gap blocks charged below, at and above the difference (see the branches).
        const CandidateTerms terms =
            candidateTerms(d, gapCost, count, acceptedHere, block, clampAtWorkLength);
        shift_ = terms.shift;
        costBelow_ = before.mismatches + terms.below;
        costAt_ = before.mismatches + terms.at;
        costAbove_ = before.mismatches + terms.above;
        // Lengths grow with s and costs are at least their class's: the bound of the test
        // needs both from 1 on, for every candidate.
        const long sMin = candidates.first() - origin;
        const long minExtra = clamp_ ? std::max(0L, sMin - shift_) : sMin - shift_;
        whole_ = sMin >= 0 && lengthBase_ + minExtra >= 1 &&
                 std::min({costBelow_, costAt_, costAbove_}) >= 1;
        oneBlock_ = columns_ <= kLanes;
    }
    // Returns the next candidate that the test does not reject, or -1 when there is none.
    KERNEL_INLINE long next(const RatioBar& bar) {
        if (!whole_) return candidates_.next();
        return oneBlock_ ? scan<true>(bar) : scan<false>(bar);
    }

private:
    // next() in whole numbers; the counted columns fit in one block when kOneBlock.
    template <bool kOneBlock>
    KERNEL_INLINE long scan(const RatioBar& bar) {
        // The loop works on copies, which stay in registers.
        LetterPositions candidates = candidates_;
        const RatioBar test = bar;
        const char* const x = x_;
        const char* const y = y_;
        const long origin = origin_, endNext = endNext_, columns = columns_, shift = shift_;
        const long lengthBase = lengthBase_, difference = difference_, matchesBase = matchesBase_;
        const long costBelow = costBelow_, costAt = costAt_, costAbove = costAbove_;
        const bool clamp = clamp_;
        const LaneMask lanes = firstLanes(columns);
        long P;
        for (;;) {
            P = candidates.next();
            if (P < 0) break;
            const long s = P - origin;
            const ColumnCounts after = kOneBlock ? countOneBlock(x + P, y, columns, lanes)
                                                 : countInside(x + P, y, columns);
            long extra = s - shift;
            if (clamp && extra < 0) extra = 0;
            const long charged = s < difference ? costBelow : s == difference ? costAt : costAbove;
            const long cost = charged + after.mismatches;
            if (!test.rejectsWhole(matchesBase + after.matches, lengthBase + extra, cost)) break;
            if (P + 1 >= endNext) {
                P = -1;
                break;
            }
        }
        candidates_ = candidates;
        return P;
    }

    LetterPositions candidates_;
    long origin_, endNext_;
    bool clamp_;
    bool whole_ = false;
    bool oneBlock_ = false;
    const char* x_ = nullptr;
    const char* y_ = nullptr;
    long columns_ = 0, lengthBase_ = 0, shift_ = 0, difference_ = 0, matchesBase_ = 0;
    long costBelow_ = 0, costAt_ = 0, costAbove_ = 0;
};

// Widens the gap block at `p` of `row` from `from` to `to` cells: the cells from p + from up
// to and including the row's first NUL move to - from places right, then cells p to
// p + to - 1 receive the gap character.
KERNEL void widenBlock(Row& row, long p, long from, long to, char gap) {
    const long shift = to - from;
    const long firstNul = row.firstNul();
    for (long m = firstNul; m >= p + from; --m) row.put(m + shift, row.at(m));
    for (long m = p; m < p + to; ++m) row.put(m, gap);
}

// The candidates of a branch from `from` on: the positions up to `last` whose cell of `row`
// holds `target`, the letter after the block; none when that is the gap character (a gap
// never counts as a match).
KERNEL_INLINE LetterPositions candidatesFrom(const Row& row, long from, long last, char target,
                                             char gap) {
    return LetterPositions(row, from, target == gap ? from - 1 : last, target);
}

// Returns whether the branch of `t` can accept no block at position p (see
// noCandidateCanPass), taking its counts anew when the rows or its ends changed since.
KERNEL_INLINE bool nothingToAccept(const PairWorkspace& ws, BranchCounts& t, const Row& scanned,
                                   const Row& counted, long countEnd, long last, long p,
                                   double difference, char target, double bar, bool clamp) {
    if (!kHasCandidateFilter) return false;
    if (t.version != ws.rowsVersion || t.countEnd != countEnd || t.last != last)
        takeBranchCounts(t, ws.rowsVersion, scanned, counted, countEnd, last, p, ws.gap,
                         ws.workLength, difference, ws.model.gapCost, ws.gapBlockBase, bar, clamp);
    return noCandidateCanPass(t, scanned, p, target, ws.gap, bar);
}

// Phase 1: one block of as many gaps as the length difference, tried after every number of
// the shorter state's letters. The work row with the block after K letters matches the
// longer row where its first K letters do and where its other letters, B places on, do;
// those counts are taken once for every K.
KERNEL void phaseOne(PairWorkspace& ws) {
    const long S = ws.lenS, L = ws.lenL, B = L - S;
    const Row& shorter = ws.workRows.s;
    const Row& longer = ws.workRows.l;
    long matchesFrom[kRowCells + 1];  // matches of letters K to S - 1, B places on
    matchesFrom[S] = 0;
    for (long m = S - 1; m >= 0; --m)
        matchesFrom[m] = matchesFrom[m + 1] + (shorter.at(m) == longer.at(m + B) ? 1 : 0);
    long matchesBefore = 0;  // matches of letters 0 to K - 1
    long adoptedK = -1;
    for (long K = 0; K < S; ++K) {
        if (K > 0 && shorter.at(K - 1) == longer.at(K - 1)) ++matchesBefore;
        const double matches = double(matchesBefore + matchesFrom[K]);
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
            adoptedK = K;
        }
    }
    if (adoptedK >= 0) {
        // The adopted candidate: the first K letters, the block, the other letters.
        Row& best = ws.bestRows.s;
        for (long m = 0; m < adoptedK; ++m) best.put(m, shorter.at(m));
        for (long m = adoptedK; m < adoptedK + B; ++m) best.put(m, ws.gap);
        for (long m = adoptedK + B; m < L; ++m) best.put(m, shorter.at(m - B));
        std::memcpy(ws.mirrorRows.s.cells, best.cells, size_t(std::min(L, kRowCells)));
        std::memcpy(ws.workRows.s.cells, best.cells, size_t(std::min(L, kRowCells)));
        ws.lengthDifference = 0;
    }
}

// Searches the shorter-row branch at sweep position p, whose candidates lie up to `last` and
// whose counted columns end before countEnd.
KERNEL __attribute__((noinline)) void searchShorterBranch(PairWorkspace& ws, long p, long last,
                                                          long countEnd) {
    Row& A = ws.workRows.s;
    const Row& R = ws.workRows.l;
    const double G = ws.model.gapCost;
    const double D = ws.lengthDifference;
    RatioBar bar(ws.shorterBest.ratio);
    const ColumnCounts before = countUngappedColumns(A, R, p, ws.gap);
    const double matchesBefore = double(before.matches);
    const double mismatchesBefore = double(before.mismatches);
    // Whether every column counted lies inside both rows (blocks are never longer than the
    // position they reach).
    const bool inside = countEnd + last + 1 <= kRowCells;
    // The candidates: the cells of the longer row that hold the letter after the block (a gap
    // never counts as a match, so a gap after the block has none), taken in order while the
    // cell after the one before lies below workLength.
    auto contendersFrom = [&](long from) KERNEL {
        return Contenders(ws, candidatesFrom(R, from, last, A.at(p + ws.shorterBlock), ws.gap), p,
                          R, A, ws.shorterBlock, countEnd, inside,
                          std::numeric_limits<long>::max(), D, ws.acceptedBranch == 1, false,
                          before);
    };
    Contenders contenders = contendersFrom(p);
    for (long next = p; next < ws.workLength && A.at(p) != '\0';) {
        const long P = contenders.next(bar);
        if (P < 0) break;
        next = P + 1;
        const long s = P - p;
        // Counts from the position on: the letter after the block, then the rest.
        const ColumnCounts after = countAfter(R, s, A, ws.shorterBlock, p + 1, countEnd);
        const double matchesAfter = 1 + double(after.matches);
        const double mismatchesAfter = double(after.mismatches);
        const double length = ws.workLength + double(s) - D;
        double tally;
        if (double(s) == D)
            tally = ws.acceptedBranch == 1 ? ws.gapBlockCount - 1 : ws.gapBlockCount;
        else if (double(s) > D && double(ws.shorterBlock) == D)
            tally = ws.gapBlockCount + 2;
        else
            tally = ws.acceptedBranch == 1 ? ws.gapBlockCount : ws.gapBlockCount + 1;
        const double cost = mismatchesBefore + mismatchesAfter + G * tally;
        const double matches = matchesBefore + matchesAfter;
        if (bar.rejects(matches, length, cost)) continue;
        const double similarity = matches / length;
        const double ratio = similarity / cost;
        if (ratio > ws.shorterBest.ratio && ratio > ws.oxy) {
            ws.gapBlockCount = (cost - mismatchesBefore - mismatchesAfter) / G;
            widenBlock(A, p, ws.shorterBlock, s, ws.gap);
            ws.shorterBlock = int(s);
            ws.acceptedBranch = 1;
            ws.shorterBest = {ratio, similarity, cost, length};
            bar.raise(ratio);
            contenders = contendersFrom(next);
        }
    }
}

// Searches the longer-row branch at sweep position PL, whose candidates lie up to `last` and
// whose counted columns end before countEnd.
KERNEL __attribute__((noinline)) void searchLongerBranch(PairWorkspace& ws, long PL, long last,
                                                         long countEnd) {
    const Row& A = ws.mirrorRows.s;
    Row& R = ws.mirrorRows.l;
    const double G = ws.model.gapCost;
    const double D = ws.lengthDifference;
    const double shorterEnd = double(ws.lenS) + ws.shorterGaps;
    const bool inside = countEnd + last + 1 <= kRowCells;
    // The candidates: the cells of the shorter row that hold the longer row's letter after the
    // block, as in the shorter-row branch, taken while the cell after the one before lies
    // below shorterEnd.
    const long endNext = ceilOf(shorterEnd);
    RatioBar bar(ws.longerBest.ratio);
    const ColumnCounts before = countUngappedColumns(A, R, PL, ws.gap);
    const double matchesBefore = double(before.matches);
    const double mismatchesBefore = double(before.mismatches);
    auto contendersFrom = [&](long from) KERNEL {
        return Contenders(ws, candidatesFrom(A, from, last, R.at(PL + ws.longerBlock), ws.gap), PL,
                          A, R, ws.longerBlock, countEnd, inside, endNext, -D,
                          ws.acceptedBranch == 2, true, before);
    };
    Contenders contenders = contendersFrom(PL);
    for (long next = PL; double(next) < shorterEnd && A.at(PL) != R.at(PL);) {
        const long P = contenders.next(bar);
        if (P < 0) break;
        next = P + 1;
        const long s = P - PL;
        const ColumnCounts after = countAfter(A, s, R, ws.longerBlock, PL + 1, countEnd);
        const double matchesAfter = 1 + double(after.matches);
        const double mismatchesAfter = double(after.mismatches);
        double extra;
        if (D >= 0)
            extra = double(s);
        else if (D < 0 && double(s) > -D)
            extra = double(s) + D;
        else
            extra = 0;
        if (extra < 0) extra = 0;
        const double length = ws.workLength + extra;
        double tally;
        if (double(s) == -D)
            tally = ws.acceptedBranch == 2 ? ws.gapBlockCount - 1 : ws.gapBlockCount;
        else if (double(s) > -D && double(ws.longerBlock) == -D)
            tally = ws.gapBlockCount + 2;
        else
            tally = ws.acceptedBranch == 2 ? ws.gapBlockCount : ws.gapBlockCount + 1;
        const double cost = mismatchesBefore + mismatchesAfter + G * tally;
        const double matches = matchesBefore + matchesAfter;
        if (bar.rejects(matches, length, cost)) continue;
        const double similarity = matches / length;
        const double ratio = similarity / cost;
        if (ratio > ws.longerBest.ratio && ratio > ws.oxy) {
            ws.gapBlockCount = tally;
            widenBlock(R, PL, ws.longerBlock, s, ws.gap);
            ws.longerBlock = int(s);
            ws.acceptedBranch = 2;
            ws.longerBest = {ratio, similarity, cost, length};
            bar.raise(ratio);
            contenders = contendersFrom(next);
        }
    }
}

// The shorter-row branch at sweep position p: blocks of growing length in the shorter work
// row, searched unless the candidate filter rules the position out.
KERNEL_INLINE void shorterBranch(PairWorkspace& ws, long p) {
    ws.gapBlockCount = ws.gapBlockBase;
    ws.shorterBlock = 0;
    ws.shorterBest.ratio = ws.oxy;
    const long last = ceilOf(ws.workLength) - 1;  // the last position below workLength
    const long countEnd = ceilOf(double(ws.lenS) + ws.shorterGaps);
    const Row& A = ws.workRows.s;
    const Row& R = ws.workRows.l;
    if (!nothingToAccept(ws, ws.shorterCounts, R, A, countEnd, last, p, ws.lengthDifference,
                         A.at(p), ws.shorterBest.ratio, false))
        searchShorterBranch(ws, p, last, countEnd);
}

// The longer-row branch at sweep position PL: blocks of growing length in the longer mirror
// row, searched unless the candidate filter rules the position out.
KERNEL_INLINE void longerBranch(PairWorkspace& ws, long PL) {
    ws.longerBest.ratio = ws.oxy;
    ws.gapBlockCount = ws.gapBlockBase;
    ws.longerBlock = 0;
    const long last = ceilOf(ws.workLength) - 1;  // the last position below workLength
    const long countEnd = ceilOf(ws.workLength);
    const Row& A = ws.mirrorRows.s;
    const Row& R = ws.mirrorRows.l;
    if (!nothingToAccept(ws, ws.longerCounts, A, R, countEnd, last, PL, -ws.lengthDifference,
                         R.at(PL), ws.longerBest.ratio, true))
        searchLongerBranch(ws, PL, last, countEnd);
}

// Sets cell k of all six search rows to NUL.
KERNEL void endSearchRows(PairWorkspace& ws, long k) {
    for (RowPair* rows : {&ws.workRows, &ws.mirrorRows, &ws.bestRows}) {
        rows->s.put(k, '\0');
        rows->l.put(k, '\0');
    }
}

// The better branch's block becomes the alignment. Returns whether a branch was adopted.
KERNEL bool adopt(PairWorkspace& ws) {
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
        copyCells(ws.mirrorRows, ws.workRows, e);
        copyCells(ws.bestRows, ws.workRows, e);
    } else if (lb.ratio > sb.ratio && lb.ratio > ws.oxy && ws.acceptedBranch == 2) {
        ws.oxy = lb.ratio;
        ws.sxy = lb.similarity;
        ws.alignedLength = lb.length;
        ws.longerGaps += ws.longerBlock;
        ws.lengthDifference += ws.longerBlock;
        if (ws.lengthDifference != 0) ws.gapBlockBase += 1;
        e = std::max(lb.length, double(ws.lenL) + ws.longerGaps);
        copyCells(ws.workRows, ws.mirrorRows, e);
        copyCells(ws.bestRows, ws.mirrorRows, e);
    } else {
        return false;
    }
    if (ws.reversePass) ws.reverseGapped = 1;
    endSearchRows(ws, long(e) + 2);
    return true;
}

// The BranchBest record that acceptedBranch names.
KERNEL BranchBest& acceptedRecord(PairWorkspace& ws) {
    return ws.acceptedBranch == 1 ? ws.shorterBest : ws.longerBest;
}

// Deletes the gap at column P of `first` and the first gap from P on of `second`, in the
// work rows and their mirrors: two gaps that cancel out, one column fewer.
KERNEL void cancelGapPair(PairWorkspace& ws, Row& first, Row& firstMirror, Row& second,
                   Row& secondMirror, long P) {
    first.deleteWithin(P, ws.workLength);
    firstMirror.deleteWithin(P, ws.workLength);
    for (long k = P; k <= ws.workLength; ++k) {
        if (second.at(k) == ws.gap) {
            second.deleteWithin(k, ws.workLength);
            secondMirror.deleteWithin(k, ws.workLength);
            break;
        }
    }
    ws.shorterGaps -= 1;
    ws.longerGaps -= 1;
    ws.workLength -= 1;
    acceptedRecord(ws).length -= 1;
}

// Removes gaps that cancel out from the work rows after an adoption.
KERNEL void cleanUp(PairWorkspace& ws) {
    Row& shorter = ws.workRows.s;
    Row& longer = ws.workRows.l;
    const char gap = ws.gap;
    for (long P = 0; P <= ws.workLength;) {
        // Every case needs a gap at P in one of the rows: columns without one are passed over.
        P = findGapColumn(shorter, longer, P, long(std::floor(ws.workLength)), gap);
        if (P > ws.workLength) break;
        if (shorter.at(P) == gap && longer.at(P) == gap) {
            // Case 1: a column of two gaps.
            const double before = ws.workLength;
            shorter.deleteWithin(P, ws.workLength + 1);
            longer.deleteWithin(P, ws.workLength + 1);
            ws.mirrorRows.s.copyFrom(shorter, P, ws.workLength);
            ws.bestRows.s.copyFrom(shorter, P, ws.workLength);
            ws.mirrorRows.l.copyFrom(longer, P, ws.workLength);
            ws.bestRows.l.copyFrom(longer, P, ws.workLength);
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
        if (shorter.at(P) != gap && shorter.at(P) == longer.at(P + 1) && longer.at(P) == gap) {
            // Case 2: the longer row's gap cancels the shorter row's next gap.
            cancelGapPair(ws, longer, ws.mirrorRows.l, shorter, ws.mirrorRows.s, P);
        } else if (longer.at(P) != gap && longer.at(P) == shorter.at(P + 1) &&
                   shorter.at(P) == gap && longer.at(P + 1) == shorter.at(P + 2) &&
                   longer.at(P + 2) == shorter.at(P + 3)) {
            // Case 3: the shorter row's gap cancels the longer row's next gap.
            cancelGapPair(ws, shorter, ws.mirrorRows.s, longer, ws.mirrorRows.l, P);
        }
        ++P;
    }
}

// Phase 2: the sweep over the positions of the longer state.
KERNEL void phaseTwo(PairWorkspace& ws) {
    ++ws.rowsVersion;  // the branches' counts are for other rows
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
        ++ws.rowsVersion;
    }
}

}  // namespace

KERNEL void searchAlignment(PairWorkspace& ws) {
    if (ws.lenL > ws.lenS) phaseOne(ws);
    phaseTwo(ws);
}

}  // namespace KERNEL_SET
