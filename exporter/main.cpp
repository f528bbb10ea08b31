// vornax-export: turns the StepMatrix file that vornax wrote, joined with the data file that
// vornax read when it is given, into a file that phylogenetics programs read: NEXUS or TNT
// with one step matrix per coded region assigned to its character, MIXED NEXUS, PHYLIP
// with a partition file, or, with the Alignments file, a report page to read in a browser.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "builder/dataset.h"
#include "common/command_line.h"
#include "common/console.h"
#include "common/filenames.h"
#include "common/files.h"
#include "common/run_error.h"
#include "exporter/alignments_file.h"
#include "exporter/data_set.h"
#include "exporter/html_report.h"
#include "exporter/nexus_writer.h"
#include "exporter/phylip_writer.h"
#include "exporter/stepmatrix_file.h"
#include "exporter/tnt_writer.h"

namespace {

const char kDescription[] =
    "Turns the StepMatrix file that vornax wrote (./StepMatrix unless a path is\n"
    "given) into a file that phylogenetics programs read: NEXUS or TNT with one step\n"
    "matrix per coded region. With --data DATAFILE, the data file that vornax read,\n"
    "the file holds the whole data set: the sites of the alignment outside its\n"
    "ambiguous regions, then one character per coded region. --format html writes\n"
    "a report page to read in a web browser.\n";

const char kFooter[] =
    "A region that the chosen format cannot hold is left out with a warning on the\n"
    "error stream, where every step matrix that breaks the triangle inequality is\n"
    "reported too. A file named by -o is replaced only once it is written whole.\n"
    "Example: vornax-export --data rana.dat --format mixed -o rana.nex\n"
    "Exit status: 0 when the files are written; 1 when an input is missing, malformed\n"
    "or being written by vornax, the data file and StepMatrix do not belong together,\n"
    "nothing can be exported, or the output cannot be written or is an input; 2 for a\n"
    "wrong option.\n"
    "See also: vornax(1), quillet(1), vornax-import(1).\n";

// What the command line asks for.
struct Options {
    std::string format = "nexus";
    std::string input = kStepMatrixFile;
    std::string data;        // "" without --data
    std::string alignments;  // --format html: "" for the Alignments beside StepMatrix
    std::string output;      // "" for standard output
    bool triangle = false;
};

// Returns why the options cannot go together, or "".
std::string optionConflict(const Options& options) {
    const bool joinedOnly = options.format == "mixed" || options.format == "phylip";
    if (joinedOnly && options.data.empty()) {
        return "--format " + options.format + " writes the whole data set: give --data";
    }
    if (joinedOnly && options.triangle) {
        return "--triangle changes step matrices, and --format " + options.format + " writes none";
    }
    if (options.format == "html" && options.triangle) {
        return "--triangle changes step matrices, and --format html shows them as vornax "
               "wrote them, marking the costs above a path through other states";
    }
    if (options.format != "html" && !options.alignments.empty()) {
        return "--alignments is read by --format html only";
    }
    if (options.format == "phylip" && options.output.empty()) {
        return "--format phylip writes three files: give -o FILE";
    }
    const std::string stem = std::filesystem::path(options.output).stem().string();
    const std::string name = std::filesystem::path(options.output).filename().string();
    if (options.format == "phylip" &&
        (name == stem + ".partitions" || name == stem + ".regions.phy")) {
        return "-o " + options.output + " would be overwritten by the files written beside it";
    }
    return "";
}

// Reads the command line `argv` into `options`. Format options (--format, --nexus, --tnt)
// take effect in their order, so the last one wins. Returns false when it has answered
// --help or --version; throws RunError for a wrong command line.
bool readOptions(int argc, char** argv, Options& options) {
    CLI::App app(kDescription, "vornax-export");
    app.add_option("--format", options.format,
                   "the kind of file (default nexus):\n"
                   "nexus: NEXUS for parsimony programs, one step matrix\n"
                   "  per region; with --data one STANDARD matrix of the\n"
                   "  sites (A C G T) and the regions\n"
                   "mixed: (with --data) NEXUS for MrBayes and other\n"
                   "  model-based programs: DATATYPE=MIXED, the sites as\n"
                   "  DNA, each region's states numbered from 0 (at most\n"
                   "  10 states), no step matrix\n"
                   "tnt: TNT, the matrix (with --data the sites as a DNA\n"
                   "  block) and one step matrix per region, its costs\n"
                   "  times 100\n"
                   "phylip: (with --data and -o) relaxed PHYLIP for\n"
                   "  IQ-TREE and other likelihood programs, no step\n"
                   "  matrix: -o x.phy writes the sites to x.phy, the\n"
                   "  regions as multistate characters to x.regions.phy,\n"
                   "  and x.partitions, which gives IQ-TREE both with\n"
                   "  their types (run iqtree2 -p x.partitions beside them)\n"
                   "html: a report to read in a web browser, one HTML file\n"
                   "  that needs nothing else: per region its states and\n"
                   "  their taxa, its step matrix as a heat map beside a\n"
                   "  tree of the states, and the alignment of any two\n"
                   "  states from Alignments; with --data also where the\n"
                   "  regions lie in the alignment")
        ->type_name("F")
        ->check(CLI::IsMember({"nexus", "mixed", "tnt", "phylip", "html"}))
        ->trigger_on_parse();
    app.add_flag_callback("--nexus", [&] { options.format = "nexus"; }, "short for --format nexus")
        ->trigger_on_parse();
    app.add_flag_callback("--tnt", [&] { options.format = "tnt"; }, "short for --format tnt")
        ->trigger_on_parse();
    app.add_option("--data", options.data, "the data file that vornax read to write StepMatrix")
        ->type_name("DATAFILE");
    app.add_option("--alignments", options.alignments,
                   "(--format html) the Alignments file that vornax wrote\n"
                   "with StepMatrix (default: Alignments beside STEPMATRIX)")
        ->type_name("FILE");
    app.add_flag("--triangle", options.triangle,
                 "write each step-matrix cost that exceeds the cost of a\n"
                 "path through other states as the cheapest path's cost\n"
                 "(without it, such costs are only reported)");
    app.add_option("-o", options.output, "write to FILE instead of standard output")
        ->type_name("FILE")
        ->check([](const std::string& name) {
            return name.empty() ? std::string("the output file needs a name") : std::string();
        });
    app.add_option("STEPMATRIX", options.input, "the StepMatrix file (default: ./StepMatrix)")
        ->type_name("");
    app.footer(kFooter);
    app.callback([&options] {
        const std::string conflict = optionConflict(options);
        if (!conflict.empty()) throw CLI::ValidationError(conflict);
    });
    return parseCommandLine(app, "vornax-export", argc, argv);
}

// Returns the data file `text`, read from `path` by vornax's reader; its refusals name
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

// Returns the path of the Alignments file that the report of `options` reads: the one they
// name, or the one beside StepMatrix.
std::string alignmentsPath(const Options& options) {
    if (!options.alignments.empty()) return options.alignments;
    return (std::filesystem::path(options.input).parent_path() / kAlignmentsFile).string();
}

// Returns the report page of `data`, whose StepMatrix `stepMatrix` and data file `dataText`
// were read for `options`, with the Alignments file of the same run.
ExportResult reportExport(const DataSet& data, const Options& options,
                          const std::string& stepMatrix, const std::string& dataText) {
    const std::string path = alignmentsPath(options);
    const std::string text = readWholeFile("vornax-export", path);
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
    startProgram();
    try {
        Options options;
        if (!readOptions(argc, argv, options)) return 0;

        std::vector<std::string> inputs = {options.input, options.data};
        if (options.format == "html") inputs.push_back(alignmentsPath(options));
        refuseToOverwriteInput("vornax-export", options.output, inputs);
        const std::filesystem::path output = options.output;
        const std::string stepMatrix = readWholeFile("vornax-export", options.input);
        StepMatrixFile file = parseStepMatrix(stepMatrix, options.input);
        const std::string dataText =
            options.data.empty() ? "" : readWholeFile("vornax-export", options.data);
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

        for (const auto& [name, text] : result.besides) {
            refuseToOverwriteInput("vornax-export", (output.parent_path() / name).string(), inputs);
        }
        writeWholeFile("vornax-export", options.output, result.text);
        for (const auto& [name, text] : result.besides) {
            writeWholeFile("vornax-export", (output.parent_path() / name).string(), text);
        }
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::exception& error) {
        return reportException("vornax-export", error);
    }
}
