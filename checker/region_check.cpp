#include "checker/region_check.h"

#include <cstdlib>

#include "common/symbols.h"

namespace {

// Writes `text` byte for byte (NUL bytes included) to `out`.
void writeBytes(std::FILE* out, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out);
}

// Writes the line "sequence 'S' in file "FILE" = SEQUENCE" of a mismatch report and flushes it.
void writeSequenceLine(std::FILE* out, char symbol, const char* file, const std::string& sequence) {
    std::fputs("sequence '", out);
    std::fputc(symbol, out);
    std::fprintf(out, "' in file \"%s\" = ", file);
    writeBytes(out, sequence);
    std::fputs("\n", out);
    std::fflush(out);
}

// Reads characters into `row` up to `stop`, which is consumed but not stored. Returns false
// when the stream ends first.
bool readRowUntil(std::FILE* in, int stop, std::string& row) {
    row.clear();
    for (int c = std::getc(in); c != stop; c = std::getc(in)) {
        if (c == EOF) return false;
        row.push_back(static_cast<char>(c));
    }
    return true;
}

// Reads and drops one character. Returns false when the stream has ended.
bool dropOne(std::FILE* in) {
    return std::getc(in) != EOF;
}

}  // namespace

int readKey(std::FILE* in) {
    int c = std::getc(in);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        c = std::getc(in);
    }
    return c;
}

void compareRow(const StepMatrixRegion& region, unsigned char symbol, const std::string& row,
                CheckTally& tally, std::FILE* out, std::FILE* in) {
    const int index = findStateSymbol(symbol, region.stateCount);
    if (index < 0) {
        std::fprintf(out, "\nstate characters do not match in region %d\n",
                     static_cast<int>(region.regionNumber));
        std::fflush(out);
        std::fprintf(out, "line %lld of file Alignments\n",
                     static_cast<long long>(tally.lineNumber));
        ++tally.unknownSymbols;
        if (in == nullptr) return;
        std::fputs("press 1 and RETURN ", out);
        std::fflush(out);
        readKey(in);  // any key goes on; the end of input ends the wait
        return;
    }

    // A state beyond the listed sequences has none to show: it compares as empty.
    static const std::string kNoSequence;
    const std::string& expected = static_cast<size_t>(index) < region.sequences.size()
                                      ? region.sequences[static_cast<size_t>(index)]
                                      : kNoSequence;
    if (row == expected) return;

    ++tally.errorCount;
    const char shown = static_cast<char>(symbol);
    std::fprintf(out, "\nError # %lld\n", static_cast<long long>(tally.errorCount));
    std::fflush(out);
    std::fprintf(out, "\nSequences in Region %d do not match:\n",
                 static_cast<int>(region.regionNumber));
    std::fflush(out);
    writeSequenceLine(out, shown, "StepMatrix", expected);
    writeSequenceLine(out, shown, "Alignments", row);
    std::fprintf(out, "this sequence can be found in line %lld in the file \"Alignments\" \n\n",
                 static_cast<long long>(tally.lineNumber));
    if (in == nullptr) {
        std::fflush(out);
        return;
    }
    std::fputs("would you like to continue?   press 1 and RETURN\n", out);
    std::fputs("       or quit the program?   press 2 and RETURN\n", out);
    std::fputs("? ", out);
    std::fflush(out);

    // The end of input counts as "1": an answer that never comes must not stop the check.
    int answer = readKey(in);
    while (answer != '1' && answer != '2' && answer != EOF) {
        std::fputs("\n? ", out);
        std::fflush(out);
        answer = readKey(in);
    }
    if (answer == '2') {
        std::fputs("\n\nprogram terminated\n\n", out);
        std::fflush(out);
        std::abort();
    }
}

bool checkRegion(std::FILE* copy, const StepMatrixRegion& region, CheckTally& tally, std::FILE* out,
                 std::FILE* in) {
    // The builder writes nothing into Alignments for a region with too many states.
    if (region.regionNumber == -1) return true;

    // The header block: an empty line, "Region #N" and two legend lines.
    tally.lineNumber += 4;
    if (!skipPast(copy, '#')) return false;
    int ending = 0;
    const int32_t number = readDecimal(copy, ending);
    if (number != region.regionNumber) {
        std::fprintf(out, "\n\n can't find region %d in file \"AlignmentsChecked\" ",
                     static_cast<int>(region.regionNumber));
        std::fputs("\n program terminated", out);
        std::fflush(out);
        return false;
    }
    if (region.stateCount < 2) return true;

    // Records are counted, not delimited: n states give n(n-1)/2 records of two rows each.
    const int64_t stateCount = region.stateCount;
    const int64_t rowsInRegion = stateCount * (stateCount - 1);
    int64_t pairCounter = 0;
    std::string row;
    for (;;) {
        // First line: "*", the symbol, a blank, the row, the line end.
        if (!skipPast(copy, '*')) return false;
        const int firstSymbol = std::getc(copy);
        if (firstSymbol == EOF) return false;
        pairCounter += 2;
        if (!dropOne(copy) || !readRowUntil(copy, '\n', row)) return false;
        ++tally.lineNumber;
        compareRow(region, static_cast<unsigned char>(firstSymbol), row, tally, out, in);

        // Second line: a blank, the symbol, a blank, the row ended by the blank before the
        // scores.
        if (!dropOne(copy)) return false;
        const int secondSymbol = std::getc(copy);
        if (secondSymbol == EOF || !dropOne(copy) || !readRowUntil(copy, ' ', row)) return false;
        ++tally.lineNumber;
        compareRow(region, static_cast<unsigned char>(secondSymbol), row, tally, out, in);

        if (pairCounter == rowsInRegion) return true;
    }
}
