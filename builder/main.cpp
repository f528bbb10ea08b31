// vornax: turns the ambiguously aligned regions of a nucleotide alignment into coded
// characters with step matrices. Asks for the data file and three weights on the console,
// then writes StepMatrix and Alignments in the current directory.
#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <string>

#include "builder/coding.h"
#include "builder/dataset.h"
#include "engine/engine.h"
#include "builder/region_build.h"
#include "builder/stepmatrix_writer.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/run_error.h"
#include "common/version.h"

namespace {

const char kUsage[] =
    "Usage: vornax [--help | --version]\n"
    "\n"
    "Codes the ambiguously aligned regions of a nucleotide alignment as characters,\n"
    "with one step matrix per region. It takes no other arguments: it runs a dialogue\n"
    "that asks for the name of the data file, then for the weights of transitions,\n"
    "transversions and insertions (a number each; anything else keeps 1).\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Reads the data file named in the dialogue. Writes, in the current directory,\n"
    "StepMatrix (the step matrices and the coded data matrix) and Alignments (every\n"
    "pairwise alignment with its scores), replacing earlier ones.\n"
    "To script it, pipe the answers on standard input:\n"
    "  printf 'data.dat\\n1\\n2\\n1\\n' | vornax\n"
    "\n"
    "Exit status: 0 when the files are written, 1 when the data file is missing or\n"
    "refused, a region is too large or an output file cannot be written.\n"
    "See also: quillet(1), vornax-export(1).\n";

const char kBanner[] =
    "*****************************************************************************\n"
    "*\t                            VORNAX 2.3b                                 *\n"
    "*      by the vornax and quillet developers                                 *\n"
    "*\t            Program written by the vornax project team                  *\n"
    "*\t                                                                        *\n"
    "*  INPUT file: One file to be read as follows:                              *\n"
    "*  line #1: # of taxa    # of sites total   # of ambiguous regions          *\n"
    "*           code for missing data (- or :)    code for unknown data (?)     *\n"
    "*           all delimited by space or tabs i.e.:   63   1826   25   -   ?   *\n"
    "*  line #2: beginning and end of each ambiguous region (i.e., 131-139       *\n"
    "*           means that sites 131-139 are ambivalent)                        *\n"
    "*           regions delimited by space or tabs                              *\n"
    "*  line #3 etc: taxon name followed by sequence.                            *\n"
    "*\t        no carriage return within sequence                              *\n"
    "*\t                                                                        *\n"
    "*  OUTPUT files: StepMatrix is a step-matrix that can be used by PAUP       *\n"
    "*                Alignments: A file showing all the alignments used for     *\n"
    "*                            each pairwise comparison                       *\n"
    "*                                                             February 2001 *\n"
    "*****************************************************************************\n";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

// Writes `text` to standard output.
void writeConsole(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Writes `prompt` and flushes it to the screen before input is read.
void prompt(const std::string& text) {
    writeConsole(text);
    std::fflush(stdout);
}

// Reads one number into `weight` after its prompt; a failed or ended input leaves it, and
// the stream stays failed so the later weights are not read either.
void askWeight(const std::string& question, double& weight) {
    prompt(question);
    double value = 0;
    if (std::cin >> value) weight = value;
}

// Opens output file `name` with fopen mode `mode`; throws RunError when it cannot.
OutputFile openOutput(const char* name, const char* mode) {
    std::FILE* file = std::fopen(name, mode);
    if (file == nullptr) failFile("vornax", "cannot write", name, errno);
    return OutputFile(file);
}

// Writes `text` to `file` and flushes it, so the file is complete up to this point; throws
// RunError naming the file on any write error.
void writeOutput(std::FILE* file, const char* name, const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
        failFile("vornax", "cannot write", name, errno);
    }
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

// Closes `file`; throws RunError naming the file when the close reports an error.
void closeOutput(OutputFile& file, const char* name) {
    errno = 0;
    if (std::fclose(file.release()) != 0) failFile("vornax", "cannot write", name, errno);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        // --help and --version answer before anything else; every other argument is ignored.
        if (hasOption(argc, argv, "--help") || hasOption(argc, argv, "--version")) {
            writeStandardOutput("vornax", hasOption(argc, argv, "--help")
                                              ? std::string(kUsage)
                                              : std::string("vornax ") + kVersion + "\n");
            return 0;
        }

        const CostModel model{1.0, 2.0, 3};
        UserWeights weights;

        writeConsole(kBanner);
        prompt("Enter the name of the Data File:  ");
        std::string fileName;
        std::cin >> fileName;
        writeConsole("\n");

        std::error_code ignored;
        std::ifstream dataFile(fileName, std::ios::binary);
        if (!dataFile.is_open() || std::filesystem::is_directory(fileName, ignored)) {
            throw RunError("input file \"" + fileName + "\" not found. \nprogram terminated\n");
        }

        writeConsole(std::string(24, '\n'));
        askWeight(
            "Enter the weigth for transitions for the final StepMatrix calculations "
            "\n(default=1): ",
            weights.transitions);
        askWeight(
            "\nEnter the weigth for transversions for the final StepMatrix calculations "
            "\n(default=1): ",
            weights.transversions);
        askWeight(
            "\nEnter the weigth for insertions for the final StepMatrix calculations "
            "\n(default=1): ",
            weights.insertions);
        writeConsole("\n");

        Dataset data;
        readDataFile(dataFile, fileName, data);
        dataFile.close();

        OutputFile alignments = openOutput(kAlignmentsFile, "w");
        OutputFile stepMatrix;
        CodedMatrix coded;
        coded.reset(data.taxonCount, data.regionCount);

        // Each region's texts are written and flushed when the region is done, so both files
        // are complete up to the last finished region.
        writeConsole(fileStartText());
        for (int region = 0; region < data.regionCount; ++region) {
            std::string stepText;
            if (region == 0) {
                stepMatrix = openOutput(kStepMatrixFile, "w");
                stepText = fileStartText();
            }
            const RegionTexts texts =
                buildRegion(data, region, model, weights, coded, [](const std::string& text) {
                    writeConsole(text);
                    std::fflush(stdout);
                });
            const WholeWrites whole;
            writeOutput(alignments.get(), kAlignmentsFile, texts.alignments);
            writeOutput(stepMatrix.get(), kStepMatrixFile, stepText + texts.stepMatrix);
        }
        closeOutput(alignments, kAlignmentsFile);

        writeConsole("\n");
        if (!stepMatrix) stepMatrix = openOutput(kStepMatrixFile, "a");
        {
            const WholeWrites whole;
            writeOutput(stepMatrix.get(), kStepMatrixFile, codedMatrixText(data, coded, false));
        }
        writeConsole(codedMatrixText(data, coded, true));
        closeOutput(stepMatrix, kStepMatrixFile);
        std::fflush(stdout);
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::bad_alloc&) {
        return reportRunError(RunError("vornax: out of memory\n"));
    }
}
