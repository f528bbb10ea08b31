#include "importer/format.h"

#include <cctype>
#include <cstdio>
#include <regex>
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
    if (beginsWithTwoCounts(rest.substr(0, rest.find('\n')))) return "phylip";
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
    // Each cell of the matrix takes a byte of the file at least.
    const std::string bytes(text);
    const std::regex counts =
        format == "nexus" ? std::regex(R"(\b(NTAX|NCHAR)\s*=\s*(\d{1,15}))", std::regex::icase)
                          : std::regex(R"(^\s*(\d{1,15})\s+(\d{1,15}))");
    long long taxa = 1;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), counts);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& match = *it;
        long long sites = 0;
        if (format != "nexus") {
            taxa = std::stoll(match[1]);
            sites = std::stoll(match[2]);
        } else if (std::toupper(static_cast<unsigned char>(match[1].str()[1])) == 'T') {
            taxa = std::stoll(match[2]);
            continue;
        } else {
            sites = std::stoll(match[2]);
        }
        if (sites > 0 && taxa > (long long)(text.size()) / sites) {
            return "it announces " + std::to_string(taxa) + " taxa of " + std::to_string(sites) +
                   " sites, more than its " + std::to_string(text.size()) + " bytes can hold";
        }
        if (format != "nexus") break;
    }
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
        attempts.insert(attempts.end(),
                        {{"dnaphylip", "strict PHYLIP"},
                         {"dnaphylipinterleaved", "strict interleaved PHYLIP"},
                         {"rnaphylip", "strict PHYLIP, RNA"},
                         {"rnaphylipinterleaved", "strict interleaved PHYLIP, RNA"}});
    }
    return attempts;
}
