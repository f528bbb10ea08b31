#include "support/output_properties.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "builder/coding.h"
#include "builder/dataset.h"
#include "builder/region_build.h"
#include "builder/stepmatrix_writer.h"
#include "checker/region_check.h"
#include "checker/stepmatrix_reader.h"
#include "checker/working_copy.h"
#include "common/run_error.h"
#include "common/symbols.h"
#include "exporter/data_set.h"
#include "exporter/stepmatrix_file.h"

BuilderOutput buildInMemory(const std::string& dataText, const UserWeights& weights, int threads) {
    BuilderOutput output;
    Dataset data;
    std::istringstream in(dataText);
    try {
        readDataFile(in, "data", data);
    } catch (const RunError& error) {
        output.refusal = error.what();
        return output;
    }
    output.accepted = true;
    CodedMatrix coded;
    coded.reset(data.taxonCount, data.regionCount);
    const CostModel model{1.0, 2.0, 3};
    for (int region = 0; region < data.regionCount; ++region) {
        if (region == 0) output.stepMatrix = fileStartText();
        const RegionTexts texts = buildRegion(
            data, region, model, weights, coded, [](const std::string&) {}, threads);
        output.stepMatrix += texts.stepMatrix;
        output.alignments += texts.alignments;
    }
    output.stepMatrix += codedMatrixText(data, coded, false);
    return output;
}

namespace {

// A stream that reads `text` (an empty stream for an empty text).
std::FILE* readStream(const std::string& text) {
    if (text.empty()) return std::fopen("/dev/null", "rb");
    return fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
}

}  // namespace

CheckerOutput checkInMemory(const std::string& stepMatrix, const std::string& alignments) {
    CheckerOutput result;
    char* copyText = nullptr;
    size_t copySize = 0;
    std::FILE* copyWriter = open_memstream(&copyText, &copySize);
    std::FILE* alignmentsIn = readStream(alignments);
    makeWorkingCopy(alignmentsIn, copyWriter);
    std::fclose(alignmentsIn);
    std::fclose(copyWriter);
    const std::string copy(copyText, copySize);
    std::free(copyText);

    char* consoleText = nullptr;
    size_t consoleSize = 0;
    std::FILE* console = open_memstream(&consoleText, &consoleSize);
    std::FILE* answers = std::fopen("/dev/null", "rb");
    std::FILE* stepMatrixIn = readStream(stepMatrix);
    std::FILE* copyIn = readStream(copy);
    StepMatrixRegion region;
    CheckTally tally;
    result.complete = true;
    for (;;) {
        const RegionRead read = readStepMatrixRegion(stepMatrixIn, region, console);
        if (read == RegionRead::noMore) break;
        if (read != RegionRead::found || !checkRegion(copyIn, region, tally, console, answers)) {
            result.complete = false;
            break;
        }
    }
    for (std::FILE* f : {answers, stepMatrixIn, copyIn, console}) std::fclose(f);
    result.console.assign(consoleText, consoleSize);
    std::free(consoleText);
    result.errors = tally.errorCount;
    return result;
}

namespace {

// The states of every region as the data file gives them: the distinct non-empty cleaned
// fragments in byte order (one empty state when there is none).
std::vector<std::vector<std::string>> expectedStates(const Dataset& data) {
    std::vector<std::vector<std::string>> regions;
    for (int r = 0; r < data.regionCount; ++r) {
        std::vector<std::string> states;
        for (int32_t t = 0; t < data.taxonCount; ++t) {
            const std::string fragment = taxonFragment(data.taxonLine(t), data.regions[size_t(r)]);
            std::string cleaned = cleanFragment(fragment, data.missingCode, data.unknownCode);
            if (!cleaned.empty()) states.push_back(cleaned);
        }
        std::sort(states.begin(), states.end());
        states.erase(std::unique(states.begin(), states.end()), states.end());
        if (states.empty()) states.emplace_back();
        regions.push_back(states);
    }
    return regions;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) result.push_back(line);
    return result;
}

std::string withoutGapMarks(const std::string& row) {
    std::string letters;
    for (char c : row)
        if (static_cast<unsigned char>(c) != kGapMark) letters += c;
    return letters;
}

// Whether `s` holds a byte that the two file formats cannot carry.
bool hasUnwritableByte(const std::string& s) {
    return s.find_first_of(std::string(" \t]#") + char(kGapMark)) != std::string::npos;
}

// Checks the records of Alignments against the expected states of every coded region.
std::string recordFaults(const std::vector<std::vector<std::string>>& states,
                         const std::string& alignments) {
    const std::vector<std::string> all = lines(alignments);
    size_t at = 0;
    for (size_t r = 0; r < states.size(); ++r) {
        const int n = int(states[r].size());
        if (n > kStateSymbolCount) continue;  // not coded: no block
        // The heading: an empty line, "Region #N" and two legend lines.
        if (at + 4 > all.size() || all[at + 1] != "Region #" + std::to_string(r + 1))
            return "no Alignments heading for region " + std::to_string(r + 1);
        at += 4;
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j, at += 2) {
                if (at + 2 > all.size())
                    return "Alignments ends inside region " + std::to_string(r + 1);
                const std::string& first = all[at];
                const std::string& second = all[at + 1];
                if (first.size() < 3 || first[0] != '*' || first[2] != '\t' || second.size() < 3 ||
                    second[0] != ' ' || second[2] != '\t')
                    return "malformed record at line " + std::to_string(at + 1);
                const int s = findStateSymbol(static_cast<unsigned char>(first[1]), n);
                const int l = findStateSymbol(static_cast<unsigned char>(second[1]), n);
                if (!((s == i && l == j) || (s == j && l == i)))
                    return "record out of pair order at line " + std::to_string(at + 1);
                // The second row ends at the tab before the five scores (a row may hold
                // tabs of its own).
                const std::string rowS = first.substr(3);
                size_t end = second.size();
                for (int field = 0; field < 5 && end != std::string::npos && end > 3; ++field)
                    end = second.rfind('\t', end - 1);
                if (end == std::string::npos || end < 3)
                    return "a record without its scores at line " + std::to_string(at + 2);
                const std::string rowL = second.substr(3, end - 3);
                if (rowS.size() != rowL.size())
                    return "rows of unequal length at line " + std::to_string(at + 1);
                // A state's own 0xA5 bytes print like gaps: they cannot be told apart.
                if (withoutGapMarks(rowS) != withoutGapMarks(states[r][size_t(s)]) ||
                    withoutGapMarks(rowL) != withoutGapMarks(states[r][size_t(l)]))
                    return "a row does not spell its state at line " + std::to_string(at + 1);
            }
        }
    }
    if (at != all.size()) return "Alignments holds more lines than records";
    return "";
}

// Checks StepMatrix as vornax-export reads it: it reads the whole file; each coded region
// lists the expected states and has a symmetric step matrix, positive with the default
// weights; and joined to the data file (a coded row per taxon, each as its sites say), the two
// belong together (a refusal for the sites outside the regions is no fault).
std::string exportFaults(const std::vector<std::vector<std::string>>& states, const Dataset& data,
                         const std::string& stepMatrix, bool defaultWeights) {
    try {
        StepMatrixFile file = parseStepMatrix(stepMatrix, "StepMatrix");
        for (const FileRegion& region : file.regions) {
            const std::vector<std::string>& expected = states[region.number - 1];
            if (region.coded != (expected.size() <= size_t(kStateSymbolCount)) ||
                (region.coded && region.states != expected))
                return "region " + std::to_string(region.number) + " lists other states";
            for (size_t g = 0; g < region.cells.size(); ++g)
                for (size_t h = 0; h < region.cells.size(); ++h)
                    if (g != h && (region.cells[g][h] != region.cells[h][g] ||
                                   (defaultWeights && !(std::stod(region.cells[g][h]) > 0))))
                        return "the step matrix of region " + std::to_string(region.number) +
                               " is not symmetric, or (default weights) not positive";
        }
        joinDataFile(std::move(file), data, "data", "StepMatrix");
    } catch (const RunError& error) {
        if (std::string(error.what()).find("StepMatrix\"") != std::string::npos)
            return error.what();
    }
    return "";
}

}  // namespace

std::string findOutputFault(const std::string& dataText, const BuilderOutput& output,
                            const UserWeights& weights) {
    if (!output.accepted) return "";
    Dataset data;
    std::istringstream in(dataText);
    readDataFile(in, "data", data);
    const std::vector<std::vector<std::string>> states = expectedStates(data);
    std::string fault = recordFaults(states, output.alignments);
    if (fault.empty()) {
        const bool defaultWeights =
            weights.transitions == 1 && weights.transversions == 1 && weights.insertions == 1;
        fault = exportFaults(states, data, output.stepMatrix, defaultWeights);
    }
    if (!fault.empty()) return fault;

    bool checkable = true;
    for (const std::vector<std::string>& region : states)
        for (const std::string& s : region) checkable = checkable && !hasUnwritableByte(s);
    for (const std::string& name : data.taxonNames)
        checkable = checkable && name.find('#') == std::string::npos;
    // The unknown-data code stands in the coded data matrix, where quillet takes a '#' for a
    // region header.
    checkable = checkable && data.unknownCode != '#';
    if (!checkable) return "";
    const CheckerOutput check = checkInMemory(output.stepMatrix, output.alignments);
    if (!check.complete) return "quillet could not complete its check: " + check.console;
    if (check.errors != 0) return "quillet found " + std::to_string(check.errors) + " errors";
    if (check.console.find("state characters do not match") != std::string::npos)
        return "quillet met an unknown state symbol";
    return "";
}
