#include "exporter/data_set.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "builder/coding.h"
#include "common/run_error.h"

namespace {

// Returns how a message names the state that cell `cell` shows in `region`.
std::string cellText(const FileRegion& region, char cell) {
    const int state = stateOfCell(region, cell);
    return state < 0 ? std::string("unknown") : "state " + shown(region.states[state]);
}

// Returns how a message gives a region's number of states.
std::string stateCount(std::size_t states, bool coded) {
    return coded ? std::to_string(states) : "more than 96";
}

// Throws the RunError of a StepMatrix whose content `file` does not match the data file's
// `data` (the builder's coding of the same regions), naming the first difference.
void checkTogether(const StepMatrixFile& file, const Dataset& data, const std::string& dataPath,
                   const std::string& stepMatrixPath) {
    const auto differ = [&](const std::string& why) {
        throw RunError("vornax-export: \"" + dataPath + "\" and \"" + stepMatrixPath +
                       "\" do not belong together: " + why +
                       "; give --data the data file that vornax read to write this StepMatrix\n");
    };
    if (data.taxonNames.size() != file.taxa.size()) {
        differ("the data file has " + std::to_string(data.taxonNames.size()) +
               " taxa and StepMatrix " + std::to_string(file.taxa.size()));
    }
    for (std::size_t t = 0; t < file.taxa.size(); ++t) {
        if (data.taxonNames[t] != file.taxa[t].name) {
            differ("taxon " + std::to_string(t + 1) + " is " + shown(data.taxonNames[t]) +
                   " in the data file and " + shown(file.taxa[t].name) + " in StepMatrix");
        }
    }
    if (static_cast<std::size_t>(data.regionCount) != file.regions.size()) {
        differ("the data file has " + std::to_string(data.regionCount) +
               " ambiguous regions and StepMatrix " + std::to_string(file.regions.size()));
    }
    CodedMatrix coded;
    coded.reset(data.taxonCount, data.regionCount);
    for (int r = 0; r < data.regionCount; ++r) {
        RegionStates states;
        codeRegion(data, r, states, coded);
        const FileRegion& region = file.regions[r];
        const std::string name = "region " + std::to_string(r + 1);
        if (region.coded != isCodedRegion(states) ||
            (region.coded && region.states.size() != states.states.size())) {
            differ(name + " has " + stateCount(states.states.size(), isCodedRegion(states)) +
                   " states in the data file and " +
                   stateCount(region.states.size(), region.coded) + " in StepMatrix");
        }
        for (std::size_t s = 0; region.coded && s < region.states.size(); ++s) {
            if (region.states[s] != states.states[s]) {
                differ("state " + std::to_string(s) + " of " + name + " is " +
                       shown(states.states[s]) + " in the data file and " +
                       shown(region.states[s]) + " in StepMatrix");
            }
        }
        for (std::size_t t = 0; t < file.taxa.size(); ++t) {
            const char cell = file.taxa[t].cells[r];
            if (cell != coded.at(static_cast<int>(t), r)) {
                differ(name + ", taxon " + std::to_string(t + 1) + " " + shown(file.taxa[t].name) +
                       ": StepMatrix codes it as " + cellText(region, cell) +
                       ", its sites in the data file as " +
                       cellText(region, coded.at(static_cast<int>(t), r)));
            }
        }
    }
}

}  // namespace

DataSet codedDataSet(StepMatrixFile file) {
    DataSet data;
    data.coded = std::move(file);
    return data;
}

DataSet joinDataFile(StepMatrixFile file, const Dataset& data, const std::string& dataPath,
                     const std::string& stepMatrixPath) {
    checkTogether(file, data, dataPath, stepMatrixPath);
    const auto refuse = [&](const std::string& why) {
        throw RunError("vornax-export: data file \"" + dataPath + "\": " + why + "\n");
    };

    // Every sequence, without the blanks and tabs that end its line, has the sites that the
    // header announces (which bounds the work below by the size of the file).
    const int siteCount = std::max(data.siteCount, 0);
    std::vector<std::string> sequences;
    for (std::size_t t = 0; t < file.taxa.size(); ++t) {
        std::string sequence = taxonSequence(data, static_cast<int32_t>(t));
        while (!sequence.empty() && (sequence.back() == ' ' || sequence.back() == '\t')) {
            sequence.pop_back();
        }
        if (sequence.size() != static_cast<std::size_t>(siteCount)) {
            refuse("taxon " + std::to_string(t + 1) + " " + shown(file.taxa[t].name) + " has " +
                   std::to_string(sequence.size()) + " sites, and the header says " +
                   std::to_string(siteCount));
        }
        sequences.push_back(std::move(sequence));
    }

    DataSet joined;
    joined.joined = true;
    joined.siteCount = siteCount;
    joined.bounds = data.regions;
    std::vector<bool> inRegion(sequences.empty() ? 0 : static_cast<std::size_t>(siteCount) + 1);
    for (const RegionBounds& bounds : data.regions) {
        for (int64_t s = std::max(bounds.begin, 1); s < int64_t(inRegion.size()) && s <= bounds.end;
             ++s) {
            inRegion[static_cast<std::size_t>(s)] = true;
        }
    }
    for (std::size_t s = 1; s < inRegion.size(); ++s) {
        if (!inRegion[s]) joined.sites.push_back(static_cast<int>(s));
    }
    std::string firstFault;
    int faults = 0;
    for (std::size_t t = 0; t < sequences.size(); ++t) {
        std::string row;
        for (const int s : joined.sites) {
            const char c = sequences[t][static_cast<std::size_t>(s) - 1];
            const char code = siteCode(c, data.missingCode, data.unknownCode);
            if (code == 0 && faults++ == 0) {
                firstFault = "taxon " + std::to_string(t + 1) + " " + shown(file.taxa[t].name) +
                             " has " + shown(std::string_view(&c, 1)) + " at site " +
                             std::to_string(s);
            }
            row += code;
        }
        joined.siteRows.push_back(std::move(row));
    }
    if (faults > 0) {
        refuse(firstFault + ", outside the ambiguous regions, and that is no base, IUPAC code, " +
               "?, - or code of the data file (" + std::to_string(faults) + " such " +
               (faults == 1 ? "site" : "sites") + " in all)");
    }
    joined.coded = std::move(file);
    return joined;
}

void requireSites(const DataSet& data, const std::string& dataPath) {
    if (data.joined && data.sites.empty() && !data.coded.taxa.empty()) {
        throw RunError("vornax-export: data file \"" + dataPath +
                       "\": its ambiguous regions cover all of its " +
                       std::to_string(data.siteCount) +
                       " sites, so no site is left to write beside them; export without --data\n");
    }
}

char siteCode(char c, char missingCode, char unknownCode) {
    if (c == missingCode || c == '-') return '-';
    if (c == unknownCode || c == '?') return '?';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == 'U') return 'T';
    return std::string_view("ACGTRYSWKMBDHVN").find(c) == std::string_view::npos ? 0 : c;
}

std::string siteRange(const RegionBounds& bounds) {
    if (bounds.begin == bounds.end) return std::to_string(bounds.begin);
    return std::to_string(bounds.begin) + "-" + std::to_string(bounds.end);
}
