#include "builder/alignments_writer.h"

#include <cstdio>

#include "builder/number_text.h"
#include "common/symbols.h"

std::string alignmentsHeadingText(int regionNumber) {
    char number[32];
    std::snprintf(number, sizeof number, "%d", regionNumber);
    return std::string("\nRegion #") + number +
           "\n"
           "Column 1: character state, col. 2: sequence, col. 3: Sxy, col. 4: Cxy, col. 5: "
           "Oxy,\n"
           "col. 6: Cxy with user values,  col. 7: Oxy with user values\n";
}

// Appends `row` with every gap character written as the gap mark.
static void appendRow(std::string& out, std::string_view row, char gapChar) {
    const size_t start = out.size();
    out.append(row);
    if (gapChar == static_cast<char>(kGapMark)) return;
    for (size_t i = start; i < out.size(); ++i)
        if (out[i] == gapChar) out[i] = static_cast<char>(kGapMark);
}

void appendPairRecord(std::string& out, char shorterSymbol, std::string_view shorterRow,
                      char longerSymbol, std::string_view longerRow, char gapChar,
                      const PairScores& scores) {
    out += '*';
    out += shorterSymbol;
    out += '\t';
    appendRow(out, shorterRow, gapChar);
    out += "\n ";
    out += longerSymbol;
    out += '\t';
    appendRow(out, longerRow, gapChar);
    // Sxy, Cxy and Oxy, then Cxy and Oxy with the user's weights.
    out += '\t';
    appendFixed(out, scores.sxy, 4, 3);
    out += '\t';
    appendInteger(out, scores.cxy, 2);
    out += '\t';
    appendFixed(out, scores.oxy, 4, 3);
    out += '\t';
    appendFixed(out, scores.userCxy, 4, 3);
    out += '\t';
    appendFixed(out, scores.userOxy, 4, 3);
    out += '\n';
}
