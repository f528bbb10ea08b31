// vornax: turns the ambiguously aligned regions of a nucleotide alignment into coded
// characters with step matrices, written to StepMatrix and Alignments. Without arguments it
// asks for the data file and the three weights on the console; with a named data file it
// takes them from the command line.
#include <malloc.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "builder/dataset.h"
#include "builder/outputs.h"
#include "common/command_line.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/files.h"
#include "common/run_error.h"
#include "engine/engine.h"

namespace {

const char kDescription[] =
    "Codes the ambiguously aligned regions of a nucleotide alignment as characters, with\n"
    "one step matrix per region. Without arguments it runs a dialogue that asks for the\n"
    "data file and the weights of transitions, transversions and insertions. With a\n"
    "DATAFILE it asks nothing: the weights come from -w.\n";

const char kFooter[] =
    "Writes StepMatrix (the step matrices and the coded data matrix) and Alignments\n"
    "(every pairwise alignment with its scores), replacing earlier ones. Mistakes in the\n"
    "data file are reported as warnings on the error stream. vornax-import makes a data\n"
    "file from a FASTA, PHYLIP, NEXUS or Clustal alignment.\n"
    "Example: vornax -w 1,2,1 -d run rana.dat\n"
    "Exit status: 0 when the files are written; 1 when the data file is missing or\n"
    "refused (or has a mistake, with --strict), a region is too large, or an output\n"
    "file cannot be written or is in use by another run; 2 for a wrong option.\n"
    "See also: vornax-import(1), quillet(1), vornax-export(1).\n";

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

// What the command line asks for when it names a data file.
struct Options {
    std::string dataFile;
    std::string weights = "1,1,1";
    std::string directory;  // "" for the current directory
    bool quiet = false;
    bool strict = false;
};

// Writes `text` to standard output.
void writeConsole(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Writes `text` to standard output and flushes it to the screen.
void showConsole(const std::string& text) {
    writeConsole(text);
    std::fflush(stdout);
}

// Reads one number into `weight` after its prompt; a failed or ended input leaves it, and
// the stream stays failed so the later weights are not read either.
void askWeight(const std::string& question, double& weight) {
    showConsole(question);
    double value = 0;
    if (std::cin >> value) weight = value;
}

// Reads "TS,TV,IN", three numbers separated by commas, into `weights`. Returns false, leaving
// `weights`, when the text is anything else.
bool readWeights(const std::string& text, UserWeights& weights) {
    double values[3];
    const char* at = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        values[i] = std::strtod(at, &end);
        if (end == at || !std::isfinite(values[i]) || *end != (i < 2 ? ',' : '\0')) return false;
        at = end + 1;
    }
    weights = UserWeights{values[0], values[1], values[2]};
    return true;
}

// Returns the reader's report of the data file `fileName`: each problem as one line on the
// error stream, counted in `problems`; an error rather than a warning when `strict`.
DataFileReport problemReport(const std::string& fileName, bool strict, bool dialogue,
                             int& problems) {
    DataFileReport report;
    report.dialogue = dialogue;
    report.problem = [&fileName, strict, &problems](int64_t line, const std::string& what) {
        ++problems;
        std::fprintf(stderr, "vornax: %s: data file \"%s\" line %lld: %s\n",
                     strict ? "error" : "warning", fileName.c_str(), static_cast<long long>(line),
                     what.c_str());
    };
    return report;
}

// Refuses a data file that is one of the files that the run writes in `directory`: writing
// them would destroy it.
void refuseDataFileAsOutput(const std::string& dataFile, const std::string& directory) {
    for (const char* name : {kStepMatrixFile, kAlignmentsFile}) {
        refuseToOverwriteInput("vornax", pathIn(directory, name), {dataFile});
    }
}

// The dialogue: the banner, the data file's name and the three weights asked on the console,
// then the run in the current directory with its console copy.
void runDialogue() {
    UserWeights weights;
    writeConsole(kBanner);
    showConsole("Enter the name of the Data File:  ");
    std::string fileName;
    std::cin >> fileName;
    writeConsole("\n");

    std::error_code ignored;
    std::ifstream dataFile(fileName, std::ios::binary);
    if (!dataFile.is_open() || std::filesystem::is_directory(fileName, ignored)) {
        throw RunError("input file \"" + fileName + "\" not found. \nprogram terminated\n");
    }
    refuseDataFileAsOutput(fileName, "");

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
    int problems = 0;
    readDataFile(dataFile, fileName, data, problemReport(fileName, false, true, problems));
    dataFile.close();
    writeRunOutputs(data, weights, "", RunDisplay{showConsole, {}});
}

// The run of a named data file: no question; the console copy unless quiet, and a progress
// line on the error stream when it is a terminal.
void runNamed(const Options& options) {
    UserWeights weights;
    readWeights(options.weights, weights);
    std::error_code ignored;
    if (!options.directory.empty() && !std::filesystem::is_directory(options.directory, ignored)) {
        const bool exists = std::filesystem::exists(options.directory, ignored);
        failFile("vornax", "cannot write in", options.directory, exists ? ENOTDIR : ENOENT);
    }
    if (std::filesystem::is_directory(options.dataFile, ignored)) {
        failFile("vornax", "cannot read", options.dataFile, EISDIR);
    }
    errno = 0;
    std::ifstream dataFile(options.dataFile, std::ios::binary);
    if (!dataFile.is_open()) failFile("vornax", "cannot read", options.dataFile, errno);
    refuseDataFileAsOutput(options.dataFile, options.directory);

    Dataset data;
    int problems = 0;
    readDataFile(dataFile, options.dataFile, data,
                 problemReport(options.dataFile, options.strict, false, problems));
    dataFile.close();
    if (options.strict && problems > 0) {
        throw RunError(
            "vornax: data file \"" + options.dataFile + "\": " + std::to_string(problems) +
            (problems > 1 ? " mistakes" : " mistake") + " (--strict); no file written\n");
    }

    RunDisplay display;
    display.console = options.quiet ? [](const std::string&) {} : showConsole;
    bool shown = false;  // the progress line stands on the terminal
    if (isatty(STDERR_FILENO)) {
        display.progress = [&](int region, int states, long long done, long long pairs) {
            std::fprintf(stderr, "\rvornax: region %d of %d, %d states, %lld of %lld pairs\033[K",
                         region, data.regionCount, states, done, pairs);
            std::fflush(stderr);
            shown = true;
        };
    }
    struct ClearProgress {
        bool& shown;
        ~ClearProgress() {
            if (shown) std::fputs("\r\033[K", stderr);
        }
    } clear{shown};
    writeRunOutputs(data, weights, options.directory, display);
}

// Keeps the memory that one region frees for the next. By default the C library returns
// large blocks to the system, and every region faults its texts and workspaces in again,
// page by page (a tenth of the run time on a large data set).
void keepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    startProgram();
    keepFreedMemory();
    try {
        if (argc <= 1) {
            defaultKernelSet();  // a set forced by VORNAX_KERNELS must exist before any work
            runDialogue();
        } else {
            CLI::App app(kDescription, "vornax");
            Options options;
            app.add_option("-w,--weights", options.weights,
                           "the weights of transitions, transversions and insertions\n"
                           "(default 1,1,1)")
                ->type_name("TS,TV,IN")
                ->check([](const std::string& text) {
                    UserWeights weights;
                    return readWeights(text, weights)
                               ? std::string()
                               : "three numbers separated by commas, as 1,2,1";
                });
            app.add_option("-d,--directory", options.directory,
                           "write StepMatrix and Alignments in DIR (default: here)")
                ->type_name("DIR");
            app.add_flag("-q,--quiet", options.quiet,
                         "do not show the step matrices and the coded data matrix");
            app.add_flag("--strict", options.strict,
                         "refuse a data file with a mistake (exit 1, no file written)");
            app.add_option("DATAFILE", options.dataFile, "the data file")
                ->required()
                ->type_name("");
            app.footer(kFooter);
            if (!parseCommandLine(app, "vornax", argc, argv)) return 0;
            defaultKernelSet();
            runNamed(options);
        }
        std::fflush(stdout);
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::exception& error) {
        return reportException("vornax", error);
    }
}
