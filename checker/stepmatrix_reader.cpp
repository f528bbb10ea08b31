#include "checker/stepmatrix_reader.h"

#include <string_view>

namespace {

// Reads characters from `in` until one is '#', the start of a region header. Returns true when
// it was found; false at the end of the file, with `matrixSeen` telling whether a line that
// ends as the coded data matrix's title line ("ambiguous region ]") was passed.
bool skipToRegion(std::FILE* in, bool& matrixSeen) {
    static constexpr std::string_view kTitleEnd = "ambiguous region ]";
    std::string tail;  // the last bytes of the current line, at most as many as kTitleEnd
    matrixSeen = false;
    for (int c = std::getc(in);; c = std::getc(in)) {
        if (c == '#') return true;
        if (c == '\n' || c == EOF) {
            matrixSeen = matrixSeen || tail == kTitleEnd;
            if (c == EOF) return false;
            tail.clear();
        } else if (c != '\r') {  // a file copied through Windows ends its lines with CR LF
            if (tail.size() == kTitleEnd.size()) tail.erase(0, 1);
            tail.push_back(static_cast<char>(c));
        }
    }
}

}  // namespace

bool skipPast(std::FILE* in, int target) {
    for (int c = std::getc(in); c != EOF; c = std::getc(in)) {
        if (c == target) return true;
    }
    return false;
}

int32_t readDecimal(std::FILE* in, int& ending) {
    // Unsigned arithmetic wraps like a 32-bit register instead of overflowing.
    uint32_t value = 0;
    int c = std::getc(in);
    while (c >= '0' && c <= '9') {
        value = value * 10u + static_cast<uint32_t>(c - '0');
        c = std::getc(in);
    }
    ending = c;
    return static_cast<int32_t>(value);
}

RegionRead readStepMatrixRegion(std::FILE* stepMatrix, StepMatrixRegion& region,
                                std::FILE* console) {
    region.sequences.clear();
    region.stateCount = 0;
    bool matrixSeen = false;
    if (!skipToRegion(stepMatrix, matrixSeen)) {
        return matrixSeen ? RegionRead::noMore : RegionRead::unfinished;
    }

    int ending = 0;
    region.regionNumber = readDecimal(stepMatrix, ending);
    std::fprintf(console, "comparing region %d\n", static_cast<int>(region.regionNumber));
    std::fflush(console);
    if (ending == EOF) return RegionRead::cutShort;

    // A skipped region reads "Region#N has more than 96 states": the blank after the number
    // ended it, so the next character is the 'h' of "has". A coded region has the 'S' of
    // "STEPMATRIX" here.
    const int marker = std::getc(stepMatrix);
    if (marker == 'h') {
        region.regionNumber = -1;
        return RegionRead::found;
    }
    if (marker == EOF) return RegionRead::cutShort;

    // "STEPMATRIX = n": drop the blank after '=', then read the count.
    if (!skipPast(stepMatrix, '=') || std::getc(stepMatrix) == EOF) return RegionRead::cutShort;
    region.stateCount = readDecimal(stepMatrix, ending);
    if (ending == EOF) return RegionRead::cutShort;

    // Each state line is "[s = sequence]". The sequences grow as they are read, so a count far
    // beyond what the file holds costs nothing before the file runs out.
    for (int64_t i = 0; i < region.stateCount; ++i) {
        if (!skipPast(stepMatrix, '=') || std::getc(stepMatrix) == EOF) {
            return RegionRead::cutShort;
        }
        std::string sequence;
        for (int c = std::getc(stepMatrix); c != ']'; c = std::getc(stepMatrix)) {
            if (c == EOF) return RegionRead::cutShort;
            sequence.push_back(static_cast<char>(c));
        }
        region.sequences.push_back(std::move(sequence));
    }
    return RegionRead::found;
}
