// quillet: checks that every aligned row in Alignments, with its gaps removed, is the
// sequence that StepMatrix lists for the row's state symbol, region by region.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "checker/region_check.h"
#include "checker/stepmatrix_reader.h"
#include "checker/working_copy.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/run_error.h"
#include "common/version.h"

namespace {

const char kUsage[] =
    "Usage: quillet [--help | --version]\n"
    "\n"
    "Checks what vornax wrote: that every aligned row in Alignments, with its gaps\n"
    "removed, is the state that StepMatrix lists for the row's symbol, region by\n"
    "region. It takes no other arguments: it runs a dialogue that reports each row\n"
    "that does not match and asks whether to go on (1) or quit (2), then prints the\n"
    "number of errors and waits for a key.\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Reads StepMatrix and Alignments in the current directory; writes there\n"
    "AlignmentsChecked, its working copy of Alignments.\n"
    "To script it, pipe the answers on standard input (the end of input goes on):\n"
    "  printf '1\\n' | quillet\n"
    "\n"
    "Exit status: 0 when the check ran to its end, whatever the number of errors;\n"
    "1 when a file is missing or cannot be read or written, or the check could not\n"
    "be completed; an abort (SIGABRT) when the answer is 2.\n"
    "See also: vornax(1), vornax-export(1).\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` with `mode`. Returns the stream, empty when it cannot be opened.
File openFile(const char* path, const char* mode) {
    return File(std::fopen(path, mode));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        // --help and --version answer before anything else; every other argument is ignored.
        if (hasOption(argc, argv, "--help") || hasOption(argc, argv, "--version")) {
            writeStandardOutput("quillet", hasOption(argc, argv, "--help")
                                               ? std::string(kUsage)
                                               : std::string("quillet ") + kVersion + "\n");
            return 0;
        }

        std::fputs("ckecking alignments ....\n", stdout);
        std::fflush(stdout);

        // Inputs: all three files are opened before any is tested, so a run that stops on a
        // missing input leaves an empty working copy behind.
        File alignments = openFile(kAlignmentsFile, "rb");
        File stepMatrix = openFile(kStepMatrixFile, "rb");
        File copyWriter = openFile(kAlignmentsCheckedFile, "wb");
        const int copyErrno = errno;
        if (!alignments) {
            throw RunError(std::string("input file \"") + kAlignmentsFile +
                           "\" not found. \nprogram terminated\n");
        }
        if (!stepMatrix) {
            throw RunError(std::string("file \"") + kStepMatrixFile +
                           "\" not found. \nprogram terminated\n");
        }
        if (!copyWriter) failFile("quillet", "cannot create", kAlignmentsCheckedFile, copyErrno);

        // The working copy, flushed so that its reader sees all of it.
        makeWorkingCopy(alignments.get(), copyWriter.get());
        if (std::ferror(alignments.get())) {
            failFile("quillet", "cannot read", kAlignmentsFile, errno);
        }
        if (std::fflush(copyWriter.get()) != 0 || std::ferror(copyWriter.get())) {
            failFile("quillet", "cannot write", kAlignmentsCheckedFile, errno);
        }
        File copyReader = openFile(kAlignmentsCheckedFile, "rb");
        if (!copyReader) {
            throw RunError(std::string(kAlignmentsCheckedFile) + " not found. Aborted\n", 1,
                           Stream::out);
        }

        // The region loop. It ends at the last region, or early when StepMatrix or the copy
        // ends inside a region or a region's header is missing from the copy.
        StepMatrixRegion region;
        CheckTally tally;
        bool complete = true;
        for (;;) {
            const RegionRead read = readStepMatrixRegion(stepMatrix.get(), region, stdout);
            if (read == RegionRead::noMore) break;
            if (read == RegionRead::cutShort ||
                !checkRegion(copyReader.get(), region, tally, stdout, stdin)) {
                complete = false;
                break;
            }
        }
        // A read error looks like the end of a file to the readers: it must not pass for a
        // finished check.
        const char* unreadable = nullptr;
        int unreadableErrno = errno;
        if (std::ferror(stepMatrix.get())) {
            unreadable = kStepMatrixFile;
        } else if (std::ferror(copyReader.get())) {
            unreadable = kAlignmentsCheckedFile;
        }

        // The summary.
        std::printf("\n\ntotal number of errors: %lld\n", static_cast<long long>(tally.errorCount));
        std::fputs("\n\npress any key and return to exit", stdout);
        std::fflush(stdout);
        readKey(stdin);
        std::fputs("\nprogram terminated ", stdout);
        std::fflush(stdout);

        copyReader.reset();
        copyWriter.reset();
        stepMatrix.reset();
        alignments.reset();
        if (unreadable != nullptr) failFile("quillet", "cannot read", unreadable, unreadableErrno);
        return complete ? 0 : 1;
    } catch (const RunError& error) {
        return reportRunError(error);
    }
}
