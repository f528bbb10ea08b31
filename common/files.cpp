#include "common/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

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
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) failFile(program, "cannot read", path, errno);
    if (!lockFile(descriptor, false)) {
        close(descriptor);
        failInUse(program, {path});
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, size_t(got));
        } else if (got == 0 || errno != EINTR) {
            const int error = errno;
            close(descriptor);
            if (got < 0) failFile(program, "cannot read", path, error);
            return text;
        }
    }
}

void writeWholeFile(const char* program, const std::string& path, const std::string& text) {
    if (path.empty()) {
        writeStandardOutput(program, text);
        return;
    }
    struct stat older;
    const bool exists = lstat(path.c_str(), &older) == 0;
    if (exists && !S_ISREG(older.st_mode)) {
        errno = 0;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || !writeAndClose(file, text))
            failFile(program, "cannot write", path, errno);
        return;
    }
    // The rename would replace a file that may not be written: refuse it as writing would.
    if (exists && access(path.c_str(), W_OK) != 0) failFile(program, "cannot write", path, errno);
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        const std::string directory = std::filesystem::path(path).parent_path().string();
        failFile(program, ("cannot make a file for \"" + path + "\" in the directory").c_str(),
                 directory.empty() ? "." : directory, error);
    }
    // The older file's owner and permissions, or those that a newly created file would have.
    if (exists) {
        if (fchown(descriptor, older.st_uid, older.st_gid) != 0) {
            // Only the owner's own groups may be given: the user's group stays then.
        }
        fchmod(descriptor, older.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
    }
    std::FILE* file = fdopen(descriptor, "wb");
    if (file == nullptr) close(descriptor);
    if (file == nullptr || !writeAndClose(file, text) ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        failFile(program, "cannot write", path, error);
    }
}

void refuseToOverwriteInput(const char* program, const std::string& output,
                            const std::vector<std::string>& inputs) {
    if (output.empty()) return;
    for (const std::string& input : inputs) {
        std::error_code missing;
        if (input.empty() || !std::filesystem::equivalent(output, input, missing)) continue;
        throw RunError(std::string(program) + ": will not write \"" + output +
                       "\": it is the input file \"" + input + "\", which writing would destroy\n");
    }
}

int openForWriting(const std::string& path, bool& created) {
    created = false;
    const int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor >= 0 || errno != ENOENT) return descriptor;
    const int made = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created = made >= 0;
    // EEXIST: made meanwhile, or a link to a missing file, which is made as fopen would.
    return made >= 0 || errno != EEXIST ? made
                                        : open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

bool emptyFile(int descriptor) {
    struct stat status;
    return fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
           ftruncate(descriptor, 0) == 0;
}

bool lockFile(int descriptor, bool exclusive) {
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return true;
    while (flock(descriptor, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return false;
        if (errno != EINTR) return true;  // a file system without locks: none to respect
    }
    return true;
}

std::string quotedNames(const std::vector<std::string>& paths) {
    std::string names;
    for (size_t i = 0; i < paths.size(); ++i) {
        names += i == 0 ? "\"" : i + 1 == paths.size() ? " and \"" : ", \"";
        names += paths[i] + "\"";
    }
    return names;
}

void failInUse(const char* program, const std::vector<std::string>& paths) {
    throw RunError(std::string(program) + ": " + quotedNames(paths) +
                   (paths.size() > 1 ? " are" : " is") +
                   " in use by another run that has not ended; try again when it has\n");
}
