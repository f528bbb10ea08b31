// The choice of a kernel set: what this build and processor support, and the environment
// variable that forces one for tests and benchmarks.
#include "engine/kernel_sets.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

#define DECLARE_SEARCH_STAGES(set)              \
    namespace set {                             \
    void compareUngapped(PairWorkspace& ws);    \
    void searchAlignment(PairWorkspace& ws);    \
    }
DECLARE_SEARCH_STAGES(portable)
#if defined(VORNAX_HAVE_X86_KERNELS)
DECLARE_SEARCH_STAGES(avx2)
DECLARE_SEARCH_STAGES(avx512)
#endif

const char* kernelSetName(KernelSet set) {
    switch (set) {
        case KernelSet::avx512:
            return "avx512";
        case KernelSet::avx2:
            return "avx2";
        case KernelSet::portable:
            break;
    }
    return "portable";
}

bool kernelSetSupported(KernelSet set) {
#if defined(VORNAX_HAVE_X86_KERNELS)
    __builtin_cpu_init();
    switch (set) {
        case KernelSet::avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("popcnt") &&
                   __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
        case KernelSet::avx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                   __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
        case KernelSet::portable:
            break;
    }
#endif
    return set == KernelSet::portable;
}

KernelSet defaultKernelSet() {
    const char* forced = std::getenv("VORNAX_KERNELS");
    if (forced == nullptr || *forced == '\0') {
        for (KernelSet set : kKernelSets)
            if (kernelSetSupported(set)) return set;
    }
    for (KernelSet set : kKernelSets) {
        if (std::string(forced) != kernelSetName(set)) continue;
        if (kernelSetSupported(set)) return set;
        throw std::invalid_argument("VORNAX_KERNELS is \"" + std::string(forced) +
                                    "\": this processor cannot run that kernel set");
    }
    throw std::invalid_argument("VORNAX_KERNELS is \"" + std::string(forced) +
                                "\", which is not a kernel set (avx512, avx2 or portable)");
}

const SearchStages& searchStages(KernelSet set) {
    static constexpr SearchStages portableStages{portable::compareUngapped,
                                                 portable::searchAlignment};
#if defined(VORNAX_HAVE_X86_KERNELS)
    static constexpr SearchStages avx2Stages{avx2::compareUngapped, avx2::searchAlignment};
    static constexpr SearchStages avx512Stages{avx512::compareUngapped, avx512::searchAlignment};
    if (set == KernelSet::avx512) return avx512Stages;
    if (set == KernelSet::avx2) return avx2Stages;
#endif
    (void)set;
    return portableStages;
}
