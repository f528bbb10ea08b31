// StepMatrix and Alignments of a data set, written region by region.
#pragma once

#include <functional>
#include <string>

#include "builder/dataset.h"
#include "engine/engine.h"

// What a run shows while it writes.
struct RunDisplay {
    // Receives the console copy of the texts as they are made: the step matrices, then the
    // coded data matrix.
    std::function<void(const std::string&)> console;
    // When set, called as each row of a step matrix is done, with the region's number
    // (from 1), its number of states, the pairs of states aligned so far and in all.
    std::function<void(int region, int states, long long pairsDone, long long pairs)> progress;
};

// Codes every region of `data` with `weights` and writes StepMatrix and Alignments into
// `directory` ("" for the current one), replacing earlier ones; a data set without regions
// empties Alignments and appends its coded data matrix to StepMatrix. Both files are opened and
// locked (flock) before either is emptied, so a run that cannot open one, or that another run
// holds them from, changes neither. Each region's texts reach both files whole before the next
// region starts, so a run stopped from outside leaves them complete up to the last finished
// region, and a write that fails (a full disk) cuts both back to that point. Throws RunError
// naming a file that cannot be written, or the files another run holds.
void writeRunOutputs(Dataset& data, const UserWeights& weights, const std::string& directory,
                     const RunDisplay& display);
