// The pair engine on the worked examples of the method, the void rule, the tidy-up that
// must end, and properties over random pairs.
#include "builder/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "builder/pair_workspace.h"

namespace {

struct Engine {
    std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)> ws{newPairWorkspace(),
                                                                deletePairWorkspace};
    PairTrace trace;

    PairResult align(const std::string& first, const std::string& second, UserWeights weights = {},
                     char gap = '-') {
        trace = PairTrace{};
        return alignPair(first, second, gap, CostModel{}, weights, *ws, &trace);
    }
};

std::string rows(const PairResult& r) {
    return std::string(r.shorterRow) + "/" + std::string(r.longerRow);
}

// Removes the gap characters of `row`.
std::string ungapped(std::string_view row, char gap) {
    std::string letters;
    for (char c : row)
        if (c != gap) letters += c;
    return letters;
}

TEST(UngappedComparison, PricesAndRatios) {
    Engine e;
    e.align("ACG", "ACGTT");  // three matches, one gap for the overhang
    EXPECT_EQ(e.trace.plainOxy, 0.6 / 3);
    EXPECT_LT(e.trace.plainOxy, 0.2);  // 0.6/3 falls just below 0.2
    EXPECT_EQ(e.trace.plainLength, 5);
    e.align("ACGT", "GCGT");  // A/G is a transition
    EXPECT_EQ(e.trace.plainOxy, 0.75);
    e.align("ACGT", "ACGA");  // T/A is a transversion
    EXPECT_EQ(e.trace.plainOxy, 0.375);
    e.align("ACGT", "TGCA");  // four transversions
    EXPECT_EQ(e.trace.plainOxy, 0);
}

TEST(UngappedComparison, CodesSixOrSeventeenApartAreTransitions) {
    Engine e;
    EXPECT_EQ(e.align("N", "T").scores.cxy, 1);
    EXPECT_EQ(e.align("A", "R").scores.cxy, 1);
    EXPECT_EQ(e.align("C", "T").scores.cxy, 1);
    EXPECT_EQ(e.align("A", "C").scores.cxy, 2);
}

TEST(Search, PhaseOneAdoptsTheFirstBestBlock) {
    Engine e;
    const PairResult r = e.align("ACGT", "ACGGT");
    EXPECT_EQ(e.trace.searchShorter, "AC-GT");
    EXPECT_EQ(e.trace.searchLonger, "ACGGT");
    EXPECT_EQ(e.trace.searchSxy, 0.8);
    EXPECT_EQ(e.trace.searchOxy, 0.8);
    EXPECT_EQ(e.trace.searchAlignedLength, 5);
    // The tidy-up changes nothing and charges one gap.
    EXPECT_EQ(e.trace.forwardShorter, "AC-GT");
    EXPECT_EQ(e.trace.forwardOxy, 0.8 / 3);
    EXPECT_EQ(r.scores.cxy, 3);
}

TEST(Search, PhaseOneTieIsDecidedByTheLastBit) {
    // 0.4/2 is above 0.6/3 in doubles, so the block after AC wins over the ungapped pair.
    Engine e;
    e.align("ACG", "ACGTT");
    EXPECT_EQ(e.trace.searchShorter, "AC--G");
    EXPECT_EQ(e.trace.searchLonger, "ACGTT");
    EXPECT_EQ(e.trace.searchOxy, 0.4 / 2);
}

TEST(Search, LongerRowBranchWithTheHigherRatioIsAdopted) {
    Engine e;
    const PairResult r = e.align("AATG", "ATGA");
    EXPECT_EQ(e.trace.searchShorter, "AATG");
    EXPECT_EQ(e.trace.searchLonger, "A-TGA");
    EXPECT_EQ(e.trace.searchSxy, 0.6);
    EXPECT_EQ(e.trace.searchOxy, 0.6 / 6);
    EXPECT_EQ(e.trace.searchAlignedLength, 5);
    // The tidy-up fills the shorter row; two gap runs cost 6.
    EXPECT_EQ(e.trace.forwardShorter, "AATG-");
    EXPECT_EQ(rows(r), "AATG-/A-TGA");
    EXPECT_EQ(r.scores.cxy, 6);
    EXPECT_EQ(r.scores.sxy, 0.6);
}

TEST(Search, EqualRatiosInBothBranchesEndTheSweep) {
    Engine e;
    e.align("AACT", "ATGA");
    EXPECT_EQ(e.trace.searchShorter, "AACT");
    EXPECT_EQ(e.trace.searchLonger, "ATGA");
    EXPECT_EQ(e.trace.searchOxy, 0.25 / 6);
}

TEST(Search, ShorterBranchCannotBeAdoptedOnceTheLongerBranchAccepted) {
    Engine e;
    e.align("ACGTA", "TACGT");
    EXPECT_EQ(e.trace.searchShorter, "ACGTA");
    EXPECT_EQ(e.trace.searchLonger, "TACGT");
    EXPECT_EQ(e.trace.searchOxy, 0);
}

TEST(Search, ShorterRowBlockAtTheStart) {
    Engine e;
    const PairResult r = e.align("CCAAC", "GACCA");
    EXPECT_EQ(e.trace.searchShorter, "--CCAAC");
    EXPECT_EQ(e.trace.searchLonger, "GACCA");
    EXPECT_EQ(e.trace.searchSxy, 3.0 / 7);
    EXPECT_EQ(e.trace.searchAlignedLength, 7);
    EXPECT_EQ(rows(r), "--CCAAC/GACCA--");
    EXPECT_EQ(r.scores.cxy, 6);  // the run at column 0 once, the trailing run once
    EXPECT_EQ(r.scores.sxy, 3.0 / 7);
}

TEST(Search, ShorterRowBlockInside) {
    Engine e;
    const PairResult r = e.align("AAAT", "ACTA");
    EXPECT_EQ(e.trace.searchShorter, "A--AAT");
    EXPECT_EQ(e.trace.searchLonger, "ACTA");
    EXPECT_EQ(e.trace.searchOxy, (2.0 / 6) / 6);
    EXPECT_EQ(e.trace.searchAlignedLength, 6);
    EXPECT_EQ(rows(r), "A--AAT/ACTA--");
    EXPECT_EQ(r.scores.sxy, 2.0 / 6);
    EXPECT_EQ(r.scores.oxy, (2.0 / 6) / 6);
}

// Runs the forward tidy-up on rows as the search might leave them.
PairWorkspace& tidied(PairWorkspace& ws, const std::string& shorter, const std::string& longer,
                      double alignedLength) {
    ws.gap = '-';
    ws.model = CostModel{};
    ws.bestRows.s.load(shorter);
    ws.bestRows.l.load(longer);
    ws.forwardRows.s.load("");
    ws.forwardRows.l.load("");
    ws.alignedLength = alignedLength;
    tidyForward(ws);
    return ws;
}

TEST(TidyUp, GapPairAtTheFront) {
    Engine e;
    PairWorkspace& ws = tidied(*e.ws, "AC-T", "-GCT", 4);
    EXPECT_EQ(ws.forwardRows.s.text(), "ACT");
    EXPECT_EQ(ws.forwardRows.l.text(), "GCT");
    EXPECT_EQ(ws.forwardLength, 3);
    EXPECT_EQ(ws.sxy, 2.0 / 3);
    EXPECT_EQ(ws.forwardOxy, 2.0 / 3);  // one transition
}

TEST(TidyUp, StaggeredGaps) {
    Engine e;
    PairWorkspace& ws = tidied(*e.ws, "A-CG", "AC-T", 4);
    EXPECT_EQ(ws.forwardRows.s.text(), "ACG");
    EXPECT_EQ(ws.forwardRows.l.text(), "ACT");
    EXPECT_EQ(ws.alignedLength, 3);
    EXPECT_EQ(ws.forwardOxy, (2.0 / 3) / 2);  // one transversion
}

TEST(TidyUp, TrailingRunIsChargedOnce) {
    Engine e;
    const PairResult r = e.align("GGGCA", "TTG");
    EXPECT_FALSE(r.firstIsShorter);
    EXPECT_EQ(rows(r), "TTG--/GGGCA");
    EXPECT_EQ(r.scores.cxy, 7);
    EXPECT_EQ(r.scores.sxy, 0.2);
}

TEST(TidyUp, FrontGapPairThatMovesNothingEnds) {
    // With the aligned length driven to 0 the deletions move nothing; the step ends after
    // one iteration instead of repeating forever.
    Engine e;
    PairWorkspace& ws = tidied(*e.ws, "AC-T", "-GCT", 0);
    EXPECT_EQ(ws.forwardRows.s.text(), "AC-T");
    EXPECT_EQ(ws.forwardRows.l.text(), "-GCT");
    EXPECT_EQ(ws.forwardLength, 4);
}

TEST(TidyUp, PairThatWouldHangTerminatesSoundly) {
    Engine e;
    const std::string a = "CTCTGCACATTC", b = "TGACACCTTGGATTGATTAGACTCCATAGT";
    const PairResult r = e.align(a, b);
    EXPECT_EQ(ungapped(r.shorterRow, '-'), a);
    EXPECT_EQ(ungapped(r.longerRow, '-'), b);
    // Both candidates lost letters; the ungapped alignment is taken.
    EXPECT_TRUE(e.trace.forwardVoid);
    EXPECT_TRUE(e.trace.reverseVoid);
    EXPECT_EQ(e.trace.rounds, 3);
    EXPECT_EQ(e.trace.choice, PairChoice::plain);
    EXPECT_EQ(rows(r), a + std::string(18, '-') + "/" + b);
}

TEST(Choice, ReverseWinsOnAHigherRatioAndReadsInOrder) {
    Engine e;
    const PairResult r = e.align("ACGTA", "TACGT");
    EXPECT_EQ(e.trace.reverseGapped, 1);
    EXPECT_EQ(e.trace.choice, PairChoice::reverse);
    EXPECT_EQ(rows(r), "-ACGTA/TACGT-");
    EXPECT_EQ(r.scores.oxy, e.trace.reverseOxy);
}

TEST(Choice, EqualRatiosKeepTheForwardAlignment) {
    Engine e;
    e.align("AATG", "ATGA");
    EXPECT_EQ(e.trace.reverseGapped, 1);
    EXPECT_EQ(e.trace.reverseOxy, e.trace.forwardOxy);
    EXPECT_EQ(e.trace.choice, PairChoice::forward);
}

TEST(Choice, ReverseWithoutAPhaseTwoAdoptionNeverWins) {
    // The reverse pass ends with a higher ratio than the forward one, from its ungapped
    // comparison, but adopted nothing in its sweep.
    Engine e;
    e.align("ACG", "ACGTT");
    EXPECT_EQ(e.trace.reverseGapped, 0);
    EXPECT_GT(e.trace.reverseOxy, e.trace.forwardOxy);
    EXPECT_EQ(e.trace.choice, PairChoice::forward);
}

// Seeded random states over `alphabet`, 1 to `maxLength` letters.
std::string randomState(std::mt19937& rng, int maxLength, const std::string& alphabet) {
    std::uniform_int_distribution<int> length(1, maxLength);
    std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
    std::string s(size_t(length(rng)), ' ');
    for (char& c : s) c = alphabet[letter(rng)];
    return s;
}

// The void rule, on the smallest pairs that a seeded random search over states of 1 to 12
// letters found for each case.
struct VoidCase {
    const char* first;
    const char* second;
    const char* misspelt;  // the candidate's row that does not spell its state
    bool forwardVoid, reverseVoid;
    int rounds;
    PairChoice choice;
    const char* finalRows;
};

TEST(VoidRule, CandidatesWhoseRowsMisspellTheirStatesAreSetAside) {
    const VoidCase cases[] = {
        // The forward rows lose the A of GCATTA; the reverse alignment is taken instead.
        {"C", "GCATTA", "GCATT", true, false, 2, PairChoice::reverse, "-C----/GCATTA"},
        // The forward rows repeat a C; the reverse pass adopted nothing, so the plain
        // alignment is installed.
        {"AACAAC", "TCA", "AACAACC", true, false, 2, PairChoice::plain, "TCA---/AACAAC"},
        // The reverse rows lose a G; the forward alignment stays.
        {"A", "GGTAG", "GATG", false, true, 2, PairChoice::forward, "---A-/GGTAG"},
        // The reverse rows repeat a C; the forward alignment stays.
        {"CCTAT", "TACG", "-TATCCC", false, true, 2, PairChoice::forward, "TACG-/CCTAT"},
        // Both candidates misspell; the choice runs a third time and takes the plain rows.
        {"C", "TCGGCA", "TCGGC", true, true, 3, PairChoice::plain, "C-----/TCGGCA"},
    };
    Engine e;
    for (const VoidCase& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " / " + c.second);
        const PairResult r = e.align(c.first, c.second);
        const PairTrace& t = e.trace;
        const std::string candidateRows[] = {t.forwardShorter, t.forwardLonger, t.reverseShorter,
                                             t.reverseLonger};
        EXPECT_NE(std::find(std::begin(candidateRows), std::end(candidateRows), c.misspelt),
                  std::end(candidateRows));
        EXPECT_EQ(t.forwardVoid, c.forwardVoid);
        EXPECT_EQ(t.reverseVoid, c.reverseVoid);
        EXPECT_EQ(t.rounds, c.rounds);
        EXPECT_EQ(t.choice, c.choice);
        EXPECT_EQ(rows(r), c.finalRows);
    }
}

TEST(FinalScores, UserWeights) {
    Engine e;
    // One transversion (C/G): the user's weight for it is added instead of 2.
    PairResult r = e.align("ACGT", "AGGT", UserWeights{1, 2.5, 1});
    EXPECT_EQ(r.scores.cxy, 2);
    EXPECT_EQ(r.scores.userCxy, 2.5);
    EXPECT_EQ(r.scores.userOxy, 0.75 / 2.5);
    // A pair that differs only by a gap run, with the insertions weight at 0.
    r = e.align("ATG", "ATGAG", UserWeights{1, 1, 0});
    EXPECT_EQ(rows(r), "AT--G/ATGAG");
    EXPECT_EQ(r.scores.cxy, 3);
    EXPECT_EQ(r.scores.oxy, 0.6 / 3);
    EXPECT_EQ(r.scores.userCxy, 0);
    EXPECT_EQ(r.scores.userOxy, std::numeric_limits<double>::infinity());
}

TEST(Engine, RefusesStatesLongerThanItsRows) {
    Engine e;
    EXPECT_THROW(e.align(std::string(kMaxStateLength + 1, 'A'), "C"), std::length_error);
    EXPECT_NO_THROW(e.align(std::string(kMaxStateLength, 'A'), "C"));
}

TEST(FinalScores, GapCharacterIsTheMissingDataCode) {
    Engine e;
    const PairResult r = e.align("ATG", "ATGAG", UserWeights{}, ':');
    EXPECT_EQ(rows(r), "AT::G/ATGAG");
    EXPECT_EQ(r.scores.cxy, 3);
}

TEST(Properties, RandomPairsGiveSoundAlignmentsWithPositiveCosts) {
    std::mt19937 rng(7);
    Engine e;
    int pairs = 0, voided = 0;
    for (int n = 0; n < 6000; ++n) {
        const int maxLength = n % 3 == 0 ? 101 : n % 3 == 1 ? 30 : 8;
        std::string a = randomState(rng, maxLength, n % 5 == 0 ? "ACGTNRY" : "ACGT");
        std::string b = randomState(rng, maxLength, "ACGT");
        if (a == b) continue;
        if (b < a) std::swap(a, b);
        const PairResult r = e.align(a, b);
        ++pairs;
        if (e.trace.forwardVoid || e.trace.reverseVoid) ++voided;
        ASSERT_EQ(r.shorterRow.size(), r.longerRow.size()) << a << " / " << b;
        ASSERT_EQ(r.shorterRow.find('\0'), std::string_view::npos);
        ASSERT_EQ(r.longerRow.find('\0'), std::string_view::npos);
        ASSERT_EQ(ungapped(r.shorterRow, '-'), r.firstIsShorter ? a : b) << a << " / " << b;
        ASSERT_EQ(ungapped(r.longerRow, '-'), r.firstIsShorter ? b : a) << a << " / " << b;
        ASSERT_GT(r.scores.cxy, 0) << a << " / " << b;
        ASSERT_GT(r.scores.userCxy, 0) << a << " / " << b;
    }
    std::printf("random pairs: %d, changed by the void rule: %d (%.1f%%)\n", pairs, voided,
                100.0 * voided / pairs);
}

}  // namespace
