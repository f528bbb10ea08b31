// The ambiguous regions of an import, from the four ways of giving them: site ranges, a
// CHARSET or EXSET, a file of ranges, or the blocks that a trimming program kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Sites first to last, counted from 1, both included.
struct SiteRange {
    long long first = 0;
    long long last = 0;
};

// Reads a list of site ranges: "131-139", a single site "200", or "[1 13]", separated by
// commas or blanks; a "Flanks:" in front (a trimming program's list of kept blocks) is passed
// over. Returns "" and the ranges added to `ranges`, or what is wrong with the text.
std::string parseRanges(std::string_view text, std::vector<SiteRange>& ranges);

// Reads the regions file `path`: ranges as parseRanges reads them, one per line, '#' and
// what follows it a comment. Throws RunError naming the file and the line of a wrong one.
std::vector<SiteRange> readRegionsFile(const std::string& path);

// Returns the runs of consecutive sites of `sites` (in ascending order), one range each.
std::vector<SiteRange> runsOf(const std::vector<long long>& sites);

// Returns the stretches between the kept blocks `blocks`, one region each. The sites before
// the first block and after the last are not regions: `note` is told of them. Throws RunError
// naming `source` when there is no block, or the blocks are not in order and apart or lie
// outside its `siteCount` sites.
std::vector<SiteRange> regionsBetween(const std::vector<SiteRange>& blocks, long long siteCount,
                                      const std::string& source,
                                      const std::function<void(const std::string&)>& note);

// Throws RunError naming `source` unless `regions` can be coded in an alignment of
// `siteCount` sites: from 1 to 99 regions, none reversed, outside the sites, longer than 101
// sites or overlapping another.
void checkRegions(const std::vector<SiteRange>& regions, long long siteCount,
                  const std::string& source);
