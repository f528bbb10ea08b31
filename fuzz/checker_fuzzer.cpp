// Fuzz target: arbitrary StepMatrix and Alignments bytes for quillet's working copy,
// StepMatrix reader and region check. The first two bytes give the length of the StepMatrix
// part; the rest is Alignments. The check must end and report every error it counts, and the
// working copy must be the Alignments bytes without gap marks, tabs as blanks, and the tail.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "checker/working_copy.h"
#include "common/symbols.h"
#include "support/output_properties.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

size_t occurrences(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 2) return 0;
    const size_t split = std::min(size - 2, size_t(bytes[0]) | size_t(bytes[1]) << 8);
    const std::string stepMatrix(reinterpret_cast<const char*>(bytes) + 2, split);
    const std::string alignments(reinterpret_cast<const char*>(bytes) + 2 + split,
                                 size - 2 - split);

    // The working copy.
    char* copyText = nullptr;
    size_t copySize = 0;
    std::FILE* copy = open_memstream(&copyText, &copySize);
    std::FILE* in = alignments.empty()
                        ? std::fopen("/dev/null", "rb")
                        : fmemopen(const_cast<char*>(alignments.data()), alignments.size(), "rb");
    makeWorkingCopy(in, copy);
    std::fclose(in);
    std::fclose(copy);
    std::string expected;
    for (char c : alignments) {
        if (static_cast<unsigned char>(c) == kGapMark) continue;
        expected += c == '\t' ? ' ' : c;
    }
    expected += '\n';
    expected.append(size_t(kCopyTailBlanks), ' ');
    if (std::string(copyText, copySize) != expected) fail("the working copy is not as specified");
    std::free(copyText);

    // The check.
    // Every counted error was reported (a reported sequence may show the same words again).
    const CheckerOutput check = checkInMemory(stepMatrix, alignments);
    if (check.errors < 0 || size_t(check.errors) > occurrences(check.console, "\nError # "))
        fail("an error was counted but not reported");
    // A StepMatrix without a region header gives nothing to compare: a clean check, complete
    // when a line ends as the coded data matrix's title does (carriage returns aside).
    std::string bare = stepMatrix + "\n";
    std::erase(bare, '\r');
    const bool titled = bare.find("ambiguous region ]\n") != std::string::npos;
    if (stepMatrix.find('#') == std::string::npos &&
        (!check.console.empty() || check.complete != titled || check.errors != 0))
        fail("a StepMatrix without regions did not give an empty check");
    return 0;
}
