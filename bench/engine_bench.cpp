// The pair engine's speed by state length and kernel set, in pairs per second, on the pairs
// of 96 related states (a set that this processor cannot run is skipped). To compare with an
// earlier engine, use bench/run_bench.sh --against REV.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

// 96 mutated copies of one random sequence of `length` letters.
std::vector<std::string> relatedStates(int length) {
    std::mt19937 rng{unsigned(length)};
    std::uniform_int_distribution<int> letter(0, 3), change(0, 9);
    std::string origin(size_t(length), ' ');
    for (char& c : origin) c = "ACGT"[letter(rng)];
    std::vector<std::string> states;
    while (states.size() < 96) {
        std::string s;
        for (char c : origin) {
            const int m = change(rng);
            if (m == 0) continue;
            s += m == 1 ? "ACGT"[letter(rng)] : c;
            if (m == 2) s += "ACGT"[letter(rng)];
        }
        if (s.size() > 101) s.resize(101);
        if (!s.empty()) states.push_back(s);
    }
    return states;
}

// Aligns the pairs of 96 related states of the benchmark's length with its kernel set, one
// pair per iteration.
void Engine(benchmark::State& state) {
    const KernelSet set = KernelSet(state.range(1));
    if (!kernelSetSupported(set)) {
        state.SkipWithError("this processor cannot run the kernel set");
        return;
    }
    state.SetLabel(kernelSetName(set));
    const std::vector<std::string> states = relatedStates(int(state.range(0)));
    PairWorkspace* workspace = newPairWorkspace(set);
    size_t i = 0, j = 1;
    for (auto _ : state) {
        const PairResult r =
            alignPair(states[i], states[j], '-', CostModel{}, UserWeights{}, *workspace);
        benchmark::DoNotOptimize(r.scores.userCxy);
        if (++j == states.size()) j = ++i + 1;
        if (i + 1 >= states.size()) i = 0, j = 1;
    }
    state.SetItemsProcessed(state.iterations());
    deletePairWorkspace(workspace);
}

}  // namespace

BENCHMARK(Engine)->ArgsProduct({{10, 25, 50, 75, 100},
                                 {int(KernelSet::portable), int(KernelSet::avx2),
                                  int(KernelSet::avx512)}});
BENCHMARK_MAIN();
