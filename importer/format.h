// The alignment formats that vornax-import reads, told apart by their first bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One way of reading a file with the NEXUS Class Library.
struct ReadingAttempt {
    const char* nclFormat;  // the library's name of the format
    const char* label;      // what the data file's comment calls it
};

// Returns the names that --format takes: nexus, fasta, clustal, phylip, phylip-relaxed,
// phylip-strict.
std::vector<std::string> formatNames();

// Returns the --format name of the alignment `text` by its first bytes that are not white
// space: "#NEXUS", ">", "CLUSTAL" or two counts (PHYLIP); "" when none fits.
std::string detectFormat(std::string_view text);

// Returns "" when the library can be given `text` as `format`, else what is wrong with it: a
// control byte (but tab, line ends and form feed) or, except in NEXUS, a byte above 0x7F,
// which the library drops or misreads; or a PHYLIP first line or NEXUS DIMENSIONS that
// announces more taxa times sites than the file has bytes, for which it would set memory
// aside before reading a site.
std::string checkBeforeReading(std::string_view text, const std::string& format);

// Returns the readings to try, in order, for the --format name `format`: DNA before RNA and,
// for PHYLIP, relaxed before strict names and one block before interleaved blocks.
std::vector<ReadingAttempt> readingAttempts(const std::string& format);
