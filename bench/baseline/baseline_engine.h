// The pair engine exactly as it first landed, for the benchmark's baseline and the
// differential test. Same interface as builder/engine.h.
#pragma once

#include "builder/engine.h"

namespace baseline {

struct Workspace;

// Creates and destroys a workspace of the baseline engine.
Workspace* newWorkspace();
void deleteWorkspace(Workspace* workspace);

// Aligns two states like ::alignPair, with the literal (unoptimised) search.
PairResult alignPair(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, Workspace& workspace,
                     PairTrace* trace = nullptr);

}  // namespace baseline
