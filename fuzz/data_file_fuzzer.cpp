// Fuzz target: arbitrary bytes as a vornax data file, with weights and a thread count chosen by
// the bytes. Every file that vornax accepts must give output with all the properties of
// findOutputFault, quillet's clean check included, and the same bytes on one thread as on
// several.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/output_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    uint64_t hash = 14695981039346656037u;  // FNV-1a of the bytes
    for (const uint8_t byte : text) hash = (hash ^ byte) * 1099511628211u;
    static const UserWeights kWeights[] = {{1, 1, 1}, {1, 2, 1}, {2.5, 0.5, 4}, {0, 1, -1}};
    const UserWeights& weights = kWeights[hash % 4];
    const int threads = 2 + int(hash / 4 % 3);

    const BuilderOutput output = buildInMemory(text, weights, 1);
    const BuilderOutput shared = buildInMemory(text, weights, threads);
    std::string fault = findOutputFault(text, output, weights);
    if (shared.stepMatrix != output.stepMatrix || shared.alignments != output.alignments)
        fault = std::to_string(threads) + " threads write other bytes than one";
    if (!fault.empty()) {
        std::fprintf(stderr, "output fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
