// Reads the StepMatrix file one region at a time: the region's number, its state count and
// the sequence of each state, found by scanning for the markers '#', '=', ']' and 'h'.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One region as the StepMatrix file lists it.
struct StepMatrixRegion {
    int32_t regionNumber = 0;  // the number after '#'; -1 for a region with too many states
    int32_t stateCount = 0;    // the count after "STEPMATRIX = ", as read (wrapping at 32 bits)
    std::vector<std::string> sequences;  // the sequences in list order, one per state read
};

// How a call of readStepMatrixRegion ended.
enum class RegionRead {
    found,       // a region was read (or announced as skipped)
    noMore,      // the file ended before the next '#', after the coded data matrix's title
                 // line "[ ...\tambiguous region ]": the end of a finished run's file
    unfinished,  // the file ended before the next '#' without that line: the run that wrote
                 // it did not finish
    cutShort,    // the file ended inside an announced region
};

// Reads characters from `in` until one is `target`. Returns true when it was found, false
// when the stream ended first.
bool skipPast(std::FILE* in, int target);

// Reads a decimal number: digits accumulate (wrapping modulo 2^32, no sign), and the first
// other character ends it and is consumed. Returns the number; `ending` receives the
// character that ended it, or EOF.
int32_t readDecimal(std::FILE* in, int& ending);

// Reads the next region from `stepMatrix` into `region`, writing "comparing region N" to
// `console` for every header found. Returns found, noMore, unfinished or cutShort.
RegionRead readStepMatrixRegion(std::FILE* stepMatrix, StepMatrixRegion& region,
                                std::FILE* console);
