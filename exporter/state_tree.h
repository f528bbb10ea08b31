// A tree of a region's states clustered by their step-matrix costs (UPGMA), which the report
// draws beside the step matrix and whose leaf order it gives the matrix's rows and columns.
#pragma once

#include <string>
#include <vector>

// A rooted tree of n states: nodes 0 to n - 1 are the states, node n + k is made by join k.
struct StateTree {
    struct Join {
        int left = 0;  // the two nodes joined
        int right = 0;
        double level = 0;  // the mean cost between the states of one and those of the other
    };
    std::vector<Join> joins;  // n - 1 joins, in the order they were made; the last is the root
    std::vector<int> order;   // the states in the order of the tree's leaves, left first
};

// Returns the UPGMA tree of the states of step matrix `cells` (costs as StepMatrix writes
// them, "." on the diagonal): it joins, again and again, the two groups of states whose mean
// cost (both ways, over every pair of their states) is least, the first such pair on ties.
// An infinite or undefined cost counts as infinite.
StateTree clusterStates(const std::vector<std::vector<std::string>>& cells);
