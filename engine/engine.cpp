// The pair engine's entry: setup of a pair, the forward and the reverse pass, the choice of
// the final alignment and its scores.
#include "engine/engine.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "engine/kernel_sets.h"
#include "engine/pair_workspace.h"

PairWorkspace* newPairWorkspace(KernelSet set) {
    if (!kernelSetSupported(set))
        throw std::invalid_argument(std::string("newPairWorkspace: this processor cannot run "
                                                "the kernel set ") + kernelSetName(set));
    PairWorkspace* workspace = new PairWorkspace;
    workspace->stages = &searchStages(set);
    return workspace;
}
PairWorkspace* newPairWorkspace() {
    return newPairWorkspace(defaultKernelSet());
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
    ws.tidyEnded = '-';

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
    for (RowPair* rows : {&ws.workRows, &ws.mirrorRows, &ws.bestRows}) {
        rows->s.loadReversed(ws.shorterState);
        rows->l.loadReversed(ws.longerState);
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
    const ColumnScore sum = scoreColumns(ws, weights);
    PairScores scores;
    scores.cxy = int(sum.cost);
    scores.userCxy = sum.userCost;
    scores.sxy = sum.matches / ws.alignedLength;
    scores.oxy = scores.sxy / sum.cost;
    scores.userOxy = scores.sxy / sum.userCost;
    return scores;
}

}  // namespace

PairResult alignPair(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, PairWorkspace& ws,
                     PairTrace* trace) {
    if (first.size() > kMaxStateLength || second.size() > kMaxStateLength)
        throw std::length_error("alignPair: a state longer than kMaxStateLength");
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
    ws.stages->compareUngapped(ws);
    ws.plainOxy = ws.oxy;
    ws.plainLength = double(ws.lenL);
    ws.stages->searchAlignment(ws);
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
    ws.stages->compareUngapped(ws);
    ws.stages->searchAlignment(ws);
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
        trace->tidyEnded = ws.tidyEnded;
    }

    result.scores = scoreFinal(ws, weights);
    const size_t n = size_t(ws.alignedLength);
    result.shorterRow = std::string_view(ws.bestRows.s.cells, n);
    result.longerRow = std::string_view(ws.bestRows.l.cells, n);
    return result;
}
