// vornax-import: makes a vornax data file from an alignment in FASTA, PHYLIP, NEXUS or
// Clustal format and the site ranges of its ambiguous regions.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/command_line.h"
#include "common/console.h"
#include "common/files.h"
#include "common/run_error.h"
#include "importer/alignment_reader.h"
#include "importer/datafile_writer.h"
#include "importer/format.h"
#include "importer/regions.h"

namespace {

const char kDescription[] =
    "Makes a vornax data file from a nucleotide alignment and the site ranges of its\n"
    "ambiguously aligned regions. The format is told from the file's first bytes\n"
    "(#NEXUS, >, CLUSTAL, or the two counts of PHYLIP) unless --format says it.\n";

const char kFooter[] =
    "Sites count from 1 and both ends are included. A gap is written as the missing-data\n"
    "code (the file's gap symbol, '-' unless NEXUS says GAP=), missing data as the\n"
    "unknown-data code ('?' unless NEXUS says MISSING=); ambiguous bases as IUPAC\n"
    "letters; RNA's U as T. Blanks in names become '_', with a warning.\n"
    "Example: vornax-import rana.fasta --regions 14-41,179-196 -o rana.dat\n"
    "Exit status: 0 when the data file is written; 1 when the alignment cannot be read\n"
    "or the regions cannot be coded (nothing is written then); 2 for a wrong option.\n"
    "See also: vornax(1), quillet(1), vornax-export(1).\n";

// What the command line asks for.
struct Options {
    std::string alignment;
    std::string ranges, charset, regionsFile, kept;  // one of the four ways to give regions
    std::string given;                               // which: "--regions", "--charset", ...
    std::string output;                              // "" for standard output
    std::string format;                              // "" to tell it from the content
    std::string missing, unknown;                    // "" for the alignment's own
};

// Returns "" when `text` is a list of site ranges, else what is wrong with it.
std::string checkRangeList(const std::string& text) {
    std::vector<SiteRange> ranges;
    return parseRanges(text, ranges);
}

// Returns "" when `text` can be a data code: one printable byte other than a blank.
std::string checkCode(const std::string& text) {
    return text.size() == 1 && text[0] > ' ' && text[0] < 0x7F
               ? ""
               : "one printable character, not a blank";
}

// Returns the comment of the data file's first line: where its data came from (the file's
// name without its directories, which mean nothing where the data file goes).
std::string sourceComment(const std::string& path, const std::string& label) {
    std::string comment =
        "imported from \"" + std::filesystem::path(path).filename().string() + "\" (" + label + ")";
    for (char& c : comment) {
        if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) c = '?';
    }
    return comment;
}

// Returns the regions that the options give for `alignment` of `sites` sites, read as
// `format`; `warn` is told of sites that the kept blocks leave out of every region.
std::vector<SiteRange> regionsOf(const Options& options, const Alignment& alignment,
                                 long long sites, const std::string& format,
                                 const std::function<void(const std::string&)>& warn) {
    std::vector<SiteRange> regions;
    if (options.given == "--regions") {
        parseRanges(options.ranges, regions);
    } else if (options.given == "--regions-file") {
        regions = readRegionsFile(options.regionsFile);
    } else if (options.given == "--kept") {
        std::vector<SiteRange> blocks;
        parseRanges(options.kept, blocks);
        regions = regionsBetween(blocks, sites, options.alignment, warn);
    } else {
        if (format != "nexus") {
            failInput("vornax-import", options.alignment, "--charset needs a NEXUS file");
        }
        const auto lower = [](std::string text) {
            for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
            return text;
        };
        std::string known;
        for (const auto& [name, siteList] : alignment.siteSets) {
            if (lower(name) == lower(options.charset)) return runsOf(siteList);
            known += (known.empty() ? "" : ", ") + name;
        }
        failInput("vornax-import", options.alignment,
                  "it has no CHARSET or EXSET named \"" + options.charset + "\"" +
                      (known.empty() ? " (it has none)" : "; it has " + known));
    }
    return regions;
}

}  // namespace

int main(int argc, char** argv) {
    startProgram();
    try {
        CLI::App app(kDescription, "vornax-import");
        Options options;
        app.add_option("ALIGNMENT", options.alignment, "the alignment file")
            ->required()
            ->type_name("");
        CLI::Option_group* ways = app.add_option_group(
            "Regions", "the ambiguously aligned regions, given in one of four ways:");
        ways->add_option("--regions", options.ranges,
                         "site ranges, as 131-139,200-215 (commas or blanks\n"
                         "between; a single site alone)")
            ->type_name("LIST")
            ->check(checkRangeList);
        ways->add_option("--charset", options.charset,
                         "a CHARSET or EXSET of the NEXUS file: each run of\n"
                         "consecutive sites is a region")
            ->type_name("NAME");
        ways->add_option("--regions-file", options.regionsFile,
                         "a file of ranges, one per line, # for comments")
            ->type_name("FILE");
        ways->add_option("--kept", options.kept,
                         "the blocks a trimming program kept, as Gblocks'\n"
                         "\"Flanks: [1 13] [42 48]\": the stretches between\n"
                         "them are the regions")
            ->type_name("LIST")
            ->check(checkRangeList);
        ways->require_option(1);
        app.add_option("-o,--output", options.output,
                       "write the data file there (default: standard output)")
            ->type_name("DATAFILE")
            ->check([](const std::string& path) { return path.empty() ? "a file name" : ""; });
        app.add_option("--format", options.format, "the alignment's format")
            ->type_name("FORMAT")
            ->check(CLI::IsMember(formatNames()));
        app.add_option("--missing", options.missing, "the missing-data code (gaps)")
            ->type_name("C")
            ->check(checkCode);
        app.add_option("--unknown", options.unknown, "the unknown-data code (missing data)")
            ->type_name("C")
            ->check(checkCode);
        app.footer(kFooter);
        if (!parseCommandLine(app, "vornax-import", argc, argv)) return 0;
        for (const CLI::Option* way : ways->get_options()) {
            if (way->count() > 0) options.given = way->get_name();
        }

        refuseToOverwriteInput("vornax-import", options.output,
                               {options.alignment, options.regionsFile});

        // The alignment.
        const std::string text = readWholeFile("vornax-import", options.alignment);
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
            failInput("vornax-import", options.alignment, "it is empty");
        }
        const std::string format = options.format.empty() ? detectFormat(text) : options.format;
        if (format.empty()) {
            failInput("vornax-import", options.alignment,
                      "its format is none of those told apart by their first bytes (#NEXUS, >, "
                      "CLUSTAL, or PHYLIP's two counts); name it with --format");
        }
        const std::string unreadable = checkBeforeReading(text, format);
        if (!unreadable.empty()) failInput("vornax-import", options.alignment, unreadable);
        const Alignment alignment = readAlignment(text, options.alignment, readingAttempts(format));

        // The regions.
        const auto warn = [&options](const std::string& what) {
            std::fprintf(stderr, "vornax-import: warning: \"%s\": %s\n", options.alignment.c_str(),
                         what.c_str());
        };
        const long long sites = alignment.rows.empty() ? 0 : (long long)alignment.rows[0].size();
        const std::vector<SiteRange> regions = regionsOf(options, alignment, sites, format, warn);
        checkRegions(regions, sites, options.alignment);

        // The data file.
        const DataCodes codes{
            options.missing.empty() ? alignment.gapSymbol : options.missing[0],
            options.unknown.empty() ? alignment.missingSymbol : options.unknown[0]};
        writeWholeFile("vornax-import", options.output,
                       dataFileText(alignment, regions, codes,
                                    sourceComment(options.alignment, alignment.label),
                                    options.alignment, warn));
        return 0;
    } catch (const RunError& error) {
        return reportRunError(error);
    } catch (const std::exception& error) {
        return reportException("vornax-import", error);
    }
}
