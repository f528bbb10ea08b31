#include "exporter/triangle.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "exporter/export_plan.h"

namespace {

// Costs in hundredths, exact from their "%.2f" text; kNoPath for an infinite cost. Finite
// costs above kHuge are held at kHuge, so that no path of 96 states can overflow.
constexpr long long kNoPath = 1LL << 62;
constexpr long long kHuge = 1LL << 52;

// Returns `text` (the cost "%.2f" wrote) in hundredths, kNoPath for "inf", or -1 when it is
// negative.
long long hundredths(const std::string& text) {
    const CellValue value = parseCell(text);
    if (value.negative && (value.kind != CellValue::Kind::number || value.hundredths != 0)) {
        return -1;
    }
    if (value.kind == CellValue::Kind::infinity) return kNoPath;
    return std::min(value.hundredths, kHuge);
}

// Returns `cost` (hundredths) as "%.2f" writes it.
std::string costText(long long cost) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%02lld", cost / 100, cost % 100);
    return text;
}

}  // namespace

TriangleCheck checkTriangle(std::vector<std::vector<std::string>>& cells, bool replace) {
    TriangleCheck check;
    const std::size_t n = cells.size();
    if (n < 2) return check;
    check.costs = static_cast<int>(n * (n - 1));
    // Floyd and Warshall's cheapest paths, with the state that follows `g` on the way to `h`.
    std::vector<std::vector<long long>> cost(n, std::vector<long long>(n, 0));
    std::vector<std::vector<std::size_t>> next(n, std::vector<std::size_t>(n));
    for (std::size_t g = 0; g < n; ++g) {
        for (std::size_t h = 0; h < n; ++h) {
            next[g][h] = h;
            if (g == h) continue;
            cost[g][h] = hundredths(cells[g][h]);
            if (cost[g][h] < 0) {
                check.negative = true;
                return check;
            }
        }
    }
    const std::vector<std::vector<long long>> direct = cost;
    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t g = 0; g < n; ++g) {
            for (std::size_t h = 0; h < n; ++h) {
                if (cost[g][k] >= kNoPath || cost[k][h] >= kNoPath) continue;
                if (cost[g][k] + cost[k][h] < cost[g][h]) {
                    cost[g][h] = cost[g][k] + cost[k][h];
                    next[g][h] = next[g][k];
                }
            }
        }
    }
    for (std::size_t g = 0; g < n; ++g) {
        for (std::size_t h = 0; h < n; ++h) {
            if (cost[g][h] >= direct[g][h]) continue;
            if (check.exceeding++ == 0) {
                check.from = static_cast<int>(g);
                check.to = static_cast<int>(h);
                for (std::size_t at = g; at != h; at = next[at][h]) {
                    check.path.push_back(static_cast<int>(at));
                }
                check.path.push_back(static_cast<int>(h));
                check.direct = cells[g][h];
                check.cheapest = costText(cost[g][h]);
            }
            if (replace) cells[g][h] = costText(cost[g][h]);
        }
    }
    return check;
}
