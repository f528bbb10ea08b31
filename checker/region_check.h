// The region check: finds each region in the working copy, compares every aligned row with
// the StepMatrix sequence of its state symbol, reports mismatches and asks whether to go on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "checker/stepmatrix_reader.h"

// Counters kept for the whole run and never reset.
struct CheckTally {
    int64_t lineNumber = 0;  // the last line of Alignments accounted for, counting from 1
    int64_t errorCount = 0;  // the sequence mismatches reported so far
    int64_t unknownSymbols = 0;  // the rows reported with a symbol the region does not list
};

// Reads one character from `in`, passing over blanks and line ends. Returns it, or EOF.
int readKey(std::FILE* in);

// Checks `region` against its block in the working copy `copy`, reporting on `out` and
// reading answers from `in` (none: nothing is asked, the check goes on). Returns true when
// the region was compared to its end or is a skipped one, false when its header is not where
// it should be or the copy has ended.
bool checkRegion(std::FILE* copy, const StepMatrixRegion& region, CheckTally& tally, std::FILE* out,
                 std::FILE* in);

// Compares the aligned row `row`, shown after `symbol`, with the region's sequence of that
// symbol; reports an unknown symbol or a mismatch and waits for the answer from `in` (none:
// asks nothing and goes on). Returns nothing; on the quit answer it writes the farewell and
// aborts the process.
void compareRow(const StepMatrixRegion& region, unsigned char symbol, const std::string& row,
                CheckTally& tally, std::FILE* out, std::FILE* in);
