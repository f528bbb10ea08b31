// The data file reader: header, region line, taxon lines and every refusal.
#include "builder/dataset.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "common/run_error.h"

namespace {

Dataset readText(const std::string& text) {
    std::istringstream in(text);
    Dataset data;
    readDataFile(in, "data.txt", data);
    return data;
}

// Returns the RunError that reading `text` throws (fails the test when none is thrown).
RunError readFailure(const std::string& text) {
    try {
        readText(text);
    } catch (const RunError& error) {
        return error;
    }
    ADD_FAILURE() << "no RunError for: " << text;
    return RunError("");
}

std::string taxonLines(int count, const std::string& sequence) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += std::string("t") + std::to_string(i) + " " + sequence + "\n";
    return lines;
}

}  // namespace

// ---- header line ----

TEST(DataFileHeader, ReadsCountsAndCodesAndDiscardsTheComment) {
    std::string regionLine;
    for (int r = 0; r < 25; ++r)
        regionLine += std::string(r ? " " : "") + std::to_string(r + 1) + "-1";
    const Dataset d = readText("63 1826 25 - ? a comment on the header line\n" + regionLine + "\n" +
                               taxonLines(63, "ACGT"));
    EXPECT_EQ(d.taxonCount, 63);
    EXPECT_EQ(d.siteCount, 1826);
    EXPECT_EQ(d.regionCount, 25);
    EXPECT_EQ(d.missingCode, '-');
    EXPECT_EQ(d.unknownCode, '?');
    ASSERT_EQ(d.taxonNames.size(), 63u);
    EXPECT_EQ(d.taxonNames[62], "t62");
}

TEST(DataFileHeader, DiscardsAHeaderCommentOfAnyLength) {
    const Dataset d = readText("1 9 1 : ! " + std::string(5000, 'c') + "\n2-3\nname ACGT\n");
    EXPECT_EQ(d.missingCode, ':');
    EXPECT_EQ(d.unknownCode, '!');
    ASSERT_EQ(d.regions.size(), 1u);
    EXPECT_EQ(d.regions[0].begin, 2);
    EXPECT_EQ(d.regions[0].end, 3);
    EXPECT_EQ(d.fragments[0][0], "CG");
}

TEST(DataFileHeader, ItemsMayBeSpreadOverLinesAndTabs) {
    const Dataset d = readText("1\t9\n1\n\t-  ?  tail\n1-2\nx AC\n");
    EXPECT_EQ(d.taxonCount, 1);
    EXPECT_EQ(d.regionCount, 1);
    EXPECT_EQ(d.unknownCode, '?');
    EXPECT_EQ(d.fragments[0][0], "AC");
}

TEST(DataFileHeader, AnUnreadableItemLeavesItAndEveryLaterFieldAtZero) {
    const Dataset d = readText("2 many 3 - ?\n1-2\na AC\nb GG\n");
    EXPECT_EQ(d.taxonCount, 2);
    EXPECT_EQ(d.siteCount, 0);
    EXPECT_EQ(d.regionCount, 0);
    EXPECT_EQ(d.missingCode, 0);
    EXPECT_EQ(d.unknownCode, 0);
    EXPECT_EQ(d.taxonNames, (std::vector<std::string>{"a", "b"}));
}

TEST(DataFileHeader, AnEmptyFileHasNothing) {
    const Dataset d = readText("");
    EXPECT_EQ(d.taxonCount, 0);
    EXPECT_EQ(d.regionCount, 0);
    EXPECT_TRUE(d.regions.empty());
}

TEST(DataFileHeader, NegativeCountsActAsZero) {
    const Dataset d = readText("-4 10 -2 - ?\n1-2\n");
    EXPECT_EQ(d.taxonCount, 0);
    EXPECT_EQ(d.siteCount, 10);
    EXPECT_EQ(d.regionCount, 0);
}

TEST(DataFileHeader, OutOfRangeCountsClampAndReadingGoesOn) {
    const Dataset d = readText("0 99999999999 -99999999999 - ?\n");
    EXPECT_EQ(d.siteCount, INT32_MAX);
    EXPECT_EQ(d.regionCount, 0);
    EXPECT_EQ(d.missingCode, '-');
    EXPECT_EQ(d.unknownCode, '?');
}

TEST(DataFileHeader, NinetyNineRegionsAreAccepted) {
    const Dataset d = readText("0 1 99 - ?\n");
    EXPECT_EQ(d.regionCount, 99);
    EXPECT_EQ(d.regions.size(), 99u);
    EXPECT_EQ(d.regions[98].length, 1);
}

// ---- region line ----

TEST(RegionLine, TwoRangesSeparatedByOneBlank) {
    const auto b = parseRegionLine("131-139 150-152", 2);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].begin, 131);
    EXPECT_EQ(b[0].end, 139);
    EXPECT_EQ(b[0].length, 9);
    EXPECT_EQ(b[1].begin, 150);
    EXPECT_EQ(b[1].end, 152);
    EXPECT_EQ(b[1].length, 3);
    EXPECT_EQ(b[2].length, 1);  // the extra slot, unused
}

TEST(RegionLine, EveryBlankOrTabMovesOnOneRegion) {
    const auto doubled = parseRegionLine("1-3  5-6", 3);
    EXPECT_EQ(doubled[1].begin, 0);
    EXPECT_EQ(doubled[1].end, 0);
    EXPECT_EQ(doubled[1].length, 1);
    EXPECT_EQ(doubled[2].begin, 5);
    EXPECT_EQ(doubled[2].end, 6);

    const auto leading = parseRegionLine("\t7-8", 2);
    EXPECT_EQ(leading[0].length, 1);
    EXPECT_EQ(leading[1].begin, 7);

    const auto tabbed = parseRegionLine("1-2\t3-4", 2);
    EXPECT_EQ(tabbed[1].begin, 3);
    EXPECT_EQ(tabbed[1].end, 4);
}

TEST(RegionLine, MissingEntriesLeaveBoundsZero) {
    const auto b = parseRegionLine("4-9", 3);
    EXPECT_EQ(b[1].begin, 0);
    EXPECT_EQ(b[2].end, 0);
    EXPECT_EQ(b[2].length, 1);
}

TEST(RegionLine, OneEntryBeyondTheCountIsStoredAndTheRestIgnored) {
    const auto b = parseRegionLine("1-2 3-4 5-6 7-8", 2);
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[2].begin, 5);
    EXPECT_EQ(b[2].end, 6);
}

TEST(RegionLine, OtherBytesEnterTheSumLikeDigits) {
    // 'a' is 49 above '0': 1 * 10 + 49.
    EXPECT_EQ(parseRegionLine("1a-2", 1)[0].begin, 59);
    // A single entry without "-" has end 0.
    const auto noEnd = parseRegionLine("12", 1);
    EXPECT_EQ(noEnd[0].begin, 12);
    EXPECT_EQ(noEnd[0].length, -11);
    // A reversed range has a length of 0 or less.
    EXPECT_EQ(parseRegionLine("9-5", 1)[0].length, -3);
}

TEST(RegionLine, HugeBoundsWrapAt32Bits) {
    uint32_t expected = 0;
    for (char c : std::string("99999999999")) expected = expected * 10u + uint32_t(c - '0');
    const auto b = parseRegionLine("99999999999-1", 1);
    EXPECT_EQ(b[0].begin, int32_t(expected));
    EXPECT_EQ(b[0].length, int64_t(1) - int32_t(expected) + 1);
}

TEST(RegionLength, ARegionIsCheckedBeforeAnyTaxonLineIsRead) {
    // The file is short of taxon lines, but the oversized region is what is reported.
    const RunError e = readFailure("50 500 1 - ?\n1-500\n");
    EXPECT_STREQ(e.what(), "Memory error - ambiguous region 1 is too large\a\a\n");
    EXPECT_EQ(e.stream(), Stream::out);
    EXPECT_EQ(e.exitStatus(), 1);
}

// ---- taxon lines ----

TEST(TaxonLines, SiteOneIsTheFirstCharacterAfterTheBlanks) {
    const Dataset d = readText("1 8 1 - ?\n2-4\nabcdef   ACGTACGT\n");
    EXPECT_EQ(d.taxonNames[0], "abcdef");
    EXPECT_EQ(d.fragments[0][0], "CGT");
}

TEST(TaxonLines, ANameIsEverythingUpToTheFirstBlankOrTab) {
    const Dataset d = readText("2 4 1 - ?\n1-4\nname_twelve_\tACGT\nab ACGT\n");
    EXPECT_EQ(d.taxonNames[0], "name_twelve_");
    EXPECT_EQ(d.longestNameLength, 12);
    EXPECT_EQ(d.fragments[0][0], "ACGT");
}

TEST(TaxonLines, OnlyLowerCaseACGTBecomeUpperCase) {
    const Dataset d = readText("1 12 2 - ?\n1-6 11-12\nx acgtn-ttAAgc\n");
    EXPECT_EQ(d.fragments[0][0], "ACGTn-");
    EXPECT_EQ(d.fragments[1][0], "GC");
}

TEST(TaxonLines, ALineStartingWithABlankHasAnEmptyName) {
    const Dataset d = readText("1 4 1 - ?\n1-2\n  GA\n");
    EXPECT_EQ(d.taxonNames[0], "");
    EXPECT_EQ(d.fragments[0][0], "GA");
}

TEST(TaxonLines, RegionsOf100And101SitesKeepEveryCharacter) {
    std::string sequence;
    for (int i = 0; i < 101; ++i) sequence += "ACGT"[i % 4];
    const Dataset d = readText("1 101 2 - ?\n1-100 1-101\nx " + sequence + "\n");
    EXPECT_EQ(d.fragments[0][0], sequence.substr(0, 100));
    EXPECT_EQ(d.fragments[1][0], sequence);
}

TEST(TaxonLines, SitesBeyondTheLineContributeNothing) {
    // The long line comes first: nothing of it may show in the short line's fragments.
    const Dataset d = readText(
        "2 12 3 - ?\n3-6 9-12 20-25\n"
        "long ACGTACGTACGTACGTACGTACGTAC\n"
        "short ACGTAC\n");
    EXPECT_EQ(d.fragments[0][0], "GTAC");
    EXPECT_EQ(d.fragments[0][1], "GTAC");
    EXPECT_EQ(d.fragments[1][1], "");
    EXPECT_EQ(d.fragments[2][0], "TACGTA");
    EXPECT_EQ(d.fragments[2][1], "");
}

TEST(TaxonLines, ARegionRunningOverTheEndGivesAShortFragment) {
    const Dataset d = readText("1 9 1 - ?\n4-9\nx ACGTAC\n");
    EXPECT_EQ(d.fragments[0][0], "TAC");
}

TEST(TaxonLines, SiteZeroIsTheCharacterJustBeforeTheSequence) {
    // A doubled blank in the region line leaves region 2 with both bounds 0.
    const Dataset d = readText("2 9 3 - ?\n1-2  3-4\nx\tACGT\ny  GGCC\n");
    EXPECT_EQ(d.fragments[1][0], "\t");
    EXPECT_EQ(d.fragments[1][1], " ");
    EXPECT_EQ(d.fragments[2][0], "GT");
}

TEST(TaxonLines, ANameAloneIsATaxonWithAnEmptySequence) {
    const Dataset d = readText("2 4 1 - ?\n1-4\nlonely\nother ACGT\n");
    EXPECT_EQ(d.taxonNames, (std::vector<std::string>{"lonely", "other"}));
    EXPECT_EQ(d.fragments[0][0], "");
    EXPECT_EQ(d.fragments[0][1], "ACGT");
}

TEST(TaxonLines, BlankLinesAreSkipped) {
    const Dataset d = readText("2 4 1 - ?\n1-4\n\n   \n\t \r\na ACGT\n\n\nb TTTT\n");
    EXPECT_EQ(d.taxonNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.fragments[0][1], "TTTT");
}

TEST(TaxonLines, NothingAfterTheLastTaxonLineIsRead) {
    const Dataset d = readText("1 4 1 - ?\n1-4\na ACGT\nb TTTT\nrest of the file\n");
    EXPECT_EQ(d.taxonCount, 1);
    EXPECT_EQ(d.taxonNames.size(), 1u);
}

TEST(TaxonLines, NoSizeLimitOnLinesNamesOrTaxa) {
    std::string sequence(9000, 'T');
    sequence += "GATTACA";
    const std::string name(120, 'n');
    const Dataset d = readText("250 9007 1 - ?\n9001-9007\n" + name + " " + sequence + "\n" +
                               taxonLines(249, sequence));
    EXPECT_EQ(d.fragments[0][0], "GATTACA");
    EXPECT_EQ(d.taxonNames[0], name);
    EXPECT_EQ(d.longestNameLength, 120);
    EXPECT_EQ(d.taxonCount, 250);
    EXPECT_EQ(d.fragments[0][249], "GATTACA");
}
