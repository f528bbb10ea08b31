// The TNT file that vornax-export writes: the coded matrix (xread, with the alignment's sites
// as a DNA block before the regions' block when they are joined) and one step matrix per
// coded region (smatrix), its costs scaled to integers.
#pragma once

#include "exporter/data_set.h"
#include "exporter/export_plan.h"

// Returns the TNT file for `data`; `triangle`: see planExport.
ExportResult tntExport(const DataSet& data, bool triangle);

// Returns `name` with every character that a TNT name should not hold replaced by "_"; an
// empty name becomes "taxon_" and `row`. IQ-TREE takes the same names.
std::string tntName(const std::string& name, int row);
