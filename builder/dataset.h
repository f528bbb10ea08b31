// The data file reader: the counts, the two data codes, the region bounds, the taxon
// names and every taxon's fragment of every region.
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

// Everything the builder keeps of the data file.
struct Dataset {
    int32_t taxonCount = 0;  // taxon lines read (a negative count in the file acts as 0)
    int32_t siteCount = 0;
    int32_t regionCount = 0;  // 0 to kMaxRegions (a negative count acts as 0)
    char missingCode = 0;
    char unknownCode = 0;
    std::vector<RegionBounds> regions;    // regionCount entries
    std::vector<std::string> taxonNames;  // taxonCount entries
    int longestNameLength = 0;
    // fragments[region][taxon]: the taxon's characters at the region's sites, in site order.
    std::vector<std::vector<std::string>> fragments;
    // sequences[taxon]: the taxon's characters from site 1 to the end of its line, a c g t in
    // upper case as in the fragments (the whole alignment, for vornax-export --data).
    std::vector<std::string> sequences;
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

// Reads a whole data file from `in` into `data`. `fileName` names the file in messages.
// Throws RunError for a file that cannot be used (a first line that does not begin with three
// counts, too many regions, an oversized region, fewer taxon lines than the header promises,
// a NUL byte, a read error).
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
