// What the exported files hold: the regions written as characters, their symbols and costs,
// and the taxon names.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "exporter/stepmatrix_file.h"

// NEXUS readers take only printable ASCII symbols: the 48 ASCII symbols of vornax's own
// table, then the 14 letters it leaves out (A C G I N O T a c g i n o t).
inline constexpr int kNexusStateLimit = 62;
// TNT's symbols for standard characters, 0-9 then A-V.
inline constexpr int kTntStateLimit = 32;

// Returns the NEXUS symbol of state `state` (0 to kNexusStateLimit - 1).
char nexusSymbol(int state);
// Returns the TNT symbol of state `state` (0 to kTntStateLimit - 1).
char tntSymbol(int state);

// A step-matrix cell as vornax writes it ("%.2f" of a double).
struct CellValue {
    enum class Kind { number, infinity, undefined };
    Kind kind = Kind::undefined;  // undefined for "nan" and "-nan"
    bool negative = false;
    long long hundredths = 0;  // the number times 100, exact from the digits; saturates
};

// Returns what cell text `text` says; a text that is not a cell gives Kind::undefined.
CellValue parseCell(const std::string& text);

// What one exported file holds.
struct ExportPlan {
    std::vector<const StepMatrixRegion*> regions;  // the characters, in file order
    std::size_t states = 0;                        // the most states of a character
    std::vector<std::string> names;                // each taxon's name as the file writes it
    std::vector<std::string> warnings;  // one per region left out or name changed, in order
};

// Returns the plan of an exported file of `file`. A region becomes a character unless vornax
// did not code it, it has a single state, or `whyNot` gives a reason against it. Each taxon's
// name is made by `clean` (given the name and its row from 1), then made unique, ignoring
// case, by a suffix "_2", "_3", ...
ExportPlan planExport(const StepMatrixFile& file,
                      const std::function<std::string(const StepMatrixRegion&)>& whyNot,
                      const std::function<std::string(const std::string&, int)>& clean);

// Returns the cells of `taxon` for the plan's characters: `symbol` of the taxon's state, or
// "?" where the taxon is unknown.
std::string codedCells(const ExportPlan& plan, const CodedTaxon& taxon, char (*symbol)(int));
