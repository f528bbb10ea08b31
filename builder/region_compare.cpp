#include "builder/region_compare.h"

#include <memory>

#include "builder/alignments_writer.h"
#include "common/symbols.h"

void CostTables::reset(int states) {
    size = states;
    cost.assign(size_t(states) * states, 0);
    userCost.assign(size_t(states) * states, 0.0);
}

void compareRegionStates(const RegionStates& states, char gapChar, const CostModel& model,
                         const UserWeights& weights, CostTables& costs, std::string& alignments,
                         const std::function<void(int)>& rowDone) {
    const int count = states.lastStateIndex + 1;
    costs.reset(count);
    std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)> workspace(newPairWorkspace(),
                                                                       deletePairWorkspace);
    for (int i = 0; i < count - 1; ++i) {
        for (int j = i + 1; j < count; ++j) {
            const PairResult r =
                alignPair(states.states[i], states.states[j], gapChar, model, weights, *workspace);
            costs.cost[size_t(j) * count + i] = r.scores.cxy;
            costs.cost[size_t(i) * count + j] = r.scores.cxy;
            costs.userCost[size_t(j) * count + i] = r.scores.userCxy;
            costs.userCost[size_t(i) * count + j] = r.scores.userCxy;
            const int s = r.firstIsShorter ? i : j;
            const int l = r.firstIsShorter ? j : i;
            appendPairRecord(alignments, stateSymbol(s), r.shorterRow, stateSymbol(l), r.longerRow,
                             gapChar, r.scores);
        }
        rowDone(i);
    }
    if (count > 0) rowDone(count - 1);
}
