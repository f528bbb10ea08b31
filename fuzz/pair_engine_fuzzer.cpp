// Fuzz target: two arbitrary states for the pair engine. The first byte is the gap
// character; the rest, split at NUL bytes, gives the two states (gap characters taken out, at
// most 101 bytes each) and optionally the three user weights as text. The final rows must
// spell the two states, the cost of two distinct states must be positive, the same call must
// give the same bytes again, every kernel set the processor can run must give the same bytes
// stage by stage, and weights equal to the cost model must give its costs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s: \"%s\" / \"%s\"\n", what, a.c_str(), b.c_str());
    std::abort();
}

std::string state(const std::string& part, char gap) {
    std::string s;
    for (char c : part)
        if (c != gap && s.size() < 101) s += c;
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The gap character is a data file's missing-data code, never NUL.
    if (size < 2 || bytes[0] == 0) return 0;
    const char gap = char(bytes[0]);
    std::string parts[3];
    for (size_t i = 1, part = 0; i < size; ++i) {
        if (bytes[i] == 0 && part < 2)
            ++part;
        else
            parts[part] += char(bytes[i]);
    }
    std::string a = state(parts[0], gap), b = state(parts[1], gap);
    if (a == b) return 0;
    if (b < a) std::swap(a, b);
    UserWeights weights;
    std::sscanf(parts[2].c_str(), "%lf %lf %lf", &weights.transitions, &weights.transversions,
                &weights.insertions);

    static PairWorkspace* workspace = newPairWorkspace();
    const PairResult r = alignPair(a, b, gap, CostModel{}, weights, *workspace);
    const std::string rowS(r.shorterRow), rowL(r.longerRow);
    const PairScores scores = r.scores;
    if (rowS.size() != rowL.size()) fail("rows of unequal length", a, b);
    if (rowS.find('\0') != std::string::npos || rowL.find('\0') != std::string::npos)
        fail("a NUL in the final rows", a, b);
    const std::string& shorter = r.firstIsShorter ? a : b;
    const std::string& longer = r.firstIsShorter ? b : a;
    if (letters(rowS, gap) != shorter || letters(rowL, gap) != longer)
        fail("the final rows do not spell their states", a, b);
    if (!(scores.cxy > 0)) fail("a cost that is not positive", a, b);

    // The same pair again, with the stages traced: the same bytes.
    PairTrace trace;
    const PairResult again = alignPair(a, b, gap, CostModel{}, weights, *workspace, &trace);
    if (again.shorterRow != rowS || again.longerRow != rowL || !same(again.scores, scores))
        fail("a repeated call gives other bytes", a, b);
    // Every other kernel set the processor can run: the same bytes, stage by stage.
    for (KernelSet set : kKernelSets) {
        if (!kernelSetSupported(set)) continue;
        static PairWorkspace* workspaces[3] = {};
        PairWorkspace*& other = workspaces[int(set)];
        if (other == nullptr) other = newPairWorkspace(set);
        PairTrace otherTrace;
        const PairResult o = alignPair(a, b, gap, CostModel{}, weights, *other, &otherTrace);
        if (o.shorterRow != rowS || o.longerRow != rowL || !same(o.scores, scores) ||
            otherTrace.searchShorter != trace.searchShorter ||
            otherTrace.searchLonger != trace.searchLonger ||
            !sameBits(otherTrace.searchOxy, trace.searchOxy) ||
            otherTrace.reverseShorter != trace.reverseShorter ||
            otherTrace.reverseLonger != trace.reverseLonger ||
            !sameBits(otherTrace.reverseOxy, trace.reverseOxy) ||
            otherTrace.choice != trace.choice || otherTrace.tidyEnded != trace.tidyEnded)
            fail((std::string("kernel set ") + kernelSetName(set) + " gives other bytes").c_str(),
                 a, b);
    }
    // Weights equal to the cost model's prices give its cost and ratio.
    const PairResult model = alignPair(a, b, gap, CostModel{}, UserWeights{1, 2, 3}, *workspace);
    if (model.shorterRow != rowS || model.scores.userCxy != double(scores.cxy) ||
        !sameBits(model.scores.userOxy, scores.oxy))
        fail("the model's weights do not give the model's cost", a, b);
    return 0;
}
