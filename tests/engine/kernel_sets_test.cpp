// Every kernel set aligns every pair as the portable set does, stage by stage: random pairs
// of related states of every length up to the engine's limit, so that the vector sets'
// shortcuts (the candidate filter and its counts, the block counts of the tidy-up) meet short
// and long rows, rows longer than their counts cover, few and many letters, and cost models
// with whole and with fractional prices.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "engine/engine.h"

namespace {

using Workspace = std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)>;

// Returns a copy of `state` with random substitutions, insertions and deletions, at most
// `longest` letters long and at least one.
std::string mutated(const std::string& state, const std::string& letters, double rate,
                    size_t longest, std::mt19937& random) {
    std::uniform_real_distribution<double> chance(0, 1);
    std::uniform_int_distribution<size_t> letter(0, letters.size() - 1);
    std::string out;
    for (char c : state) {
        const double roll = chance(random);
        if (roll < rate / 3) continue;                                    // deletion
        if (roll < 2 * rate / 3) out += letters[letter(random)];          // insertion
        out += roll < rate ? letters[letter(random)] : c;                 // substitution
    }
    if (out.size() > longest) out.resize(longest);
    if (out.empty()) out = letters.substr(0, 1);
    return out;
}

TEST(KernelSets, EverySetAlignsRandomPairsAsThePortableSet) {
    Workspace portable(newPairWorkspace(KernelSet::portable), deletePairWorkspace);
    std::mt19937 random(2024);
    const CostModel models[] = {CostModel{}, CostModel{1.5, 2.25, 4}};
    const UserWeights weights{1, 2, 1};
    int compared = 0;
    for (KernelSet set : kKernelSets) {
        if (set == KernelSet::portable || !kernelSetSupported(set)) continue;
        Workspace workspace(newPairWorkspace(set), deletePairWorkspace);
        for (int i = 0; i < 600; ++i) {
            const std::string letters = i % 3 == 0 ? "AC" : i % 3 == 1 ? "ACGT" : "ACGTRYN";
            std::uniform_int_distribution<size_t> length(1, kMaxStateLength);
            std::uniform_int_distribution<size_t> letter(0, letters.size() - 1);
            std::string first(length(random), ' ');
            for (char& c : first) c = letters[letter(random)];
            const std::string second =
                mutated(first, letters, 0.05 + 0.1 * (i % 4), kMaxStateLength, random);
            const CostModel& model = models[i % 2];
            PairTrace expected, got;
            const PairResult a = alignPair(first, second, '-', model, weights, *portable, &expected);
            const std::string aShorter(a.shorterRow), aLonger(a.longerRow);
            const PairResult b = alignPair(first, second, '-', model, weights, *workspace, &got);
            SCOPED_TRACE(std::string(kernelSetName(set)) + " pair " + std::to_string(i) + ": " +
                         first + " / " + second);
            ASSERT_EQ(got.searchShorter, expected.searchShorter);
            ASSERT_EQ(got.searchLonger, expected.searchLonger);
            ASSERT_EQ(got.searchOxy, expected.searchOxy);
            ASSERT_EQ(got.forwardOxy, expected.forwardOxy);
            ASSERT_EQ(got.reverseShorter, expected.reverseShorter);
            ASSERT_EQ(got.reverseLonger, expected.reverseLonger);
            ASSERT_EQ(got.reverseOxy, expected.reverseOxy);
            ASSERT_EQ(b.shorterRow, aShorter);
            ASSERT_EQ(b.longerRow, aLonger);
            ASSERT_EQ(b.scores.sxy, a.scores.sxy);
            ASSERT_EQ(b.scores.oxy, a.scores.oxy);
            ASSERT_EQ(b.scores.userCxy, a.scores.userCxy);
            ++compared;
        }
    }
    if (compared == 0) GTEST_SKIP() << "this processor runs only the portable set";
}

}  // namespace
