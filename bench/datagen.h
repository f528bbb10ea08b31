// A deterministic generator of data files for the benchmarks and the tests: taxa whose
// sequences vary in their ambiguous regions by substitutions, insertions and deletions,
// with missing data, unknown taxa and lower-case bases.
#pragma once

#include <string>

// The shape of a generated data set.
struct DataShape {
    int taxa = 60;
    int regions = 25;
    int minSites = 5;  // region lengths, in sites
    int maxSites = 40;
    int states = 0;  // distinct states per region; 0 lets each region have 2 to 12
    unsigned seed = 1;
};

// A real-looking data set: 60 taxa, 25 regions of 5 to 40 sites.
DataShape realShape(unsigned seed);
// A data set at the limits: 200 taxa, 55 regions of 101 sites with 96 states each.
DataShape limitShape(unsigned seed);

// Returns the text of a data file of the given shape; the same shape gives the same bytes.
std::string generateDataFile(const DataShape& shape);
