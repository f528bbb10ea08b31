// Properties of vornax's output on seeded generated data sets: every record spells its
// states, symmetric and positive step matrices, a full coded data matrix, and quillet's
// clean check.
#include "support/output_properties.h"

#include <gtest/gtest.h>

#include <random>

#include "bench/datagen.h"

namespace {

TEST(OutputProperties, HoldOnGeneratedDataSets) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        // Shapes from a few short regions to long regions with many states.
        const DataShape shape{int(5 + seed * 3),
                              int(1 + seed % 6),
                              int(1 + seed % 4),
                              int(10 + seed * 7),
                              int(seed % 3 == 0 ? 0 : 2 + seed * 2),
                              seed};
        const std::string data = generateDataFile(shape);
        const BuilderOutput output = buildInMemory(data, UserWeights{}, 2);
        ASSERT_TRUE(output.accepted) << output.refusal;
        EXPECT_EQ(findOutputFault(data, output, UserWeights{}), "") << "seed " << seed;
    }
}

TEST(OutputProperties, HoldWithOtherWeightsAndDataCodes) {
    std::string data = generateDataFile(DataShape{20, 4, 5, 30, 8, 77});
    // The same data with ':' for missing data and 'N' for unknown data (line 2 keeps its
    // ranges).
    const size_t taxa = data.find('\n', data.find('\n') + 1);
    for (size_t i = taxa; i < data.size(); ++i) {
        if (data[i] == '-') data[i] = ':';
        if (data[i] == '?') data[i] = 'N';
    }
    data.replace(data.find(" - ?"), 4, " : N");
    const UserWeights weights{2.5, 0.5, 4};
    const BuilderOutput output = buildInMemory(data, weights);
    ASSERT_TRUE(output.accepted) << output.refusal;
    EXPECT_GT(output.alignments.size(), 2000u);
    EXPECT_EQ(findOutputFault(data, output, weights), "");
}

TEST(OutputProperties, CatchADamagedRow) {
    const std::string data = generateDataFile(DataShape{10, 2, 8, 12, 4, 5});
    BuilderOutput output = buildInMemory(data, UserWeights{});
    const size_t row = output.alignments.find("*0\t") + 3;
    output.alignments[row] = output.alignments[row] == 'A' ? 'C' : 'A';
    EXPECT_NE(findOutputFault(data, output, UserWeights{}), "");
    const CheckerOutput check = checkInMemory(output.stepMatrix, output.alignments);
    EXPECT_EQ(check.errors, 1);
    EXPECT_TRUE(check.complete);
}

}  // namespace
