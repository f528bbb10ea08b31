#include "exporter/tnt_writer.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <functional>

#include "common/version.h"
#include "exporter/export_plan.h"

namespace {

// Returns a cost in TNT's integer units (the cost times 100), or -1 when TNT cannot hold it.
long long tntCost(const std::string& cell) {
    const CellValue value = parseCell(cell);
    if (value.kind != CellValue::Kind::number) return -1;
    if (value.negative && value.hundredths != 0) return -1;
    if (value.hundredths > INT_MAX) return -1;
    return value.hundredths;
}

// Returns the reason why coded region `region` cannot be written as a TNT character, or "".
std::string whyNotTnt(const FileRegion& region) {
    if (region.states.size() > static_cast<std::size_t>(kTntStateLimit)) {
        return "it has " + std::to_string(region.states.size()) + " states and TNT holds at most " +
               std::to_string(kTntStateLimit);
    }
    for (const auto& row : region.cells) {
        for (const std::string& cell : row) {
            if (cell != "." && tntCost(cell) < 0) {
                return "a cost of its step matrix is \"" + cell +
                       "\", and TNT takes only costs from 0 to 21474836.47";
            }
        }
    }
    return "";
}

// Returns the smatrix command that defines the step matrix of `region` as matrix `index`:
// "a/b cost" for each pair whose cost is the same both ways, "a>b cost" otherwise.
std::string smatrixText(const FileRegion& region, std::size_t index) {
    std::string text =
        "smatrix =" + std::to_string(index) + " (Region_" + std::to_string(region.number) + ")";
    const std::size_t count = region.states.size();
    for (std::size_t from = 0; from < count; ++from) {
        for (std::size_t to = from + 1; to < count; ++to) {
            const long long there = tntCost(region.cells[from][to]);
            const long long back = tntCost(region.cells[to][from]);
            const std::string a(1, tntSymbol(static_cast<int>(from)));
            const std::string b(1, tntSymbol(static_cast<int>(to)));
            if (there == back) {
                text += " " + a + "/" + b + " " + std::to_string(there);
            } else {
                text += " " + a + ">" + b + " " + std::to_string(there) + " " + b + ">" + a + " " +
                        std::to_string(back);
            }
        }
    }
    return text + " ;\n";
}

}  // namespace

std::string tntName(const std::string& name, int row) {
    if (name.empty()) return "taxon_" + std::to_string(row);
    std::string cleaned = name;
    for (char& c : cleaned) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!kept) c = '_';
    }
    return cleaned;
}

ExportResult tntExport(const DataSet& data, bool triangle) {
    const ExportPlan plan = planExport(data, {tntSymbol, whyNotTnt, tntName, true}, triangle);
    const std::vector<FileRegion>& regions = plan.regions;
    const std::vector<std::string>& written = plan.names;
    const std::size_t states = plan.states;
    const std::size_t sites = data.sites.size();
    ExportResult result{"", {}, static_cast<int>(regions.size()), plan.warnings};
    const std::string note = triangleNote(plan);
    std::string& text = result.text;
    text = "nstates " +
           std::string(states <= 8    ? "8"
                       : states <= 16 ? "16"
                                      : "32") +
           ";\nxread\n'Written by vornax-export " + kVersion + ": " +
           (data.joined ? joinedSummary(data, plan, 0) + ", each with a step matrix"
                        : std::to_string(regions.size()) + " of the " +
                              std::to_string(data.coded.regions.size()) +
                              " ambiguous regions of a StepMatrix file as characters") +
           ". The step-matrix costs are the StepMatrix costs times 100, rounded to integers." +
           (note.empty() ? "" : " " + note) + "'\n" + std::to_string(sites + regions.size()) + " " +
           std::to_string(written.size()) + "\n";
    if (data.joined) {
        text += "&[dna]\n" +
                taxonRows(written, "", [&](std::size_t taxon) { return data.siteRows[taxon]; }) +
                "&[num]\n";
    }
    text += taxonRows(written, "",
                      [&](std::size_t taxon) {
                          return codedCells(plan, data.coded.taxa[taxon], tntSymbol);
                      }) +
            ";\n";
    for (std::size_t i = 0; i < regions.size(); ++i) {
        if (data.joined) {
            text += "'Region_" + std::to_string(regions[i].number) + ", character " +
                    std::to_string(sites + i) + ": TNT state = StepMatrix symbol: sequence\n" +
                    stateMapText(regions[i], tntSymbol, "'") + "'\n";
        }
        text += smatrixText(regions[i], i);
    }
    for (std::size_t i = 0; i < regions.size(); ++i) {
        text += "smatrix + Region_" + std::to_string(regions[i].number) + " " +
                std::to_string(sites + i) + " ;\n";
    }
    text += "proc/;\n";
    return result;
}
