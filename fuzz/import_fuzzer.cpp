// Fuzz target: arbitrary bytes as an alignment for vornax-import, read as every format as the
// program reads it (after its check of the bytes). A reading may refuse the bytes but must
// not crash, and every data file written from what it
// read must be one that vornax reads without a warning, with the same taxa, sites and region.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "builder/dataset.h"
#include "common/run_error.h"
#include "importer/alignment_reader.h"
#include "importer/datafile_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    for (const std::string& format : formatNames()) {
        if (!checkBeforeReading(text, format).empty()) continue;  // refused before reading
        std::string data;
        Alignment alignment;
        try {
            alignment = readAlignment(text, "input", readingAttempts(format));
            const long long sites = alignment.rows.empty() ? 0 : alignment.rows[0].size();
            const std::vector<SiteRange> regions = {{1, std::min(sites, 101LL)}};
            checkRegions(regions, sites, "input");
            data = dataFileText(alignment, regions, {alignment.gapSymbol, alignment.missingSymbol},
                                "fuzz", "input", [](const std::string&) {});
        } catch (const RunError&) {
            continue;  // refused, with a message
        }
        std::istringstream in(data);
        Dataset read;
        DataFileReport report;
        report.problem = [&](int64_t line, const std::string& what) {
            std::fprintf(stderr, "data file line %lld: %s\n%s", (long long)line, what.c_str(),
                         data.c_str());
            std::abort();
        };
        readDataFile(in, "import", read, report);
        if (size_t(read.taxonCount) != alignment.rows.size() ||
            size_t(read.siteCount) != alignment.rows[0].size() || read.regionCount != 1) {
            std::fprintf(stderr, "vornax reads other counts from\n%s", data.c_str());
            std::abort();
        }
    }
    return 0;
}
