// Column counts of the search, sixteen columns at a time where the columns lie inside both
// rows. The counts are whole numbers, so the doubles made from them equal those made by
// adding 1 column by column.
#include <algorithm>
#include <bit>

#include "engine/pair_workspace.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Returns the mask of the first n of 16 lanes.
unsigned laneMask(long n) {
    return n >= 16 ? 0xFFFFu : (1u << n) - 1u;
}

// Returns the number of set bits of a 16-bit lane mask (without the library call that
// std::popcount becomes on processors of the base x86-64 instruction set).
inline long bitCount16(unsigned v) {
    v = v - ((v >> 1) & 0x5555u);
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return long((v + (v >> 8)) & 0x1Fu);
}

#if defined(__SSE2__)
// Returns the lanes in which the 16 cells at x and y are equal, and in `nulX` the lanes in
// which x's cell is NUL, and in `gapXY` the lanes in which either cell is `gap`.
inline unsigned compare16(const char* x, const char* y, char gap, unsigned& nulX, unsigned& gapXY) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    const __m128i g = _mm_set1_epi8(gap);
    nulX = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_setzero_si128())));
    gapXY = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(a, g), _mm_cmpeq_epi8(b, g))));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
}
#else
inline unsigned compare16(const char* x, const char* y, char gap, unsigned& nulX, unsigned& gapXY) {
    unsigned eq = 0;
    nulX = gapXY = 0;
    for (int i = 0; i < 16; ++i) {
        if (x[i] == y[i]) eq |= 1u << i;
        if (x[i] == '\0') nulX |= 1u << i;
        if (x[i] == gap || y[i] == gap) gapXY |= 1u << i;
    }
    return eq;
}
#endif

}  // namespace

ColumnCounts countUngappedColumns(const Row& a, const Row& b, long end, char gap) {
    ColumnCounts counts;
    const long inside = std::min(end, kRowCells);
    long k = 0;
    for (; k < inside; k += 16) {
        unsigned nul, gaps;
        const unsigned eq = compare16(a.cells + k, b.cells + k, gap, nul, gaps);
        const unsigned counted = ~gaps & laneMask(inside - k);
        const long matches = bitCount16(eq & counted);
        counts.matches += matches;
        counts.mismatches += bitCount16(counted) - matches;
    }
    // Beyond the rows both cells read as NUL: equal columns.
    if (end > kRowCells && gap != '\0') counts.matches += end - kRowCells;
    return counts;
}

ColumnCounts countAfter(const Row& x, long dx, const Row& y, long dy, long from, long to) {
    ColumnCounts counts;
    // Returns whether counting stops at column Q.
    auto step = [&](long Q) {
        const char cx = x.at(Q + dx);
        if (cx == y.at(Q + dy)) {
            counts.matches += 1;
            return false;
        }
        if (cx == '\0') return true;
        counts.mismatches += 1;
        return false;
    };
    // Columns whose cells lie before either row.
    long Q = from;
    const long firstInside = std::max(-dx, -dy);
    for (; Q < to && Q < firstInside; ++Q)
        if (step(Q)) return counts;
    // Columns whose cells lie inside both rows, sixteen at a time.
    const long endInside = std::min(to, std::min(kRowCells - dx, kRowCells - dy));
    for (; Q < endInside; Q += 16) {
        unsigned nul, gaps;
        const unsigned eq = compare16(x.cells + Q + dx, y.cells + Q + dy, '\0', nul, gaps);
        const long lanes = std::min(endInside - Q, 16L);
        const unsigned stop = nul & ~eq & laneMask(lanes);
        const long counted = stop ? std::countr_zero(stop) : lanes;
        const long matches = bitCount16(eq & laneMask(counted));
        counts.matches += matches;
        counts.mismatches += counted - matches;
        if (stop) return counts;
    }
    // Columns beyond either row.
    for (Q = std::max(Q, endInside); Q < to; ++Q)
        if (step(Q)) return counts;
    return counts;
}
