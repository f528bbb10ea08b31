// The search's inner loops over the cells of two rows: counting the columns in which two rows
// match and finding the next cell that holds a letter. pair_search.cpp is compiled once for
// each kernel set (see kernel_sets.h); this header gives each loop the body of that set:
// 64 cells at a time with AVX-512 and with AVX2 (in two compares), 16 with SSE2 (every
// x86-64) and elsewhere.
// The loops only count and find positions, which are whole numbers, so every set gives the
// counts and positions of going cell by cell, and the search makes the same decisions.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include "engine/pair_workspace.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// KERNEL_SET names the set's namespace; KERNEL gives a function the set's instructions.
#if defined(VORNAX_KERNELS_AVX512)
#define KERNEL_SET avx512
#define KERNEL __attribute__((target("avx512f,avx512bw,avx512vl,popcnt,bmi,bmi2")))
#elif defined(VORNAX_KERNELS_AVX2)
#define KERNEL_SET avx2
#define KERNEL __attribute__((target("avx2,popcnt,bmi,bmi2")))
#else
#define KERNEL_SET portable
#define KERNEL
#endif
// The loops are inlined into the search's loops, which call them for every candidate.
#define KERNEL_INLINE KERNEL inline __attribute__((always_inline))

namespace {

// One bit per cell of a block of kLanes cells, the first cell in the lowest bit.
using LaneMask = std::uint64_t;

#if defined(VORNAX_KERNELS_AVX512)
inline constexpr long kLanes = 64;
// Returns the cells of the blocks at x and y that are equal.
KERNEL_INLINE LaneMask equalLanes(const char* x, const char* y) {
    return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(x), _mm512_loadu_si512(y));
}
// Returns the cells of the block at x that hold c.
KERNEL_INLINE LaneMask letterLanes(const char* x, char c) {
    return _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(x), _mm512_set1_epi8(c));
}
#elif defined(VORNAX_KERNELS_AVX2)
// Blocks of 64 cells, as two compares of 32.
inline constexpr long kLanes = 64;
KERNEL_INLINE LaneMask equalLanes32(const char* x, const char* y) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y));
    return std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b)));
}
KERNEL_INLINE LaneMask letterLanes32(const char* x, char c) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
    return std::uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, _mm256_set1_epi8(c))));
}
KERNEL_INLINE LaneMask equalLanes(const char* x, const char* y) {
    return equalLanes32(x, y) | equalLanes32(x + 32, y + 32) << 32;
}
KERNEL_INLINE LaneMask letterLanes(const char* x, char c) {
    return letterLanes32(x, c) | letterLanes32(x + 32, c) << 32;
}
#elif defined(__SSE2__)
inline constexpr long kLanes = 16;
KERNEL_INLINE LaneMask equalLanes(const char* x, const char* y) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    return std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b)));
}
KERNEL_INLINE LaneMask letterLanes(const char* x, char c) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    return std::uint16_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_set1_epi8(c))));
}
// Returns the cells of the blocks at x and y whose codes are 6 or 17 apart (a transition); the
// tidy-up, which is built with the portable set only, counts them.
KERNEL_INLINE LaneMask transitionLanes(const char* x, const char* y) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    const __m128i apart = _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
    return std::uint16_t(_mm_movemask_epi8(_mm_or_si128(
        _mm_cmpeq_epi8(apart, _mm_set1_epi8(6)), _mm_cmpeq_epi8(apart, _mm_set1_epi8(17)))));
}
#else
inline constexpr long kLanes = 16;
KERNEL_INLINE LaneMask equalLanes(const char* x, const char* y) {
    LaneMask m = 0;
    for (int i = 0; i < kLanes; ++i) m |= LaneMask(x[i] == y[i]) << i;
    return m;
}
KERNEL_INLINE LaneMask letterLanes(const char* x, char c) {
    LaneMask m = 0;
    for (int i = 0; i < kLanes; ++i) m |= LaneMask(x[i] == c) << i;
    return m;
}
KERNEL_INLINE LaneMask transitionLanes(const char* x, const char* y) {
    LaneMask m = 0;
    for (int i = 0; i < kLanes; ++i) m |= LaneMask(isTransition(x[i], y[i])) << i;
    return m;
}
#endif
static_assert(kLanes <= kRowSlack, "a block read at the row's last cell must stay in the row");

// Returns the number of set bits of a block's mask (the popcnt instruction where the set has
// it; the portable set counts its 16 bits in software, since the base x86-64 instruction set
// has no such instruction).
KERNEL_INLINE long countBits(LaneMask m) {
#if defined(VORNAX_KERNELS_AVX512) || defined(VORNAX_KERNELS_AVX2)
    return long(_mm_popcnt_u64(m));
#else
    static_assert(kLanes == 16);
    unsigned v = unsigned(m);
    v = v - ((v >> 1) & 0x5555u);
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return long((v + (v >> 8)) & 0x1Fu);
#endif
}

// Returns the mask of the first n cells of a block (none when n <= 0, all of them when
// n >= kLanes).
KERNEL_INLINE LaneMask firstLanes(long n) {
    if (n <= 0) return 0;
    return n >= kLanes ? ~LaneMask{0} >> (64 - kLanes) : (LaneMask{1} << n) - 1;
}

// Counts columns 0 to end - 1 of `a` and `b` in which neither cell is the gap character:
// those whose cells are equal and the others.
KERNEL_INLINE ColumnCounts countUngappedColumns(const Row& a, const Row& b, long end, char gap) {
    ColumnCounts counts;
    const long inside = std::min(end, kRowCells);
    for (long k = 0; k < inside; k += kLanes) {
        const LaneMask gaps = letterLanes(a.cells + k, gap) | letterLanes(b.cells + k, gap);
        const LaneMask counted = ~gaps & firstLanes(inside - k);
        const long matches = countBits(equalLanes(a.cells + k, b.cells + k) & counted);
        counts.matches += matches;
        counts.mismatches += countBits(counted) - matches;
    }
    // Beyond the rows both cells read as NUL: equal columns.
    if (end > kRowCells && gap != '\0') counts.matches += end - kRowCells;
    return counts;
}

// Counts the n columns (n <= kLanes) from cells x and y on, which lie inside both rows, as
// countAfter does; `lanes` is the mask of the first n.
KERNEL_INLINE ColumnCounts countOneBlock(const char* x, const char* y, long n, LaneMask lanes) {
    const LaneMask equal = equalLanes(x, y);
    const LaneMask stop = letterLanes(x, '\0') & ~equal & lanes;
    // The lanes before a stop (a mask without one has 64 zeros to count), or all n.
    const long counted = std::min(long(std::countr_zero(stop)), std::max(n, 0L));
    const long matches = countBits(equal & firstLanes(counted));
    return {matches, counted - matches};
}

// countAfter for the n columns from cells x and y on, when they all lie inside both rows, a
// block at a time.
KERNEL_INLINE ColumnCounts countInside(const char* x, const char* y, long n) {
    ColumnCounts counts;
    for (long j = 0; j < n; j += kLanes) {
        const long block = std::min(n - j, kLanes);
        const ColumnCounts part = countOneBlock(x + j, y + j, block, firstLanes(block));
        counts.matches += part.matches;
        counts.mismatches += part.mismatches;
        if (part.matches + part.mismatches < block) break;  // counting stopped in the block
    }
    return counts;
}

// For Q from `from` while Q < `to`, compares cell Q + dx of `x` with cell Q + dy of `y` and
// counts the equal and the differing pairs; counting stops at the first pair that differs
// where x's cell is NUL.
KERNEL_INLINE ColumnCounts countAfter(const Row& x, long dx, const Row& y, long dy, long from,
                                      long to) {
    ColumnCounts counts;
    // Counts column Q; returns whether counting stops there.
    auto stopsAt = [&](long Q) {
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
        if (stopsAt(Q)) return counts;
    // Columns whose cells lie inside both rows.
    const long endInside = std::min(to, std::min(kRowCells - dx, kRowCells - dy));
    if (Q < endInside) {
        const ColumnCounts inside = countInside(x.cells + Q + dx, y.cells + Q + dy, endInside - Q);
        counts.matches += inside.matches;
        counts.mismatches += inside.mismatches;
        if (inside.matches + inside.mismatches < endInside - Q) return counts;  // it stopped
        Q = endInside;
    }
    // Columns beyond either row.
    for (; Q < to; ++Q)
        if (stopsAt(Q)) return counts;
    return counts;
}

// Returns the first position from P to `last` at which a cell of `a` or of `b` is the gap
// character, where cells outside the rows read as NUL; last + 1 when there is none.
KERNEL_INLINE long findGapColumn(const Row& a, const Row& b, long P, long last, char gap) {
    for (; P < 0 && P <= last; ++P)
        if (gap == '\0') return P;
    const long end = std::min(last + 1, kRowCells);
    for (long k = P; k < end; k += kLanes) {
        const LaneMask found =
            (letterLanes(a.cells + k, gap) | letterLanes(b.cells + k, gap)) & firstLanes(end - k);
        if (found) return k + std::countr_zero(found);
    }
    const long beyond = std::max(P, kRowCells);
    return gap == '\0' && beyond <= last ? beyond : last + 1;
}

// The positions from `from` to `last` whose cell of a row holds a letter, taken in ascending
// order; cells outside the row read as NUL. The cells are compared 64 at a time as the
// positions are taken, so a position costs a bit scan rather than a search.
class LetterPositions {
public:
    KERNEL_INLINE LetterPositions(const Row& row, long from, long last, char letter)
        : row_(&row), letter_(letter), next_(from), last_(last) {
        if (letter_ != '\0' && next_ < 0) next_ = 0;  // positions before the row hold NUL
        lastInRow_ = std::min(last_, kRowCells - 1);
    }
    // Returns the first position not yet compared.
    KERNEL_INLINE long first() const { return next_; }
    // Returns the next position, or -1 when there is none.
    KERNEL_INLINE long next() {
        while (bits_ == 0) {
            if (next_ < 0) return next_ <= last_ ? next_++ : -1;  // a NUL before the row
            if (next_ > lastInRow_) {
                // Beyond the row every cell reads as NUL.
                const long beyond = std::max(next_, kRowCells);
                if (letter_ != '\0' || beyond > last_) return -1;
                next_ = beyond + 1;
                return beyond;
            }
            base_ = next_;
            bits_ = 0;
            for (long k = 0; k < 64; k += kLanes)
                bits_ |= letterLanes(row_->cells + base_ + k, letter_) << k;
            bits_ &= firstLanes64(lastInRow_ - base_ + 1);
            next_ = std::min(base_ + 64, lastInRow_ + 1);
        }
        const long position = base_ + std::countr_zero(bits_);
        bits_ &= bits_ - 1;
        return position;
    }

private:
    // Returns the mask of the first n of 64 bits.
    KERNEL_INLINE static LaneMask firstLanes64(long n) {
        return n >= 64 ? ~LaneMask{0} : (LaneMask{1} << n) - 1;
    }
    const Row* row_;
    char letter_;
    long next_;  // the first position not yet compared
    long last_, lastInRow_;
    long base_ = 0;      // the position of bit 0 of bits_
    LaneMask bits_ = 0;  // positions compared and not yet taken
};

}  // namespace
