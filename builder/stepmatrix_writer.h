// The text of the StepMatrix file and its console copy.
#pragma once

#include <string>

#include "builder/coding.h"
#include "builder/dataset.h"

struct CostTables;

// Returns "BEGIN ASSUMPTIONS;\n".
std::string fileStartText();

// Returns region n's header: the USERTYPE line, the state lines and the column line for a
// coded region, or the "more than 96 states" line; both end with "\n".
std::string regionHeaderText(int regionNumber, const RegionStates& states);

// Returns one step-matrix cell: "%.2f" of the value right-aligned in six characters, or one
// blank and the number when the number needs six characters or more.
std::string stepCellText(double value);

// Returns matrix row g of the region, from the user-weighted costs, ending with "\n".
std::string matrixRowText(const RegionStates& states, const CostTables& costs, int g);

// Returns the two terminator lines that close a coded region's matrix in the file.
std::string matrixEndText();

// Returns the line that closes a coded region's matrix on the console.
std::string consoleMatrixEndText();

// Returns the region numbering line(s) of the coded data matrix: one line when there are
// fewer than 9 regions (ending " ]\n" in the file, "  ]\n" on the console), else the tens
// line and the ones line. `lead` is what stands before the tab ("[ " and the padding).
std::string regionNumberingText(const Dataset& data, const CodedMatrix& coded,
                                const std::string& lead, bool console);

// Returns the coded data matrix block; `console` selects the console copy's numbering line.
std::string codedMatrixText(const Dataset& data, const CodedMatrix& coded, bool console);
