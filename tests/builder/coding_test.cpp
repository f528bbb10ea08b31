// State coding: cleaning of fragments, the sorted distinct states and the coded column.
#include "builder/coding.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/symbols.h"

namespace {

// A dataset of one region whose fragments are `fragments`, one per taxon.
Dataset oneRegion(const std::vector<std::string>& fragments, char missing = '-',
                  char unknown = '?') {
    Dataset data;
    data.taxonCount = int32_t(fragments.size());
    data.regionCount = 1;
    data.missingCode = missing;
    data.unknownCode = unknown;
    data.regions.resize(1);
    data.fragments = {fragments};
    for (size_t t = 0; t < fragments.size(); ++t)
        data.taxonNames.push_back(std::string("t") + std::to_string(t));
    return data;
}

struct Coded {
    RegionStates states;
    std::string column;  // the region's cells, one per taxon
};

Coded code(Dataset& data) {
    Coded result;
    CodedMatrix matrix;
    matrix.reset(data.taxonCount, data.regionCount);
    codeRegion(data, 0, result.states, matrix);
    for (int t = 0; t < data.taxonCount; ++t) result.column += matrix.at(t, 0);
    return result;
}

}  // namespace

TEST(CleanFragment, MissingDataIsDroppedWhereverItStands) {
    EXPECT_EQ(cleanFragment("ACGT-", '-', '?'), "ACGT");
    EXPECT_EQ(cleanFragment("AC-GT", '-', '?'), "ACGT");
    EXPECT_EQ(cleanFragment("--A--", '-', '?'), "A");
    EXPECT_EQ(cleanFragment("TT---", '-', '?'), "TT");
    EXPECT_EQ(cleanFragment("-----", '-', '?'), "");
}

TEST(CleanFragment, OneUnknownCharacterEmptiesTheFragment) {
    EXPECT_EQ(cleanFragment("ACG?T", '-', '?'), "");
    EXPECT_EQ(cleanFragment("?", '-', '?'), "");
    EXPECT_EQ(cleanFragment("AC-G?", '-', '?'), "");
}

TEST(CleanFragment, AMissingCodeThatIsAlsoTheUnknownCodeIsRemoved) {
    EXPECT_EQ(cleanFragment("A:C", ':', ':'), "AC");
}

TEST(CodeRegion, WorkedExampleOfFourTaxa) {
    Dataset data = oneRegion({"ACGT-", "AC-GT", "ACG?T", "TT---"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"ACGT", "TT"}));
    EXPECT_EQ(c.states.lastStateIndex, 1);
    EXPECT_EQ(c.column, "00?1");
    // The fragments are cleaned in place.
    EXPECT_EQ(data.fragments[0], (std::vector<std::string>{"ACGT", "ACGT", "", "TT"}));
}

TEST(CodeRegion, StatesAscendInByteOrder) {
    Dataset data = oneRegion({"T", "AG", "ACGT", "ACG", "AG"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"ACG", "ACGT", "AG", "T"}));
    EXPECT_EQ(c.column, "32102");
}

TEST(CodeRegion, BytesAboveSevenBitsSortAfterEveryLetter) {
    Dataset data = oneRegion({"A\xC3\xA9", "Az", "A\x7F", "a"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"Az", "A\x7F", "A\xC3\xA9", "a"}));
}

TEST(CodeRegion, ATaxonWithOnlyMissingDataIsUnknown) {
    Dataset data = oneRegion({"AC", "---", "AC"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"AC"}));
    EXPECT_EQ(c.column, "0?0");
}

TEST(CodeRegion, AllTaxaUnknownGiveTheOneEmptyState) {
    Dataset data = oneRegion({"A?", "--", "?"}, '-', '?');
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{""}));
    EXPECT_EQ(c.states.lastStateIndex, 0);
    EXPECT_TRUE(isCodedRegion(c.states));
    EXPECT_EQ(c.column, "???");
}

TEST(CodeRegion, AFirstUnknownTaxonLeavesStateZeroToTheNext) {
    Dataset data = oneRegion({"??", "GG", "CC"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"CC", "GG"}));
    EXPECT_EQ(c.column, "?10");
}

TEST(CodeRegion, FragmentsDifferingOnlyByMissingDataShareAState) {
    Dataset data = oneRegion({"ACGT-", "A-CGT"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states.size(), 1u);
    EXPECT_EQ(c.column, "00");
}

TEST(CodeRegion, CaseMattersForLettersOtherThanACGT) {
    Dataset data = oneRegion({"AnA", "ANA"});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"ANA", "AnA"}));
    EXPECT_EQ(c.column, "10");
}

TEST(CodeRegion, NoTaxaGiveTheOneEmptyState) {
    Dataset data = oneRegion({});
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{""}));
    EXPECT_EQ(c.states.lastStateIndex, 0);
}

TEST(CodeRegion, TheUnknownCodeMayBeAnyByte) {
    Dataset data = oneRegion({"AN", "GG"}, '-', 'N');
    const Coded c = code(data);
    EXPECT_EQ(c.states.states, (std::vector<std::string>{"GG"}));
    EXPECT_EQ(c.column, "N0");
}

namespace {

// `count` (at most 256) distinct fragments of four letters, the largest first, then each
// of them once more.
std::vector<std::string> distinctFragments(int count) {
    std::vector<std::string> fragments;
    for (int i = count - 1; i >= 0; --i) {
        fragments.push_back(
            {"ACGT"[i / 64 % 4], "ACGT"[i / 16 % 4], "ACGT"[i / 4 % 4], "ACGT"[i % 4]});
    }
    for (int i = 0; i < count; ++i) fragments.push_back(fragments[size_t(i)]);  // repeats
    return fragments;
}

}  // namespace

TEST(CodeRegion, NinetySixStatesAreCodedWithTheWholeSymbolTable) {
    Dataset data = oneRegion(distinctFragments(96));
    const Coded c = code(data);
    EXPECT_EQ(c.states.lastStateIndex, 95);
    EXPECT_TRUE(isCodedRegion(c.states));
    EXPECT_TRUE(std::is_sorted(c.states.states.begin(), c.states.states.end()));
    // The first taxon holds the largest fragment, the 97th the same one again.
    EXPECT_EQ(static_cast<unsigned char>(c.column[0]), 0xE0);
    EXPECT_EQ(static_cast<unsigned char>(c.column[96]), 0xE0);
    EXPECT_EQ(c.column[95], '0');
}

TEST(CodeRegion, NinetySevenStatesAreNotCoded) {
    Dataset data = oneRegion(distinctFragments(97));
    const Coded c = code(data);
    EXPECT_EQ(c.states.lastStateIndex, 96);
    EXPECT_FALSE(isCodedRegion(c.states));
    EXPECT_EQ(c.column, std::string(194, '-'));
}
