#include "checker/working_copy.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_streams.h"

namespace {

// Returns the copy that makeWorkingCopy writes for `alignments`.
std::string copyOf(const std::string& alignments) {
    TempStream in = streamWith(alignments);
    TempStream out(std::tmpfile());
    makeWorkingCopy(in.get(), out.get());
    return contentsOf(out.get());
}

const std::string kTail = "\n" + std::string(4151, ' ');

}  // namespace

TEST(WorkingCopy, EmptyAlignmentsGiveOnlyTheTail) {
    const std::string copy = copyOf("");
    EXPECT_EQ(copy.size(), 4152u);
    EXPECT_EQ(copy, kTail);
}

TEST(WorkingCopy, DropsGapMarksAndTurnsTabsIntoBlanks) {
    // A record with gaps at the start, inside and at the end of a row, and the legend's tabs.
    const std::string record =
        "\nRegion #1\nlegend\tone\n"
        "*0\t\xA5"
        "AT\xA5\xA5G\xA5\n 1\tCATGAG\t0.600\t 3\t0.200\t1.000\t0.600\n";
    EXPECT_EQ(copyOf(record),
              "\nRegion #1\nlegend one\n*0 ATG\n 1 CATGAG 0.600  3 0.200 1.000 0.600\n" + kTail);
}

TEST(WorkingCopy, EveryOtherByteIsData) {
    // 0xFF must not end the copy, NUL and the upper half pass through, and "\r" is kept.
    std::string bytes = "A";
    bytes += '\xFF';
    bytes += "B";
    bytes += '\0';
    bytes += "\x9F\xE0\xA4\xA6\r\nend";
    EXPECT_EQ(copyOf(bytes), bytes + kTail);
}

TEST(WorkingCopy, LongInputIsCopiedWhole) {
    std::string big;
    for (int i = 0; i < 100000; ++i) big += (i % 7 == 0) ? '\xA5' : char('a' + i % 26);
    std::string expected;
    for (char c : big) {
        if (c != '\xA5') expected += c;
    }
    EXPECT_EQ(copyOf(big), expected + kTail);
}
