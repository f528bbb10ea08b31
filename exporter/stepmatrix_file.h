// StepMatrix as vornax writes it, read back whole: each region with its states and its step
// matrix as written, and the coded data matrix.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One region of StepMatrix, in file order.
struct FileRegion {
    int number = 0;                               // the region's number, from 1
    bool coded = false;                           // false for a region of more than 96 states
    std::vector<std::string> states;              // state i, whose symbol is symbol i
    std::vector<std::vector<std::string>> cells;  // cells[g][h]: the cost as written; "." on
                                                  // the diagonal
};

// One taxon row of the coded data matrix.
struct CodedTaxon {
    std::string name;
    std::string cells;  // one byte per region: a state symbol, the unknown-data code, or '-'
                        // for a cell written "[-]"
};

// The whole file.
struct StepMatrixFile {
    std::vector<FileRegion> regions;
    std::vector<CodedTaxon> taxa;
};

// Reads the text of a StepMatrix file; `path` names it in messages. Returns the regions and
// the coded data matrix; throws RunError (exit status 1) naming the line and what was
// expected there when the text is not what vornax writes, and naming the line where it ends
// when its coded data matrix lacks the rows of a state (a file cut among those rows).
StepMatrixFile parseStepMatrix(const std::string& text, const std::string& path);

// Returns the state that coded-matrix cell `cell` shows in coded region `region`, or -1 when
// the cell is not one of the region's symbols (the taxon is unknown there).
int stateOfCell(const FileRegion& region, char cell);

// Returns `line` as a message shows it: in double quotes, tabs and other unprintable bytes
// escaped, cut after 60 bytes.
std::string shown(std::string_view line);
