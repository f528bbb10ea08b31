#include "exporter/export_plan.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <set>

#include "common/symbols.h"
#include "exporter/triangle.h"

namespace {

// vornax's table writes states 48 and up as bytes above 0x7F; these letters, which it leaves
// out, take their places in order.
constexpr char kNexusExtraSymbols[] = "ACGINOTacginot";
static_assert(48 + sizeof kNexusExtraSymbols - 1 == kNexusStateLimit);
// Beside the alignment's sites the letters A C G T are bases.
constexpr char kJoinedNexusExtraSymbols[] = "INOacginot";
static_assert(48 + sizeof kJoinedNexusExtraSymbols - 1 == kJoinedNexusStateLimit);
static_assert(10 + ('V' - 'A' + 1) == kTntStateLimit);

}  // namespace

char nexusSymbol(int state) {
    if (state < 48) return stateSymbol(state);
    return kNexusExtraSymbols[state - 48];
}

char joinedNexusSymbol(int state) {
    if (state < 48) return stateSymbol(state);
    return kJoinedNexusExtraSymbols[state - 48];
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

// Returns the warning on the triangle inequality of `region`'s step matrix, whose costs
// `triangle` replaces by the cheapest path costs, or "" when it holds; sets `replaced` to
// "Region_N (K of its M costs)" when costs were replaced.
std::string triangleWarning(FileRegion& region, char (*symbol)(int), bool triangle,
                            std::string& replaced) {
    const TriangleCheck check = checkTriangle(region.cells, triangle);
    const std::string name = "region " + std::to_string(region.number) + ": ";
    if (check.negative) {
        return triangle ? name +
                              "--triangle leaves its step matrix as it is: it has a negative "
                              "cost, so paths through other states have no least cost"
                        : "";
    }
    if (check.exceeding == 0) return "";
    std::string path;
    for (const int state : check.path) {
        if (!path.empty()) path += " to ";
        path += symbol(state);
    }
    std::string warning = name + std::to_string(check.exceeding) + " of the " +
                          std::to_string(check.costs) + " costs of its step matrix exceed a " +
                          "path through other states (" + symbol(check.from) + " to " +
                          symbol(check.to) + ": " + check.direct + ", but " + path + ": " +
                          check.cheapest + ")";
    if (!triangle) return warning + "; --triangle writes the cheapest path costs instead";
    replaced = "Region_" + std::to_string(region.number) + " (" + std::to_string(check.exceeding) +
               " of its " + std::to_string(check.costs) + " costs)";
    return warning + ": they are written as the cheapest path costs";
}

}  // namespace

ExportPlan planExport(const DataSet& data, const FormatRules& rules, bool triangle) {
    ExportPlan plan;
    for (const FileRegion& region : data.coded.regions) {
        std::string why;
        if (!region.coded) {
            why = "vornax could not code it (more than 96 states)";
        } else if (region.states.size() < 2) {
            why = "it has a single state, and a step matrix needs two or more";
        }
        // The format takes the region or not as --triangle leaves it.
        FileRegion written = region;
        std::string note, replaced;
        if (why.empty() && rules.stepMatrices) {
            note = triangleWarning(written, rules.symbol, triangle, replaced);
        }
        if (why.empty()) why = rules.whyNot(written);
        if (!why.empty()) {
            if (data.joined) {
                const RegionBounds& bounds = data.bounds[region.number - 1];
                why += bounds.begin == bounds.end
                           ? "; its site " + siteRange(bounds) + " is not written either"
                           : "; its sites " + siteRange(bounds) + " are not written either";
            }
            plan.warnings.push_back("region " + std::to_string(region.number) +
                                    " is left out: " + why);
            continue;
        }
        plan.states = std::max(plan.states, written.states.size());
        plan.regions.push_back(std::move(written));
        if (!note.empty()) plan.warnings.push_back(note);
        if (!replaced.empty()) plan.replaced.push_back(replaced);
    }
    plan.names = exportTaxonNames(data.coded.taxa, rules.clean, plan.warnings);
    return plan;
}

std::string codedCells(const ExportPlan& plan, const CodedTaxon& taxon, char (*symbol)(int)) {
    std::string cells;
    for (const FileRegion& region : plan.regions) {
        const int state = stateOfCell(region, taxon.cells[region.number - 1]);
        cells += state < 0 ? '?' : symbol(state);
    }
    return cells;
}

std::string taxonRows(const std::vector<std::string>& names, const std::string& indent,
                      const std::function<std::string(std::size_t)>& cells) {
    std::size_t width = 0;
    for (const std::string& name : names) width = std::max(width, name.size());
    std::string text;
    for (std::size_t taxon = 0; taxon < names.size(); ++taxon) {
        text += indent + names[taxon] + std::string(width + 2 - names[taxon].size(), ' ') +
                cells(taxon) + "\n";
    }
    return text;
}

std::string triangleNote(const ExportPlan& plan) {
    std::string text;
    for (const std::string& region : plan.replaced) {
        text += (text.empty() ? "With --triangle, the costs that exceeded the cost of a path "
                                "through other states are the cheapest path costs in "
                              : ", ") +
                region;
    }
    return text.empty() ? text : text + ".";
}

std::string joinedSummary(const DataSet& data, const ExportPlan& plan, int first) {
    const std::vector<int>& sites = data.sites;
    std::string ranges;
    for (std::size_t i = 0; i < sites.size();) {
        std::size_t end = i;
        while (end + 1 < sites.size() && sites[end + 1] == sites[end] + 1) ++end;
        ranges += (i == 0                    ? ""
                   : end + 1 == sites.size() ? " and "
                                             : ", ") +
                  siteRange(RegionBounds{sites[i], sites[end], 0});
        i = end + 1;
    }
    // Returns `n` and `noun`, with an "s" unless `n` is 1.
    const auto count = [](std::size_t n, const std::string& noun) {
        return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
    };
    // Returns "characters a-b", or "character a".
    const auto characters = [](int from, int to) {
        return std::string(from == to ? "character " : "characters ") +
               siteRange(RegionBounds{from, to, 0});
    };
    const int next = first + static_cast<int>(sites.size());
    std::string text =
        "the " + count(sites.size(), "site") + " outside the ambiguous regions of a data file (" +
        (sites.size() == 1 ? "site " : "sites ") + ranges + ") as " + characters(first, next - 1) +
        ", then " + count(plan.regions.size(), "region") + " as " +
        characters(next, next + static_cast<int>(plan.regions.size()) - 1) + ":";
    for (const FileRegion& region : plan.regions) {
        text += std::string(&region == &plan.regions.front() ? " " : ", ") + "Region_" +
                std::to_string(region.number) + " (sites " +
                siteRange(data.bounds[region.number - 1]) + ")";
    }
    return text;
}

std::string commentText(const std::string& text, const char* forbidden) {
    const bool fits = std::all_of(text.begin(), text.end(), [&](char c) {
        return c >= ' ' && c <= '~' && std::strchr(forbidden, c) == nullptr;
    });
    return fits ? text : "(a sequence that a comment cannot show)";
}

std::string stateMapText(const FileRegion& region, char (*symbol)(int), const char* forbidden) {
    std::string text;
    for (std::size_t state = 0; state < region.states.size(); ++state) {
        const int s = static_cast<int>(state);
        const char symbols[] = {'\t', symbol(s), ' ', '=', ' ', stateSymbol(s), ':', ' ', '\0'};
        text += symbols + commentText(region.states[state], forbidden) + "\n";
    }
    return text;
}
