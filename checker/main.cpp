// quillet: checks that every aligned row in Alignments, with its gaps removed, is the
// sequence that StepMatrix lists for the row's state symbol, region by region.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "checker/region_check.h"
#include "checker/stepmatrix_reader.h"
#include "checker/working_copy.h"
#include "common/command_line.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/files.h"
#include "common/run_error.h"

namespace {

const char kDescription[] =
    "Checks what vornax wrote: that every aligned row in Alignments, with its gaps\n"
    "removed, is the state that StepMatrix lists for the row's symbol, region by region.\n"
    "Without --batch it reports each row that does not match and asks whether to go on\n"
    "(1) or quit (2), then prints the number of errors and waits for a key.\n";

const char kFooter[] =
    "Reads StepMatrix and Alignments and writes AlignmentsChecked, its working copy of\n"
    "Alignments, in the current directory or DIR.\n"
    "Example: quillet -d run --batch\n"
    "Exit status: 0 when the check ran to its end (with --batch: and found no error);\n"
    "1 when a file is missing, in use by another run, or cannot be read or written,\n"
    "the check could not be completed, StepMatrix lacks the coded data matrix that\n"
    "ends a finished run, or (with --batch) it found an error; 2 for a wrong option;\n"
    "an abort (SIGABRT) on the answer 2.\n"
    "See also: vornax(1), vornax-export(1).\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` with `mode`. Returns the stream, empty when it cannot be opened.
File openFile(const std::string& path, const char* mode) {
    return File(std::fopen(path.c_str(), mode));
}

}  // namespace

int main(int argc, char** argv) {
    startProgram();
    try {
        std::string directory;
        bool batch = false;
        if (argc > 1) {
            CLI::App app(kDescription, "quillet");
            app.add_option("-d,--directory", directory, "check the files in DIR (default: here)")
                ->type_name("DIR");
            app.add_flag("--batch", batch,
                         "ask nothing: report every error, go on to the end, and exit 0 only\n"
                         "when no error was found");
            app.footer(kFooter);
            if (!parseCommandLine(app, "quillet", argc, argv)) return 0;
        }
        const std::string alignmentsPath = pathIn(directory, kAlignmentsFile);
        const std::string stepMatrixPath = pathIn(directory, kStepMatrixFile);
        const std::string copyPath = pathIn(directory, kAlignmentsCheckedFile);
        std::FILE* answers = batch ? nullptr : stdin;

        std::fputs("ckecking alignments ....\n", stdout);
        std::fflush(stdout);

        // Inputs: all three files are opened before any is tested, so a run that stops on a
        // missing input leaves an empty working copy behind. While vornax writes the inputs or
        // another quillet checks them, nothing is read or emptied.
        File alignments = openFile(alignmentsPath, "rb");
        File stepMatrix = openFile(stepMatrixPath, "rb");
        bool copyCreated = false;
        const int copyDescriptor = openForWriting(copyPath, copyCreated);
        int copyErrno = errno;
        std::vector<std::string> inUse;
        if (alignments && !lockFile(fileno(alignments.get()), false)) {
            inUse.push_back(alignmentsPath);
        }
        if (stepMatrix && !lockFile(fileno(stepMatrix.get()), false)) {
            inUse.push_back(stepMatrixPath);
        }
        if (copyDescriptor >= 0 && !lockFile(copyDescriptor, true)) inUse.push_back(copyPath);
        if (!inUse.empty()) {
            if (copyCreated) unlink(copyPath.c_str());
            failInUse("quillet", inUse);
        }
        File copyWriter;
        if (copyDescriptor >= 0) {
            if (emptyFile(copyDescriptor)) copyWriter.reset(fdopen(copyDescriptor, "wb"));
            if (!copyWriter) {
                copyErrno = errno;
                close(copyDescriptor);
            }
        }
        if (!alignments) {
            throw RunError("input file \"" + alignmentsPath +
                           "\" not found. \nprogram terminated\n");
        }
        if (!stepMatrix) {
            throw RunError("file \"" + stepMatrixPath + "\" not found. \nprogram terminated\n");
        }
        if (!copyWriter) failFile("quillet", "cannot create", copyPath, copyErrno);

        // The working copy, flushed so that its reader sees all of it.
        makeWorkingCopy(alignments.get(), copyWriter.get());
        if (std::ferror(alignments.get())) {
            failFile("quillet", "cannot read", alignmentsPath, errno);
        }
        if (std::fflush(copyWriter.get()) != 0 || std::ferror(copyWriter.get())) {
            failFile("quillet", "cannot write", copyPath, errno);
        }
        File copyReader = openFile(copyPath, "rb");
        if (!copyReader) {
            throw RunError(std::string(kAlignmentsCheckedFile) + " not found. Aborted\n", 1,
                           Stream::out);
        }

        // The region loop. It ends at the last region, or early when StepMatrix or the copy
        // ends inside a region or a region's header is missing from the copy.
        StepMatrixRegion region;
        CheckTally tally;
        bool complete = true;
        int regions = 0;  // the regions of StepMatrix that were found
        RegionRead read;
        for (;; ++regions) {
            read = readStepMatrixRegion(stepMatrix.get(), region, stdout);
            if (read == RegionRead::noMore || read == RegionRead::unfinished) break;
            if (read == RegionRead::cutShort ||
                !checkRegion(copyReader.get(), region, tally, stdout, answers)) {
                complete = false;
                break;
            }
        }
        // A read error looks like the end of a file to the readers: it must not pass for a
        // finished check.
        const std::string* unreadable = nullptr;
        int unreadableErrno = errno;
        if (std::ferror(stepMatrix.get())) {
            unreadable = &stepMatrixPath;
        } else if (std::ferror(copyReader.get())) {
            unreadable = &copyPath;
        }

        // The summary.
        std::printf("\n\ntotal number of errors: %lld\n", static_cast<long long>(tally.errorCount));
        if (batch && tally.unknownSymbols > 0) {
            std::printf("rows whose symbol their region does not list: %lld\n",
                        static_cast<long long>(tally.unknownSymbols));
        }
        if (!batch) {
            std::fputs("\n\npress any key and return to exit", stdout);
            std::fflush(stdout);
            readKey(stdin);
            std::fputs("\nprogram terminated ", stdout);
        }
        std::fflush(stdout);

        copyReader.reset();
        copyWriter.reset();
        stepMatrix.reset();
        alignments.reset();
        if (unreadable != nullptr) failFile("quillet", "cannot read", *unreadable, unreadableErrno);
        if (read == RegionRead::unfinished) {
            const std::string held =
                regions == 0 ? "holds neither a region nor"
                             : "ends after " + std::to_string(regions) +
                                   (regions == 1 ? " region without" : " regions without");
            throw RunError("quillet: \"" + stepMatrixPath + "\" " + held +
                           " the coded data matrix that ends a finished run: the run of vornax "
                           "that wrote it did not finish\n");
        }
        const bool clean = tally.errorCount == 0 && tally.unknownSymbols == 0;
        return complete && (clean || !batch) ? 0 : 1;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::exception& error) {
        return reportException("quillet", error);
    }
}
