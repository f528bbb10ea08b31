// vornax stopped from outside in the middle of a run leaves both files complete up to the
// last finished region.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "bench/datagen.h"
#include "support/run_program.h"

namespace {

// Returns the number of whole regions at the start of `stepMatrix`, or -1 when it ends
// inside one: every coded region ends with its two terminator lines.
int wholeRegions(const std::string& stepMatrix) {
    if (stepMatrix.empty()) return 0;
    int regions = 0;
    for (size_t at = stepMatrix.find(";\n\n;\n\n"); at != std::string::npos;
         at = stepMatrix.find(";\n\n;\n\n", at + 1))
        ++regions;
    const bool endsWhole =
        stepMatrix == "BEGIN ASSUMPTIONS;\n" ||
        (stepMatrix.size() >= 6 && stepMatrix.compare(stepMatrix.size() - 6, 6, ";\n\n;\n\n") == 0);
    return endsWhole ? regions : -1;
}

TEST(Interruption, SigtermLeavesWholeRegionsInBothFiles) {
    // Twenty-five regions of many long states: a few seconds of work.
    const std::string data = generateDataFile(DataShape{80, 25, 60, 101, 50, 9});
    ScratchDir full;
    full.write("data.txt", data);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runProgram(VORNAX_PATH, full.path(), "data.txt\n1\n1\n1\n").exitStatus, 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const std::string fullStepMatrix = full.read("StepMatrix");
    const std::string fullAlignments = full.read("Alignments");

    // Stopped after its first regions, at several moments of a run as long as that one.
    int interrupted = 0;
    for (auto wait : {took / 5, took / 2, took * 4 / 5}) {
        ScratchDir dir;
        dir.write("data.txt", data);
        RunningProgram run(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        run.signal(SIGTERM);
        const RunResult r = run.wait();
        if (r.exitStatus == 0) continue;  // a fast machine finished first
        EXPECT_EQ(r.signal, SIGTERM);
        ++interrupted;
        const std::string stepMatrix = dir.read("StepMatrix");
        const std::string alignments = dir.read("Alignments");
        const int regions = wholeRegions(stepMatrix);
        ASSERT_GE(regions, 0) << "StepMatrix ends inside a region after " << wait.count()
                              << " ms";
        // Both files are the start of the complete run's files, and Alignments holds the
        // same regions: it ends right before the next region's heading.
        EXPECT_EQ(fullStepMatrix.compare(0, stepMatrix.size(), stepMatrix), 0);
        EXPECT_EQ(fullAlignments.compare(0, alignments.size(), alignments), 0);
        const std::string next = "\nRegion #" + std::to_string(regions + 1) + "\n";
        EXPECT_EQ(fullAlignments.compare(alignments.size(), next.size(), next), 0)
            << "Alignments ends inside region " << regions + 1;
        EXPECT_EQ(alignments.find("\nRegion #" + std::to_string(regions + 1) + "\n"),
                  std::string::npos);
    }
    EXPECT_GT(interrupted, 0);
}

}  // namespace
