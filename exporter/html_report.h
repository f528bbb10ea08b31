// The report: one self-contained HTML page (style, data and script inline, nothing fetched)
// that shows where the ambiguous regions lie in the alignment and, per region, its states and
// the taxa that have them, its step matrix as a heat map beside a tree of the states, and the
// alignment of any pair of states on request.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "exporter/alignments_file.h"
#include "exporter/data_set.h"
#include "exporter/export_plan.h"

// A file that the report was made from, listed in its overview.
struct ReportSource {
    std::string role;  // what the file is: "Data file", "StepMatrix", "Alignments"
    std::string path;  // as it was given
    std::size_t bytes = 0;
};

// Returns the report page of `data` (joined to its data file or not) with `aligned`, the
// alignments of its coded regions, one entry each in their order (as readAlignments gives
// them), made from `sources` (the first names the page). The page holds
// only ASCII bytes: every text from the inputs is escaped, a name or path that is valid UTF-8
// is shown as such, and every other byte above 0x7F as its Latin-1 character.
ExportResult htmlReport(const DataSet& data, const std::vector<AlignedRegion>& aligned,
                        const std::vector<ReportSource>& sources);
