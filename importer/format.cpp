#include "importer/format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

// Returns whether `text` starts with `prefix`, letters compared without case.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// Reads the whole number at `pos` (capped at 10^15) and moves `pos` past it. Returns -1 when
// there is no digit there.
long long readNumber(std::string_view text, size_t& pos) {
    long long value = -1;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        value = std::min(std::max(value, 0LL) * 10 + (text[pos] - '0'), 1000000000000000LL);
    }
    return value;
}

// Reads the two whole numbers, separated by blanks or tabs, that begin `line` (the counts of a
// PHYLIP file) into `first` and `second`. Returns false when the line does not begin so.
bool readTwoCounts(std::string_view line, long long& first, long long& second) {
    size_t pos = std::min(line.find_first_not_of(" \t"), line.size());
    first = readNumber(line, pos);
    pos = std::min(line.find_first_not_of(" \t", pos), line.size());
    second = readNumber(line, pos);
    const bool ends =
        pos == line.size() || line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r';
    return first >= 0 && second >= 0 && ends;
}

// Reads the counts as the library takes them from a first line that is not two plain whole
// numbers: the digits that begin its first two words ("12x 40" gives 12 and 40); a word that
// does not begin with a digit counts as 1 taxon or 0 sites.
void leadingCounts(std::string_view line, long long& taxa, long long& sites) {
    size_t pos = std::min(line.find_first_not_of(" \t"), line.size());
    taxa = std::max(1LL, readNumber(line, pos));
    pos = std::min(line.find_first_of(" \t", pos), line.size());
    pos = std::min(line.find_first_not_of(" \t", pos), line.size());
    sites = std::max(0LL, readNumber(line, pos));
}

// Returns the number after `key` and '=' at `at` in `text` ("NCHAR = 40"), or -1 when `at`
// does not begin that, as a word of its own.
long long valueOf(std::string_view text, size_t at, std::string_view key) {
    if ((at > 0 && std::isalnum(static_cast<unsigned char>(text[at - 1]))) ||
        !startsWithNoCase(text.substr(at), key)) {
        return -1;
    }
    size_t pos = std::min(text.find_first_not_of(" \t\r\n", at + key.size()), text.size());
    if (pos == text.size() || text[pos] != '=') return -1;
    pos = std::min(text.find_first_not_of(" \t\r\n", pos + 1), text.size());
    return readNumber(text, pos);
}

// Returns "" when every block of the Clustal file `text` names the taxa of its first block in
// the same order, else where it does not. (The library misreads a block with a taxon more.)
std::string clustalBlocksDiffer(std::string_view text) {
    std::vector<std::string_view> first, block;
    long long number = 1, blockStart = 0;  // line numbers, the CLUSTAL line being 1
    size_t pos = text.find('\n');          // the CLUSTAL line
    while (pos < text.size()) {
        const size_t end = std::min(text.find('\n', pos + 1), text.size());
        const std::string_view line = text.substr(pos + 1, end - pos - 1);
        pos = end;
        ++number;
        const bool blank = line.find_first_not_of(" \t\r") == std::string_view::npos;
        if (!blank && line[0] != ' ' && line[0] != '\t') {
            if (block.empty()) blockStart = number;
            block.push_back(line.substr(0, line.find_first_of(" \t\r")));
        }
        if ((blank || pos == text.size()) && !block.empty()) {
            if (first.empty()) first = block;
            if (block != first) {
                return "the block at line " + std::to_string(blockStart) +
                       " does not name the taxa of the first block in its order";
            }
            block.clear();
        }
    }
    return "";
}

}  // namespace

std::vector<std::string> formatNames() {
    return {"nexus", "fasta", "clustal", "phylip", "phylip-relaxed", "phylip-strict"};
}

std::string detectFormat(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return "";
    const std::string_view rest = text.substr(start);
    if (startsWithNoCase(rest, "#NEXUS")) return "nexus";
    if (rest[0] == '>') return "fasta";
    if (startsWithNoCase(rest, "CLUSTAL")) return "clustal";
    long long taxa = 0, sites = 0;
    if (readTwoCounts(rest.substr(0, rest.find('\n')), taxa, sites)) return "phylip";
    return "";
}

std::string checkBeforeReading(std::string_view text, const std::string& format) {
    long long line = 1, column = 0;
    int comment = 0;      // NEXUS comments [ ] nest
    bool quoted = false;  // inside a NEXUS 'quoted token' ('' stands for a quote)
    for (const char c : text) {
        ++column;
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f';
        if (format == "nexus" && !quoted && c == '[') ++comment;
        if (format == "nexus" && !quoted && c == ']' && comment > 0) --comment;
        if (format == "nexus" && comment == 0 && c == '\'') quoted = !quoted;
        if (control || byte == 0x7F ||
            (byte > 0x7F && (format != "nexus" || (!quoted && comment == 0)))) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X", byte);
            return "line " + std::to_string(line) + ", column " + std::to_string(column) +
                   ": it holds the byte " + hex +
                   (control || byte == 0x7F
                        ? "; an alignment is text"
                        : "; bytes above 7F may stand only in NEXUS quoted names and comments");
        }
        if (c == '\n') ++line, column = 0;
    }
    if (format == "clustal") return clustalBlocksDiffer(text);
    // Each cell of the matrix, and each taxon's name, takes a byte of the file at least: a
    // file that announces more would have the library set memory aside for nothing.
    long long taxa = 1, sites = 0;
    const auto tooMany = [&]() {
        const auto bytes = static_cast<long long>(text.size());
        return taxa > bytes || (sites > 0 && taxa > bytes / sites);
    };
    if (format == "nexus") {
        for (size_t at = 0; at < text.size() && !tooMany(); ++at) {
            const long long ntax = valueOf(text, at, "NTAX");
            if (ntax >= 0) taxa = ntax;
            sites = std::max(0LL, valueOf(text, at, "NCHAR"));
        }
    } else {
        const size_t start = std::min(text.find_first_not_of(" \t\r\n"), text.size());
        const std::string_view first = text.substr(start, text.find('\n', start) - start);
        if (!readTwoCounts(first, taxa, sites)) leadingCounts(first, taxa, sites);
    }
    if (!tooMany()) return "";
    return "it announces " + std::to_string(taxa) + " taxa of " + std::to_string(sites) +
           " sites, more than its " + std::to_string(text.size()) + " bytes can hold";
}

std::vector<ReadingAttempt> readingAttempts(const std::string& format) {
    if (format == "nexus") return {{"nexus", "NEXUS"}};
    if (format == "fasta") return {{"dnafasta", "FASTA"}, {"rnafasta", "FASTA, RNA"}};
    if (format == "clustal") return {{"dnaaln", "Clustal"}, {"rnaaln", "Clustal, RNA"}};
    std::vector<ReadingAttempt> attempts;
    if (format != "phylip-strict") {
        attempts.insert(attempts.end(),
                        {{"dnarelaxedphylip", "relaxed PHYLIP"},
                         {"dnarelaxedphylipinterleaved", "relaxed interleaved PHYLIP"},
                         {"rnarelaxedphylip", "relaxed PHYLIP, RNA"},
                         {"rnarelaxedphylipinterleaved", "relaxed interleaved PHYLIP, RNA"}});
    }
    if (format != "phylip-relaxed") {
        attempts.insert(attempts.end(),
                        {{"dnaphylip", "strict PHYLIP"},
                         {"dnaphylipinterleaved", "strict interleaved PHYLIP"},
                         {"rnaphylip", "strict PHYLIP, RNA"},
                         {"rnaphylipinterleaved", "strict interleaved PHYLIP, RNA"}});
    }
    return attempts;
}
