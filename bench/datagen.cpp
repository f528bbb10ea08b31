#include "bench/datagen.h"

#include <algorithm>
#include <random>
#include <set>
#include <vector>

DataShape realShape(unsigned seed) {
    return DataShape{60, 25, 5, 40, 0, seed};
}
DataShape limitShape(unsigned seed) {
    return DataShape{200, 55, 101, 101, 96, seed};
}

namespace {

using Rng = std::mt19937;

char randomBase(Rng& rng) {
    return "ACGT"[std::uniform_int_distribution<int>(0, 3)(rng)];
}

std::string randomBases(Rng& rng, int length) {
    std::string s(size_t(length), ' ');
    for (char& c : s) c = randomBase(rng);
    return s;
}

// A copy of `origin` with substitutions, insertions and deletions, at most `limit` letters.
std::string mutate(Rng& rng, const std::string& origin, int limit) {
    std::uniform_int_distribution<int> change(0, 9);
    std::string s;
    for (char c : origin) {
        const int m = change(rng);
        if (m == 0) continue;
        s += m == 1 ? randomBase(rng) : c;
        if (m == 2) s += randomBase(rng);
    }
    if (s.empty()) s = randomBases(rng, 1);
    if (int(s.size()) > limit) s.resize(size_t(limit));
    return s;
}

// Spreads the letters of `state` over `sites` sites, missing data ('-') in the others.
std::string spread(Rng& rng, const std::string& state, int sites) {
    std::string fragment = state;
    while (int(fragment.size()) < sites) {
        const size_t at = std::uniform_int_distribution<size_t>(0, fragment.size())(rng);
        fragment.insert(at, 1, '-');
    }
    return fragment;
}

}  // namespace

std::string generateDataFile(const DataShape& shape) {
    Rng rng(shape.seed);
    std::uniform_real_distribution<double> chance(0, 1);
    std::vector<std::string> sequences(size_t(shape.taxa));
    std::string bounds;
    int site = 0;  // sites written so far
    for (int r = 0; r < shape.regions; ++r) {
        // A conserved stretch before the region, the same in every taxon.
        const std::string flank = randomBases(rng, std::uniform_int_distribution<int>(3, 12)(rng));
        for (std::string& s : sequences) s += flank;
        site += int(flank.size());
        const int sites = std::uniform_int_distribution<int>(shape.minSites, shape.maxSites)(rng);
        int wanted =
            shape.states > 0 ? shape.states : std::uniform_int_distribution<int>(2, 12)(rng);
        wanted = std::max(1, std::min(wanted, shape.taxa));
        // Distinct states, each spread over the region's sites.
        const std::string origin =
            randomBases(rng, std::max(1, sites - std::uniform_int_distribution<int>(0, 3)(rng)));
        std::vector<std::string> states;
        std::set<std::string> seen;
        while (int(states.size()) < wanted) {
            std::string s = mutate(rng, origin, sites);
            if (seen.insert(s).second) states.push_back(s);
        }
        // Every state is shown by at least one taxon; the others take any state, and a few of
        // them are unknown or entirely missing.
        std::vector<int> order(size_t(shape.taxa));
        for (int t = 0; t < shape.taxa; ++t) order[size_t(t)] = t;
        std::shuffle(order.begin(), order.end(), rng);
        for (int k = 0; k < shape.taxa; ++k) {
            const int t = order[size_t(k)];
            const int state =
                k < wanted ? k : std::uniform_int_distribution<int>(0, wanted - 1)(rng);
            std::string fragment = spread(rng, states[size_t(state)], sites);
            if (k >= wanted && chance(rng) < 0.03) fragment[0] = '?';
            if (k >= wanted && chance(rng) < 0.02) fragment.assign(size_t(sites), '-');
            for (char& c : fragment)
                if (c != '-' && c != '?' && chance(rng) < 0.05) c = char(c - 'A' + 'a');
            sequences[size_t(t)] += fragment;
        }
        if (!bounds.empty()) bounds += ' ';
        bounds += std::to_string(site + 1) + "-" + std::to_string(site + sites);
        site += sites;
    }
    const std::string tail = randomBases(rng, 10);
    std::string text = std::to_string(shape.taxa) + " " + std::to_string(site + 10) + " " +
                       std::to_string(shape.regions) + " - ?  generated, seed " +
                       std::to_string(shape.seed) + "\n" + bounds + "\n";
    for (int t = 0; t < shape.taxa; ++t) {
        char name[32];
        std::snprintf(name, sizeof name, "taxon_%03d", t + 1);
        text += std::string(name) + "\t" + sequences[size_t(t)] + tail + "\n";
    }
    return text;
}
