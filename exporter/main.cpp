// vornax-export: turns the StepMatrix file that vornax wrote, joined with the data file that
// vornax read when it is given, into a file that phylogenetics programs read: NEXUS or TNT
// with one step matrix per coded region assigned to its character, MIXED NEXUS, PHYLIP
// with a partition file, or, with the Alignments file, a report page to read in a browser.
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>

#include "builder/dataset.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/run_error.h"
#include "common/version.h"
#include "exporter/alignments_file.h"
#include "exporter/data_set.h"
#include "exporter/html_report.h"
#include "exporter/nexus_writer.h"
#include "exporter/phylip_writer.h"
#include "exporter/stepmatrix_file.h"
#include "exporter/tnt_writer.h"

namespace {

const char kSynopsis[] =
    "Usage: vornax-export [--format nexus|tnt] [--triangle] [-o FILE] [STEPMATRIX]\n"
    "       vornax-export --data DATAFILE [--format nexus|mixed|tnt|phylip] [--triangle]\n"
    "                     [-o FILE] [STEPMATRIX]\n"
    "       vornax-export [--data DATAFILE] --format html [--alignments FILE] [-o FILE]\n"
    "                     [STEPMATRIX]\n";

const char kHelp[] =
    "\n"
    "Turns the StepMatrix file that vornax wrote (./StepMatrix unless a path is\n"
    "given) into a file that phylogenetics programs read. With --data, the file\n"
    "holds the whole data set: the sites of the alignment outside its ambiguous\n"
    "regions, then one character per coded region.\n"
    "\n"
    "  --format F       the kind of file:\n"
    "       nexus       (the default) NEXUS for parsimony programs: one step\n"
    "                   matrix per region, assigned to its character; with --data\n"
    "                   one STANDARD matrix of the sites (A C G T) and the regions\n"
    "       mixed       (with --data) NEXUS for MrBayes and other model-based\n"
    "                   programs: DATATYPE=MIXED, the sites as DNA, each region's\n"
    "                   states numbered from 0 (at most 10 states), no step matrix\n"
    "       tnt         TNT: the matrix (with --data the sites as a DNA block)\n"
    "                   and one step matrix per region, its costs times 100\n"
    "       phylip      (with --data and -o) relaxed PHYLIP for IQ-TREE and other\n"
    "                   likelihood programs, no step matrix: -o x.phy writes the\n"
    "                   sites to x.phy, the regions as multistate characters to\n"
    "                   x.regions.phy, and x.partitions, which gives IQ-TREE both\n"
    "                   with their types (run iqtree2 -p x.partitions beside them)\n"
    "       html        a report to read in a web browser, one HTML file that needs\n"
    "                   nothing else: per region its states and their taxa, its\n"
    "                   step matrix as a heat map beside a tree of the states, and\n"
    "                   the alignment of any two states from Alignments; with\n"
    "                   --data also where the regions lie in the alignment\n"
    "  --nexus, --tnt   short for --format nexus and --format tnt\n"
    "  --data DATAFILE  the data file that vornax read to write StepMatrix\n"
    "  --alignments FILE  (--format html) the Alignments file that vornax wrote\n"
    "                   with StepMatrix (default: Alignments beside STEPMATRIX)\n"
    "  --triangle       write each step-matrix cost that exceeds the cost of a path\n"
    "                   through other states as the cheapest path's cost (without\n"
    "                   it, such costs are only reported)\n"
    "  -o FILE          write to FILE instead of standard output\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "A region that the chosen format cannot hold is left out with a warning on\n"
    "standard error, where every step matrix that breaks the triangle inequality\n"
    "is reported too. Exit status: 0 when the files are written, 1 when an input\n"
    "is missing or malformed, the data file and StepMatrix do not belong\n"
    "together, nothing can be exported or the output cannot be written, 2 for a\n"
    "wrong option.\n";

// What the command line asks for.
struct Options {
    std::string format = "nexus";
    std::string input = kStepMatrixFile;
    std::string data;        // "" without --data
    std::string alignments;  // "" without --alignments
    std::string output;      // "" for standard output
    bool triangle = false;
};

// Throws the RunError of a wrong command line (exit status 2): the reason and the usage.
[[noreturn]] void failUsage(const std::string& why) {
    throw RunError("vornax-export: " + why + "\n" + kSynopsis + "Try 'vornax-export --help'.\n", 2);
}

// Returns the options of the command line `argv`. Format options (--format, --nexus, --tnt)
// take effect in their order, so the last one wins. Throws CLI::CallForVersion for
// --version.
Options readOptions(int argc, char** argv) {
    Options options;
    CLI::App app("vornax-export", "vornax-export");
    app.set_help_flag();
    app.set_version_flag("--version", std::string("vornax-export ") + kVersion);
    app.add_option("--format", options.format)
        ->check(CLI::IsMember({"nexus", "mixed", "tnt", "phylip", "html"}))
        ->trigger_on_parse();
    app.add_flag_callback("--nexus", [&] { options.format = "nexus"; })->trigger_on_parse();
    app.add_flag_callback("--tnt", [&] { options.format = "tnt"; })->trigger_on_parse();
    app.add_option("--data", options.data);
    app.add_option("--alignments", options.alignments);
    app.add_flag("--triangle", options.triangle);
    app.add_option("-o", options.output)->check([](const std::string& name) {
        return name.empty() ? std::string("the output file needs a name") : std::string();
    });
    app.add_option("STEPMATRIX", options.input);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForVersion&) {
        throw;
    } catch (const CLI::ParseError& error) {
        failUsage(error.what());
    }
    const bool joinedOnly = options.format == "mixed" || options.format == "phylip";
    if (joinedOnly && options.data.empty()) {
        failUsage("--format " + options.format + " writes the whole data set: give --data");
    }
    if (joinedOnly && options.triangle) {
        failUsage("--triangle changes step matrices, and --format " + options.format +
                  " writes none");
    }
    if (options.format == "html" && options.triangle) {
        failUsage(
            "--triangle changes step matrices, and --format html shows them as vornax "
            "wrote them, marking the costs above a path through other states");
    }
    if (options.format != "html" && !options.alignments.empty()) {
        failUsage("--alignments is read by --format html only");
    }
    if (options.format == "phylip" && options.output.empty()) {
        failUsage("--format phylip writes three files: give -o FILE");
    }
    const std::string stem = std::filesystem::path(options.output).stem().string();
    const std::string name = std::filesystem::path(options.output).filename().string();
    if (options.format == "phylip" &&
        (name == stem + ".partitions" || name == stem + ".regions.phy")) {
        failUsage("-o " + options.output + " would be overwritten by the files written beside it");
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

// Returns the data file `text` read from `path` by vornax's reader; its refusals name
// vornax-export.
Dataset readData(const std::string& text, const std::string& path) {
    std::istringstream in(text);
    Dataset data;
    try {
        readDataFile(in, path, data);
    } catch (const RunError& error) {
        std::string why = error.what();
        why.erase(std::remove(why.begin(), why.end(), '\a'), why.end());
        const std::string own = "vornax: ";
        throw RunError("vornax-export: " + (why.starts_with(own)
                                                ? why.substr(own.size())
                                                : "data file \"" + path + "\": " + why));
    }
    return data;
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

// Returns the report page of `data`, whose StepMatrix `stepMatrix` and data file `dataText`
// were read for `options`, with the Alignments file of the same run: the one that `options`
// name, or the one beside StepMatrix.
ExportResult reportExport(const DataSet& data, const Options& options,
                          const std::string& stepMatrix, const std::string& dataText) {
    const std::string path =
        !options.alignments.empty()
            ? options.alignments
            : (std::filesystem::path(options.input).parent_path() / kAlignmentsFile).string();
    const std::string text = readInput(path);
    const std::vector<AlignedRegion> aligned =
        readAlignments(text, path, data.coded, options.input);
    std::vector<ReportSource> sources;
    if (data.joined) sources.push_back({"Data file", options.data, dataText.size()});
    sources.push_back({"StepMatrix", options.input, stepMatrix.size()});
    sources.push_back({"Alignments", path, text.size()});
    return htmlReport(data, aligned, sources);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (hasOption(argc, argv, "--help") || hasOption(argc, argv, "-h")) {
            writeOutput("", std::string(kSynopsis) + kHelp);
            return 0;
        }
        Options options;
        try {
            options = readOptions(argc, argv);
        } catch (const CLI::CallForVersion& version) {
            writeOutput("", version.what() + std::string("\n"));
            return 0;
        }

        const std::filesystem::path output = options.output;
        const std::string stepMatrix = readInput(options.input);
        StepMatrixFile file = parseStepMatrix(stepMatrix, options.input);
        const std::string dataText = options.data.empty() ? "" : readInput(options.data);
        const DataSet data = options.data.empty()
                                 ? codedDataSet(std::move(file))
                                 : joinDataFile(std::move(file), readData(dataText, options.data),
                                                options.data, options.input);
        if (options.format != "html") requireSites(data, options.data);

        const ExportResult result =
            options.format == "html"     ? reportExport(data, options, stepMatrix, dataText)
            : options.format == "tnt"    ? tntExport(data, options.triangle)
            : options.format == "mixed"  ? mixedExport(data)
            : options.format == "phylip" ? phylipExport(data, output.filename().string())
                                         : nexusExport(data, options.triangle);
        for (const std::string& warning : result.warnings) {
            std::fprintf(stderr, "vornax-export: warning: %s\n", warning.c_str());
        }
        if (data.coded.taxa.empty()) {
            throw RunError("vornax-export: \"" + options.input +
                           "\": its coded data matrix has no taxon: nothing to export\n");
        }
        if (result.characters == 0) {
            throw RunError("vornax-export: \"" + options.input +
                           "\": no region can be exported as a character\n");
        }

        writeOutput(options.output, result.text);
        for (const auto& [name, text] : result.besides) {
            writeOutput((output.parent_path() / name).string(), text);
        }
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::bad_alloc&) {
        return reportRunError(RunError("vornax-export: out of memory\n"));
    }
}
