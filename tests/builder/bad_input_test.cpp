// What vornax and quillet do with the wrong input: each case of the README's table that the
// other end-to-end tests do not already run.
#include <gtest/gtest.h>

#include <string>

#include "bench/datagen.h"
#include "support/run_program.h"

namespace {

const std::string kAnswers = "data.txt\n1\n1\n1\n";

// Runs vornax in `dir` on `data` with the default weights.
RunResult runVornax(const ScratchDir& dir, const std::string& data) {
    dir.write("data.txt", data);
    return runProgram(VORNAX_PATH, dir.path(), kAnswers);
}

TEST(BadInput, AnEmptyFileOrAHeaderWithoutNumbersCodesNothing) {
    // The counts stay 0: no region, no taxon. Alignments is emptied and an empty coded data
    // matrix is appended to StepMatrix, as for any data file without regions.
    for (const std::string data : {"", "taxa sites regions - ?\n1-5\nab ACGTA\n"}) {
        ScratchDir dir;
        dir.write("StepMatrix", "earlier\n");
        dir.write("Alignments", "earlier\n");
        const RunResult r = runVornax(dir, data);
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        EXPECT_EQ(dir.read("Alignments"), "");
        EXPECT_EQ(dir.read("StepMatrix"), "earlier\n[ \tambiguous region ]\n[ \t ]\n");
    }
}

TEST(BadInput, LettersInTheRegionLineCountAsDigits) {
    // "x-yz" reads as sites 72 to 804 (x, y and z are 72, 73 and 74 above "0"): too long.
    ScratchDir dir;
    dir.write("StepMatrix", "earlier\n");
    const RunResult r = runVornax(dir, "2 10 2 - ?\n1-5 x-yz\nab ACGTACGTAC\ncd ACGTTCGTAC\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.out.find("Memory error - ambiguous region 2 is too large\a\a\n"),
              std::string::npos);
    EXPECT_EQ(dir.read("StepMatrix"), "earlier\n");
    EXPECT_FALSE(dir.exists("Alignments"));
}

TEST(BadInput, AMegabyteLineIsReadWhole) {
    const std::string tail(1000000, 'A');
    ScratchDir dir;
    const RunResult r = runVornax(
        dir, "2 1000004 1 - ?\n1000001-1000004\nab " + tail + "ACGT\ncd " + tail + "AGGT\n");
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(dir.read("StepMatrix").find("\t[0 = ACGT]\n\t[1 = AGGT]\n"), std::string::npos);
}

TEST(BadInput, ANameWithABlankEndsAtTheBlank) {
    // "Homo sapiens": the name is Homo, and the sequence begins with "sapiens" (its a made
    // upper case, as every a, c, g and t of a sequence).
    ScratchDir dir;
    const RunResult r = runVornax(dir, "2 8 1 - ?\n1-4\nHomo sapiens ACGT\nPan ACGTACGT\n");
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    const std::string stepMatrix = dir.read("StepMatrix");
    EXPECT_NE(stepMatrix.find("\t[0 = ACGT]\n\t[1 = sApi]\n"), std::string::npos);
    EXPECT_NE(stepMatrix.find("Homo \t1\nPan  \t0\n"), std::string::npos);
}

TEST(BadInput, ARegionBeyondTheEndOfEverySequenceHasOneEmptyState) {
    ScratchDir dir;
    const RunResult r = runVornax(dir, "2 8 1 - ?\n500-510\nab ACGT\ncd AGGT\n");
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(dir.read("StepMatrix"),
              "BEGIN ASSUMPTIONS;\n\n\tUSERTYPE Region#1 STEPMATRIX = 1\n\t[0 = ]\n\n\t      "
              "    0 \n\t  [0]      .\n;\n\n;\n\n[  \tambiguous region ]\n[  \t1 ]\n"
              "ab \t?\ncd \t?\n");
}

TEST(BadInput, AStepMatrixFromAnotherDataSet) {
    // Both data sets have two regions; the states differ, so quillet reports every row
    // whose sequence is not the one listed, and the check still runs to its end.
    ScratchDir one, other;
    ASSERT_EQ(runVornax(one, generateDataFile(DataShape{8, 2, 6, 9, 3, 1})).exitStatus, 0);
    ASSERT_EQ(runVornax(other, generateDataFile(DataShape{8, 2, 6, 9, 3, 2})).exitStatus, 0);
    one.write("StepMatrix", other.read("StepMatrix"));
    const RunResult r = runProgram(QUILLET_PATH, one.path(), "");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.out.find("\nError # 1\n"), std::string::npos);
    EXPECT_EQ(r.out.find("total number of errors: 0\n"), std::string::npos);
}

}  // namespace
