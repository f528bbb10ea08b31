#include "importer/format.h"

#include <cctype>

namespace {

// Returns whether `text` starts with `prefix`, letters compared without case.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// Returns whether `line` begins with two whole numbers separated by blanks or tabs.
bool beginsWithTwoCounts(std::string_view line) {
    size_t pos = 0;
    for (int count = 0; count < 2; ++count) {
        pos = std::min(line.find_first_not_of(" \t", pos), line.size());
        const size_t digits = pos;
        while (pos < line.size() && std::isdigit(static_cast<unsigned char>(line[pos]))) ++pos;
        if (pos == digits) return false;
    }
    return pos == line.size() || line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r';
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
    if (beginsWithTwoCounts(rest.substr(0, rest.find('\n')))) return "phylip";
    return "";
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
        attempts.insert(attempts.end(), {{"dnaphylip", "strict PHYLIP"},
                                         {"dnaphylipinterleaved", "strict interleaved PHYLIP"},
                                         {"rnaphylip", "strict PHYLIP, RNA"},
                                         {"rnaphylipinterleaved", "strict interleaved PHYLIP, RNA"}});
    }
    return attempts;
}
