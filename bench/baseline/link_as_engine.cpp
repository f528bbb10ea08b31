// Gives the literal engine the names of the engine's interface, so that vornax_baseline is
// vornax with the engine as it first landed.
#include "bench/baseline/baseline_engine.h"

struct PairWorkspace {
    baseline::Workspace* workspace;
};

PairWorkspace* newPairWorkspace() {
    return new PairWorkspace{baseline::newWorkspace()};
}

void deletePairWorkspace(PairWorkspace* workspace) {
    baseline::deleteWorkspace(workspace->workspace);
    delete workspace;
}

PairResult alignPair(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, PairWorkspace& workspace,
                     PairTrace* trace) {
    return baseline::alignPair(first, second, gapChar, model, weights, *workspace.workspace, trace);
}
