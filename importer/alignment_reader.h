// An alignment file read through the NEXUS Class Library into one row of bytes per taxon.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "importer/format.h"

// What a cell of a row holds besides the IUPAC letters A C G T M R W S Y K V H D B N.
inline constexpr char kGapCell = '-';
inline constexpr char kUnknownCell = '?';

// An alignment as the importer holds it.
struct Alignment {
    std::string label;               // the format it was read as, for the data file's comment
    std::vector<std::string> names;  // one per taxon, as the file spells them (FASTA: the
                                     // first word of the header line)
    std::vector<std::string> rows;   // one per taxon, all of one length: a letter per site,
                                     // kGapCell or kUnknownCell; RNA's U written as T
    char gapSymbol = '-';            // the file's own gap symbol (NEXUS GAP=)
    char missingSymbol = '?';        // the file's own missing-data symbol (NEXUS MISSING=)
    // The CHARSET and EXSET of a NEXUS file, by name: their sites, counted from 1.
    std::map<std::string, std::vector<long long>> siteSets;
};

// Reads `text`, the bytes of the alignment file `fileName`, with each reading of `attempts`
// in turn and returns the first that succeeds. Throws RunError naming the file when none
// does (the message of the reading that got furthest), when the file holds no nucleotide
// alignment or more than one, and when its sequences are not all of one length.
Alignment readAlignment(const std::string& text, const std::string& fileName,
                        const std::vector<ReadingAttempt>& attempts);
