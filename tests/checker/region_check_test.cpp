#include "checker/region_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/symbols.h"
#include "memory_streams.h"

namespace {

// The two legend lines of a region's header block, as the working copy shows them.
const std::string kLegend =
    "Column 1: character state, col. 2: sequence, col. 3: Sxy, col. 4: Cxy, col. 5: Oxy,\n"
    "col. 6: Cxy with user values,  col. 7: Oxy with user values\n";

// Returns the working copy's header block of region `n`.
std::string header(int n) {
    return "\nRegion #" + std::to_string(n) + "\n" + kLegend;
}

// Returns a working copy's record (tabs already blanks, gap marks gone).
std::string record(char s, const std::string& row1, char l, const std::string& row2) {
    return std::string("*") + s + " " + row1 + "\n " + l + " " + row2 +
           " 0.600  3 0.200 1.000 0.600\n";
}

const std::string kTail = "\n" + std::string(4151, ' ');

StepMatrixRegion regionOf(int number, std::vector<std::string> states) {
    StepMatrixRegion region;
    region.regionNumber = number;
    region.stateCount = static_cast<int32_t>(states.size());
    region.sequences = std::move(states);
    return region;
}

// The working copy, the console and the answers of one check.
struct Bench {
    TempStream copy;
    TempStream out{std::tmpfile()};
    TempStream in;
    CheckTally tally;

    Bench(const std::string& copyText, const std::string& answers)
        : copy(streamWith(copyText)), in(streamWith(answers)) {}
    bool check(const StepMatrixRegion& region) {
        return checkRegion(copy.get(), region, tally, out.get(), in.get());
    }
    std::string console() { return contentsOf(out.get()); }
};

// The report of a sequence mismatch, up to the question.
std::string mismatch(int error, int region, char symbol, const std::string& expected,
                     const std::string& row, int line) {
    return "\nError # " + std::to_string(error) + "\n\nSequences in Region " +
           std::to_string(region) + " do not match:\nsequence '" + symbol +
           "' in file \"StepMatrix\" = " + expected + "\nsequence '" + symbol +
           "' in file \"Alignments\" = " + row + "\nthis sequence can be found in line " +
           std::to_string(line) +
           " in the file \"Alignments\" \n\n"
           "would you like to continue?   press 1 and RETURN\n"
           "       or quit the program?   press 2 and RETURN\n? ";
}

// The report of a symbol that is not one of the region's states.
std::string unknownSymbol(int region, int line) {
    return "\nstate characters do not match in region " + std::to_string(region) + "\nline " +
           std::to_string(line) + " of file Alignments\npress 1 and RETURN ";
}

}  // namespace

TEST(RegionCheck, CleanRegionsCountTheirLines) {
    // Region 1 has 3 states: 3 records, 6 rows, lines 5 to 10; region 2 begins on line 15.
    const std::string copy = header(1) + record('0', "AC", '1', "ACT") +
                             record('0', "AC", '2', "GCT") + record('1', "ACT", '2', "GCT") +
                             header(2) + record('0', "T", '1', "TT") + kTail;
    Bench bench(copy, "");
    EXPECT_TRUE(bench.check(regionOf(1, {"AC", "ACT", "GCT"})));
    EXPECT_EQ(bench.tally.lineNumber, 10);
    EXPECT_TRUE(bench.check(regionOf(2, {"T", "TT"})));
    EXPECT_EQ(bench.tally.lineNumber, 16);
    EXPECT_EQ(bench.tally.errorCount, 0);
    EXPECT_EQ(bench.console(), "");
    // The next search for a region runs into the end of the copy.
    EXPECT_FALSE(bench.check(regionOf(3, {"A", "C"})));
    EXPECT_EQ(bench.console(), "");
}

TEST(RegionCheck, SkippedAndSingleStateRegions) {
    Bench bench(header(4) + header(5) + record('0', "A", '1', "C") + kTail, "");
    // A skipped region reads nothing and counts no line.
    StepMatrixRegion skipped = regionOf(-1, {});
    EXPECT_TRUE(bench.check(skipped));
    EXPECT_EQ(bench.tally.lineNumber, 0);
    EXPECT_EQ(std::ftell(bench.copy.get()), 0);
    // A region of one state: its header block and no record.
    EXPECT_TRUE(bench.check(regionOf(4, {"CCC"})));
    EXPECT_EQ(bench.tally.lineNumber, 4);
    // Region 5's mismatch is on line 10 of the file: 4 + 4 header lines, then its record.
    EXPECT_TRUE(bench.check(regionOf(5, {"A", "G"})));
    EXPECT_EQ(bench.tally.lineNumber, 10);
    EXPECT_EQ(bench.console(), mismatch(1, 5, '1', "G", "C", 10));
}

TEST(RegionCheck, WrongRegionNumberIsReported) {
    Bench bench(header(7) + record('0', "A", '1', "C") + kTail, "");
    EXPECT_FALSE(bench.check(regionOf(6, {"A", "C"})));
    EXPECT_EQ(bench.console(),
              "\n\n can't find region 6 in file \"AlignmentsChecked\" \n program terminated");
}

TEST(RegionCheck, SymbolsAreLookedUpAmongTheRegionsStatesOnly) {
    // The last state's symbol '2' is compared with the last sequence; '3' is one symbol too
    // far and draws the report without being counted as an error.
    Bench bench(header(1) + record('0', "A", '2', "GG") + record('0', "A", '3', "AT") +
                    record('1', "AT", '2', "GG") + kTail,
                "1\n");
    EXPECT_TRUE(bench.check(regionOf(1, {"A", "AT", "GG"})));
    EXPECT_EQ(bench.tally.errorCount, 0);
    EXPECT_EQ(bench.console(), unknownSymbol(1, 8));
    // The key was read, and the line end after it is left for the next read.
    EXPECT_EQ(std::getc(bench.in.get()), '\n');
    EXPECT_EQ(std::getc(bench.in.get()), EOF);
}

TEST(CompareRow, LooksUpAtMostTheWholeSymbolTable) {
    // A region listing 120 states: the last symbol of the table is state 95, and no symbol
    // reaches the states after it.
    std::vector<std::string> states;
    for (int i = 0; i < 120; ++i) states.push_back(std::string(1, 'S').append(std::to_string(i)));
    const StepMatrixRegion region = regionOf(8, states);
    TempStream out(std::tmpfile());
    TempStream in = streamWith("");
    CheckTally tally;
    tally.lineNumber = 41;
    compareRow(region, kStateSymbols[95], "S95", tally, out.get(), in.get());
    compareRow(region, 'z', "S47", tally, out.get(), in.get());
    EXPECT_EQ(contentsOf(out.get()), "");
    compareRow(region, 'A', "S96", tally, out.get(), in.get());
    EXPECT_EQ(contentsOf(out.get()), unknownSymbol(8, 41));
    EXPECT_EQ(tally.errorCount, 0);
}

TEST(RegionCheck, StateBeyondTheListedSequencesComparesAsEmpty) {
    StepMatrixRegion region = regionOf(1, {"A"});
    region.stateCount = 2;
    Bench bench(header(1) + record('0', "A", '1', "") + kTail, "");
    EXPECT_TRUE(bench.check(region));
    EXPECT_EQ(bench.tally.errorCount, 0);
}

TEST(RegionCheck, CopyEndingInsideARowComparesNothing) {
    // Without the blank tail a row can meet the end of the copy: the check stops there.
    Bench bench(header(1) + "*0 AC", "");
    EXPECT_FALSE(bench.check(regionOf(1, {"AC", "ACT"})));
    EXPECT_EQ(bench.tally.lineNumber, 4);
    EXPECT_EQ(bench.console(), "");
}

TEST(RegionCheck, RowsOfAnyLengthAndByteValue) {
    const std::string longRow(5000, 'G');
    const std::string odd = std::string("A\xFF") + '\0' + "C";
    Bench bench(header(1) + record('0', longRow, '1', odd) + kTail, "");
    EXPECT_TRUE(bench.check(regionOf(1, {longRow, odd})));
    EXPECT_EQ(bench.tally.errorCount, 0);
}

TEST(ReadKey, PassesOverBlanksAndLineEnds) {
    TempStream in = streamWith(" \n\t\r x\n");
    EXPECT_EQ(readKey(in.get()), 'x');
    EXPECT_EQ(readKey(in.get()), EOF);
}

