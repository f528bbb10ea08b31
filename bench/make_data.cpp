// make_data: writes a generated data file to standard output.
// Usage: make_data real|limit [seed]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/datagen.h"

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "real") != 0 && std::strcmp(argv[1], "limit") != 0)) {
        std::fprintf(stderr, "usage: make_data real|limit [seed]\n");
        return 2;
    }
    const unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : 1;
    const DataShape shape = std::strcmp(argv[1], "real") == 0 ? realShape(seed) : limitShape(seed);
    const std::string text = generateDataFile(shape);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
