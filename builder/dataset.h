// The data file reader: the counts, the two data codes, the region bounds, the taxon
// names and lines, and each taxon's fragment of a region taken from its line.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "common/data_limits.h"

// Bounds of one ambiguous region, sites counted from 1, both inclusive.
struct RegionBounds {
    int32_t begin = 0;
    int32_t end = 0;
    int64_t length = 0;  // end - begin + 1; 0 or less for an empty region
};

// Everything the builder keeps of the data file: its header, its regions and its taxon lines,
// from which each region's fragments are taken when the region is coded (so that the memory
// it needs stays about the size of the file).
struct Dataset {
    int32_t taxonCount = 0;  // taxon lines read (a negative count in the file acts as 0)
    int32_t siteCount = 0;
    int32_t regionCount = 0;  // 0 to kMaxRegions (a negative count acts as 0)
    char missingCode = 0;
    char unknownCode = 0;
    std::vector<RegionBounds> regions;    // regionCount entries
    std::vector<std::string> taxonNames;  // taxonCount entries
    int longestNameLength = 0;
    // The taxon lines without their line ends, one after the other: line t ends at
    // taxonLineEnds[t].
    std::string taxonText;
    std::vector<size_t> taxonLineEnds;

    // Returns the line of taxon `taxon` (0 to taxonCount - 1), without its line end.
    std::string_view taxonLine(int32_t taxon) const {
        const size_t start = taxon == 0 ? 0 : taxonLineEnds[size_t(taxon) - 1];
        return std::string_view(taxonText).substr(start, taxonLineEnds[size_t(taxon)] - start);
    }
};

// How the reader reports what it finds.
struct DataFileReport {
    // Called once per mistake that does not stop the reading (data that is not coded, or not
    // coded as the file seems to mean), with the line it stands on and what is wrong. The
    // data read stays the same whether it is set or not.
    std::function<void(int64_t line, const std::string& what)> problem;
    // True: an oversized region ends the run with the dialogue's message on standard output;
    // false: with a message on the error stream that names the file, the line and the region.
    bool dialogue = true;
};

// Reads a whole data file from `in` into `data`, a line at a time. `fileName` names the file
// in messages. Throws RunError for a file that cannot be used (a first line that does not
// begin with three counts, too many regions, an oversized region, fewer taxon lines than the
// header promises, a NUL byte, a read error) as soon as the reading meets it, so that neither
// /dev/zero nor an endless stream is read on.
void readDataFile(std::istream& in, const std::string& fileName, Dataset& data,
                  const DataFileReport& report = {});

// Walks the region line (without its line end) and returns regionCount + 1 bounds with
// their lengths: the regions in line order, then the one extra slot the line may fill.
// Every blank or tab moves on to the next slot; "-" starts the end bound; any other byte
// enters the bound as a digit would (value * 10 + byte - '0', the byte taken as unsigned,
// wrapping at 32 bits).
std::vector<RegionBounds> parseRegionLine(std::string_view line, int32_t regionCount);

// Returns the characters of `line` at sites begin..end (site 1 is the first character after
// the blanks and tabs that follow the name), with a, c, g, t turned to upper case. Sites
// outside the line contribute nothing.
std::string taxonFragment(std::string_view line, const RegionBounds& bounds);

// Returns the characters of taxon `taxon` from site 1 to the end of its line, with a, c, g, t
// turned to upper case as in its fragments: its whole aligned sequence.
std::string taxonSequence(const Dataset& data, int32_t taxon);
