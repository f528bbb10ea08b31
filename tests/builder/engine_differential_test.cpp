// The optimised pair engine against the literal one it replaced, on 100,000 seeded random
// pairs of 1 to 101 letters: every stage and every final byte and bit must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "bench/baseline/baseline_engine.h"
#include "builder/engine.h"

namespace {

bool sameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string describe(const PairTrace& t, const PairResult& r) {
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  "%a %a %a | %a %a | %d %a %a | %a %a | %d%d%d%d | %a %d %a %a %a", t.searchSxy,
                  t.searchOxy, t.searchAlignedLength, t.forwardLength, t.forwardOxy,
                  t.reverseGapped, t.reverseAlignedLength, t.reverseOxy, t.plainOxy, t.plainLength,
                  t.forwardVoid, t.reverseVoid, t.rounds, int(t.choice), r.scores.sxy, r.scores.cxy,
                  r.scores.oxy, r.scores.userCxy, r.scores.userOxy);
    std::string text;
    for (const std::string_view row :
         {std::string_view(t.searchShorter), std::string_view(t.searchLonger),
          std::string_view(t.forwardShorter), std::string_view(t.forwardLonger),
          std::string_view(t.reverseShorter), std::string_view(t.reverseLonger), r.shorterRow,
          r.longerRow}) {
        text.append(row);
        text += ' ';
    }
    text += numbers;
    text += r.firstIsShorter ? " first" : " second";
    return text;
}

TEST(EngineDifferential, OptimisedEngineMatchesTheLiteralOneOnRandomPairs) {
    std::unique_ptr<PairWorkspace, void (*)(PairWorkspace*)> fast(newPairWorkspace(),
                                                                  deletePairWorkspace);
    std::unique_ptr<baseline::Workspace, void (*)(baseline::Workspace*)> literal(
        baseline::newWorkspace(), baseline::deleteWorkspace);
    std::mt19937 rng(101);
    std::uniform_int_distribution<int> length(1, 101);
    std::uniform_int_distribution<int> letter(0, 3);
    std::uniform_int_distribution<int> mutation(0, 9);
    const UserWeights weights{1.5, 0.5, 2.25};
    int compared = 0;
    for (int n = 0; compared < 100000; ++n) {
        std::string a(size_t(length(rng)), ' ');
        for (char& c : a) c = "ACGT"[letter(rng)];
        // Every other pair is a mutated copy, as the states of one region usually are.
        std::string b;
        if (n % 2 == 0) {
            for (char c : a) {
                const int m = mutation(rng);
                if (m == 0) continue;
                b += m == 1 ? "ACGT"[letter(rng)] : c;
                if (m == 2) b += "ACGT"[letter(rng)];
            }
            if (b.empty() || b.size() > 101) b.assign(1, 'T');
        } else {
            b.assign(size_t(length(rng)), ' ');
            for (char& c : b) c = "ACGT"[letter(rng)];
        }
        if (a == b) continue;
        if (b < a) std::swap(a, b);
        PairTrace t1, t2;
        const PairResult r1 = alignPair(a, b, '-', CostModel{}, weights, *fast, &t1);
        const std::string d1 = describe(t1, r1);
        const PairResult r2 = baseline::alignPair(a, b, '-', CostModel{}, weights, *literal, &t2);
        const std::string d2 = describe(t2, r2);
        ASSERT_EQ(d1, d2) << a << " / " << b;
        ASSERT_TRUE(sameDouble(r1.scores.userOxy, r2.scores.userOxy));
        ++compared;
    }
}

}  // namespace
