#include "importer/regions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>

#include "common/data_limits.h"
#include "common/run_error.h"

namespace {

// Returns whether `c` separates two ranges.
bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

// Reads a site number at `pos` into `value`, moving `pos` past it. Returns false when there
// is none or it has more than 12 digits.
bool readSite(std::string_view text, size_t& pos, long long& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = value * 10 + (text[pos++] - '0');
        if (pos - start > 12) return false;
    }
    return pos > start;
}

// Moves `pos` past blanks and tabs.
void skipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

// Returns "FIRST-LAST" of `range`.
std::string rangeText(const SiteRange& range) {
    return std::to_string(range.first) + "-" + std::to_string(range.last);
}

// Returns "region N (FIRST-LAST)".
std::string regionText(const std::vector<SiteRange>& regions, size_t i) {
    return "region " + std::to_string(i + 1) + " (" + rangeText(regions[i]) + ")";
}

}  // namespace

std::string parseRanges(std::string_view text, std::vector<SiteRange>& ranges) {
    size_t pos = std::min(text.find_first_not_of(" \t"), text.size());
    if (text.substr(pos, 7) == "Flanks:") pos += 7;
    for (;;) {
        while (pos < text.size() && isSeparator(text[pos])) ++pos;
        if (pos == text.size()) return "";
        const size_t start = pos;
        SiteRange range;
        bool ok = false;
        if (text[pos] == '[') {
            skipBlanks(text, ++pos);
            ok = readSite(text, pos, range.first);
            skipBlanks(text, pos);
            ok = ok && readSite(text, pos, range.last);
            skipBlanks(text, pos);
            ok = ok && pos < text.size() && text[pos++] == ']';
        } else {
            ok = readSite(text, pos, range.first);
            range.last = range.first;
            if (ok && pos < text.size() && text[pos] == '-') ok = readSite(text, ++pos, range.last);
        }
        if (!ok || (pos < text.size() && !isSeparator(text[pos]))) {
            size_t end = start;
            while (end < text.size() && !isSeparator(text[end])) ++end;
            std::string wrong(text.substr(start, std::max(end, pos) - start));
            return wrong.insert(0, 1, '"') +
                   "\" is not a site range (FIRST-LAST, one site, or [FIRST LAST])";
        }
        ranges.push_back(range);
    }
}

std::vector<SiteRange> readRegionsFile(const std::string& path) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) failFile("vornax-import", "cannot read", path, errno);
    std::vector<SiteRange> ranges;
    long long number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::string wrong = parseRanges(line.substr(0, line.find('#')), ranges);
        if (!wrong.empty()) {
            failInput("vornax-import", path, "line " + std::to_string(number) + ": " + wrong);
        }
    }
    if (in.bad()) failFile("vornax-import", "cannot read", path, errno);
    return ranges;
}

std::vector<SiteRange> runsOf(const std::vector<long long>& sites) {
    std::vector<SiteRange> runs;
    for (const long long site : sites) {
        if (!runs.empty() && site == runs.back().last + 1) {
            runs.back().last = site;
        } else {
            runs.push_back({site, site});
        }
    }
    return runs;
}

std::vector<SiteRange> regionsBetween(const std::vector<SiteRange>& blocks, long long siteCount,
                                      const std::string& source,
                                      const std::function<void(const std::string&)>& note) {
    if (blocks.empty()) failInput("vornax-import", source, "--kept names no block");
    std::vector<SiteRange> regions;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const SiteRange& block = blocks[i];
        if (block.first < 1 || block.last > siteCount || block.first > block.last) {
            failInput("vornax-import", source,
                      "kept block " + rangeText(block) + " is not a range of its sites 1-" +
                          std::to_string(siteCount));
        }
        if (i == 0) continue;
        if (block.first <= blocks[i - 1].last) {
            failInput("vornax-import", source,
                      "kept blocks " + rangeText(blocks[i - 1]) + " and " + rangeText(block) +
                          " are not in order and apart");
        }
        if (block.first > blocks[i - 1].last + 1)
            regions.push_back({blocks[i - 1].last + 1, block.first - 1});
    }
    if (blocks.front().first > 1) {
        note("sites 1-" + std::to_string(blocks.front().first - 1) +
             " before the first kept block are not a region");
    }
    if (blocks.back().last < siteCount) {
        note("sites " + std::to_string(blocks.back().last + 1) + "-" + std::to_string(siteCount) +
             " after the last kept block are not a region");
    }
    return regions;
}

void checkRegions(const std::vector<SiteRange>& regions, long long siteCount,
                  const std::string& source) {
    const auto refuse = [&source](const std::string& reason) {
        failInput("vornax-import", source, reason);
    };
    if (regions.empty()) refuse("no region is given");
    if (regions.size() > size_t(kMaxRegions)) {
        refuse(std::to_string(regions.size()) + " regions are given; vornax codes at most " +
               std::to_string(kMaxRegions));
    }
    for (size_t i = 0; i < regions.size(); ++i) {
        const SiteRange& region = regions[i];
        if (region.first > region.last) refuse(regionText(regions, i) + " is reversed");
        if (region.first < 1 || region.last > siteCount) {
            refuse(regionText(regions, i) + " lies outside the alignment's sites 1-" +
                   std::to_string(siteCount));
        }
        const long long length = region.last - region.first + 1;
        if (length > kMaxRegionLength) {
            refuse(regionText(regions, i) + " is " + std::to_string(length) +
                   " sites long; vornax codes regions of at most " +
                   std::to_string(kMaxRegionLength) + " sites");
        }
    }
    std::vector<size_t> order(regions.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return regions[a].first < regions[b].first; });
    for (size_t k = 1; k < order.size(); ++k) {
        const size_t a = std::min(order[k - 1], order[k]), b = std::max(order[k - 1], order[k]);
        if (regions[order[k]].first <= regions[order[k - 1]].last) {
            refuse(regionText(regions, a) + " and " + regionText(regions, b) + " overlap");
        }
    }
}
