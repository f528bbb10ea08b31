#include "builder/coding.h"

#include <algorithm>

#include "common/symbols.h"

void CodedMatrix::reset(int taxa, int regions) {
    taxonCount = taxa;
    regionCount = regions;
    cells.assign(size_t(taxa) * size_t(regions), '-');
}

std::string cleanFragment(std::string_view fragment, char missingCode, char unknownCode) {
    std::string cleaned;
    for (char c : fragment) {
        if (c == missingCode) continue;
        if (c == unknownCode) return std::string();
        cleaned += c;
    }
    return cleaned;
}

void codeRegion(const Dataset& data, int region, RegionStates& states, CodedMatrix& coded) {
    std::vector<std::string> fragments;
    fragments.reserve(size_t(data.taxonCount));
    for (int32_t t = 0; t < data.taxonCount; ++t) {
        fragments.push_back(cleanFragment(taxonFragment(data.taxonLine(t), data.regions[region]),
                                          data.missingCode, data.unknownCode));
    }

    // std::string orders by char_traits<char>, which compares bytes as unsigned char.
    std::vector<std::string> found;
    for (const std::string& fragment : fragments) {
        if (!fragment.empty()) found.push_back(fragment);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.empty()) found.emplace_back();
    states.states = std::move(found);
    states.lastStateIndex = int(states.states.size()) - 1;

    for (int t = 0; t < coded.taxonCount; ++t) {
        const std::string& fragment = fragments[size_t(t)];
        char cell = '-';
        if (isCodedRegion(states)) {
            const auto row = std::lower_bound(states.states.begin(), states.states.end(), fragment);
            cell = fragment.empty() || row == states.states.end()
                       ? data.unknownCode
                       : stateSymbol(int(row - states.states.begin()));
        }
        coded.at(t, region) = cell;
    }
}
