#include "exporter/stepmatrix_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/run_error.h"
#include "common/symbols.h"
#include "exporter/export_plan.h"
#include "exporter/text_lines.h"

namespace {

constexpr std::string_view kFileStart = "BEGIN ASSUMPTIONS;";
constexpr std::string_view kCodedHeader = "\tUSERTYPE Region#";
constexpr std::string_view kUncodedHeader = "\t [ Region#";
constexpr std::string_view kUncodedTail = " has more than 96 states ] ";
constexpr std::string_view kMatrixTitleTail = "\tambiguous region ]";

// Returns whether `text` is one or more decimal digits; stores their value (at most
// 1000000000) in `value`.
bool readNumber(std::string_view text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Returns whether `text` is a step-matrix cost as vornax writes it: "%.2f" of a double,
// "inf", "-inf", "nan" or "-nan".
bool isCost(const std::string& text) {
    const std::string_view bare = text[0] == '-' ? std::string_view(text).substr(1) : text;
    return parseCell(text).kind != CellValue::Kind::undefined || bare == "nan";
}

// Returns the symbol of state `state` as a one-byte string.
std::string symbolText(int state) {
    return std::string(1, stateSymbol(state));
}

// Reads the rest of a coded region whose header line, "\tUSERTYPE Region#" already taken,
// is `header`.
FileRegion readCodedRegion(Lines& lines, std::string_view header, int expectedNumber) {
    const std::string headerForm = "a region header \"\\tUSERTYPE Region#" +
                                   std::to_string(expectedNumber) + " STEPMATRIX = K\"";
    const std::size_t blank = header.find(' ', kCodedHeader.size());
    FileRegion region;
    region.coded = true;
    int count = 0;
    if (blank == std::string_view::npos ||
        !readNumber(header.substr(kCodedHeader.size(), blank - kCodedHeader.size()),
                    region.number) ||
        header.substr(blank, 14) != " STEPMATRIX = " ||
        !readNumber(header.substr(blank + 14), count) || count < 1 || count > kStateSymbolCount) {
        lines.fail(headerForm + " with K from 1 to 96", header);
    }
    if (region.number != expectedNumber) lines.fail(headerForm, header);

    for (int state = 0; state < count; ++state) {
        const std::string form = "the line of state " + std::to_string(state) + " \"\\t[" +
                                 symbolText(state) + " = ...]\"";
        const std::string_view line = lines.take(form);
        const std::string start = "\t[" + symbolText(state) + " = ";
        if (!line.starts_with(start) || !line.ends_with("]")) lines.fail(form, line);
        region.states.emplace_back(line.substr(start.size(), line.size() - start.size() - 1));
    }

    lines.expect("", "an empty line after the states");
    std::string columns = "\t      ";
    for (int state = 0; state < count; ++state) columns += "    " + symbolText(state) + " ";
    lines.expect(columns, "the line of column symbols");

    for (int row = 0; row < count; ++row) {
        const std::string form = "the step-matrix row of state " + std::to_string(row) +
                                 " \"\\t  [" + symbolText(row) + "] ...\" with " +
                                 std::to_string(count) + " costs";
        const std::string_view line = lines.take(form);
        const std::string start = "\t  [" + symbolText(row) + "] ";
        if (!line.starts_with(start)) lines.fail(form, line);
        std::vector<std::string> cells;
        std::size_t at = start.size();
        while (at < line.size()) {
            if (line[at] == ' ') {
                ++at;
                continue;
            }
            const std::size_t end = std::min(line.find(' ', at), line.size());
            cells.emplace_back(line.substr(at, end - at));
            at = end;
        }
        if (static_cast<int>(cells.size()) != count) lines.fail(form, line);
        for (int column = 0; column < count; ++column) {
            const bool ok = column == row ? cells[column] == "." : isCost(cells[column]);
            if (!ok) lines.fail(form + " (\".\" on the diagonal)", line);
        }
        region.cells.push_back(std::move(cells));
    }
    lines.expect(";", "the line \";\" after the step matrix");
    lines.expect("", "an empty line after \";\"");
    lines.expect(";", "the second line \";\" after the step matrix");
    return region;
}

// Reads the rows of the coded data matrix, whose title line is taken, for `regionCount`
// regions.
std::vector<CodedTaxon> readCodedMatrix(Lines& lines, std::size_t regionCount) {
    const int numberingLines = regionCount < 9 ? 1 : 2;
    for (int i = 0; i < numberingLines; ++i) {
        const std::string form = "a line of region numbers \"[ ... ]\" of the coded data matrix";
        const std::string_view line = lines.take(form);
        if (!line.starts_with("[ ") || !line.ends_with(" ]")) lines.fail(form, line);
    }
    std::vector<CodedTaxon> taxa;
    while (!lines.atEnd()) {
        const std::string form =
            "a taxon row: the name, blanks, a tab and " + std::to_string(regionCount) + " cells";
        const std::string_view line = lines.take(form);
        if (line.starts_with("[ ") && line.ends_with(kMatrixTitleTail)) {
            lines.fail(form +
                           " (this is a second coded data matrix, which a run of vornax on "
                           "a data file without regions appended)",
                       line);
        }
        CodedTaxon taxon;
        std::size_t at = 0;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
        taxon.name = line.substr(0, at);
        while (at < line.size() && line[at] == ' ') ++at;
        if (at >= line.size() || line[at] != '\t') lines.fail(form, line);
        for (++at; at < line.size(); ++at) {
            if (line.substr(at, 3) == "[-]") {
                taxon.cells += '-';
                at += 2;
            } else {
                taxon.cells += line[at];
            }
        }
        if (taxon.cells.size() != regionCount) lines.fail(form, line);
        taxa.push_back(std::move(taxon));
    }
    return taxa;
}

}  // namespace

StepMatrixFile parseStepMatrix(const std::string& text, const std::string& path) {
    Lines lines(text, path);
    StepMatrixFile file;
    const std::string anyItem =
        "a region (\"\\tUSERTYPE Region#N ...\" or \"\\t [ Region#N has more than 96 states ] \") "
        "or the coded data matrix (\"[ ...\\tambiguous region ]\")";
    // A run without regions writes the coded data matrix alone; every other file begins with
    // the block's first line.
    if (lines.atEnd()) lines.take("\"BEGIN ASSUMPTIONS;\"");
    if (lines.peek() == kFileStart) {
        lines.take("");
    } else if (!lines.peek().starts_with("[ ")) {
        lines.fail("\"BEGIN ASSUMPTIONS;\"", lines.take(""));
    }
    for (;;) {
        lines.skipEmpty();
        const int expectedNumber = static_cast<int>(file.regions.size()) + 1;
        const std::string_view line = lines.take(anyItem);
        if (line.starts_with(kCodedHeader)) {
            file.regions.push_back(readCodedRegion(lines, line, expectedNumber));
        } else if (line.starts_with(kUncodedHeader)) {
            const std::string form = "\"\\t [ Region#" + std::to_string(expectedNumber) +
                                     " has more than 96 states ] \"";
            if (line != std::string(kUncodedHeader) + std::to_string(expectedNumber) +
                            std::string(kUncodedTail)) {
                lines.fail(form, line);
            }
            FileRegion region;
            region.number = expectedNumber;
            file.regions.push_back(std::move(region));
        } else if (line.starts_with("[ ") && line.ends_with(kMatrixTitleTail)) {
            break;
        } else {
            lines.fail(anyItem, line);
        }
    }
    file.taxa = readCodedMatrix(lines, file.regions.size());

    // Each state of a region is the sequence of a taxon, whose row shows its symbol (but for the
    // one empty state of a region that every taxon lacks): a state that no row shows means that
    // rows are missing from the end.
    for (std::size_t r = 0; r < file.regions.size(); ++r) {
        const FileRegion& region = file.regions[r];
        std::array<bool, 256> shownCells{};
        for (const CodedTaxon& taxon : file.taxa) {
            shownCells[static_cast<unsigned char>(taxon.cells[r])] = true;
        }
        for (std::size_t state = 0; region.coded && state < region.states.size(); ++state) {
            if (region.states[state].empty() ||
                shownCells[static_cast<unsigned char>(stateSymbol(static_cast<int>(state)))]) {
                continue;
            }
            throw RunError("vornax-export: \"" + path + "\" ends after line " +
                           std::to_string(lines.number()) + " with " +
                           std::to_string(file.taxa.size()) + " taxon rows, and none shows state " +
                           std::to_string(state) + " " + shown(region.states[state]) +
                           " of region " + std::to_string(region.number) +
                           ", which a taxon must have: its coded data matrix is cut short (did "
                           "vornax stop before it finished?)\n");
        }
    }
    return file;
}

std::string shown(std::string_view line) {
    std::string text = "\"";
    for (std::size_t i = 0; i < line.size() && i < 60; ++i) {
        const unsigned char c = line[i];
        if (c == '\t') {
            text += "\\t";
        } else if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    if (line.size() > 60) text += "...";
    return text + "\"";
}

int stateOfCell(const FileRegion& region, char cell) {
    if (!region.coded) return -1;
    return findStateSymbol(static_cast<unsigned char>(cell),
                           static_cast<int>(region.states.size()));
}
