// The files for maximum-likelihood programs, which take no step matrices. IQ-TREE reads each
// alignment file as one data type, so the sites and the regions go to two relaxed PHYLIP
// files, and a NEXUS partition file names both with their types (DNA, and MORPH for the
// regions' multistate characters).
#pragma once

#include <string>

#include "exporter/data_set.h"
#include "exporter/export_plan.h"

// IQ-TREE's multistate (morphological) characters have at most 32 states, 0-9 then A-V.
inline constexpr int kMultistateLimit = 32;

// Returns the PHYLIP file of the sites of joined `data`, to be written as `name` (a file
// name without folder); the regions' file and the partition file go into `besides`, named
// after `name` without its extension: NAME.regions.phy and NAME.partitions.
ExportResult phylipExport(const DataSet& data, const std::string& name);
