#include "exporter/phylip_writer.h"

#include <algorithm>
#include <cstddef>

#include "exporter/tnt_writer.h"

ExportResult phylipExport(const DataSet& data) {
    const auto whyNot = [](const StepMatrixRegion& region) -> std::string {
        if (region.states.size() <= static_cast<std::size_t>(kMultistateLimit)) return "";
        return "it has " + std::to_string(region.states.size()) +
               " states and IQ-TREE reads multistate characters of at most " +
               std::to_string(kMultistateLimit);
    };
    const ExportPlan plan = planExport(data, {tntSymbol, whyNot, tntName, false}, false);
    const std::size_t sites = data.sites.size();
    const std::size_t characters = sites + plan.regions.size();
    ExportResult result{"", "", static_cast<int>(plan.regions.size()), plan.warnings};
    std::size_t width = 0;
    for (const std::string& name : plan.names) width = std::max(width, name.size());

    result.text = std::to_string(plan.names.size()) + " " + std::to_string(characters) + "\n";
    for (std::size_t taxon = 0; taxon < plan.names.size(); ++taxon) {
        result.text += plan.names[taxon] + std::string(width + 2 - plan.names[taxon].size(), ' ') +
                       data.siteRows[taxon] +
                       codedCells(plan, data.coded.taxa[taxon], tntSymbol) + "\n";
    }
    result.partitions = "DNA, sites = 1-" + std::to_string(sites) + "\nMULTI, regions = " +
                        siteRange(RegionBounds{static_cast<int>(sites + 1),
                                               static_cast<int>(characters), 0}) +
                        "\n";
    return result;
}
