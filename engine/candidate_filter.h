// The candidate filter of the sweep's branches. At a position, a branch tries the cells that
// hold one letter, one by one, and at almost every position none of them reaches the bar.
// While the search rows stay the same (from one adoption to the next), what the branch counts
// after every candidate can be read from counts kept per diagonal (BranchCounts), so that a
// position at which no candidate can reach the bar is passed over after one test of all its
// candidates, sixteen (AVX-512) or eight (AVX2) at a time. The test only passes over
// positions at which the branch would accept nothing, and a position that it cannot rule out
// is searched as before, so the search makes the same decisions with or without it. The
// portable set has no filter.
#pragma once

#include "engine/row_kernels.h"

namespace {

#if defined(VORNAX_KERNELS_AVX512) || defined(VORNAX_KERNELS_AVX2)
inline constexpr bool kHasCandidateFilter = true;
#else
inline constexpr bool kHasCandidateFilter = false;
#endif

// The diagonals that countDiagonals takes at a time.
#if defined(VORNAX_KERNELS_AVX2)
inline constexpr long kDiagonalBlock = 32;
#else
inline constexpr long kDiagonalBlock = 64;
#endif

// Takes the counts of the kDiagonalBlock diagonals from d0 on for the rows `start` - 1 down to
// p0 of `t`, from the scanned row x and the counted row y, where row `start` holds nothing:
// row p is row p + 1 with column p + 1 added in front. A column in which the cells are equal
// is a match and one in which they differ a mismatch, except that counting stops at a column
// in which they differ and x's cell is NUL: nothing from there on counts. The counts of the
// block stay in registers from one row to the next.
KERNEL_INLINE void countDiagonals(BranchCounts& t, const Row& x, const Row& y, long start,
                                  long p0, long d0) {
#if defined(VORNAX_KERNELS_AVX512)
    const __m512i one = _mm512_set1_epi8(1);
    __m512i m = _mm512_setzero_si512(), u = _mm512_setzero_si512();
    for (long p = start - 1; p >= p0; --p) {
        const char* cells = x.cells + p + 1 + d0;
        const LaneMask equal = letterLanes(cells, y.cells[p + 1]);
        const LaneMask counting = ~(letterLanes(cells, '\0') & ~equal);
        m = _mm512_maskz_mov_epi8(counting, _mm512_mask_add_epi8(m, equal, m, one));
        u = _mm512_maskz_mov_epi8(counting, _mm512_mask_add_epi8(u, ~equal, u, one));
        _mm512_store_si512(t.matched[p] + d0, m);
        _mm512_store_si512(t.unmatched[p] + d0, u);
    }
#elif defined(VORNAX_KERNELS_AVX2)
    __m256i m = _mm256_setzero_si256(), u = _mm256_setzero_si256();
    for (long p = start - 1; p >= p0; --p) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x.cells + p + 1 + d0));
        const __m256i equal = _mm256_cmpeq_epi8(c, _mm256_set1_epi8(y.cells[p + 1]));  // -1 or 0
        const __m256i differ = _mm256_xor_si256(equal, _mm256_set1_epi8(-1));
        const __m256i stop = _mm256_and_si256(differ, _mm256_cmpeq_epi8(c, _mm256_setzero_si256()));
        m = _mm256_andnot_si256(stop, _mm256_sub_epi8(m, equal));
        u = _mm256_andnot_si256(stop, _mm256_sub_epi8(u, differ));
        _mm256_store_si256(reinterpret_cast<__m256i*>(t.matched[p] + d0), m);
        _mm256_store_si256(reinterpret_cast<__m256i*>(t.unmatched[p] + d0), u);
    }
#else
    for (long d = d0; d < d0 + kDiagonalBlock; ++d) {
        std::uint8_t m = 0, u = 0;
        for (long p = start - 1; p >= p0; --p) {
            const char cell = x.cells[p + 1 + d];
            const bool equal = cell == y.cells[p + 1];
            const bool stop = !equal && cell == '\0';
            m = stop ? 0 : std::uint8_t(m + equal);
            u = stop ? 0 : std::uint8_t(u + !equal);
            t.matched[p][d] = m;
            t.unmatched[p][d] = u;
        }
    }
#endif
}

// Returns whether the cells of `row` from `from` to before `to` are all NUL.
KERNEL_INLINE bool noLetterIn(const Row& row, long from, long to) {
    for (long k = from; k < to; k += kLanes)
        if (~letterLanes(row.cells + k, '\0') & firstLanes(to - k)) return false;
    return true;
}

// Takes the counts `t` of a branch at the start of its first position p0 after the rows
// changed: x is the scanned row, y the counted row, countEnd the counting end and `last` the
// last candidate; workLength, difference (as the branch sees it), gapCost and blockCount are
// its terms, bar the ratio to beat and clamp whether lengths are not taken below
// workLength. Cell [p][d], for p from p0 on, counts the columns Q from p + 1 up to countEnd in
// which x[Q + d] and y[Q] are equal and those in which they differ, up to the first column in
// which they differ and x's cell is NUL: what the branch counts after a candidate at p + d.
// The counts are left unusable when a term is not a whole number, when the bar or a value is
// out of the filter's range or when the rows are longer than the counts cover.
KERNEL void takeBranchCounts(BranchCounts& t, long version, const Row& x, const Row& y,
                             long countEnd, long last, long p0, char gap, double workLength,
                             double difference, double gapCost, double blockCount, double bar,
                             bool clamp) {
    t.version = version;
    t.countEnd = countEnd;
    t.last = last;
    t.firstRow = p0;
    t.bar = bar;
    t.usable = false;
    long lengthBase = 0, d = 0, G = 0, count = 0;
    if (!kHasCandidateFilter || p0 < 0 || countEnd - 1 < p0 || countEnd > BranchCounts::kSize ||
        last < p0 || last >= BranchCounts::kSize || !asWhole(workLength, lengthBase) ||
        !asWhole(difference, d) || !asWhole(gapCost, G) || !asWhole(blockCount, count) ||
        !(bar >= 0x1p-100) || !(bar <= 0x1p100))
        return;
    // The candidates' terms at the start of a position: an empty block, not yet accepted.
    const CandidateTerms terms = candidateTerms(d, G, count, false, 0, clamp);
    const long shift = terms.shift, below = terms.below, at = terms.at, above = terms.above;
    long extraLeast = -shift, extraMost = last - p0 - shift;
    if (clamp) extraLeast = std::max(extraLeast, 0L), extraMost = std::max(extraMost, 0L);
    // Lengths from 1 on and every value below 2^24, a whole number exact in a float: lengths,
    // matches (at most 2 countEnd) and costs (the charge and at most 2 countEnd mismatches).
    const long dearest = std::max({below, at, above}) + 2 * countEnd;
    if (lengthBase + extraLeast < 1 || lengthBase + extraMost >= (1L << 24) ||
        std::min({below, at, above}) < -(1L << 24) || dearest >= (1L << 24))
        return;
    t.leastCharge = std::min({below, at, above});
    const float sf = float(bar * (1 - 0x1p-18));
    // (Whole blocks of 16, which the filter reads.)
    const int filled = int(std::min((last - p0 + 16) / 16 * 16, BranchCounts::kSize));
    const int lengthAt0 = int(lengthBase - shift), leastLength = clamp ? int(lengthBase) : 0;
    for (int s = 0; s < filled; ++s) t.scaledLength[s] = sf * float(std::max(lengthAt0 + s, leastLength));
    const int classAt = int(std::clamp(d, -1L, long(filled)));
    const float chargeBelow = float(below), chargeAt = float(at), chargeAbove = float(above);
    for (int s = 0; s < filled; ++s)
        t.charge[s] = s < classAt ? chargeBelow : s == classAt ? chargeAt : chargeAbove;
    t.usable = true;
    for (long w = 0; w < BranchCounts::kSize / 64; ++w) {
        LaneMask gaps = 0, equal = 0;
        for (long k = 0; k < 64; k += kLanes) {
            const char* a = x.cells + 64 * w + k;
            const char* b = y.cells + 64 * w + k;
            gaps |= (letterLanes(a, gap) | letterLanes(b, gap)) << k;
            equal |= equalLanes(a, b) << k;
        }
        t.equalColumns[w] = equal & ~gaps;
        t.unequalColumns[w] = ~equal & ~gaps;
    }
    // Row countEnd - 1 counts no column. When y holds no NUL before countEnd and x holds only
    // NULs from its first NUL through every cell that the rows below countEnd read, counting
    // stops at once on every diagonal from d on in the rows from xEnd - 1 - d on; the rows of
    // a block of diagonals from there on count nothing.
    const long xEnd = x.firstNul();
    const bool clean = y.firstNul() >= countEnd && noLetterIn(x, xEnd, countEnd + last + kDiagonalBlock);
    for (long d0 = 0; d0 <= last - p0; d0 += kDiagonalBlock) {
        const long start = clean ? std::clamp(xEnd - 1 - d0, p0, countEnd - 1) : countEnd - 1;
        for (long p = start; p <= std::min(countEnd - 1, last - d0); ++p) {
            std::memset(t.matched[p] + d0, 0, size_t(kDiagonalBlock));
            std::memset(t.unmatched[p] + d0, 0, size_t(kDiagonalBlock));
        }
        countDiagonals(t, x, y, start, p0, d0);
    }
}

// Returns whether no candidate of the branch of `t` at position p, before it accepts a block,
// can pass the bar `bar`, so that trying them would accept nothing (whether or not the branch
// stops before the last of them): x is the scanned row, `target` the letter after the (empty)
// block. Returns false whenever it cannot tell.
// A candidate on diagonal d matches m = before + 1 + matched[p][d] columns and costs
// cost = charge[d] + mismatches before + unmatched[p][d]; it is ruled out when
// m < fl(fl(sf * length) * cost) in floats, with sf = float(bar * (1 - 2^-18)) and every value a
// whole number below 2^24 (exact in a float). The right side is then at most
// bar * length * cost * (1 - 2^-18)(1 + 2^-53)(1 + 2^-24)^3, so the branch's ratio
// fl(fl(m / length) / cost) <= m / (length * cost) * (1 + 2^-53)^2 stays below the bar, and
// the branch would reject the candidate.
KERNEL_INLINE bool noCandidateCanPass(const BranchCounts& t, const Row& x, long p, char target,
                                      char gap, double bar) {
    if (!t.usable || p < t.firstRow || p > t.countEnd - 1 || p > t.last || bar != t.bar)
        return false;
    if (target == gap) return true;  // a gap never counts as a match: there is no candidate
    // The columns before p.
    long matchesBefore = 0, mismatchesBefore = 0;
    for (long w = 0; w * 64 < p; ++w) {
        const LaneMask below = p - 64 * w >= 64 ? ~LaneMask{0} : (LaneMask{1} << (p - 64 * w)) - 1;
        matchesBefore += long(std::popcount(t.equalColumns[w] & below));
        mismatchesBefore += long(std::popcount(t.unequalColumns[w] & below));
    }
    if (t.leastCharge + mismatchesBefore < 1) return false;  // a cost below 1
    const long lanes = t.last - p + 1;
    const float matchesBase = float(matchesBefore + 1);
    const float mismatchesBase = float(mismatchesBefore);
    const std::uint8_t* matchedAfter = t.matched[p];
    const std::uint8_t* unmatchedAfter = t.unmatched[p];
    // Returns the candidates of the kStep diagonals from d0 on that the test keeps, one bit
    // each.
#if defined(VORNAX_KERNELS_AVX512)
    constexpr long kStep = 16;
    // (The zero-masked forms: GCC 12 warns about the plain forms' undefined inputs.)
    constexpr __mmask16 kAll = 0xFFFF;
    auto keptFrom = [&](long d0) KERNEL {
        const __m512 matched = _mm512_maskz_cvtepi32_ps(kAll, _mm512_maskz_cvtepu8_epi32(
            kAll, _mm_loadu_si128(reinterpret_cast<const __m128i*>(matchedAfter + d0))));
        const __m512 unmatched = _mm512_maskz_cvtepi32_ps(kAll, _mm512_maskz_cvtepu8_epi32(
            kAll, _mm_loadu_si128(reinterpret_cast<const __m128i*>(unmatchedAfter + d0))));
        const __m512 cost = _mm512_add_ps(
            _mm512_add_ps(_mm512_load_ps(t.charge + d0), _mm512_set1_ps(mismatchesBase)), unmatched);
        const __m512 m = _mm512_add_ps(matched, _mm512_set1_ps(matchesBase));
        return LaneMask(std::uint16_t(~_mm512_cmp_ps_mask(
            m, _mm512_mul_ps(_mm512_load_ps(t.scaledLength + d0), cost), _CMP_LT_OQ)));
    };
#elif defined(VORNAX_KERNELS_AVX2)
    constexpr long kStep = 8;
    auto keptFrom = [&](long d0) KERNEL {
        std::uint64_t eight;
        std::memcpy(&eight, matchedAfter + d0, sizeof eight);
        const __m256 matched = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(long(eight))));
        std::memcpy(&eight, unmatchedAfter + d0, sizeof eight);
        const __m256 unmatched = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_cvtsi64_si128(long(eight))));
        const __m256 cost = _mm256_add_ps(
            _mm256_add_ps(_mm256_load_ps(t.charge + d0), _mm256_set1_ps(mismatchesBase)), unmatched);
        const __m256 m = _mm256_add_ps(matched, _mm256_set1_ps(matchesBase));
        const __m256 below = _mm256_cmp_ps(
            m, _mm256_mul_ps(_mm256_load_ps(t.scaledLength + d0), cost), _CMP_LT_OQ);
        return LaneMask(std::uint8_t(~_mm256_movemask_ps(below)));
    };
#else
    constexpr long kStep = 16;
    (void)matchedAfter, (void)unmatchedAfter, (void)matchesBase, (void)mismatchesBase;
    auto keptFrom = [](long) { return ~LaneMask{0}; };
    return false;
#endif
    // The candidates, the cells of x from p to last that hold the target letter, against the
    // diagonals that the test keeps, 64 at a time.
    for (long w = 0; w * 64 < lanes; ++w) {
        LaneMask candidates = 0;
        for (long k = 0; k < 64; k += kLanes)
            candidates |= letterLanes(x.cells + p + 64 * w + k, target) << k;
        if (lanes - 64 * w < 64) candidates &= (LaneMask{1} << (lanes - 64 * w)) - 1;
        LaneMask kept = 0;
        for (long k = 0; k < 64 && 64 * w + k < lanes; k += kStep) kept |= keptFrom(64 * w + k) << k;
        if (candidates & kept) return false;
    }
    return true;
}

}  // namespace
