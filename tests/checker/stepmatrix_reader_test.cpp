#include "checker/stepmatrix_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_streams.h"

namespace {

// One reading of a StepMatrix text: the outcome of each call and the console text.
struct Reading {
    std::vector<RegionRead> outcomes;
    std::vector<StepMatrixRegion> regions;
    std::string console;
};

// Calls readStepMatrixRegion on `text` until it returns something other than found (at most
// `limit` calls).
Reading readAll(const std::string& text, int limit = 20) {
    TempStream in = streamWith(text);
    TempStream console(std::tmpfile());
    Reading reading;
    StepMatrixRegion region;
    for (int i = 0; i < limit; ++i) {
        const RegionRead outcome = readStepMatrixRegion(in.get(), region, console.get());
        reading.outcomes.push_back(outcome);
        reading.regions.push_back(region);
        if (outcome != RegionRead::found) break;
    }
    reading.console = contentsOf(console.get());
    return reading;
}

using Strings = std::vector<std::string>;

// Region 3 with the states AC and ACT and a cost of 3.00 between them, as the builder
// writes it, after the file's first line.
const std::string kRegion3 =
    "BEGIN ASSUMPTIONS;\n"
    "\n\tUSERTYPE Region#3 STEPMATRIX = 2\n"
    "\t[0 = AC]\n"
    "\t[1 = ACT]\n"
    "\n\t          0     1 \n"
    "\t  [0]      .  3.00\n"
    "\t  [1]   3.00     .\n"
    ";\n\n;\n\n";

}  // namespace

TEST(StepMatrixReader, ReadsACodedRegionAndThenReportsTheEnd) {
    const Reading r = readAll(kRegion3 + "[      \tambiguous region ]\n[      \t3 ]\ntaxon1 \t1\n");
    ASSERT_EQ(r.outcomes.size(), 2u);
    EXPECT_EQ(r.outcomes[0], RegionRead::found);
    EXPECT_EQ(r.regions[0].regionNumber, 3);
    EXPECT_EQ(r.regions[0].stateCount, 2);
    EXPECT_EQ(r.regions[0].sequences, (Strings{"AC", "ACT"}));
    // The end before the next '#' is the normal end and writes nothing.
    EXPECT_EQ(r.outcomes[1], RegionRead::noMore);
    EXPECT_TRUE(r.regions[1].sequences.empty());
    EXPECT_EQ(r.console, "comparing region 3\n");
}

TEST(StepMatrixReader, StatesAreTakenByPositionWhateverSymbolTheyShow) {
    const Reading r = readAll(
        "\n\tUSERTYPE Region#12 STEPMATRIX = 3\n\t[x = GG]\n\t[1 = ]\n\t[q = T\xFF"
        "A]\n;\n\n");
    EXPECT_EQ(r.outcomes[0], RegionRead::found);
    EXPECT_EQ(r.regions[0].regionNumber, 12);
    EXPECT_EQ(r.regions[0].sequences, (Strings{"GG", "",
                                               "T\xFF"
                                               "A"}));
    EXPECT_EQ(r.console, "comparing region 12\n");
}

TEST(StepMatrixReader, SkippedRegionIsAnnouncedAndMarked) {
    const Reading r = readAll(
        "BEGIN ASSUMPTIONS;\n\n\t [ Region#7 has more than 96 states ] \n"
        "\n\tUSERTYPE Region#8 STEPMATRIX = 1\n\t[0 = A]\n\n\t          0 \n\t  [0]      "
        ".\n;\n\n;\n\n");
    ASSERT_EQ(r.outcomes.size(), 3u);
    EXPECT_EQ(r.outcomes[0], RegionRead::found);
    EXPECT_EQ(r.regions[0].regionNumber, -1);
    EXPECT_EQ(r.outcomes[1], RegionRead::found);
    EXPECT_EQ(r.regions[1].regionNumber, 8);
    EXPECT_EQ(r.regions[1].sequences, (Strings{"A"}));
    EXPECT_EQ(r.outcomes[2], RegionRead::noMore);
    EXPECT_EQ(r.console, "comparing region 7\ncomparing region 8\n");
}

TEST(StepMatrixReader, HeaderEdgeCases) {
    // A '#' without digits is region 0; a count of 0 reads no state.
    Reading r = readAll("#\tUSERTYPE STEPMATRIX = 0\n\t[0 = A]\n", 1);
    EXPECT_EQ(r.outcomes[0], RegionRead::found);
    EXPECT_EQ(r.regions[0].regionNumber, 0);
    EXPECT_EQ(r.regions[0].stateCount, 0);
    EXPECT_TRUE(r.regions[0].sequences.empty());
    EXPECT_EQ(r.console, "comparing region 0\n");

    // The count wraps like a 32-bit number instead of overflowing: 2^32 + 2 reads as 2.
    r = readAll("#5 STEPMATRIX = 4294967298\n[0 = A][1 = C]", 1);
    EXPECT_EQ(r.regions[0].stateCount, 2);
    EXPECT_EQ(r.regions[0].sequences, (Strings{"A", "C"}));

    // A state line longer than any fixed row and more than 96 states are kept whole.
    std::string many = "#9 STEPMATRIX = 120\n";
    for (int i = 0; i < 120; ++i) many += "[x = " + std::string(300 + i, 'A') + "]\n";
    r = readAll(many, 1);
    EXPECT_EQ(r.outcomes[0], RegionRead::found);
    ASSERT_EQ(r.regions[0].sequences.size(), 120u);
    EXPECT_EQ(r.regions[0].sequences[119], std::string(419, 'A'));
}

TEST(StepMatrixReader, FileEndingInsideARegionIsCutShort) {
    // Each prefix ends after the '#': right after the number, in the header, in the count,
    // or inside a sequence.
    const std::string full = "\n\tUSERTYPE Region#4 STEPMATRIX = 2\n\t[0 = AC]\n\t[1 = ACT]\n";
    for (const char* cut : {"#4", "#4 ", "#4 STEPMATRIX =", "#4 STEPMATRIX = 2",
                            "\t[0 = AC]\n\t[1 = A", "\t[1 = ACT"}) {
        const std::string text = full.substr(0, full.find(cut) + std::string(cut).size());
        const Reading r = readAll(text);
        ASSERT_EQ(r.outcomes.size(), 1u) << text;
        EXPECT_EQ(r.outcomes[0], RegionRead::cutShort) << text;
        EXPECT_EQ(r.console, "comparing region 4\n") << text;
    }
}

TEST(StepMatrixReader, HugeCountInAShortFileIsCutShortWithoutAllocating) {
    const Reading r = readAll("#1 STEPMATRIX = 2000000000\n\t[0 = A]\n\t[1 = C]\n");
    EXPECT_EQ(r.outcomes[0], RegionRead::cutShort);
    EXPECT_EQ(r.regions[0].sequences.size(), 2u);
}

TEST(StepMatrixReader, HashInTheCodedMatrixIsTakenForARegion) {
    // A taxon name with a '#' after the last region: announced, then the file runs out.
    const Reading r = readAll(kRegion3 + "[ \tambiguous region ]\ntax#on \t1\n");
    ASSERT_EQ(r.outcomes.size(), 2u);
    EXPECT_EQ(r.outcomes[1], RegionRead::cutShort);
    EXPECT_EQ(r.console, "comparing region 3\ncomparing region 0\n");
}
