#include "common/console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/run_error.h"

bool hasOption(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) return true;
    }
    return false;
}

void writeStandardOutput(const char* program, const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        failFile(program, "cannot write", "standard output", errno);
    }
}
