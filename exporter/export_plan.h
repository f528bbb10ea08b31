// What the exported files hold: the regions written as characters, their symbols and costs,
// and the taxon names.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "exporter/data_set.h"
#include "exporter/stepmatrix_file.h"

// NEXUS readers take only printable ASCII symbols: the 48 ASCII symbols of vornax's own
// table, then the 14 letters it leaves out (A C G I N O T a c g i n o t).
inline constexpr int kNexusStateLimit = 62;
// TNT's symbols for standard characters, 0-9 then A-V.
inline constexpr int kTntStateLimit = 32;

// Beside the alignment's sites, whose symbols are A C G T: vornax's 48 ASCII symbols, then
// the letters I N O a c g i n o t.
inline constexpr int kJoinedNexusStateLimit = 58;
// MrBayes reads standard characters of at most 10 states, 0-9.
inline constexpr int kMrBayesStateLimit = 10;

// Returns the NEXUS symbol of state `state` (0 to kNexusStateLimit - 1).
char nexusSymbol(int state);
// Returns the NEXUS symbol of state `state` beside the sites (0 to kJoinedNexusStateLimit - 1).
char joinedNexusSymbol(int state);
// Returns the TNT symbol of state `state` (0 to kTntStateLimit - 1); also IQ-TREE's and, up
// to 9, MrBayes's.
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

// What a format can hold, and how it writes names and states.
struct FormatRules {
    char (*symbol)(int);  // the symbol of a state in the file
    // Returns the reason why the format cannot hold coded region `region`, or "".
    std::function<std::string(const FileRegion&)> whyNot;
    // Returns a taxon's name as the file writes it, given the name and its row from 1.
    std::function<std::string(const std::string&, int)> clean;
    bool stepMatrices = true;  // whether the file holds the regions' step matrices
};

// What one exported file holds.
struct ExportPlan {
    // The characters, in file order; with --triangle, costs above the cheapest path through
    // other states are replaced by that path's cost.
    std::vector<FileRegion> regions;
    std::size_t states = 0;             // the most states of a character
    std::vector<std::string> names;     // each taxon's name as the file writes it
    std::vector<std::string> warnings;  // one per region left out, step matrix that breaks
                                        // the triangle inequality or name changed, in order
    std::vector<std::string> replaced;  // "Region_N (K of its M costs)" for each region
                                        // whose costs --triangle replaced
};

// Returns the plan of an exported file of `data` in a format of `rules`. A region becomes a
// character unless vornax did not code it, it has a single state, or the format cannot hold
// it. With step matrices, each one is checked for the triangle inequality (`triangle`:
// --triangle was given). Each taxon's name is made by the format, then made unique, ignoring
// case, by a suffix "_2", "_3", ...
ExportPlan planExport(const DataSet& data, const FormatRules& rules, bool triangle);

// Returns the cells of `taxon` for the plan's characters: `symbol` of the taxon's state, or
// "?" where the taxon is unknown.
std::string codedCells(const ExportPlan& plan, const CodedTaxon& taxon, char (*symbol)(int));

// Returns one line per taxon: `indent`, its name in `names`, blanks to two more than the
// longest name, and `cells(taxon)`.
std::string taxonRows(const std::vector<std::string>& names, const std::string& indent,
                      const std::function<std::string(std::size_t)>& cells);

// Returns the sentence of a file whose costs --triangle replaced, naming the regions, or "".
std::string triangleNote(const ExportPlan& plan);

// What a writer made of a data set.
struct ExportResult {
    std::string text;  // the whole output file
    // The files written beside it (PHYLIP only), each by its name and text.
    std::vector<std::pair<std::string, std::string>> besides;
    int characters = 0;                 // the number of regions written as characters
    std::vector<std::string> warnings;  // the plan's warnings
};

// Returns what an exported file of `data` with the characters of `plan` holds, for its
// header: the sites outside the regions as characters `first` on, then the regions, each
// with its sites in the data file.
std::string joinedSummary(const DataSet& data, const ExportPlan& plan, int first);

// Returns `text` if it can stand in a comment that `forbidden` bytes end (and holds nothing
// but printable ASCII), else "(a sequence that a comment cannot show)".
std::string commentText(const std::string& text, const char* forbidden);

// Returns the lines "\tS = X: sequence" of the states of `region` (S the state's symbol in
// the file, X its StepMatrix symbol; at most 48 states) for a comment that `forbidden` bytes
// end.
std::string stateMapText(const FileRegion& region, char (*symbol)(int), const char* forbidden);
