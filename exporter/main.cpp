// vornax-export: turns the StepMatrix file that vornax wrote into a complete NEXUS file or a
// TNT file, with one step matrix per coded region assigned to its character.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "common/console.h"
#include "common/filenames.h"
#include "common/run_error.h"
#include "common/version.h"
#include "exporter/nexus_writer.h"
#include "exporter/stepmatrix_file.h"
#include "exporter/tnt_writer.h"

namespace {

const char kUsage[] =
    "Usage: vornax-export [--nexus | --tnt] [-o FILE] [STEPMATRIX]\n"
    "\n"
    "Turns the StepMatrix file that vornax wrote (./StepMatrix unless a path is\n"
    "given) into a file that phylogenetics programs read:\n"
    "  --nexus     a complete NEXUS file: TAXA, CHARACTERS and ASSUMPTIONS blocks,\n"
    "              one step matrix per coded region, assigned to its character\n"
    "              (the default)\n"
    "  --tnt       a TNT file: the coded matrix and one step matrix per coded\n"
    "              region, its costs multiplied by 100 and rounded\n"
    "  -o FILE     write to FILE instead of standard output\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "A region that the chosen format cannot hold is left out with a warning on\n"
    "standard error. Exit status: 0 when the file is written, 1 when StepMatrix is\n"
    "missing or malformed, nothing can be exported or the output cannot be\n"
    "written, 2 for a wrong option.\n";

// What the command line asks for.
struct Options {
    bool help = false;
    bool version = false;
    bool tnt = false;
    std::string input = kStepMatrixFile;
    std::string output;  // "" for standard output
};

// Throws the RunError of a wrong command line (exit status 2).
[[noreturn]] void failUsage(const std::string& why) {
    throw RunError("vornax-export: " + why + "\nTry 'vornax-export --help'.\n", 2);
}

// Returns the options of the command line `argv`; --help wins over everything else.
Options readOptions(int argc, char** argv) {
    Options options;
    if (hasOption(argc, argv, "--help")) {
        options.help = true;
        return options;
    }
    bool inputGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version") {
            options.version = true;
        } else if (arg == "--nexus") {
            options.tnt = false;
        } else if (arg == "--tnt") {
            options.tnt = true;
        } else if (arg == "-o") {
            if (i + 1 == argc) failUsage("-o needs the name of the output file");
            options.output = argv[++i];
            if (options.output.empty()) failUsage("-o needs the name of the output file");
        } else if (arg.size() > 1 && arg[0] == '-') {
            failUsage("unknown option \"" + arg + "\"");
        } else if (inputGiven) {
            failUsage("one StepMatrix file at a time, not \"" + options.input + "\" and \"" + arg +
                      "\"");
        } else {
            options.input = arg;
            inputGiven = true;
        }
    }
    return options;
}

// Returns the bytes of the file at `path`; throws RunError when it cannot be read.
std::string readInput(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        failFile("vornax-export", "cannot read", path, EISDIR);
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) failFile("vornax-export", "cannot read", path, errno);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) failFile("vornax-export", "cannot read", path, errno);
    return text;
}

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

// Writes `text` to the file at `path`, or to standard output when `path` is ""; throws
// RunError naming it when the text cannot be written whole. A regular file is written under
// a temporary name and renamed over `path` only when whole, so a failed export leaves an
// older file as it was; a device, pipe or link is written in place.
void writeOutput(const std::string& path, const std::string& text) {
    if (path.empty()) {
        writeStandardOutput("vornax-export", text);
        return;
    }
    std::error_code ignored;
    const auto status = std::filesystem::symlink_status(path, ignored);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        errno = 0;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || !writeAndClose(file, text)) {
            failFile("vornax-export", "cannot write", path, errno);
        }
        return;
    }
    std::string temporary = path + ".XXXXXX";
    errno = 0;
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) failFile("vornax-export", "cannot write", path, errno);
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
        failFile("vornax-export", "cannot write", path, error);
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = readOptions(argc, argv);
        if (options.help || options.version) {
            writeOutput("", options.help ? std::string(kUsage)
                                         : "vornax-export " + std::string(kVersion) + "\n");
            return 0;
        }

        const StepMatrixFile file = parseStepMatrix(readInput(options.input), options.input);

        const ExportResult result = options.tnt ? tntExport(file) : nexusExport(file);
        for (const std::string& warning : result.warnings) {
            std::fprintf(stderr, "vornax-export: warning: %s\n", warning.c_str());
        }
        if (file.taxa.empty()) {
            throw RunError("vornax-export: \"" + options.input +
                           "\": its coded data matrix has no taxon: nothing to export\n");
        }
        if (result.characters == 0) {
            throw RunError("vornax-export: \"" + options.input +
                           "\": no region can be exported as a character\n");
        }

        writeOutput(options.output, result.text);
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::bad_alloc&) {
        return reportRunError(RunError("vornax-export: out of memory\n"));
    }
}
