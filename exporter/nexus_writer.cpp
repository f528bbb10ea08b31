#include "exporter/nexus_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "common/symbols.h"
#include "common/version.h"
#include "exporter/export_plan.h"

namespace {

// Returns the reason why coded region `region` cannot be written as a NEXUS character, or "".
std::string whyNotNexus(const StepMatrixRegion& region) {
    if (region.states.size() > static_cast<std::size_t>(kNexusStateLimit)) {
        return "it has " + std::to_string(region.states.size()) +
               " states and NEXUS readers take printable symbols for at most " +
               std::to_string(kNexusStateLimit);
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

// Returns whether `sequence` can stand inside a NEXUS comment: printable ASCII without
// brackets.
bool fitsComment(const std::string& sequence) {
    return std::all_of(sequence.begin(), sequence.end(),
                       [](char c) { return c >= ' ' && c <= '~' && c != '[' && c != ']'; });
}

// Returns `text` right-aligned with blanks to `width` characters.
std::string padLeft(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// Returns the ASSUMPTIONS command that defines the step matrix of `region`.
std::string userTypeText(const StepMatrixRegion& region) {
    const std::size_t count = region.states.size();
    std::string text = "\tUSERTYPE Region_" + std::to_string(region.number) +
                       " (STEPMATRIX) = " + std::to_string(count) + "\n";
    for (std::size_t state = 0; state < count; ++state) {
        const std::string& sequence = region.states[state];
        text += "\t\t[" + std::string(1, nexusSymbol(static_cast<int>(state))) + " = " +
                (fitsComment(sequence) ? sequence : "(a sequence that a comment cannot show)") +
                "]\n";
    }
    std::size_t width = 1;
    for (const auto& row : region.cells) {
        for (const std::string& cell : row) width = std::max(width, nexusCost(cell).size());
    }
    text += "\t\t";
    for (std::size_t state = 0; state < count; ++state) {
        if (state > 0) text += ' ';
        text += padLeft(std::string(1, nexusSymbol(static_cast<int>(state))), width);
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

}  // namespace

ExportResult nexusExport(const StepMatrixFile& file) {
    const ExportPlan plan = planExport(file, whyNotNexus, [](const std::string& name, int row) {
        return name.empty() ? "taxon_" + std::to_string(row) : name;
    });
    const std::vector<const StepMatrixRegion*>& regions = plan.regions;
    const std::size_t states = plan.states;
    ExportResult result{"", static_cast<int>(regions.size()), plan.warnings};
    std::vector<std::string> words;
    std::size_t wordWidth = 0;
    for (const std::string& name : plan.names) {
        words.push_back(nexusWord(name));
        wordWidth = std::max(wordWidth, words.back().size());
    }

    std::string& text = result.text;
    text = "#NEXUS\n[Written by vornax-export " + std::string(kVersion) + ": " +
           std::to_string(regions.size()) + " of the " + std::to_string(file.regions.size()) +
           " ambiguous regions of a StepMatrix file as characters, each with the step matrix "
           "of its user-weighted costs.]\n";
    if (states > 48) {
        text += "[States 48 and up are written with the symbols";
        for (std::size_t state = 48; state < states; ++state) {
            text += ' ';
            text += nexusSymbol(static_cast<int>(state));
        }
        text +=
            "; StepMatrix writes them as single bytes above 0x7F, which NEXUS does not "
            "allow.]\n";
    }

    text += "\nBEGIN TAXA;\n\tDIMENSIONS NTAX=" + std::to_string(words.size()) + ";\n\tTAXLABELS\n";
    for (const std::string& word : words) text += "\t\t" + word + "\n";
    text += "\t;\nEND;\n";

    text += "\nBEGIN CHARACTERS;\n\tDIMENSIONS NCHAR=" + std::to_string(regions.size()) +
            ";\n\tFORMAT DATATYPE=STANDARD RESPECTCASE MISSING=? SYMBOLS=\"";
    for (std::size_t state = 0; state < states; ++state)
        text += nexusSymbol(static_cast<int>(state));
    text += "\";\n\tCHARSTATELABELS\n";
    for (std::size_t i = 0; i < regions.size(); ++i) {
        text += "\t\t" + std::to_string(i + 1) + " Region_" + std::to_string(regions[i]->number) +
                (i + 1 < regions.size() ? ",\n" : "\n");
    }
    text += "\t;\n\tMATRIX\n";
    for (std::size_t taxon = 0; taxon < file.taxa.size(); ++taxon) {
        text += "\t\t" + words[taxon] + std::string(wordWidth + 2 - words[taxon].size(), ' ') +
                codedCells(plan, file.taxa[taxon], nexusSymbol) + "\n";
    }
    text += "\t;\nEND;\n";

    text += "\nBEGIN ASSUMPTIONS;\n";
    for (const StepMatrixRegion* region : regions) text += userTypeText(*region);
    for (std::size_t i = 0; i < regions.size(); ++i) {
        text += (i == 0 ? "\tTYPESET * Regions = Region_" : ", Region_") +
                std::to_string(regions[i]->number) + ": " + std::to_string(i + 1) +
                (i + 1 < regions.size() ? "" : ";\n");
    }
    text += "END;\n";
    return result;
}
