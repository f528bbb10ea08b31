#include "builder/dataset.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <limits>

#include "common/run_error.h"

namespace {

// Throws the refusal of a data file: "vornax: data file \"NAME\": <reason>\n" on stderr.
[[noreturn]] void refuse(const std::string& fileName, const std::string& reason) {
    throw RunError("vornax: data file \"" + fileName + "\": " + reason + "\n");
}

// Returns the whole content of `in`, or throws RunError on a read error.
std::string readAll(std::istream& in, const std::string& fileName) {
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (!in) break;
    }
    if (in.bad()) failFile("vornax", "cannot read", fileName, errno);
    return text;
}

// Returns `text` with every carriage return that ends a line (before a line feed or at the
// very end of the file) taken out.
std::string withoutLineEndReturns(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const bool endsLine = i + 1 == text.size() || text[i + 1] == '\n';
        if (text[i] == '\r' && endsLine) continue;
        out += text[i];
    }
    return out;
}

// Returns whether `c` is white space to the free-format reading of the header.
bool isHeaderSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Moves `pos` past white space, line ends included.
void skipSpace(const std::string& text, size_t& pos) {
    while (pos < text.size() && isHeaderSpace(text[pos])) ++pos;
}

// Reads a decimal integer (white space, an optional sign, digits) into `value`; a value out
// of the 32-bit range is clamped. Returns false, leaving `value`, when there is none.
bool readCount(const std::string& text, size_t& pos, int32_t& value) {
    skipSpace(text, pos);
    size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    if (p >= text.size() || text[p] < '0' || text[p] > '9') return false;
    const int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        if (magnitude < limit) magnitude = magnitude * 10 + (text[p] - '0');
    }
    if (magnitude > limit) magnitude = limit;
    int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) {
        signedValue = std::numeric_limits<int32_t>::max();
    }
    value = int32_t(signedValue);
    pos = p;
    return true;
}

// Reads the next byte that is not white space into `code`. Returns false at the end.
bool readCode(const std::string& text, size_t& pos, char& code) {
    skipSpace(text, pos);
    if (pos >= text.size()) return false;
    code = text[pos++];
    return true;
}

// Returns the line that starts at `pos` (without its line feed) and moves `pos` past it.
std::string_view nextLine(const std::string& text, size_t& pos) {
    const size_t start = pos;
    size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    pos = stop < text.size() ? stop + 1 : stop;
    return std::string_view(text).substr(start, stop - start);
}

// Returns whether `line` holds nothing but blanks, tabs and carriage returns.
bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

std::vector<RegionBounds> parseRegionLine(std::string_view line, int32_t regionCount) {
    const size_t slots = size_t(regionCount < 0 ? 0 : regionCount) + 1;
    std::vector<uint32_t> begins(slots, 0), ends(slots, 0);
    size_t index = 0;
    bool inEnd = false;
    for (char c : line) {
        if (c == '-') {
            inEnd = true;
        } else if (c == ' ' || c == '\t') {
            inEnd = false;
            if (++index >= slots) break;
        } else {
            uint32_t& value = inEnd ? ends[index] : begins[index];
            value = value * 10u + uint32_t(int(static_cast<signed char>(c)) - '0');
        }
    }
    std::vector<RegionBounds> bounds(slots);
    for (size_t i = 0; i < slots; ++i) {
        bounds[i].begin = int32_t(begins[i]);
        bounds[i].end = int32_t(ends[i]);
        bounds[i].length = int64_t(bounds[i].end) - bounds[i].begin + 1;
    }
    return bounds;
}

std::string taxonFragment(std::string_view line, const RegionBounds& bounds) {
    const size_t nameEnd = std::min(line.find_first_of(" \t"), line.size());
    const size_t sequenceStart = std::min(line.find_first_not_of(" \t", nameEnd), line.size());
    // Only the sites that fall inside the line: site s is line[sequenceStart + s - 1].
    const int64_t first = std::max<int64_t>(bounds.begin, 1 - int64_t(sequenceStart));
    const int64_t last =
        std::min<int64_t>(bounds.end, int64_t(line.size()) - int64_t(sequenceStart));
    std::string fragment;
    for (int64_t site = first; site <= last; ++site) {
        char c = line[size_t(int64_t(sequenceStart) + site - 1)];
        if (c == 'a' || c == 'c' || c == 'g' || c == 't') c = char(c - 'a' + 'A');
        fragment += c;
    }
    return fragment;
}

void readDataFile(std::istream& in, const std::string& fileName, Dataset& data) {
    const std::string text = withoutLineEndReturns(readAll(in, fileName));
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        refuse(fileName, "it holds a NUL byte (byte " + std::to_string(nul + 1) +
                             "); a data file must be plain text");
    }

    // The header: three counts and two codes, free format; an item that cannot be read
    // leaves it and every later item at 0. The rest of the last item's line is a comment.
    data = Dataset();
    size_t pos = 0;
    int32_t counts[3] = {0, 0, 0};
    bool ok = true;
    for (int32_t& count : counts) ok = ok && readCount(text, pos, count);
    ok = ok && readCode(text, pos, data.missingCode);
    ok = ok && readCode(text, pos, data.unknownCode);
    nextLine(text, pos);
    data.taxonCount = counts[0] < 0 ? 0 : counts[0];
    data.siteCount = counts[1];
    data.regionCount = counts[2] < 0 ? 0 : counts[2];
    if (data.regionCount > kMaxRegions) {
        refuse(fileName, "its header asks for " + std::to_string(data.regionCount) +
                             " ambiguous regions; at most " + std::to_string(kMaxRegions) +
                             " can be coded");
    }

    // The region line, and the length test of every region before any taxon is read.
    data.regions = parseRegionLine(nextLine(text, pos), data.regionCount);
    data.regions.resize(size_t(data.regionCount));
    for (int32_t r = 0; r < data.regionCount; ++r) {
        if (data.regions[r].length > kMaxRegionLength) {
            char message[96];
            std::snprintf(message, sizeof message,
                          "Memory error - ambiguous region %d is too large\a\a\n", r + 1);
            throw RunError(message, 1, Stream::out);
        }
    }

    // The taxon lines; lines holding only blanks and tabs are not taxa.
    data.fragments.assign(size_t(data.regionCount), {});
    int32_t taxaRead = 0;
    while (taxaRead < data.taxonCount) {
        if (pos >= text.size()) {
            refuse(fileName, "it ends after " + std::to_string(taxaRead) + " of the " +
                                 std::to_string(data.taxonCount) +
                                 " taxon lines that its header announces");
        }
        const std::string_view line = nextLine(text, pos);
        if (isBlankLine(line)) continue;
        const std::string_view name = line.substr(0, line.find_first_of(" \t"));
        data.taxonNames.emplace_back(name);
        if (name.size() > size_t(data.longestNameLength)) {
            data.longestNameLength = int(std::min<size_t>(name.size(), INT32_MAX));
        }
        for (int32_t r = 0; r < data.regionCount; ++r) {
            data.fragments[r].push_back(taxonFragment(line, data.regions[r]));
        }
        data.sequences.push_back(taxonFragment(line, RegionBounds{1, INT32_MAX, INT32_MAX}));
        ++taxaRead;
    }
}
