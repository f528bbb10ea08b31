// The kernel sets: the search (pair_search.cpp) is compiled once for each instruction set it
// can use, in a namespace of that name; a workspace runs the set chosen when it was made.
// Internal to the engine.
#pragma once

#include "engine/engine.h"

struct PairWorkspace;

// The search stages as one kernel set compiled them.
struct SearchStages {
    // The ungapped comparison of the work rows: sets sxy, oxy, workLength, alignedLength,
    // both branch ratios, the gap tallies and acceptedBranch.
    void (*compareUngapped)(PairWorkspace& ws);
    // The two-phase gap-block search on the rows as loaded; leaves the adopted alignment in
    // bestRows with sxy, oxy and alignedLength.
    void (*searchAlignment)(PairWorkspace& ws);
};

// Returns the stages of `set`; the processor must support it.
const SearchStages& searchStages(KernelSet set);
