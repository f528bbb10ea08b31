// Fuzz target: arbitrary bytes as a vornax data file. Every file that vornax accepts must
// give output with all the properties of findOutputFault, quillet's clean check included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/output_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    const UserWeights weights;
    const BuilderOutput output = buildInMemory(text, weights, 1);
    const std::string fault = findOutputFault(text, output, weights);
    if (!fault.empty()) {
        std::fprintf(stderr, "output fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
