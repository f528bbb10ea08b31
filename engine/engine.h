// The pair engine: aligns two states of a region by the greedy gap-block search (forward
// and on the reversed states), tidies and scores the result. Free of I/O and of the front
// end's tables, so pairs can be aligned independently.
#pragma once

#include <string>
#include <string_view>

// The engine's base prices.
struct CostModel {
    double transitionCost = 1.0;
    double transversionCost = 2.0;
    int gapCost = 3;
};

// The user's weights for the step matrices.
struct UserWeights {
    double transitions = 1.0;
    double transversions = 1.0;
    double insertions = 1.0;
};

// The final scores of one pair.
struct PairScores {
    double sxy = 0;      // similarity: matches / aligned length
    int cxy = 0;         // cost, truncated toward zero
    double oxy = 0;      // sxy / cost
    double userCxy = 0;  // user-weighted cost
    double userOxy = 0;  // sxy / user-weighted cost
};

// Where the final alignment of a pair came from.
enum class PairChoice { forward, reverse, plain };

// What the stages of one pair produced, for tests. Rows are shown up to their first NUL.
struct PairTrace {
    std::string searchShorter, searchLonger;  // forward search, before the tidy-up
    double searchSxy = 0, searchOxy = 0, searchAlignedLength = 0;
    std::string forwardShorter, forwardLonger;  // tidied forward alignment
    double forwardLength = 0, forwardOxy = 0;
    int reverseGapped = 0;
    std::string reverseShorter, reverseLonger;  // reverse pass, rows still backwards
    double reverseAlignedLength = 0, reverseOxy = 0;
    double plainOxy = 0, plainLength = 0;
    bool forwardVoid = false, reverseVoid = false;
    int rounds = 0;  // how often the choice ran (1 to 3)
    PairChoice choice = PairChoice::forward;
    // 'F' (forward pass) or 'R' (reverse pass) when a tidy-up step had to end after an
    // iteration that changed nothing, '-' otherwise.
    char tidyEnded = '-';
};

// Per-pair working storage of the search; one per thread, reused for every pair.
struct PairWorkspace;

// The instruction sets that the search's inner loops are built for. Every set gives the same
// alignments and scores, bit for bit; they differ only in speed.
enum class KernelSet { portable, avx2, avx512 };
// Every kernel set, the fastest first.
inline constexpr KernelSet kKernelSets[] = {KernelSet::avx512, KernelSet::avx2,
                                            KernelSet::portable};

// Returns whether this build and this processor can run `set` (portable: always).
bool kernelSetSupported(KernelSet set);
// Returns the name of `set`: "portable", "avx2" or "avx512".
const char* kernelSetName(KernelSet set);
// Returns the set that new workspaces run: the one that the environment variable
// VORNAX_KERNELS names when it is set, else the fastest that the processor supports. Throws
// std::invalid_argument when VORNAX_KERNELS names no set that the processor can run.
KernelSet defaultKernelSet();

// Creates a workspace that runs kernel set `set` (which must be supported), or the default
// set; destroys one. A workspace is large: allocate it once.
PairWorkspace* newPairWorkspace(KernelSet set);
PairWorkspace* newPairWorkspace();
void deletePairWorkspace(PairWorkspace* workspace);

// The final alignment of a pair and its scores. The rows point into the workspace and
// stay valid until its next use.
struct PairResult {
    bool firstIsShorter = true;              // the shorter row belongs to the first state
    std::string_view shorterRow, longerRow;  // equal length, gaps as the gap character
    PairScores scores;
};

// The longest state the engine takes; a region holds at most 101 sites.
inline constexpr size_t kMaxStateLength = 255;

// Aligns states `first` and `second` (first has the lower number; neither holds `gapChar`
// or NUL) and returns the final alignment and scores. Fills `trace` when given. Throws
// std::length_error for a state longer than kMaxStateLength.
PairResult alignPair(std::string_view first, std::string_view second, char gapChar,
                     const CostModel& model, const UserWeights& weights, PairWorkspace& workspace,
                     PairTrace* trace = nullptr);
