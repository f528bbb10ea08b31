// The NEXUS files that vornax-export writes. For parsimony programs: TAXA, CHARACTERS and
// ASSUMPTIONS blocks, one step matrix per coded region assigned to its character by a
// TYPESET (with the alignment's sites: one STANDARD matrix, and a SETS block). For model-based
// programs: the sites as DNA and the regions as STANDARD characters of one MIXED matrix.
#pragma once

#include "exporter/data_set.h"
#include "exporter/export_plan.h"

// Returns the NEXUS file with step matrices for `data`; `triangle`: see planExport.
ExportResult nexusExport(const DataSet& data, bool triangle);

// Returns the MIXED NEXUS file for joined `data`, whose regions' states are numbered from 0.
ExportResult mixedExport(const DataSet& data);
