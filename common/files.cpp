#include "common/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/console.h"
#include "common/run_error.h"

namespace {

// Writes `text` to `file`, flushes and closes it; returns whether all of it got there, with
// errno telling why not.
bool writeAndClose(std::FILE* file, const std::string& text) {
    errno = 0;
    bool written =
        std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    const int error = errno;
    written = std::fclose(file) == 0 && written;
    if (error != 0) errno = error;
    return written;
}

}  // namespace

std::string readWholeFile(const char* program, const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        failFile(program, "cannot read", path, EISDIR);
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) failFile(program, "cannot read", path, errno);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) failFile(program, "cannot read", path, errno);
    return text;
}

void writeWholeFile(const char* program, const std::string& path, const std::string& text) {
    if (path.empty()) {
        writeStandardOutput(program, text);
        return;
    }
    std::error_code ignored;
    const auto status = std::filesystem::symlink_status(path, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        errno = 0;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || !writeAndClose(file, text))
            failFile(program, "cannot write", path, errno);
        return;
    }
    std::string temporary = path + ".XXXXXX";
    errno = 0;
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) failFile(program, "cannot write", path, errno);
    // Give the file the permissions that a newly created one would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) close(descriptor);
    if (file == nullptr || !writeAndClose(file, text) ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        failFile(program, "cannot write", path, error);
    }
}
