#include "builder/alignments_writer.h"

#include <cstdio>

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
    for (char c : row) out += c == gapChar ? static_cast<char>(kGapMark) : c;
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
    char numbers[256];
    int n = std::snprintf(numbers, sizeof numbers, "\t%4.3f\t%2d\t%4.3f\t%4.3f\t%4.3f\n",
                          scores.sxy, scores.cxy, scores.oxy, scores.userCxy, scores.userOxy);
    if (n >= int(sizeof numbers)) {
        // A user weight near the largest double prints hundreds of digits.
        std::string wide(size_t(n) + 1, '\0');
        std::snprintf(wide.data(), wide.size(), "\t%4.3f\t%2d\t%4.3f\t%4.3f\t%4.3f\n", scores.sxy,
                      scores.cxy, scores.oxy, scores.userCxy, scores.userOxy);
        wide.resize(size_t(n));
        out += wide;
    } else {
        out.append(numbers, size_t(n));
    }
}
