#include "builder/outputs.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "builder/coding.h"
#include "builder/region_build.h"
#include "builder/stepmatrix_writer.h"
#include "common/filenames.h"
#include "common/files.h"
#include "common/run_error.h"

namespace {

// One of the two output files: its descriptor while open, and its size when the last step of
// the run reached both files whole.
struct Output {
    std::string path;
    int descriptor = -1;
    bool created = false;  // made by this run
    bool regular = false;  // a regular file, which can be emptied and cut back
    off_t whole = 0;

    explicit Output(std::string name) : path(std::move(name)) {}
    ~Output() {
        if (descriptor >= 0) close(descriptor);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
};

// Opens both files without emptying them and locks them for this run. Throws RunError naming
// a file that cannot be opened, or the files that another run holds; a file made by this call
// is removed again then, so a refused run leaves the directory as it was.
void openOutputs(Output& alignments, Output& stepMatrix) {
    Output* const outputs[] = {&alignments, &stepMatrix};
    const auto undo = [&] {
        for (Output* output : outputs) {
            if (output->created) unlink(output->path.c_str());
        }
    };
    struct stat status[2];
    for (int i = 0; i < 2; ++i) {
        Output& output = *outputs[i];
        output.descriptor = openForWriting(output.path, output.created);
        if (output.descriptor < 0) {
            const int error = errno;
            undo();
            failFile("vornax", "cannot write", output.path, error);
        }
        output.regular = fstat(output.descriptor, &status[i]) == 0 && S_ISREG(status[i].st_mode);
    }
    if (alignments.regular && stepMatrix.regular && status[0].st_ino == status[1].st_ino &&
        status[0].st_dev == status[1].st_dev) {
        undo();
        throw RunError("vornax: \"" + alignments.path + "\" and \"" + stepMatrix.path +
                       "\" name the same file (through a link); remove the link\n");
    }
    std::vector<std::string> inUse;
    for (Output* output : outputs) {
        if (!lockFile(output->descriptor, true)) inUse.push_back(output->path);
    }
    if (!inUse.empty()) {
        undo();
        failInUse("vornax", inUse);
    }
}

// Empties `output` (a device or a pipe stays as it is); throws RunError when it cannot.
void emptyOutput(const Output& output) {
    if (!emptyFile(output.descriptor)) failFile("vornax", "cannot write", output.path, errno);
}

// Writes all of `text` to `output`; returns false, with errno set, when it cannot.
bool writeAll(const Output& output, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        const ssize_t written = write(output.descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno != EINTR) return false;
        if (written > 0) done += size_t(written);
    }
    return true;
}

// Writes one step of the run to both files: `alignmentsText`, then `stepMatrixText`. When a
// write fails, cuts both files back to their sizes after `regionsWhole` regions and throws
// RunError naming the file, the reason and what the files hold now.
void writeStep(Output& alignments, Output& stepMatrix, const std::string& alignmentsText,
               const std::string& stepMatrixText, int regionsWhole) {
    Output* const failed = !writeAll(alignments, alignmentsText)   ? &alignments
                           : !writeAll(stepMatrix, stepMatrixText) ? &stepMatrix
                                                                   : nullptr;
    if (failed == nullptr) {
        for (Output* output : {&alignments, &stepMatrix}) {
            if (output->regular) output->whole = lseek(output->descriptor, 0, SEEK_CUR);
        }
        return;
    }
    const int error = errno;
    std::string message = "vornax: cannot write \"" + failed->path + "\": " + std::strerror(error);
    std::vector<std::string> cut;
    std::string uncut;
    for (Output* output : {&alignments, &stepMatrix}) {
        if (!output->regular) continue;
        if (ftruncate(output->descriptor, output->whole) == 0) {
            cut.push_back(output->path);
        } else {
            uncut += "; \"" + output->path + "\" could not be cut back: " + std::strerror(errno);
        }
    }
    if (!cut.empty()) {
        message += "; " + quotedNames(cut) + (cut.size() > 1 ? " are" : " is") + " cut back to " +
                   (regionsWhole > 0 ? "the end of region " + std::to_string(regionsWhole) +
                                           ", the last one written whole"
                                     : "where this run began");
    }
    throw RunError(message + uncut + "\n");
}

// Closes `output`; throws RunError naming the file when the close reports an error.
void closeOutput(Output& output) {
    const int descriptor = output.descriptor;
    output.descriptor = -1;
    if (close(descriptor) != 0) failFile("vornax", "cannot write", output.path, errno);
}

// Holds off the signals that end a run from outside (SIGTERM, SIGINT, SIGHUP, SIGQUIT) while
// it lives, so that a region's texts reach both files whole; a signal that came meanwhile
// ends the run as soon as they are written.
class WholeWrites {
  public:
    WholeWrites() {
        sigset_t stopping;
        sigemptyset(&stopping);
        for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&stopping, signal);
        pthread_sigmask(SIG_BLOCK, &stopping, &previous_);
    }
    ~WholeWrites() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    WholeWrites(const WholeWrites&) = delete;
    WholeWrites& operator=(const WholeWrites&) = delete;

  private:
    sigset_t previous_;
};

}  // namespace

void writeRunOutputs(Dataset& data, const UserWeights& weights, const std::string& directory,
                     const RunDisplay& display) {
    const CostModel model{1.0, 2.0, 3};
    Output alignments(pathIn(directory, kAlignmentsFile));
    Output stepMatrix(pathIn(directory, kStepMatrixFile));
    openOutputs(alignments, stepMatrix);
    emptyOutput(alignments);
    if (data.regionCount > 0) {
        emptyOutput(stepMatrix);
    } else if (stepMatrix.regular) {
        stepMatrix.whole = lseek(stepMatrix.descriptor, 0, SEEK_END);
    }

    CodedMatrix coded;
    coded.reset(data.taxonCount, data.regionCount);
    display.console(fileStartText());
    for (int region = 0; region < data.regionCount; ++region) {
        const auto rowDone = [&](int row, int states) {
            const long long n = states, done = row + 1;  // rows 0 to `row` hold these pairs
            display.progress(region + 1, states, done * (n - 1) - done * (done - 1) / 2,
                             n * (n - 1) / 2);
        };
        const RegionTexts texts =
            buildRegion(data, region, model, weights, coded, display.console, 0,
                        display.progress ? rowDone : std::function<void(int, int)>());
        const WholeWrites whole;
        writeStep(alignments, stepMatrix, texts.alignments,
                  (region == 0 ? fileStartText() : "") + texts.stepMatrix, region);
    }

    display.console("\n");
    {
        const WholeWrites whole;
        writeStep(alignments, stepMatrix, "", codedMatrixText(data, coded, false),
                  data.regionCount);
    }
    display.console(codedMatrixText(data, coded, true));
    closeOutput(alignments);
    closeOutput(stepMatrix);
}
