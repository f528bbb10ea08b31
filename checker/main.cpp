// quillet: checks that every aligned row in Alignments, with its gaps removed, is the
// sequence that StepMatrix lists for the row's state symbol, region by region.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "checker/region_check.h"
#include "checker/stepmatrix_reader.h"
#include "checker/working_copy.h"
#include "common/filenames.h"
#include "common/run_error.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` with `mode`. Returns the stream, empty when it cannot be opened.
File openFile(const char* path, const char* mode) {
    return File(std::fopen(path, mode));
}

}  // namespace

int main() {
    try {
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
