// The symbols, costs and taxon names that the exported files use.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// Returns the taxon names that an exported file writes for `names`: each made by `clean`
// (given the name and its row from 1), then made unique, ignoring case, by a suffix "_2",
// "_3", ... Adds a warning for every name that comes out changed.
std::vector<std::string> exportTaxonNames(
    const std::vector<std::string>& names,
    const std::function<std::string(const std::string&, int)>& clean,
    std::vector<std::string>& warnings);
