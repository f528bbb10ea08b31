#include "importer/datafile_writer.h"

#include <algorithm>
#include <map>

#include "common/run_error.h"

namespace {

// Returns `name` as one word: each byte that is white space or a control byte becomes '_'.
std::string oneWord(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) c = '_';
    }
    return name;
}

}  // namespace

std::string dataFileText(const Alignment& alignment, const std::vector<SiteRange>& regions,
                         const DataCodes& codes, const std::string& comment,
                         const std::string& source,
                         const std::function<void(const std::string&)>& warn) {
    const auto refuse = [&source](const std::string& reason) {
        failInput("vornax-import", source, reason);
    };
    if (alignment.rows.empty()) refuse("it holds no taxon");
    if (codes.missing == codes.unknown) {
        refuse(std::string("the missing-data and the unknown-data code are both \"") +
               codes.missing + "\"; choose others with --missing or --unknown");
    }

    // The names, one word each and all different.
    std::vector<std::string> names;
    std::map<std::string, size_t> taken;
    size_t changed = 0, longest = 0;
    std::string example;
    for (size_t t = 0; t < alignment.names.size(); ++t) {
        names.push_back(oneWord(alignment.names[t]));
        if (names[t].empty()) refuse("taxon " + std::to_string(t + 1) + " has no name");
        const auto [other, fresh] = taken.emplace(names[t], t);
        if (!fresh) {
            refuse(
                "taxa " + std::to_string(other->second + 1) + " and " + std::to_string(t + 1) +
                " would both be named \"" + names[t] + "\"" +
                (alignment.label.starts_with("FASTA") ? " (a FASTA name is the first word)" : ""));
        }
        if (names[t] != alignment.names[t] && changed++ == 0) {
            example = "\"" + alignment.names[t] + "\" as " + names[t];
        }
        longest = std::max(longest, names[t].size());
    }
    if (changed > 0) {
        warn(std::to_string(changed) + " taxon name" + (changed > 1 ? "s hold" : " holds") +
             " blanks, written with '_' (" + example + (changed > 1 ? ", ...)" : ")"));
    }

    std::string text = std::to_string(alignment.rows.size()) + " " +
                       std::to_string(alignment.rows[0].size()) + " " +
                       std::to_string(regions.size()) + " " + codes.missing + " " + codes.unknown +
                       " " + comment + "\n";
    for (size_t r = 0; r < regions.size(); ++r) {
        if (r > 0) text += ' ';
        text += std::to_string(regions[r].first) + "-" + std::to_string(regions[r].last);
    }
    text += "\n";
    for (size_t t = 0; t < names.size(); ++t) {
        text += names[t] + std::string(longest + 2 - names[t].size(), ' ');
        const std::string& row = alignment.rows[t];
        for (size_t site = 0; site < row.size(); ++site) {
            const char cell = row[site];
            const bool data = cell != kGapCell && cell != kUnknownCell;
            if (data && (cell == codes.missing || cell == codes.unknown)) {
                refuse("\"" + names[t] + "\" holds \"" + cell + "\" as data at site " +
                       std::to_string(site + 1) + "; it cannot be the " +
                       (cell == codes.missing ? "missing" : "unknown") +
                       "-data code (choose another with --missing or --unknown)");
            }
            text += cell == kGapCell ? codes.missing : cell == kUnknownCell ? codes.unknown : cell;
        }
        text += "\n";
    }
    return text;
}
