// The data set that an export writes, whatever its format: the taxa, the regions of StepMatrix
// with their states, step matrices and coded cells, and, joined from the data file that
// vornax read, the alignment's sites outside the ambiguous regions.
#pragma once

#include <string>
#include <vector>

#include "builder/dataset.h"
#include "exporter/stepmatrix_file.h"

// What an export writes (every format writes from it).
struct DataSet {
    StepMatrixFile coded;               // every region of StepMatrix, and each taxon's coded cells
    bool joined = false;                // whether the alignment's sites are part of it
    int siteCount = 0;                  // the alignment's sites, regions included
    std::vector<int> sites;             // the numbers (from 1) of the sites outside the regions
    std::vector<std::string> siteRows;  // siteRows[taxon]: one code per site of `sites`: A C G T,
                                        // an IUPAC code of ambiguity (N included), '?' or '-'
    std::vector<RegionBounds> bounds;   // bounds[n - 1]: the sites of region n in the data file
};

// Returns the data set of `file` alone: its regions and coded cells, no site.
DataSet codedDataSet(StepMatrixFile file);

// Returns the data set of `file` joined to `data`, the data file it was written from
// (`dataPath` and `stepMatrixPath` name them in messages). Throws RunError (exit status 1)
// when they do not belong together (other taxa, other regions, other states, a taxon coded
// otherwise than its sites say), when a sequence does not have the sites that the data file's
// header announces, or when a site outside the regions holds a byte that is no base.
DataSet joinDataFile(StepMatrixFile file, const Dataset& data, const std::string& dataPath,
                     const std::string& stepMatrixPath);

// Throws the RunError of joined `data` (read from `dataPath`, with taxa) whose regions cover
// every site, so that a format that writes the sites beside the regions has none to write.
void requireSites(const DataSet& data, const std::string& dataPath);

// Returns the code of alignment byte `c` (see DataSet::siteRows) with `missingCode` as '-'
// and `unknownCode` as '?', lower case folded and U read as T; 0 for a byte that is no base.
char siteCode(char c, char missingCode, char unknownCode);

// Returns "first-last" for a region's sites, or the one site.
std::string siteRange(const RegionBounds& bounds);
