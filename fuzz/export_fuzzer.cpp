// Fuzz target: arbitrary bytes as a StepMatrix file for vornax-export's reader and both
// writers (with --triangle). A file must be read or refused with a RunError; a file that is
// read must give, in both formats, one character per region that is written, taxon rows of
// that many cells and no state symbol that the format cannot hold, and (without --triangle)
// a NEXUS file of as many taxa, whose step matrices hold the costs that StepMatrix gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "common/run_error.h"
#include "exporter/export_plan.h"
#include "exporter/nexus_writer.h"
#include "exporter/stepmatrix_file.h"
#include "exporter/tnt_writer.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Returns the line of `text` that follows the first line equal to `marker`.
std::string lineAfter(const std::string& text, const std::string& marker) {
    const std::size_t at = text.find("\n" + marker + "\n");
    if (at == std::string::npos) return "";
    const std::size_t start = at + marker.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    StepMatrixFile file;
    try {
        file = parseStepMatrix(text, "StepMatrix");
    } catch (const RunError& error) {
        if (error.exitStatus() != 1) fail("a refusal with an exit status other than 1");
        return 0;
    }
    for (const CodedTaxon& taxon : file.taxa) {
        if (taxon.cells.size() != file.regions.size()) fail("a taxon row of the wrong length");
    }
    const DataSet data = codedDataSet(std::move(file));

    // The NEXUS file holds every taxon row, and each of its step matrices the costs of its
    // region as StepMatrix writes them ("i" for an infinite one).
    const ExportResult plain = nexusExport(data, false);
    const std::string taxa = "NTAX=" + std::to_string(data.coded.taxa.size()) + ";";
    if (plain.characters > 0 && plain.text.find(taxa) == std::string::npos) fail("NTAX");
    const std::string userType = "\tUSERTYPE Region_";
    for (std::size_t at = plain.text.find(userType); at != std::string::npos;
         at = plain.text.find(userType, at + 1)) {
        std::istringstream block(plain.text.substr(at + userType.size()));
        std::size_t number = 0;
        block >> number;
        const FileRegion& region = data.coded.regions.at(number - 1);
        std::string line, cost;
        for (std::size_t i = 0; i < region.states.size() + 2; ++i) std::getline(block, line);
        for (const auto& row : region.cells) {
            for (const std::string& cell : row) {
                const bool infinite = parseCell(cell).kind == CellValue::Kind::infinity;
                if (!(block >> cost) || cost != (infinite ? "i" : cell)) fail("a NEXUS cost");
            }
        }
    }
    const ExportResult nexus = nexusExport(data, true);
    const ExportResult tnt = tntExport(data, true);
    if (nexus.characters > static_cast<int>(data.coded.regions.size()) ||
        tnt.characters > nexus.characters) {
        fail("more characters than regions, or TNT holds more than NEXUS");
    }
    if (nexus.text.rfind("#NEXUS\n", 0) != 0 || !nexus.text.ends_with("END;\n")) {
        fail("a NEXUS file that does not begin with #NEXUS or end with END;");
    }
    if (!tnt.text.ends_with("proc/;\n")) fail("a TNT file that does not end with proc/;");
    if (!data.coded.taxa.empty() && nexus.characters > 0) {
        // The first matrix row: the name, blanks and one printable symbol per character.
        const std::string row = lineAfter(nexus.text, "\tMATRIX");
        const std::string cells = row.substr(row.find_last_of(' ') + 1);
        if (static_cast<int>(cells.size()) != nexus.characters) fail("a NEXUS row's length");
        for (const char c : cells) {
            if (c < '!' || c > '~') fail("a NEXUS state symbol that is not printable ASCII");
        }
    }
    return 0;
}
