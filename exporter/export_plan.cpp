#include "exporter/export_plan.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <set>

#include "common/symbols.h"

namespace {

// vornax's table writes states 48 and up as bytes above 0x7F; these letters, which it leaves
// out, take their places in order.
constexpr char kNexusExtraSymbols[] = "ACGINOTacginot";
static_assert(48 + sizeof kNexusExtraSymbols - 1 == kNexusStateLimit);
static_assert(10 + ('V' - 'A' + 1) == kTntStateLimit);

}  // namespace

char nexusSymbol(int state) {
    if (state < 48) return stateSymbol(state);
    return kNexusExtraSymbols[state - 48];
}

char tntSymbol(int state) {
    return static_cast<char>(state < 10 ? '0' + state : 'A' + (state - 10));
}

CellValue parseCell(const std::string& text) {
    CellValue value;
    std::size_t at = 0;
    if (at < text.size() && text[at] == '-') {
        value.negative = true;
        ++at;
    }
    const std::string rest = text.substr(at);
    if (rest == "inf") {
        value.kind = CellValue::Kind::infinity;
        return value;
    }
    // Digits, a point and exactly two digits, as "%.2f" writes a finite number.
    const std::size_t point = rest.find('.');
    if (point == std::string::npos || point == 0 || rest.size() != point + 3) return value;
    long long hundredths = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i == point) continue;
        const char c = rest[i];
        if (c < '0' || c > '9') return value;
        hundredths = hundredths > (LLONG_MAX - 9) / 10 ? LLONG_MAX : hundredths * 10 + (c - '0');
    }
    value.kind = CellValue::Kind::number;
    value.hundredths = hundredths;
    return value;
}

namespace {

// Returns `name` in lower case, the key under which two names count as the same.
std::string caseless(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// Returns the names that an exported file writes for `taxa` (see planExport); adds a warning
// for every name that comes out changed.
std::vector<std::string> exportTaxonNames(
    const std::vector<CodedTaxon>& taxa,
    const std::function<std::string(const std::string&, int)>& clean,
    std::vector<std::string>& warnings) {
    std::vector<std::string> written;
    std::set<std::string> taken;
    for (std::size_t row = 0; row < taxa.size(); ++row) {
        const std::string& original = taxa[row].name;
        const std::string cleaned = clean(original, static_cast<int>(row) + 1);
        std::string name = cleaned;
        for (int suffix = 2; taken.contains(caseless(name)); ++suffix) {
            name = cleaned + "_" + std::to_string(suffix);
        }
        taken.insert(caseless(name));
        if (name != original) {
            warnings.push_back("taxon " + std::to_string(row + 1) + " \"" + original +
                               "\" is written as \"" + name + "\"" +
                               (name == cleaned ? "" : ": its name is taken already"));
        }
        written.push_back(std::move(name));
    }
    return written;
}

}  // namespace

ExportPlan planExport(const StepMatrixFile& file,
                      const std::function<std::string(const StepMatrixRegion&)>& whyNot,
                      const std::function<std::string(const std::string&, int)>& clean) {
    ExportPlan plan;
    for (const StepMatrixRegion& region : file.regions) {
        std::string why;
        if (!region.coded) {
            why = "vornax could not code it (more than 96 states)";
        } else if (region.states.size() < 2) {
            why = "it has a single state, and a step matrix needs two or more";
        } else {
            why = whyNot(region);
        }
        if (!why.empty()) {
            plan.warnings.push_back("region " + std::to_string(region.number) +
                                    " is left out: " + why);
            continue;
        }
        plan.regions.push_back(&region);
        plan.states = std::max(plan.states, region.states.size());
    }
    plan.names = exportTaxonNames(file.taxa, clean, plan.warnings);
    return plan;
}

std::string codedCells(const ExportPlan& plan, const CodedTaxon& taxon, char (*symbol)(int)) {
    std::string cells;
    for (const StepMatrixRegion* region : plan.regions) {
        const int state = stateOfCell(*region, taxon.cells[region->number - 1]);
        cells += state < 0 ? '?' : symbol(state);
    }
    return cells;
}
