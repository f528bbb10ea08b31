// Reading StepMatrix back: the hand-made file of every kind of region, the files vornax
// writes for generated data, and the messages for files that are not what vornax writes.
#include "exporter/stepmatrix_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/datagen.h"
#include "common/run_error.h"
#include "support/output_properties.h"
#include "support/run_program.h"

namespace {

std::string fixture() {
    return readFile(std::string(TEST_DATA_DIR) + "/exporter/mixed.StepMatrix");
}

// Returns the message with which reading `text` fails, or "" when it is read.
std::string failureOf(const std::string& text) {
    try {
        parseStepMatrix(text, "StepMatrix");
    } catch (const RunError& error) {
        EXPECT_EQ(error.exitStatus(), 1);
        return error.what();
    }
    return "";
}

TEST(StepMatrixFile, ReadsEveryKindOfRegion) {
    const StepMatrixFile file = parseStepMatrix(fixture(), "StepMatrix");
    ASSERT_EQ(file.regions.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(file.regions[i].number, i + 1);

    EXPECT_TRUE(file.regions[0].coded);
    EXPECT_EQ(file.regions[0].states, (std::vector<std::string>{"AC", "ACT"}));
    EXPECT_EQ(file.regions[0].cells,
              (std::vector<std::vector<std::string>>{{".", "3.00"}, {"3.00", "."}}));

    EXPECT_FALSE(file.regions[1].coded);
    EXPECT_TRUE(file.regions[1].states.empty());

    EXPECT_EQ(file.regions[2].states, std::vector<std::string>{""});
    EXPECT_EQ(file.regions[2].cells, std::vector<std::vector<std::string>>{{"."}});

    EXPECT_EQ(file.regions[3].states, (std::vector<std::string>{"A[C", "CC", "GGT"}));
    EXPECT_EQ(file.regions[3].cells[1], (std::vector<std::string>{"inf", ".", "-1.50"}));
    EXPECT_EQ(file.regions[4].cells[0], (std::vector<std::string>{".", "-nan"}));

    ASSERT_EQ(file.taxa.size(), 4u);
    EXPECT_EQ(file.taxa[0].name, "Homo/sapiens");
    EXPECT_EQ(file.taxa[0].cells, "0-021");
    EXPECT_EQ(file.taxa[3].name, "");
    EXPECT_EQ(file.taxa[3].cells, "0-000");
}

TEST(StepMatrixFile, TellsStatesFromUnknownCells) {
    const StepMatrixFile file = parseStepMatrix(fixture(), "StepMatrix");
    const StepMatrixRegion& region = file.regions[3];  // three states: 0, 1 and 2
    EXPECT_EQ(stateOfCell(region, '2'), 2);
    EXPECT_EQ(stateOfCell(region, '?'), -1);
    EXPECT_EQ(stateOfCell(region, '3'), -1);           // a symbol, but not of this region
    EXPECT_EQ(stateOfCell(file.regions[1], '0'), -1);  // an uncoded region has no state
}

TEST(StepMatrixFile, ReadsWhatVornaxWritesForGeneratedData) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        DataShape shape = realShape(seed);
        shape.taxa = 30;
        shape.regions = 12;  // two lines of region numbers
        const BuilderOutput output = buildInMemory(generateDataFile(shape), UserWeights{});
        ASSERT_TRUE(output.accepted) << output.refusal;
        const StepMatrixFile file = parseStepMatrix(output.stepMatrix, "StepMatrix");
        ASSERT_EQ(file.regions.size(), 12u);
        ASSERT_EQ(file.taxa.size(), 30u);
        EXPECT_EQ(file.taxa[29].name, "taxon_030");
        for (const StepMatrixRegion& region : file.regions) {
            ASSERT_TRUE(region.coded);
            for (std::size_t g = 0; g < region.states.size(); ++g) {
                if (g > 0) {
                    EXPECT_LT(region.states[g - 1], region.states[g]);
                }
                for (std::size_t h = 0; h < region.states.size(); ++h) {
                    EXPECT_EQ(region.cells[g][h], region.cells[h][g]);
                }
            }
        }
    }
}

TEST(StepMatrixFile, ReadsACodedMatrixWhoseUnknownCodeIsAMinus) {
    // "[-]" in a coded region is the unknown-data code "-": the taxon is unknown there.
    const std::string text =
        "BEGIN ASSUMPTIONS;\n\n\tUSERTYPE Region#1 STEPMATRIX = 2\n\t[0 = A]\n\t[1 = C]\n\n"
        "\t          0     1 \n\t  [0]      .  2.00\n\t  [1]   2.00     .\n;\n\n;\n\n"
        "[ \tambiguous region ]\n[ \t 1  ]\nx \t[-]\ny \t1\n";
    const StepMatrixFile file = parseStepMatrix(text, "StepMatrix");
    ASSERT_EQ(file.taxa.size(), 2u);
    EXPECT_EQ(stateOfCell(file.regions[0], file.taxa[0].cells[0]), -1);
    EXPECT_EQ(stateOfCell(file.regions[0], file.taxa[1].cells[0]), 1);
}

TEST(StepMatrixFile, ReadsAFileCopiedThroughWindows) {
    std::string crlf;
    for (const char c : fixture()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const StepMatrixFile file = parseStepMatrix(crlf, "StepMatrix");
    const StepMatrixFile plain = parseStepMatrix(fixture(), "StepMatrix");
    ASSERT_EQ(file.regions.size(), plain.regions.size());
    for (std::size_t r = 0; r < file.regions.size(); ++r) {
        EXPECT_EQ(file.regions[r].states, plain.regions[r].states);
        EXPECT_EQ(file.regions[r].cells, plain.regions[r].cells);
    }
    ASSERT_EQ(file.taxa.size(), plain.taxa.size());
    EXPECT_EQ(file.taxa[1].name, "alpha");
    EXPECT_EQ(file.taxa[1].cells, plain.taxa[1].cells);
}

TEST(StepMatrixFile, NamesTheLineAndWhatWasExpected) {
    const std::string text = fixture();
    const auto edited = [&](const std::string& from, const std::string& to) {
        std::string copy = text;
        copy.replace(copy.find(from), from.size(), to);
        return copy;
    };
    EXPECT_EQ(failureOf("USERTYPE\n"),
              "vornax-export: \"StepMatrix\" line 1: expected \"BEGIN ASSUMPTIONS;\", found "
              "\"USERTYPE\"\n");
    EXPECT_EQ(failureOf(edited("Region#4 STEPMATRIX", "Region#7 STEPMATRIX")),
              "vornax-export: \"StepMatrix\" line 27: expected a region header "
              "\"\\tUSERTYPE Region#4 STEPMATRIX = K\", found \"\\tUSERTYPE Region#7 "
              "STEPMATRIX = 3\"\n");
    EXPECT_EQ(failureOf(edited("STEPMATRIX = 2\n\t[0 = AC]", "STEPMATRIX = 2\n\t[1 = AC]")),
              "vornax-export: \"StepMatrix\" line 4: expected the line of state 0 \"\\t[0 = "
              "...]\", found \"\\t[1 = AC]\"\n");
    EXPECT_EQ(failureOf(edited("\t  [1]   3.00     .\n", "\t  [1]   3.00\n")),
              "vornax-export: \"StepMatrix\" line 9: expected the step-matrix row of state 1 "
              "\"\\t  [1] ...\" with 2 costs, found \"\\t  [1]   3.00\"\n");
    EXPECT_EQ(failureOf(edited("Region#2 has more", "Region#2 has many more")),
              "vornax-export: \"StepMatrix\" line 15: expected \"\\t [ Region#2 has more than "
              "96 states ] \", found \"\\t [ Region#2 has many more than 96 states ] \"\n");
    EXPECT_EQ(failureOf(edited("alpha        \t1[-]?1?", "alpha        \t1[-]?1")),
              "vornax-export: \"StepMatrix\" line 55: expected a taxon row: the name, blanks, a "
              "tab and 5 cells, found \"alpha        \\t1[-]?1\"\n");
    EXPECT_EQ(failureOf(text + "[ \tambiguous region ]\n[ \t ]\n"),
              "vornax-export: \"StepMatrix\" line 58: expected a taxon row: the name, blanks, a "
              "tab and 5 cells (this is a second coded data matrix, which a run of vornax on a "
              "data file without regions appended), found \"[ \\tambiguous region ]\"\n");
    EXPECT_EQ(failureOf(std::string("BEGIN ASSUMPTIONS;\n\xA5\n")),
              "vornax-export: \"StepMatrix\" line 2: expected a region (\"\\tUSERTYPE Region#N "
              "...\" or \"\\t [ Region#N has more than 96 states ] \") or the coded data matrix "
              "(\"[ ...\\tambiguous region ]\"), found \"\\xA5\"\n");
}

TEST(StepMatrixFile, RefusesEveryFileCutBeforeItsCodedMatrix) {
    // A run stopped from outside leaves the regions finished so far and no coded matrix.
    const std::string text = fixture();
    const std::size_t matrix = text.find("[            \tambiguous region ]");
    for (std::size_t end = 0; end <= matrix; end = text.find('\n', end) + 1) {
        SCOPED_TRACE(end);
        const std::string message = failureOf(text.substr(0, end));
        EXPECT_TRUE(message.starts_with("vornax-export: \"StepMatrix\" ")) << message;
        if (end == matrix) {
            EXPECT_NE(message.find("did vornax stop before it finished?"), std::string::npos);
        }
    }
}

}  // namespace
