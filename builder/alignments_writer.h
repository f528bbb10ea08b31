// The text of the Alignments file: region headings and pair records.
#pragma once

#include <string>
#include <string_view>

#include "engine/engine.h"

// Returns the three heading lines of region n (the first is empty).
std::string alignmentsHeadingText(int regionNumber);

// Appends the two-line record of one pair to `out`: each row with every gap character
// written as the gap mark 0xA5, then the five scores
// (sxy, cxy, oxy, userCxy, userOxy).
void appendPairRecord(std::string& out, char shorterSymbol, std::string_view shorterRow,
                      char longerSymbol, std::string_view longerRow, char gapChar,
                      const PairScores& scores);
