#include "exporter/nexus_writer.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <iterator>

#include "common/symbols.h"
#include "common/version.h"
#include "exporter/export_plan.h"

namespace {

// Returns the reason why coded region `region` cannot be written as a NEXUS character with
// step matrix beside the alignment's sites (`joined`) or alone, or "".
std::string whyNotNexus(const FileRegion& region, bool joined) {
    const std::size_t limit = joined ? kJoinedNexusStateLimit : kNexusStateLimit;
    if (region.states.size() > limit) {
        return "it has " + std::to_string(region.states.size()) +
               " states and NEXUS readers take printable symbols for at most " +
               std::to_string(limit) + (joined ? " beside A C G T" : "");
    }
    for (const auto& row : region.cells) {
        for (const std::string& cell : row) {
            if (cell == ".") continue;
            const CellValue value = parseCell(cell);
            if (value.kind == CellValue::Kind::undefined ||
                (value.kind == CellValue::Kind::infinity && value.negative)) {
                return "a cost of its step matrix is \"" + cell + "\", which NEXUS cannot hold";
            }
        }
    }
    return "";
}

// Returns `name` as a NEXUS word: as it is when it holds only letters, digits and "_" and
// is not a number, else in single quotes, with each quote doubled.
std::string nexusWord(const std::string& name) {
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
    const bool number =
        std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (plain && !number) return name;
    std::string word = "'";
    for (const char c : name) {
        word += c;
        if (c == '\'') word += '\'';
    }
    return word + "'";
}

// Returns a cost as a NEXUS step matrix writes it: "i" for infinity, else the text as it is.
std::string nexusCost(const std::string& cell) {
    return parseCell(cell).kind == CellValue::Kind::infinity ? "i" : cell;
}

// Returns `text` right-aligned with blanks to `width` characters.
std::string padLeft(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// Returns the ASSUMPTIONS command that defines the step matrix of `region`, whose states have
// the symbols `symbol`.
std::string userTypeText(const FileRegion& region, char (*symbol)(int)) {
    const std::size_t count = region.states.size();
    std::string text = "\tUSERTYPE Region_" + std::to_string(region.number) +
                       " (STEPMATRIX) = " + std::to_string(count) + "\n";
    for (std::size_t state = 0; state < count; ++state) {
        const std::string& sequence = region.states[state];
        text += "\t\t[" + std::string(1, symbol(static_cast<int>(state))) + " = " +
                commentText(sequence, "[]") + "]\n";
    }
    std::size_t width = 1;
    for (const auto& row : region.cells) {
        for (const std::string& cell : row) width = std::max(width, nexusCost(cell).size());
    }
    text += "\t\t";
    for (std::size_t state = 0; state < count; ++state) {
        if (state > 0) text += ' ';
        text += padLeft(std::string(1, symbol(static_cast<int>(state))), width);
    }
    text += "\n";
    for (const auto& row : region.cells) {
        text += "\t\t";
        for (std::size_t column = 0; column < count; ++column) {
            if (column > 0) text += ' ';
            text += padLeft(nexusCost(row[column]), width);
        }
        text += "\n";
    }
    return text + "\t;\n";
}

// Returns the site codes of `row` as a STANDARD matrix writes them: an IUPAC code of
// ambiguity as the set of its bases, N as '?'.
std::string standardSites(const std::string& row) {
    static const char* const kSets[][2] = {{"R", "{AG}"},  {"Y", "{CT}"},  {"S", "{CG}"},
                                           {"W", "{AT}"},  {"K", "{GT}"},  {"M", "{AC}"},
                                           {"B", "{CGT}"}, {"D", "{AGT}"}, {"H", "{ACT}"},
                                           {"V", "{ACG}"}, {"N", "?"}};
    std::string text;
    for (const char c : row) {
        const auto set = std::find_if(std::begin(kSets), std::end(kSets),
                                      [c](const auto& entry) { return entry[0][0] == c; });
        text += set == std::end(kSets) ? std::string(1, c) : set[0][1];
    }
    return text;
}

// Returns a taxon's name as a NEXUS file writes it: "taxon_" and its row when it has none.
std::string nexusName(const std::string& name, int row) {
    return name.empty() ? "taxon_" + std::to_string(row) : name;
}

// Returns a taxon's name as MrBayes reads it (it takes no quoted word): letters, digits and
// "_", every other byte as "_"; a name of digits alone, or none, gets "taxon_" in front.
std::string mrBayesName(const std::string& name, int row) {
    std::string word = name.empty() ? std::to_string(row) : name;
    for (char& c : word) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    const bool number =
        std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    return number ? "taxon_" + word : word;
}

// Returns the header comment "[States 48 and up are written with the symbols ...]" when the
// plan's characters have more than 48 states, else "".
std::string upperSymbolsComment(const ExportPlan& plan, char (*symbol)(int)) {
    if (plan.states <= 48) return "";
    std::string text = "[States 48 and up are written with the symbols";
    for (std::size_t state = 48; state < plan.states; ++state) {
        text += ' ';
        text += symbol(static_cast<int>(state));
    }
    return text +
           "; StepMatrix writes them as single bytes above 0x7F, which NEXUS does not allow.]\n";
}

// Returns the TAXA block of `words`, the taxa's names as NEXUS words.
std::string taxaBlock(const std::vector<std::string>& words) {
    std::string text =
        "\nBEGIN TAXA;\n\tDIMENSIONS NTAX=" + std::to_string(words.size()) + ";\n\tTAXLABELS\n";
    for (const std::string& word : words) text += "\t\t" + word + "\n";
    return text + "\t;\nEND;\n";
}

// Returns the MATRIX command: each taxon's word, blanks, `sites(taxon)` and its coded cells.
std::string matrixText(const DataSet& data, const ExportPlan& plan,
                       const std::vector<std::string>& words, char (*symbol)(int),
                       const std::function<std::string(std::size_t)>& sites) {
    return "\tMATRIX\n" +
           taxonRows(words, "\t\t",
                     [&](std::size_t taxon) {
                         return sites(taxon) + codedCells(plan, data.coded.taxa[taxon], symbol);
                     }) +
           "\t;\nEND;\n";
}

}  // namespace

ExportResult nexusExport(const DataSet& data, bool triangle) {
    const bool joined = data.joined;
    char (*const symbol)(int) = joined ? joinedNexusSymbol : nexusSymbol;
    const ExportPlan plan = planExport(
        data,
        {symbol, [joined](const FileRegion& r) { return whyNotNexus(r, joined); }, nexusName, true},
        triangle);
    const std::vector<FileRegion>& regions = plan.regions;
    const std::size_t sites = data.sites.size();
    ExportResult result{"", {}, static_cast<int>(regions.size()), plan.warnings};
    std::vector<std::string> words;
    for (const std::string& name : plan.names) words.push_back(nexusWord(name));

    std::string& text = result.text;
    text = "#NEXUS\n[Written by vornax-export " + std::string(kVersion) + ": " +
           (joined ? joinedSummary(data, plan, 1) +
                         "; each region with the step matrix of its "
                         "user-weighted costs from StepMatrix."
                   : std::to_string(regions.size()) + " of the " +
                         std::to_string(data.coded.regions.size()) +
                         " ambiguous regions of a StepMatrix file as characters, each with the "
                         "step matrix of its user-weighted costs.") +
           "]\n" + upperSymbolsComment(plan, symbol) +
           (plan.replaced.empty() ? "" : "[" + triangleNote(plan) + "]\n") + taxaBlock(words);

    text += "\nBEGIN CHARACTERS;\n\tDIMENSIONS NCHAR=" + std::to_string(sites + regions.size()) +
            ";\n\tFORMAT DATATYPE=STANDARD RESPECTCASE " + (joined ? "GAP=- " : "") +
            "MISSING=? SYMBOLS=\"" + (joined ? "ACGT" : "");
    for (std::size_t state = 0; state < plan.states; ++state)
        text += symbol(static_cast<int>(state));
    text += "\";\n\tCHARSTATELABELS\n";
    for (std::size_t i = 0; i < regions.size(); ++i) {
        text += "\t\t" + std::to_string(sites + i + 1) + " Region_" +
                std::to_string(regions[i].number) + (i + 1 < regions.size() ? ",\n" : "\n");
    }
    text += "\t;\n" + matrixText(data, plan, words, symbol, [&](std::size_t taxon) {
                return joined ? standardSites(data.siteRows[taxon]) : "";
            });

    std::string types;
    if (joined) {
        text += "\nBEGIN SETS;\n\tCHARSET sites = 1-" + std::to_string(sites) + ";\n";
        for (std::size_t i = 0; i < regions.size(); ++i) {
            text += "\tCHARSET Region_" + std::to_string(regions[i].number) + " = " +
                    std::to_string(sites + i + 1) + ";\n";
        }
        text += "END;\n";
        types = "UNORD: 1-" + std::to_string(sites) + ", ";
    }
    text += "\nBEGIN ASSUMPTIONS;\n";
    for (const FileRegion& region : regions) text += userTypeText(region, symbol);
    for (std::size_t i = 0; i < regions.size(); ++i) {
        types += (i == 0 ? "Region_" : ", Region_") + std::to_string(regions[i].number) + ": " +
                 std::to_string(sites + i + 1);
    }
    text += "\tTYPESET * Regions = " + types + ";\nEND;\n";
    return result;
}

ExportResult mixedExport(const DataSet& data) {
    const auto whyNot = [](const FileRegion& region) -> std::string {
        if (region.states.size() <= static_cast<std::size_t>(kMrBayesStateLimit)) return "";
        return "it has " + std::to_string(region.states.size()) +
               " states and MrBayes reads standard characters of at most " +
               std::to_string(kMrBayesStateLimit);
    };
    const ExportPlan plan = planExport(data, {tntSymbol, whyNot, mrBayesName, false}, false);
    const std::vector<FileRegion>& regions = plan.regions;
    const std::size_t sites = data.sites.size();
    ExportResult result{"", {}, static_cast<int>(regions.size()), plan.warnings};

    std::string& text = result.text;
    text = "#NEXUS\n[Written by vornax-export " + std::string(kVersion) + ": " +
           joinedSummary(data, plan, 1) +
           "; each region's states numbered from 0, without the step matrices of StepMatrix, "
           "which model-based programs do not use.]\n";
    for (std::size_t i = 0; i < regions.size(); ++i) {
        text += "[Region_" + std::to_string(regions[i].number) + ", character " +
                std::to_string(sites + i + 1) + ": state = StepMatrix symbol: sequence\n" +
                stateMapText(regions[i], tntSymbol, "[]") + "]\n";
    }
    text += taxaBlock(plan.names) +
            "\nBEGIN CHARACTERS;\n\tDIMENSIONS NCHAR=" + std::to_string(sites + regions.size()) +
            ";\n\tFORMAT DATATYPE=MIXED(DNA:1-" + std::to_string(sites) + ",STANDARD:" +
            siteRange(RegionBounds{static_cast<int>(sites + 1),
                                   static_cast<int>(sites + regions.size()), 0}) +
            ") GAP=- MISSING=?;\n" +
            matrixText(data, plan, plan.names, tntSymbol,
                       [&](std::size_t taxon) { return data.siteRows[taxon]; });
    return result;
}
