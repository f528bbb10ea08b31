// The TNT file that vornax-export writes: the coded matrix (xread) and one step matrix per
// coded region (smatrix), its costs scaled to integers.
#pragma once

#include "exporter/nexus_writer.h"
#include "exporter/stepmatrix_file.h"

// Returns the TNT file for `file`.
ExportResult tntExport(const StepMatrixFile& file);
