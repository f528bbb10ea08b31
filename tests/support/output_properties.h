// Test support: vornax's work on a data file run in memory, followed by quillet's check of
// what it wrote, and the properties that every accepted data file's output must have.
#pragma once

#include <string>

#include "engine/engine.h"

// What vornax wrote for one data file, run in memory.
struct BuilderOutput {
    bool accepted = false;  // false: the data file was refused (message in `refusal`)
    std::string refusal;
    std::string stepMatrix;  // the whole StepMatrix file
    std::string alignments;  // the whole Alignments file
};

// Runs vornax's reading, coding, engine and writers on `dataText` with `weights`, on
// `threads` threads (0: all processors).
BuilderOutput buildInMemory(const std::string& dataText, const UserWeights& weights,
                            int threads = 1);

// What quillet's check of a pair of files gave.
struct CheckerOutput {
    bool complete = false;  // the region loop ran to the end of a finished run's StepMatrix
    long long errors = 0;   // sequence mismatches
    std::string console;    // what it wrote to the console
};

// Runs quillet's working copy, StepMatrix reader and region check on the two file texts,
// with no answers on standard input.
CheckerOutput checkInMemory(const std::string& stepMatrix, const std::string& alignments);

// Returns a description of the first property that vornax's output for `dataText` breaks,
// or "" when it has them all: every Alignments row without its gap marks spells the state
// its symbol names (as far as 0xA5 bytes of the state itself can be told from gaps); the step
// matrices are symmetric; with the default weights every off-diagonal cell is positive; the coded
// data matrix has a row per taxon and a cell per region; vornax-export reads both files as
// belonging together and writes a report page that is ASCII with scripts of its own only; and
// quillet finds 0 errors and completes,
// for data whose states hold no byte the file formats cannot carry (blank, tab, ']', '#', 0xA5) and
// whose names and unknown-data code hold no '#'.
std::string findOutputFault(const std::string& dataText, const BuilderOutput& output,
                            const UserWeights& weights);
