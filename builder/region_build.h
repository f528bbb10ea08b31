// One region from the data to its texts: state coding, the header, the pair engine and the
// matrix rows.
#pragma once

#include <functional>
#include <string>

#include "builder/coding.h"
#include "builder/dataset.h"
#include "engine/engine.h"

// What one region adds to the two output files.
struct RegionTexts {
    std::string stepMatrix;  // the header, and for a coded region its rows and terminators
    std::string alignments;  // for a coded region, its heading and one record per pair
};

// Codes region `region` (counting from 0) of `data` into its column of `coded`, aligns
// every pair of its states and returns its texts. The console copy goes to `console` as it
// is made: the header, each matrix row as soon as it is complete, the closing line.
// `threads` as for compareRegionStates. `rowDone`, when set, is called with each row's
// number and the number of states as soon as the row is done.
RegionTexts buildRegion(Dataset& data, int region, const CostModel& model,
                        const UserWeights& weights, CodedMatrix& coded,
                        const std::function<void(const std::string&)>& console, int threads = 0,
                        const std::function<void(int row, int states)>& rowDone = {});
