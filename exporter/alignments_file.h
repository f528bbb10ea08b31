// Alignments as vornax writes it, read back whole and checked against the StepMatrix of the
// same run: for every coded region, each pair of its states aligned, with the scores.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/stepmatrix_file.h"

// One record of Alignments: two states of a region aligned.
struct AlignedPair {
    int first = 0;               // the state of the first row, which the file marks with '*'
    int second = 0;              // the state of the second row
    std::string_view firstRow;   // the rows as written, each gap as the gap mark (0xA5)
    std::string_view secondRow;  // (views into the text that was read)
    // Sxy, Cxy, Oxy, and Cxy and Oxy with the user's weights, as written without padding.
    std::array<std::string_view, 5> scores;
};

// The records of one coded region: one per pair of states g < h, in the order (0, 1), (0, 2),
// ..., (1, 2), ..., either state first.
struct AlignedRegion {
    int number = 0;  // the region's number, from 1
    std::vector<AlignedPair> pairs;
};

// Reads the text of an Alignments file (`path` names it in messages) that vornax wrote beside
// `stepMatrix` (read from `stepMatrixPath`). Returns one entry per coded region of
// `stepMatrix`, in order; the views point into `text`. Throws RunError (exit status 1) naming
// the line and what was expected there when the text is not what vornax writes, and naming
// both files when a record is not the region's next pair of states or a row, without its gap
// marks, is not the state that StepMatrix lists.
std::vector<AlignedRegion> readAlignments(const std::string& text, const std::string& path,
                                          const StepMatrixFile& stepMatrix,
                                          const std::string& stepMatrixPath);

// Returns `row` without its gap marks.
std::string withoutGapMarks(std::string_view row);
