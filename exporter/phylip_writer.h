// The files for maximum-likelihood programs, which take no step matrices: a relaxed PHYLIP
// alignment of the sites and the regions' states, and a partition file that tells the two
// apart (IQ-TREE and RAxML read it).
#pragma once

#include "exporter/data_set.h"
#include "exporter/export_plan.h"

// IQ-TREE's morphological (multistate) characters have at most 32 states, 0-9 then A-V.
inline constexpr int kMultistateLimit = 32;

// Returns the PHYLIP file of joined `data` and, in `partitions`, its partition file: a DNA
// partition of the sites and a multistate one of the regions.
ExportResult phylipExport(const DataSet& data);
