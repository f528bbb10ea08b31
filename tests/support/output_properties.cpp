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
#include "exporter/alignments_file.h"
#include "exporter/data_set.h"
#include "exporter/html_report.h"
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

// Whether `s` holds a byte that the two file formats cannot carry.
bool hasUnwritableByte(const std::string& s) {
    return s.find_first_of(std::string(" \t]#") + char(kGapMark)) != std::string::npos;
}

// Checks StepMatrix as vornax-export reads it: it reads the whole file; each coded region
// lists the expected states and has a symmetric step matrix, positive with the default
// weights; it reads Alignments, which belongs to it (every record is the next pair of states,
// every row without its gap marks spells its state); and joined to the data file (a coded row
// per taxon, each as its sites say), the two belong together (a refusal for the sites outside
// the regions is no fault), and their report page is ASCII with one script block of its own
// and one per region of two or more states: no text from the input opens or closes one.
std::string exportFaults(const std::vector<std::vector<std::string>>& states, const Dataset& data,
                         const std::string& stepMatrix, const std::string& alignments,
                         bool defaultWeights) {
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
        const auto aligned = readAlignments(alignments, "Alignments", file, "StepMatrix");
        int scripts = 2;
        for (const FileRegion& region : file.regions) scripts += region.states.size() >= 2;
        const std::string page =
            htmlReport(joinDataFile(std::move(file), data, "data", "StepMatrix"), aligned,
                       {{"Data file", "data", 0}})
                .text;
        int opened = 0, closed = 0;
        for (size_t at = page.find("<script"); at != std::string::npos;
             at = page.find("<script", at + 1))
            ++opened;
        for (size_t at = page.find("</script"); at != std::string::npos;
             at = page.find("</script", at + 1))
            ++closed;
        if (opened != scripts || closed != scripts ||
            !std::all_of(page.begin(), page.end(), [](char c) { return c > 0 && c < 0x7F; }))
            return "the report page holds bytes that are not ASCII text, or other scripts";
    } catch (const RunError& error) {
        if (!std::string(error.what()).starts_with("vornax-export: data file \"data\""))
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
    const bool defaultWeights =
        weights.transitions == 1 && weights.transversions == 1 && weights.insertions == 1;
    const std::string fault =
        exportFaults(states, data, output.stepMatrix, output.alignments, defaultWeights);
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
