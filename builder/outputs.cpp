#include "builder/outputs.h"

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>

#include "builder/coding.h"
#include "builder/region_build.h"
#include "builder/stepmatrix_writer.h"
#include "common/filenames.h"
#include "common/run_error.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens output file `path` with fopen mode `mode`; throws RunError when it cannot.
OutputFile openOutput(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) failFile("vornax", "cannot write", path, errno);
    return OutputFile(file);
}

// Writes `text` to `file` and flushes it, so the file is complete up to this point; throws
// RunError naming the file on any write error.
void writeOutput(std::FILE* file, const std::string& path, const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
        failFile("vornax", "cannot write", path, errno);
    }
}

// Closes `file`; throws RunError naming the file when the close reports an error.
void closeOutput(OutputFile& file, const std::string& path) {
    errno = 0;
    if (std::fclose(file.release()) != 0) failFile("vornax", "cannot write", path, errno);
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
    const std::string alignmentsPath = pathIn(directory, kAlignmentsFile);
    const std::string stepMatrixPath = pathIn(directory, kStepMatrixFile);
    const CostModel model{1.0, 2.0, 3};

    OutputFile alignments = openOutput(alignmentsPath, "w");
    OutputFile stepMatrix;
    CodedMatrix coded;
    coded.reset(data.taxonCount, data.regionCount);
    display.console(fileStartText());
    for (int region = 0; region < data.regionCount; ++region) {
        std::string stepText;
        if (region == 0) {
            stepMatrix = openOutput(stepMatrixPath, "w");
            stepText = fileStartText();
        }
        const auto rowDone = [&](int row, int states) {
            const long long n = states, done = row + 1;  // rows 0 to `row` hold these pairs
            display.progress(region + 1, states, done * (n - 1) - done * (done - 1) / 2,
                             n * (n - 1) / 2);
        };
        const RegionTexts texts =
            buildRegion(data, region, model, weights, coded, display.console, 0,
                        display.progress ? rowDone : std::function<void(int, int)>());
        const WholeWrites whole;
        writeOutput(alignments.get(), alignmentsPath, texts.alignments);
        writeOutput(stepMatrix.get(), stepMatrixPath, stepText + texts.stepMatrix);
    }
    closeOutput(alignments, alignmentsPath);

    display.console("\n");
    if (!stepMatrix) stepMatrix = openOutput(stepMatrixPath, "a");
    {
        const WholeWrites whole;
        writeOutput(stepMatrix.get(), stepMatrixPath, codedMatrixText(data, coded, false));
    }
    display.console(codedMatrixText(data, coded, true));
    closeOutput(stepMatrix, stepMatrixPath);
}
