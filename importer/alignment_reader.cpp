#include "importer/alignment_reader.h"

#include <ncl/nxsmultiformat.h>

#include <climits>
#include <exception>
#include <memory>
#include <sstream>

#include "common/run_error.h"

namespace {

// The IUPAC letter of each set of bases, indexed by A = 1, C = 2, G = 4, T = 8.
constexpr char kIupacLetters[] = "?ACMGRSVTWYHKDBN";

// The library's reader, kept quiet: its progress messages are not the user's business. It
// deletes the blocks it made.
class QuietReader : public MultiFormatReader {
  public:
    QuietReader() : MultiFormatReader(-1, NxsReader::IGNORE_WARNINGS) {}
    ~QuietReader() override { DeleteBlocksFromFactories(); }
    void statusMessage(const std::string&) const override {}
};

// Why a reading failed, and how far into the file it got.
struct Failure {
    std::string message;
    long long position = -1;
};

// Returns the library's message as one line, with its place in the file when it has one.
Failure failureOf(const NxsException& error) {
    std::string message = error.msg;
    for (char& c : message) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!message.empty() && message.back() == ' ') message.pop_back();
    if (error.line > 0) {
        message = "line " + std::to_string(error.line) + ", column " + std::to_string(error.col) +
                  ": " + message;
    }
    // Without a place, the error came after the whole file was read (repeated names).
    const bool afterReading = error.line <= 0 && error.pos == 0;
    return {message, afterReading ? LLONG_MAX : static_cast<long long>(error.pos)};
}

// Returns the taxon's name: the label, or for FASTA its first word (the rest of the header
// line is a description).
std::string nameOf(const std::string& label, bool fasta) {
    if (!fasta) return label;
    const size_t start = std::min(label.find_first_not_of(" \t"), label.size());
    return label.substr(start, label.find_first_of(" \t", start) - start);
}

// Returns the NEXUS label `label` as `text` spells it: NEXUS reads an underscore as a blank,
// so a label with blanks whose underscore spelling stands in the file takes that spelling.
std::string nexusSpelling(std::string label, const std::string& text) {
    std::string underscored = label;
    for (char& c : underscored) {
        if (c == ' ') c = '_';
    }
    if (text.find(underscored) != std::string::npos) label = underscored;
    return label;
}

// Returns the row of taxon `taxon` in `block`: one letter, gap or unknown cell per site.
// Throws RunError for a cell that is none of these.
std::string rowOf(const NxsCharactersBlock& block, unsigned taxon, const std::string& fileName,
                  const std::string& name) {
    const NxsDiscreteDatatypeMapper& mapper = *block.GetDatatypeMapperForChar(0);
    const NxsDiscreteStateRow& codes = block.GetDiscreteMatrixRow(taxon);
    if (codes.size() != block.GetNumChar()) {
        failInput("vornax-import", fileName, "its matrix has no row for \"" + name + "\"");
    }
    std::string row;
    row.reserve(codes.size());
    for (size_t site = 0; site < codes.size(); ++site) {
        if (codes[site] < NXS_GAP_STATE_CODE || codes[site] > mapper.GetHighestStateCode()) {
            // A PHYLIP sequence that ends early leaves its last cells without a state.
            failInput("vornax-import", fileName,
                      "its sequences are not all of one length: \"" + name +
                          "\" has nothing at site " + std::to_string(site + 1) + " of " +
                          std::to_string(codes.size()));
        } else if (codes[site] == NXS_GAP_STATE_CODE) {
            row += kGapCell;
        } else if (codes[site] == NXS_MISSING_CODE) {
            row += kUnknownCell;
        } else {
            unsigned bases = 0;
            for (const NxsDiscreteStateCell state : mapper.GetStateSetForCode(codes[site])) {
                bases |= state >= 0 && state < 4 ? 1u << state : 16u;
            }
            if (bases == 0 || bases >= 16) {
                failInput("vornax-import", fileName,
                          "\"" + name + "\" site " + std::to_string(site + 1) +
                              ": a state that is not a nucleotide or an IUPAC code");
            }
            row += kIupacLetters[bases];
        }
    }
    return row;
}

// Returns the one nucleotide CHARACTERS (or DATA) block that `reader` read; throws RunError
// when there is none or more than one. Sequences of unequal length are read into an
// UNALIGNED block instead: that is said with the first two lengths that differ.
const NxsCharactersBlock& nucleotideBlock(MultiFormatReader& reader, const std::string& fileName,
                                          bool fasta) {
    std::vector<const NxsCharactersBlock*> found;
    std::string others;
    for (unsigned t = 0; t < reader.GetNumTaxaBlocks(); ++t) {
        NxsTaxaBlock* taxa = reader.GetTaxaBlock(t);
        for (unsigned c = 0; c < reader.GetNumCharactersBlocks(taxa); ++c) {
            const NxsCharactersBlock* block = reader.GetCharactersBlock(taxa, c);
            const auto type = block->GetDataType();
            if (type == NxsCharactersBlock::dna || type == NxsCharactersBlock::rna ||
                type == NxsCharactersBlock::nucleotide) {
                found.push_back(block);
            } else {
                others += std::string(others.empty() ? "" : ", ") + block->GetDatatypeName();
            }
        }
        if (reader.GetNumUnalignedBlocks(taxa) > 0) {
            NxsUnalignedBlock* unaligned = reader.GetUnalignedBlock(taxa, 0);
            for (unsigned i = 1; i < taxa->GetNTax(); ++i) {
                const unsigned first = unaligned->NumCharsForTaxon(0);
                const unsigned other = unaligned->NumCharsForTaxon(i);
                if (other == first) continue;
                failInput("vornax-import", fileName,
                          "its sequences are not all of one length: \"" +
                              nameOf(taxa->GetTaxonLabel(0), fasta) + "\" has " +
                              std::to_string(first) + " sites, \"" +
                              nameOf(taxa->GetTaxonLabel(i), fasta) + "\" " +
                              std::to_string(other));
            }
        }
    }
    if (found.size() == 1) return *found[0];
    if (found.empty() && others.empty())
        failInput("vornax-import", fileName, "it holds no alignment");
    if (found.empty()) {
        failInput("vornax-import", fileName,
                  "it holds no nucleotide alignment (only " + others + " data)");
    }
    failInput("vornax-import", fileName,
              "it holds " + std::to_string(found.size()) +
                  " nucleotide alignments; vornax-import reads a file with one");
}

// Returns the CHARSET and EXSET sets of the ASSUMPTIONS and SETS blocks that go with `block`.
std::map<std::string, std::vector<long long>> siteSetsOf(MultiFormatReader& reader,
                                                         const NxsCharactersBlock& block) {
    std::map<std::string, std::vector<long long>> sets;
    const auto add = [&sets](const std::string& name, const NxsUnsignedSet& sites) {
        std::vector<long long>& numbers = sets[name];
        for (const unsigned site : sites) numbers.push_back(site + 1LL);
    };
    for (unsigned a = 0; a < reader.GetNumAssumptionsBlocks(&block); ++a) {
        NxsAssumptionsBlock* assumptions = reader.GetAssumptionsBlock(&block, a);
        NxsStringVector names;
        assumptions->GetCharSetNames(names);
        for (const NxsString& name : names) add(name, *assumptions->GetCharSet(name));
        names.clear();
        assumptions->GetExSetNames(names);
        for (const NxsString& name : names) add(name, assumptions->GetExSet(name));
    }
    return sets;
}

}  // namespace

Alignment readAlignment(const std::string& text, const std::string& fileName,
                        const std::vector<ReadingAttempt>& attempts) {
    Failure furthest;
    for (const ReadingAttempt& attempt : attempts) {
        QuietReader reader;
        std::istringstream in(text);
        try {
            reader.ReadStream(in, attempt.nclFormat);
        } catch (const NxsException& error) {
            const Failure failure = failureOf(error);
            if (failure.position > furthest.position) furthest = failure;
            continue;
        } catch (const std::exception& error) {  // the library's own checks, std::bad_alloc
            if (furthest.position < 0) furthest = {error.what(), 0};
            continue;
        }
        const std::string nclFormat = attempt.nclFormat;
        const bool fasta = nclFormat.find("fasta") != std::string::npos;
        Alignment alignment;
        alignment.label = attempt.label;
        try {
            const NxsCharactersBlock& block = nucleotideBlock(reader, fileName, fasta);
            for (unsigned t = 0; t < block.GetNTaxTotal(); ++t) {
                const std::string label = block.GetTaxonLabel(t);
                alignment.names.push_back(nclFormat == "nexus" ? nexusSpelling(label, text)
                                                               : nameOf(label, fasta));
                alignment.rows.push_back(rowOf(block, t, fileName, alignment.names.back()));
            }
            if (block.GetGapSymbol() != '\0') alignment.gapSymbol = block.GetGapSymbol();
            if (block.GetMissingSymbol() != '\0')
                alignment.missingSymbol = block.GetMissingSymbol();
            alignment.siteSets = siteSetsOf(reader, block);
        } catch (const NxsException& error) {  // the library's own checks of what it read
            failInput("vornax-import", fileName, failureOf(error).message);
        }
        return alignment;
    }
    failInput("vornax-import", fileName, furthest.message);
}
