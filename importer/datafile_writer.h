// The vornax data file of an imported alignment.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "importer/alignment_reader.h"
#include "importer/regions.h"

// The two codes that the data file declares.
struct DataCodes {
    char missing = '-';  // written for a gap
    char unknown = '?';  // written for missing data
};

// Returns the data file of `alignment` with `regions` and `codes`: the header (counts, codes,
// `comment`), the ranges, and a line per taxon, its name padded so that the sequences line
// up. White space and control bytes in a name become '_', and `warn` is told once of the
// names so changed. Throws RunError naming `source` when the codes are the same, when two
// names become one, and when a sequence holds a code as data.
std::string dataFileText(const Alignment& alignment, const std::vector<SiteRange>& regions,
                         const DataCodes& codes, const std::string& comment,
                         const std::string& source,
                         const std::function<void(const std::string&)>& warn);
