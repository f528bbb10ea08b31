// The pair engine against pairs aligned by an independent implementation, stage by stage:
// the forward search, its tidy-up, the reverse pass, the void rule and the final scores.
// pairs.tsv holds 2,500 pairs; rare_pairs.tsv 1,469 pairs that take the rare paths (void
// candidates, repeated choices, tidy-up steps that had to end, the plain fallback, zero and
// negative weights, equal lengths, one-letter states). Doubles are compared through "%.17g",
// so they must agree to the last bit. Every kernel set that the processor can run aligns them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

std::string exact(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.push_back("");
    return fields;
}

const char* choiceName(PairChoice c) {
    switch (c) {
        case PairChoice::forward:
            return "forward";
        case PairChoice::reverse:
            return "reverse";
        case PairChoice::plain:
            return "plain";
    }
    return "?";
}

// Aligns every pair of vector file `name` with kernel set `set` and compares each stage;
// returns the pairs read.
int expectVectorsMatch(const std::string& name, KernelSet set) {
    std::ifstream in(std::string(TEST_DATA_DIR) + "/engine/" + name);
    EXPECT_TRUE(in) << name << " is missing";
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> names = splitTabs(line);
    std::map<std::string, size_t> column;
    for (size_t i = 0; i < names.size(); ++i) column[names[i]] = i;

    std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)> ws(newPairWorkspace(set),
                                                                deletePairWorkspace);
    std::map<std::string, int> failures;  // by column
    int pairs = 0;
    int voided = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = splitTabs(line);
        if (f.size() != names.size()) {
            ADD_FAILURE() << name << ": " << line;
            break;
        }
        auto get = [&](const char* name) { return f[column.at(name)]; };
        UserWeights weights{std::stod(get("wTransition")), std::stod(get("wTransversion")),
                            std::stod(get("wInsertion"))};
        PairTrace t;
        const PairResult r =
            alignPair(get("state0"), get("state1"), get("gap")[0], CostModel{}, weights, *ws, &t);
        ++pairs;
        if (t.forwardVoid || t.reverseVoid) ++voided;
        const std::map<std::string, std::string> mine = {
            {"fsearch.rowS", t.searchShorter},
            {"fsearch.rowL", t.searchLonger},
            {"fsearch.sxy", exact(t.searchSxy)},
            {"fsearch.oxy", exact(t.searchOxy)},
            {"fsearch.alignedLength", exact(t.searchAlignedLength)},
            {"forward.rowS", t.forwardShorter},
            {"forward.rowL", t.forwardLonger},
            {"forward.length", exact(t.forwardLength)},
            {"forwardOxy", exact(t.forwardOxy)},
            {"reverseGapped", std::to_string(t.reverseGapped)},
            {"reverse.rowS", t.reverseShorter},
            {"reverse.rowL", t.reverseLonger},
            {"reverse.alignedLength", exact(t.reverseAlignedLength)},
            {"reverse.oxy", exact(t.reverseOxy)},
            {"plainOxy", exact(t.plainOxy)},
            {"plainLength", exact(t.plainLength)},
            {"forward.void", t.forwardVoid ? "1" : "0"},
            {"reverse.void", t.reverseVoid ? "1" : "0"},
            {"rounds", std::to_string(t.rounds)},
            {"choice", choiceName(t.choice)},
            {"final.rowS", std::string(r.shorterRow)},
            {"final.rowL", std::string(r.longerRow)},
            {"alignedLength", exact(double(r.shorterRow.size()))},
            {"sxy", exact(r.scores.sxy)},
            {"cxy", std::to_string(r.scores.cxy)},
            {"oxy", exact(r.scores.oxy)},
            {"userCxy", exact(r.scores.userCxy)},
            {"userOxy", exact(r.scores.userOxy)},
            {"tidyEnded", std::string(1, t.tidyEnded)},
        };
        for (const auto& [field, value] : mine) {
            // pairs.tsv has no tidyEnded column.
            if ((field == "tidyEnded" && !column.contains(field)) || value == get(field.c_str()))
                continue;
            if (failures[field]++ < 3)
                ADD_FAILURE() << "pair " << get("state0") << " / " << get("state1") << ": "
                              << field << " is " << value << ", expected " << get(field.c_str());
        }
    }
    for (const auto& [field, count] : failures) ADD_FAILURE() << field << ": " << count << " pairs";
    std::printf("%s, %s kernels: %d pairs, %d with a void candidate\n", name.c_str(),
                kernelSetName(set), pairs, voided);
    return pairs;
}

// The kernel sets that this processor can run.
std::vector<KernelSet> supportedSets() {
    std::vector<KernelSet> sets;
    for (KernelSet set : kKernelSets)
        if (kernelSetSupported(set)) sets.push_back(set);
    return sets;
}

TEST(EngineVectors, EveryStageOfEveryPairMatches) {
    for (KernelSet set : supportedSets()) EXPECT_EQ(expectVectorsMatch("pairs.tsv", set), 2500);
}

TEST(EngineVectors, EveryStageOfEveryRarePairMatches) {
    for (KernelSet set : supportedSets())
        EXPECT_EQ(expectVectorsMatch("rare_pairs.tsv", set), 1469);
}

// VORNAX_KERNELS chooses the set that new workspaces run; without it, the fastest one.
TEST(KernelSets, TheEnvironmentForcesASetAndRefusesOthers) {
    const std::vector<KernelSet> sets = supportedSets();
    unsetenv("VORNAX_KERNELS");
    EXPECT_EQ(defaultKernelSet(), sets.front());
    for (KernelSet set : sets) {
        setenv("VORNAX_KERNELS", kernelSetName(set), 1);
        EXPECT_EQ(defaultKernelSet(), set);
    }
    setenv("VORNAX_KERNELS", "fastest", 1);
    EXPECT_THROW(defaultKernelSet(), std::invalid_argument);
    unsetenv("VORNAX_KERNELS");
    EXPECT_TRUE(kernelSetSupported(KernelSet::portable));
}

}  // namespace
