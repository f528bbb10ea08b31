#include "exporter/alignments_file.h"

#include <cstddef>
#include <tuple>

#include "builder/alignments_writer.h"
#include "common/run_error.h"
#include "common/symbols.h"
#include "exporter/text_lines.h"

namespace {

// Returns whether `field` is a score as vornax writes it ("%4.3f" or "%2d"): blanks, then a
// number, "inf" or "nan", with or without a minus sign. Drops the blanks from `field`.
bool readScore(std::string_view& field) {
    while (field.starts_with(' ')) field.remove_prefix(1);
    std::string_view number = field.starts_with('-') ? field.substr(1) : field;
    if (number == "inf" || number == "nan") return true;
    const std::size_t point = number.find('.');
    if (point != std::string_view::npos) number.remove_prefix(point + 1);
    return !field.empty() && number.find_first_not_of("0123456789") == std::string_view::npos &&
           (point == std::string_view::npos ? field != "-" : point > 0);
}

// Reads the two lines of the record that should align states `g` and `h` of `region`
// into `pair`. Fails through `lines` for lines that are not a record, through `differ` (given a
// line number and what it holds) for a record of other states.
template <typename Fail>
void readRecord(Lines& lines, const FileRegion& region, int g, int h, AlignedPair& pair,
                const Fail& differ) {
    const int count = static_cast<int>(region.states.size());
    const std::string firstForm = "the first line of the record of states " + std::to_string(g) +
                                  " and " + std::to_string(h) + " (\"*S\\tROW\")";
    const std::string_view first = lines.take(firstForm);
    if (first.size() < 3 || first[0] != '*' || first[2] != '\t') lines.fail(firstForm, first);
    pair.firstRow = first.substr(3);
    const std::string secondForm = "the second line of the record (\" S\\tROW\" with a row of " +
                                   std::to_string(pair.firstRow.size()) +
                                   " bytes, then 5 scores after tabs)";
    const std::string_view second = lines.take(secondForm);
    if (second.size() < 3 + pair.firstRow.size() || second[0] != ' ' || second[2] != '\t') {
        lines.fail(secondForm, second);
    }
    pair.secondRow = second.substr(3, pair.firstRow.size());
    std::string_view rest = second.substr(3 + pair.firstRow.size());
    for (std::string_view& score : pair.scores) {
        if (!rest.starts_with('\t')) lines.fail(secondForm, second);
        rest.remove_prefix(1);
        score = rest.substr(0, rest.find('\t'));
        rest.remove_prefix(score.size());
        if (!readScore(score)) lines.fail(secondForm, second);
    }
    if (!rest.empty()) lines.fail(secondForm, second);

    pair.first = findStateSymbol(static_cast<unsigned char>(first[1]), count);
    pair.second = findStateSymbol(static_cast<unsigned char>(second[1]), count);
    if (!((pair.first == g && pair.second == h) || (pair.first == h && pair.second == g))) {
        differ(lines.number() - 1, "aligns the symbols " + shown(first.substr(1, 1)) + " and " +
                                       shown(second.substr(1, 1)) + " where states " +
                                       std::to_string(g) + " and " + std::to_string(h) +
                                       " of region " + std::to_string(region.number) + " (of " +
                                       std::to_string(count) + " in StepMatrix) were expected");
    }
    for (const auto& [state, row, line] :
         {std::tuple(pair.first, pair.firstRow, 1), std::tuple(pair.second, pair.secondRow, 0)}) {
        if (withoutGapMarks(row) != withoutGapMarks(region.states[state])) {
            differ(lines.number() - line, "aligns " + shown(withoutGapMarks(row)) + " as state " +
                                              std::to_string(state) + " of region " +
                                              std::to_string(region.number) + ", which is " +
                                              shown(region.states[state]) + " in StepMatrix");
        }
    }
}

}  // namespace

std::vector<AlignedRegion> readAlignments(const std::string& text, const std::string& path,
                                          const StepMatrixFile& stepMatrix,
                                          const std::string& stepMatrixPath) {
    Lines lines(text, path);
    const auto differ = [&](int64_t line, const std::string& why) {
        throw RunError("vornax-export: \"" + stepMatrixPath + "\" and \"" + path +
                       "\" do not belong together: line " + std::to_string(line) + " of \"" + path +
                       "\" " + why +
                       "; give the Alignments file that vornax wrote with this StepMatrix\n");
    };
    std::vector<AlignedRegion> regions;
    for (const FileRegion& region : stepMatrix.regions) {
        if (!region.coded) continue;  // vornax aligned nothing there
        // The heading: an empty line, "Region #N" and two lines that explain the columns.
        const std::string heading = alignmentsHeadingText(region.number);
        const std::string title = "Region #" + std::to_string(region.number);
        lines.skipEmpty();
        lines.expect(title, "the heading \"" + title + "\"");
        std::size_t at = heading.find('\n', 1) + 1;
        for (int legend = 1; legend <= 2; ++legend) {
            const std::size_t end = heading.find('\n', at);
            lines.expect(std::string_view(heading).substr(at, end - at),
                         "line " + std::to_string(legend) + " of the columns' legend");
            at = end + 1;
        }
        AlignedRegion aligned;
        aligned.number = region.number;
        const int count = static_cast<int>(region.states.size());
        aligned.pairs.resize(static_cast<std::size_t>(count) * (count - 1) / 2);
        std::size_t next = 0;
        for (int g = 0; g < count; ++g) {
            for (int h = g + 1; h < count; ++h) {
                readRecord(lines, region, g, h, aligned.pairs[next++], differ);
            }
        }
        regions.push_back(std::move(aligned));
    }
    lines.skipEmpty();
    if (!lines.atEnd()) {
        lines.fail(regions.empty() ? "an empty file, as StepMatrix codes no region"
                                   : "the end of the file after the records of region " +
                                         std::to_string(regions.back().number),
                   lines.take(""));
    }
    return regions;
}

std::string withoutGapMarks(std::string_view row) {
    std::string letters;
    for (const char c : row) {
        if (static_cast<unsigned char>(c) != kGapMark) letters += c;
    }
    return letters;
}
