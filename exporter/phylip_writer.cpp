#include "exporter/phylip_writer.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <functional>

#include "common/version.h"
#include "exporter/tnt_writer.h"

ExportResult phylipExport(const DataSet& data, const std::string& name) {
    const auto whyNot = [](const FileRegion& region) -> std::string {
        if (region.states.size() <= static_cast<std::size_t>(kMultistateLimit)) return "";
        return "it has " + std::to_string(region.states.size()) +
               " states and IQ-TREE reads multistate characters of at most " +
               std::to_string(kMultistateLimit);
    };
    const ExportPlan plan = planExport(data, {tntSymbol, whyNot, tntName, false}, false);
    ExportResult result{"", {}, static_cast<int>(plan.regions.size()), plan.warnings};
    // Returns a relaxed PHYLIP file of `characters` columns, `row(taxon)` after each name.
    const auto phylip = [&](std::size_t characters,
                            const std::function<std::string(std::size_t)>& row) {
        return std::to_string(plan.names.size()) + " " + std::to_string(characters) + "\n" +
               taxonRows(plan.names, "", row);
    };

    const std::string stem = std::filesystem::path(name).stem().string();
    result.text =
        phylip(data.sites.size(), [&](std::size_t taxon) { return data.siteRows[taxon]; });
    result.besides.emplace_back(stem + ".regions.phy",
                                phylip(plan.regions.size(), [&](std::size_t taxon) {
                                    return codedCells(plan, data.coded.taxa[taxon], tntSymbol);
                                }));
    std::string states;
    for (const FileRegion& region : plan.regions) {
        states += "\n\tRegion_" + std::to_string(region.number) + " (" + stem +
                  ".regions.phy, column " + std::to_string(&region - plan.regions.data() + 1) +
                  "): state = StepMatrix symbol: sequence\n" +
                  stateMapText(region, tntSymbol, "[]");
    }
    result.besides.emplace_back(
        stem + ".partitions",
        "#nexus\n[Written by vornax-export " + std::string(kVersion) + ": " +
            joinedSummary(data, plan, 1) + ". The sites are in " + name + ", the regions in " +
            stem + ".regions.phy, each a multistate character with its states numbered from 0. " +
            "Run IQ-TREE in their folder: iqtree2 -p " + stem + ".partitions" + states + "]\n" +
            "begin sets;\n\tcharset sites = " + name + ": DNA, *;\n\tcharset regions = " + stem +
            ".regions.phy: MORPH, *;\n\tcharpartition models = GTR+G: sites, MK: regions;\nend;\n");
    return result;
}
