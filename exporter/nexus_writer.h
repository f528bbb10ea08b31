// The NEXUS file that vornax-export writes: TAXA, CHARACTERS and ASSUMPTIONS blocks, one step
// matrix per coded region, assigned to its character by a TYPESET.
#pragma once

#include <string>
#include <vector>

#include "exporter/stepmatrix_file.h"

// What a writer made of a StepMatrix file.
struct ExportResult {
    std::string text;                   // the whole output file
    int characters = 0;                 // the number of regions written as characters
    std::vector<std::string> warnings;  // one line per region left out or name changed
};

// Returns the NEXUS file for `file`.
ExportResult nexusExport(const StepMatrixFile& file);
