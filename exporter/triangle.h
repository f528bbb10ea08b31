// The triangle inequality of a step matrix: no cost of changing one state into another should
// exceed the cost of a path through other states, which parsimony programs would take instead.
#pragma once

#include <string>
#include <vector>

// What the check of one step matrix found.
struct TriangleCheck {
    bool negative = false;  // a cost is negative: no path has a least cost, nothing was checked
    int costs = 0;          // the costs off the diagonal
    int exceeding = 0;      // the costs above the cheapest path between their two states
    // The first such cost in row order: its two states, the cheapest path from one to the
    // other (both ends included) and the two costs as written.
    int from = 0, to = 0;
    std::vector<int> path;
    std::string direct, cheapest;
};

// Checks the step matrix `cells` (each cost as StepMatrix writes it, "." on the diagonal; no
// undefined cost). With `replace`, every cost that exceeds the cheapest path is replaced by
// that path's cost, written the same way ("%.2f").
TriangleCheck checkTriangle(std::vector<std::vector<std::string>>& cells, bool replace);
