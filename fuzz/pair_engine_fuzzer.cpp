// Fuzz target: two arbitrary states for the pair engine. The first byte is the gap
// character; the rest, split at its first NUL, gives the two states (gap characters taken
// out, at most 101 bytes each). The final rows must spell the two states, the cost of two
// distinct states must be positive, and every stage must agree with the literal engine.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/baseline/baseline_engine.h"
#include "builder/engine.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s: \"%s\" / \"%s\"\n", what, a.c_str(), b.c_str());
    std::abort();
}

std::string state(const uint8_t* begin, const uint8_t* end, char gap) {
    std::string s;
    for (const uint8_t* p = begin; p < end && s.size() < 101; ++p)
        if (*p != 0 && char(*p) != gap) s += char(*p);
    return s;
}

std::string letters(std::string_view row, char gap) {
    std::string s;
    for (char c : row)
        if (c != gap) s += c;
    return s;
}

bool sameBits(double x, double y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

bool same(const PairScores& x, const PairScores& y) {
    return sameBits(x.sxy, y.sxy) && x.cxy == y.cxy && sameBits(x.oxy, y.oxy) &&
           sameBits(x.userCxy, y.userCxy) && sameBits(x.userOxy, y.userOxy);
}

bool same(const PairTrace& x, const PairTrace& y) {
    return x.searchShorter == y.searchShorter && x.searchLonger == y.searchLonger &&
           std::memcmp(&x.searchSxy, &y.searchSxy, sizeof(double)) == 0 &&
           std::memcmp(&x.searchOxy, &y.searchOxy, sizeof(double)) == 0 &&
           x.searchAlignedLength == y.searchAlignedLength && x.forwardShorter == y.forwardShorter &&
           x.forwardLonger == y.forwardLonger && x.forwardLength == y.forwardLength &&
           std::memcmp(&x.forwardOxy, &y.forwardOxy, sizeof(double)) == 0 &&
           x.reverseGapped == y.reverseGapped && x.reverseShorter == y.reverseShorter &&
           x.reverseLonger == y.reverseLonger && x.reverseAlignedLength == y.reverseAlignedLength &&
           std::memcmp(&x.reverseOxy, &y.reverseOxy, sizeof(double)) == 0 &&
           std::memcmp(&x.plainOxy, &y.plainOxy, sizeof(double)) == 0 &&
           x.plainLength == y.plainLength && x.forwardVoid == y.forwardVoid &&
           x.reverseVoid == y.reverseVoid && x.rounds == y.rounds && x.choice == y.choice;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The gap character is a data file's missing-data code, never NUL.
    if (size < 2 || bytes[0] == 0) return 0;
    const char gap = char(bytes[0]);
    const uint8_t* end = bytes + size;
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(bytes + 1, 0, size - 1));
    std::string a = state(bytes + 1, split ? split : end, gap);
    std::string b = split ? state(split + 1, end, gap) : std::string();
    if (a == b) return 0;
    if (b < a) std::swap(a, b);

    static PairWorkspace* workspace = newPairWorkspace();
    static baseline::Workspace* literal = baseline::newWorkspace();
    PairTrace trace, literalTrace;
    const PairResult r = alignPair(a, b, gap, CostModel{}, UserWeights{}, *workspace, &trace);
    const std::string rowS(r.shorterRow), rowL(r.longerRow);
    if (rowS.size() != rowL.size()) fail("rows of unequal length", a, b);
    if (rowS.find('\0') != std::string::npos || rowL.find('\0') != std::string::npos)
        fail("a NUL in the final rows", a, b);
    const std::string& shorter = r.firstIsShorter ? a : b;
    const std::string& longer = r.firstIsShorter ? b : a;
    if (letters(rowS, gap) != shorter || letters(rowL, gap) != longer)
        fail("the final rows do not spell their states", a, b);
    if (!(r.scores.cxy > 0) || !(r.scores.userCxy > 0)) fail("a cost that is not positive", a, b);

    const PairResult l =
        baseline::alignPair(a, b, gap, CostModel{}, UserWeights{}, *literal, &literalTrace);
    if (!same(trace, literalTrace) || rowS != l.shorterRow || rowL != l.longerRow ||
        !same(r.scores, l.scores))
        fail("the engine parts ways with the literal engine", a, b);
    return 0;
}
