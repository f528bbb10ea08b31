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
// the same order, else where it does not. The library reads past the end of its list of names
// when a later block names a taxon more, so the file is followed as the library reads it: a
// block is a run of lines that begin with a name; after a name, blanks and line ends up to the
// first state are passed over; the states run to the end of the line, or to a number, after
// which the rest of the line is passed over; a line ends at "\n", "\r\n" or a lone "\r".
// (Where the library stops with an error of its own, this stops too and leaves it to it.)
std::string clustalBlocksDiffer(std::string_view text) {
    if (text.size() <= 7 || !startsWithNoCase(text, "CLUSTAL")) return "";
    size_t at = 7;  // the character read
    long long line = 1;
    const auto graphic = [&] { return text[at] > ' ' && text[at] < 0x7F; };
    // Moves to the next character; returns false, staying, at the end of the text.
    const auto advance = [&] {
        if (at + 1 >= text.size()) return false;
        ++at;
        if (text[at] == '\r' || (text[at] == '\n' && text[at - 1] != '\r')) ++line;
        return true;
    };
    // Moves to the start of the next line; returns false at the end of the text.
    const auto nextLine = [&] {
        for (;;) {
            const char c = text[at];
            if (!advance()) return false;
            if (c == '\n') return true;
            if (c == '\r') return text[at] != '\n' || advance();
        }
    };
    do {
        if (!nextLine()) return "";
    } while (!graphic());
    std::vector<std::string_view> first, names;
    for (bool firstBlock = true;; firstBlock = false) {
        while (!graphic())
            if (!nextLine()) return "";
        const long long blockLine = line;
        const auto differs = [&] {
            return "the block at line " + std::to_string(blockLine) +
                   " does not name the taxa of the first block in its order";
        };
        names.clear();
        while (graphic()) {
            const size_t start = at;
            bool more = true;
            while ((more = advance()) && graphic()) {
            }
            const std::string_view name = text.substr(start, (more ? at : text.size()) - start);
            if (!firstBlock && (names.size() >= first.size() || name != first[names.size()]))
                return differs();
            names.push_back(name);
            if (!more) return "";
            while (!graphic())
                if (!advance()) return "";
            // The states.
            for (bool sequenceEnds = false; !sequenceEnds;) {
                if (graphic()) {
                    if (text[at] >= '0' && text[at] <= '9') {
                        if (!nextLine()) return "";
                        break;
                    }
                    if (!advance()) return "";
                }
                if (!graphic()) {
                    const char c = text[at];
                    if (!advance()) return "";
                    if (c == '\r' && text[at] == '\n' && !advance()) return "";
                    sequenceEnds = c == '\n' || c == '\r';
                }
            }
        }
        if (firstBlock) first = names;
        else if (names.size() != first.size()) return differs();
    }
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
