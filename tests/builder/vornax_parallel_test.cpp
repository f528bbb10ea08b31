// vornax on every processor writes the same bytes as vornax held to one processor.
#include <gtest/gtest.h>
#include <unistd.h>

#include "bench/datagen.h"
#include "support/run_program.h"

namespace {

TEST(VornaxParallel, AllProcessorsAndOneProcessorWriteTheSameBytes) {
    if (access("/usr/bin/taskset", X_OK) != 0) GTEST_SKIP() << "taskset is not installed";
    // Regions of many long states, so that rows finish out of order on several threads.
    const std::string data = generateDataFile(DataShape{70, 4, 60, 101, 40, 3});
    ScratchDir all, one;
    all.write("data.txt", data);
    one.write("data.txt", data);
    const std::string dialogue = "data.txt\n1.5\n2\n0.5\n";
    const RunResult parallel = runProgram(VORNAX_PATH, all.path(), dialogue);
    const RunResult single =
        runProgram("/usr/bin/taskset", one.path(), dialogue, {"-c", "0", VORNAX_PATH});
    ASSERT_EQ(parallel.exitStatus, 0) << parallel.err;
    ASSERT_EQ(single.exitStatus, 0) << single.err;
    EXPECT_EQ(parallel.out, single.out);
    EXPECT_EQ(all.read("StepMatrix"), one.read("StepMatrix"));
    EXPECT_EQ(all.read("Alignments"), one.read("Alignments"));
    EXPECT_GT(all.read("Alignments").size(), 100000u);
    // The checker finds nothing wrong in either.
    const RunResult check = runProgram(QUILLET_PATH, all.path(), "x\n");
    EXPECT_EQ(check.exitStatus, 0);
    EXPECT_NE(check.out.find("total number of errors: 0\n"), std::string::npos);
}

}  // namespace
