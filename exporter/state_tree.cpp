#include "exporter/state_tree.h"

#include <cstddef>
#include <limits>

#include "exporter/export_plan.h"

namespace {

// Returns the cost of a step-matrix cell as a number: +infinity for an infinite or undefined
// cost.
double costValue(const std::string& cell) {
    const CellValue value = parseCell(cell);
    if (value.kind != CellValue::Kind::number) return std::numeric_limits<double>::infinity();
    const double cost = static_cast<double>(value.hundredths) / 100;
    return value.negative ? -cost : cost;
}

// Appends the leaves under `node` of `tree` (n states) to its order, left first.
void appendLeaves(StateTree& tree, int node, int n) {
    if (node < n) {
        tree.order.push_back(node);
        return;
    }
    const StateTree::Join join = tree.joins[static_cast<std::size_t>(node - n)];
    appendLeaves(tree, join.left, n);
    appendLeaves(tree, join.right, n);
}

}  // namespace

StateTree clusterStates(const std::vector<std::vector<std::string>>& cells) {
    const std::size_t n = cells.size();
    StateTree tree;
    if (n == 0) return tree;
    // distance[a][b]: the mean cost between groups a and b; each group by its node and size.
    std::vector<std::vector<double>> distance(n, std::vector<double>(n, 0));
    for (std::size_t g = 0; g < n; ++g) {
        for (std::size_t h = 0; h < n; ++h) {
            if (g != h) distance[g][h] = (costValue(cells[g][h]) + costValue(cells[h][g])) / 2;
        }
    }
    std::vector<int> node(n), size(n, 1);
    std::vector<bool> active(n, true);
    for (std::size_t g = 0; g < n; ++g) node[g] = static_cast<int>(g);
    for (std::size_t joinsLeft = n - 1; joinsLeft > 0; --joinsLeft) {
        std::size_t bestA = n, bestB = n;
        for (std::size_t a = 0; a < n; ++a) {
            for (std::size_t b = a + 1; active[a] && b < n; ++b) {
                if (active[b] && (bestA == n || distance[a][b] < distance[bestA][bestB])) {
                    bestA = a;
                    bestB = b;
                }
            }
        }
        tree.joins.push_back({node[bestA], node[bestB], distance[bestA][bestB]});
        // The joined group takes the place of the first; its distances are the size-weighted
        // means of its two parts'.
        for (std::size_t c = 0; c < n; ++c) {
            if (!active[c] || c == bestA || c == bestB) continue;
            const double mean =
                (size[bestA] * distance[bestA][c] + size[bestB] * distance[bestB][c]) /
                (size[bestA] + size[bestB]);
            distance[bestA][c] = distance[c][bestA] = mean;
        }
        node[bestA] = static_cast<int>(n + tree.joins.size() - 1);
        size[bestA] += size[bestB];
        active[bestB] = false;
    }
    appendLeaves(tree, n == 1 ? 0 : static_cast<int>(2 * n - 2), static_cast<int>(n));
    return tree;
}
