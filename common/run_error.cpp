#include "common/run_error.h"

#include <cstdio>
#include <cstring>
#include <new>

void failFile(const char* program, const char* what, const std::string& path, int errnum) {
    std::string message = std::string(program) + ": " + what + " \"" + path + "\"";
    if (errnum != 0) message += std::string(": ") + std::strerror(errnum);
    message += "\n";
    throw RunError(message);
}

void failInput(const char* program, const std::string& path, const std::string& reason) {
    std::string message = program;  // appended piece by piece: GCC 12 warns on a + chain here
    message += ": \"" + path + "\": " + reason + "\n";
    throw RunError(message);
}

int reportRunError(const RunError& error) {
    std::fflush(stdout);
    std::FILE* stream = error.stream() == Stream::out ? stdout : stderr;
    std::fwrite(error.what(), 1, std::strlen(error.what()), stream);
    std::fflush(stream);
    return error.exitStatus();
}

int reportException(const char* program, const std::exception& error) {
    const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
    return reportRunError(
        RunError(std::string(program) + ": " + (memory ? "out of memory" : error.what()) + "\n"));
}
