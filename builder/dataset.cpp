#include "builder/dataset.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "common/run_error.h"

namespace {

// Throws the refusal of a data file: "vornax: data file \"NAME\": <reason>\n" on stderr.
[[noreturn]] void refuse(const std::string& fileName, const std::string& reason) {
    throw RunError("vornax: data file \"" + fileName + "\": " + reason + "\n");
}

// The data file as it is read, one line at a time: a line feed ends a line, and a carriage
// return before it (or at the very end of the file) is taken out. A NUL byte refuses the file
// as soon as the reading reaches it.
class DataLines {
  public:
    DataLines(std::istream& in, const std::string& fileName) : in_(in), fileName_(fileName) {}

    // Reads the next line into `line`; returns false at the end of the file.
    bool next(std::string& line) {
        line.clear();
        for (bool any = false;; any = true) {
            if (at_ == size_ && !fill()) {
                if (!any) return false;
                newline_ = false;
                break;
            }
            const size_t stop = std::min(nul_, lineFeed());
            line.append(buffer_ + at_, stop - at_);
            read_ += stop - at_;
            at_ = stop;
            if (at_ == nul_) {
                refuse(fileName_, "it holds a NUL byte (byte " + std::to_string(read_ + 1) +
                                      "); a data file must be plain text");
            }
            if (at_ < size_) {  // the line feed
                ++at_;
                ++read_;
                newline_ = true;
                break;
            }
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++number_;
        return true;
    }
    // Returns the number of lines read.
    int64_t number() const { return number_; }
    // Returns whether the last line read ended with a line feed.
    bool endedWithLineFeed() const { return newline_; }

  private:
    // Reads the next piece of the file; returns false at its end.
    bool fill() {
        in_.read(buffer_, sizeof buffer_);
        if (in_.bad()) failFile("vornax", "cannot read", fileName_, errno);
        size_ = size_t(in_.gcount());
        at_ = 0;
        const void* nul = std::memchr(buffer_, '\0', size_);
        nul_ = nul == nullptr ? std::string::npos : size_t(static_cast<const char*>(nul) - buffer_);
        return size_ > 0;
    }
    // Returns the position of the next line feed in the piece, or its size.
    size_t lineFeed() const {
        const void* found = std::memchr(buffer_ + at_, '\n', size_ - at_);
        return found == nullptr ? size_ : size_t(static_cast<const char*>(found) - buffer_);
    }

    std::istream& in_;
    const std::string& fileName_;
    char buffer_[65536];
    size_t size_ = 0, at_ = 0;        // the bytes of the piece, and the next one to take
    size_t nul_ = std::string::npos;  // the first NUL byte of the piece, if any
    uint64_t read_ = 0;               // the bytes of the file taken so far
    int64_t number_ = 0;
    bool newline_ = false;
};

// Returns whether `c` is white space to the free-format reading of the header.
bool isHeaderSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the three counts that begin line 1, `line` (taxa, sites, regions), each a whole
// number within the 32-bit range, and moves `pos` past them; refuses the file, naming
// vornax-import, when line 1 does not begin with them.
void readCounts(const std::string& line, size_t& pos, const std::string& fileName,
                const std::string& cure, int32_t (&counts)[3]) {
    const std::string lead = "line 1 does not begin with three counts (taxa, sites, regions): ";
    for (int i = 0; i < 3; ++i) {
        while (pos < line.size() && isHeaderSpace(line[pos])) ++pos;
        const size_t end = std::min(line.find_first_of(" \t\n\v\f\r", pos), line.size());
        std::string item = line.substr(pos, end - pos);
        if (item.empty()) refuse(fileName, lead + "it holds only " + std::to_string(i) + cure);
        const char* first = item.data() + (item.size() > 1 && item[0] == '+' && item[1] != '-');
        int64_t value = 0;
        const auto [stop, error] = std::from_chars(first, item.data() + item.size(), value);
        const bool whole =
            error != std::errc::invalid_argument && stop == item.data() + item.size();
        if (item.size() > 24) item = item.substr(0, 20) + "...";
        for (char& c : item) {
            if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) c = '?';
        }
        if (!whole) refuse(fileName, lead + "\"" + item + "\" is not a whole number" + cure);
        if (error == std::errc::result_out_of_range || value != int32_t(value)) {
            refuse(fileName, lead + "\"" + item + "\" is out of range" + cure);
        }
        counts[i] = int32_t(value);
        pos = end;
    }
}

// Reads the next byte that is not white space into `code`, from `line` at `pos` on and then
// from the lines after it. Returns false at the end of the file.
bool readCode(DataLines& lines, std::string& line, size_t& pos, char& code) {
    for (;;) {
        while (pos < line.size() && isHeaderSpace(line[pos])) ++pos;
        if (pos < line.size()) {
            code = line[pos++];
            return true;
        }
        if (!lines.next(line)) return false;
        pos = 0;
    }
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
            value = value * 10u + (uint32_t(static_cast<unsigned char>(c)) - '0');
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

std::string taxonSequence(const Dataset& data, int32_t taxon) {
    return taxonFragment(data.taxonLine(taxon), RegionBounds{1, INT32_MAX, INT32_MAX});
}

namespace {

// Returns the number of sites of a taxon line: the bytes after the name and the blanks and
// tabs that follow it, up to the last byte that is not a blank or a tab.
int64_t sequenceLength(std::string_view line) {
    const size_t nameEnd = std::min(line.find_first_of(" \t"), line.size());
    const size_t start = std::min(line.find_first_not_of(" \t", nameEnd), line.size());
    const size_t last = line.find_last_not_of(" \t");
    return last == std::string_view::npos || last < start ? 0 : int64_t(last - start + 1);
}

// Calls `problem` for each mistake of the region line `line` that parseRegionLine takes in
// silence: an entry left empty by a blank or tab too many, more or fewer ranges than the
// header's count, a byte other than a digit in a bound, a range without an end, reversed,
// outside the sites or overlapping another. `data` holds the header and the parsed bounds.
void checkRegionLine(std::string_view line, const Dataset& data,
                     const std::function<void(const std::string&)>& problem) {
    std::vector<std::string_view> entries;  // one per region slot, as parseRegionLine walks it
    for (size_t start = 0;;) {
        const size_t stop = std::min(line.find_first_of(" \t", start), line.size());
        entries.push_back(line.substr(start, stop - start));
        if (stop == line.size()) break;
        start = stop + 1;
    }
    while (!entries.empty() && entries.back().empty()) entries.pop_back();
    const size_t count = size_t(data.regionCount);
    const auto quoted = [&](size_t r) {
        return std::to_string(r + 1) + " \"" + std::string(entries[r]) + "\"";
    };

    std::vector<size_t> ranges;  // the regions that hold sites, by number
    for (size_t r = 0; r < std::min(entries.size(), count); ++r) {
        const std::string_view entry = entries[r];
        const RegionBounds& bounds = data.regions[r];
        const size_t odd = entry.find_first_not_of("0123456789-");
        if (entry.empty()) {
            problem("region " + std::to_string(r + 1) +
                    " is empty: a blank or tab too many; the ranges after it move one region on");
        } else if (odd != std::string_view::npos) {
            problem("region " + quoted(r) + ": \"" + entry[odd] +
                    "\" is not a digit; it counts as " +
                    std::to_string(int(static_cast<unsigned char>(entry[odd])) - '0'));
        } else if (entry.find('-') == std::string_view::npos) {
            problem("region " + quoted(r) + " is not a range FIRST-LAST: it holds no site");
        } else if (bounds.length <= 0) {
            problem("region " + quoted(r) + " is reversed: it holds no site");
        } else if (bounds.begin < 1 || bounds.end > data.siteCount) {
            problem("region " + quoted(r) + " is not within sites 1 to " +
                    std::to_string(data.siteCount));
        }
        if (!entry.empty() && bounds.length > 0) ranges.push_back(r);
    }
    if (entries.size() > count) {
        size_t extra = count;
        while (entries[extra].empty()) ++extra;
        problem("the header announces " + std::to_string(count) + " regions; the ranges from \"" +
                std::string(entries[extra]) + "\" on are not coded");
    } else if (entries.size() < count) {
        problem("it holds " + std::to_string(entries.size()) + " of the " + std::to_string(count) +
                " ranges that the header announces; the regions from " +
                std::to_string(entries.size() + 1) + " on are empty");
    }

    std::sort(ranges.begin(), ranges.end(),
              [&](size_t a, size_t b) { return data.regions[a].begin < data.regions[b].begin; });
    for (size_t i = 1, reach = 0; i < ranges.size(); ++i) {
        const size_t before = ranges[reach], after = ranges[i];  // reach: the furthest end so far
        if (data.regions[after].begin <= data.regions[before].end) {
            problem("regions " + quoted(std::min(before, after)) + " and " +
                    quoted(std::max(before, after)) + " overlap");
        }
        if (data.regions[after].end > data.regions[before].end) reach = i;
    }
}

}  // namespace

void readDataFile(std::istream& in, const std::string& fileName, Dataset& data,
                  const DataFileReport& report) {
    DataLines lines(in, fileName);
    const auto problem = [&](int64_t line, const std::string& what) {
        if (report.problem) report.problem(line, what);
    };

    // The header: three counts at the start of line 1, then two codes, free format; a code
    // that cannot be read leaves it and the next at 0. The rest of the last item's line is
    // a comment.
    data = Dataset();
    const std::string cure =
        "; vornax-import makes a data file from a FASTA, PHYLIP, NEXUS or Clustal alignment";
    const auto isSpace = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(), isHeaderSpace);
    };
    std::string line;
    lines.next(line);
    if (isSpace(line)) {  // no count on line 1: does the file hold anything at all?
        bool empty = true;
        for (std::string later; empty && lines.next(later);) empty = isSpace(later);
        if (empty) refuse(fileName, "it is empty" + cure);
    }
    size_t pos = 0;
    int32_t counts[3] = {0, 0, 0};
    readCounts(line, pos, fileName, cure, counts);
    if (readCode(lines, line, pos, data.missingCode)) {
        readCode(lines, line, pos, data.unknownCode);
    }
    data.taxonCount = counts[0] < 0 ? 0 : counts[0];
    data.siteCount = counts[1];
    data.regionCount = counts[2] < 0 ? 0 : counts[2];
    if (data.regionCount > kMaxRegions) {
        refuse(fileName, "its header asks for " + std::to_string(data.regionCount) +
                             " ambiguous regions; at most " + std::to_string(kMaxRegions) +
                             " can be coded");
    }

    // The region line (empty at the end of the file), and the length test of every region
    // before any taxon is read.
    int64_t lineNumber = lines.number() + (lines.endedWithLineFeed() ? 1 : 0);
    std::string regionLine;
    lines.next(regionLine);
    data.regions = parseRegionLine(regionLine, data.regionCount);
    data.regions.resize(size_t(data.regionCount));
    checkRegionLine(regionLine, data, [&](const std::string& what) { problem(lineNumber, what); });
    for (int32_t r = 0; r < data.regionCount; ++r) {
        if (data.regions[r].length > kMaxRegionLength) {
            if (!report.dialogue) {
                refuse(fileName,
                       "line " + std::to_string(lineNumber) + ": region " + std::to_string(r + 1) +
                           " (" + std::to_string(data.regions[r].begin) + "-" +
                           std::to_string(data.regions[r].end) + ") is " +
                           std::to_string(data.regions[r].length) + " sites long; at most " +
                           std::to_string(kMaxRegionLength) + " can be coded");
            }
            char message[96];
            std::snprintf(message, sizeof message,
                          "Memory error - ambiguous region %d is too large\a\a\n", r + 1);
            throw RunError(message, 1, Stream::out);
        }
    }

    // The taxon lines; lines holding only blanks and tabs are not taxa.
    std::unordered_map<std::string, int64_t> nameLines;
    struct WrongLength {
        int64_t line, sites;
        int32_t taxon;
    };
    std::vector<WrongLength> wrongLengths;
    int32_t taxaRead = 0;
    while (taxaRead < data.taxonCount) {
        if (!lines.next(line)) {
            refuse(fileName, "it ends after " + std::to_string(taxaRead) + " of the " +
                                 std::to_string(data.taxonCount) +
                                 " taxon lines that its header announces");
        }
        ++lineNumber;
        if (isBlankLine(line)) continue;
        const std::string_view name = std::string_view(line).substr(0, line.find_first_of(" \t"));
        data.taxonNames.emplace_back(name);
        if (name.size() > size_t(data.longestNameLength)) {
            data.longestNameLength = int(std::min<size_t>(name.size(), INT32_MAX));
        }
        data.taxonText += line;
        data.taxonLineEnds.push_back(data.taxonText.size());
        ++taxaRead;

        const auto [first, fresh] = nameLines.emplace(name, lineNumber);
        if (!fresh) {
            problem(lineNumber, "taxon name \"" + std::string(name) + "\" is also on line " +
                                    std::to_string(first->second));
        }
        const int64_t sites = sequenceLength(line);
        if (sites != data.siteCount) wrongLengths.push_back({lineNumber, sites, taxaRead - 1});
    }

    // What the header's counts leave out.
    const bool allTheSame =
        wrongLengths.size() > 1 && wrongLengths.size() == size_t(data.taxonCount) &&
        std::all_of(wrongLengths.begin(), wrongLengths.end(),
                    [&](const WrongLength& wrong) { return wrong.sites == wrongLengths[0].sites; });
    if (allTheSame) {
        problem(1, "the header announces " + std::to_string(data.siteCount) +
                       " sites; every sequence has " + std::to_string(wrongLengths[0].sites));
    } else {
        for (const WrongLength& wrong : wrongLengths) {
            problem(wrong.line, "the sequence of \"" + data.taxonNames[wrong.taxon] + "\" has " +
                                    std::to_string(wrong.sites) + " sites; the header announces " +
                                    std::to_string(data.siteCount));
        }
    }
    int64_t extraLines = 0, firstExtra = 0;
    while (lines.next(line)) {
        ++lineNumber;
        if (isBlankLine(line)) continue;
        if (extraLines++ == 0) firstExtra = lineNumber;
    }
    if (extraLines > 0) {
        problem(firstExtra, std::to_string(extraLines) + " more taxon line" +
                                (extraLines > 1 ? "s" : "") + " from here on than the " +
                                std::to_string(data.taxonCount) + " of the header: not coded");
    }
}
