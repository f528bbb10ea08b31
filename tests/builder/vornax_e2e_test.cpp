// vornax end to end: the whole run in a scratch directory, with the dialogue on standard
// input, against the bytes expected on the console, in StepMatrix and in Alignments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "support/run_program.h"

namespace {

const std::string kBanner =
    "*****************************************************************************\n"
    "*\t                            VORNAX 2.3b                                 *\n"
    "*      by the vornax and quillet developers                                 *\n"
    "*\t            Program written by the vornax project team                  *\n"
    "*\t                                                                        *\n"
    "*  INPUT file: One file to be read as follows:                              *\n"
    "*  line #1: # of taxa    # of sites total   # of ambiguous regions          *\n"
    "*           code for missing data (- or :)    code for unknown data (?)     *\n"
    "*           all delimited by space or tabs i.e.:   63   1826   25   -   ?   *\n"
    "*  line #2: beginning and end of each ambiguous region (i.e., 131-139       *\n"
    "*           means that sites 131-139 are ambivalent)                        *\n"
    "*           regions delimited by space or tabs                              *\n"
    "*  line #3 etc: taxon name followed by sequence.                            *\n"
    "*\t        no carriage return within sequence                              *\n"
    "*\t                                                                        *\n"
    "*  OUTPUT files: StepMatrix is a step-matrix that can be used by PAUP       *\n"
    "*                Alignments: A file showing all the alignments used for     *\n"
    "*                            each pairwise comparison                       *\n"
    "*                                                             February 2001 *\n"
    "*****************************************************************************\n";

const std::string kFileNamePrompt = "Enter the name of the Data File:  ";

const std::string kWeightPrompts =
    "Enter the weigth for transitions for the final StepMatrix calculations \n(default=1): "
    "\nEnter the weigth for transversions for the final StepMatrix calculations \n"
    "(default=1): "
    "\nEnter the weigth for insertions for the final StepMatrix calculations \n(default=1): ";

// Everything the console shows up to the reading of the data file.
const std::string kDialogue =
    kBanner + kFileNamePrompt + "\n" + std::string(24, '\n') + kWeightPrompts + "\n";

const std::string kLegend =
    "Column 1: character state, col. 2: sequence, col. 3: Sxy, col. 4: Cxy, col. 5: Oxy,\n"
    "col. 6: Cxy with user values,  col. 7: Oxy with user values\n";

const std::string kGap = "\xA5";

std::string fixture(const std::string& name) {
    return readFile(std::string(TEST_DATA_DIR) + "/frontend/" + name);
}

// five_taxa.dat: region 1 has the states ACGT, AGGT and ATGT, which differ pairwise in one
// place only (C/G and G/T transversions, C/T a transition), so every pair stays ungapped;
// region 2 has ATG and ATGAG, aligned AT--G over ATGAG (one insertion).

const std::string kFiveTaxaRegion1Header =
    "\n\tUSERTYPE Region#1 STEPMATRIX = 3\n"
    "\t[0 = ACGT]\n"
    "\t[1 = AGGT]\n"
    "\t[2 = ATGT]\n"
    "\n"
    "\t          0     1     2 \n";
const std::string kFiveTaxaRegion2Header =
    "\n\tUSERTYPE Region#2 STEPMATRIX = 2\n"
    "\t[0 = ATG]\n"
    "\t[1 = ATGAG]\n"
    "\n"
    "\t          0     1 \n";

// The region part of five_taxa.dat's StepMatrix, given the cell of a transversion, of a
// transition and of an insertion. `end` closes each region's rows.
std::string fiveTaxaRegions(const std::string& tv, const std::string& ts, const std::string& in,
                            const std::string& end) {
    return kFiveTaxaRegion1Header + "\t  [0]      ." + tv + ts + "\n" + "\t  [1] " + tv + "     ." +
           tv + "\n" + "\t  [2] " + ts + tv + "     .\n" + end + kFiveTaxaRegion2Header +
           "\t  [0]      ." + in + "\n" + "\t  [1] " + in + "     .\n" + end;
}

std::string fiveTaxaCodedMatrix(bool console) {
    const std::string lead = "[ " + std::string(11, ' ') + "\t";
    return lead + "ambiguous region ]\n" + lead + (console ? "12  ]\n" : "12 ]\n") +
           "alpha        \t00\n"
           "beta         \t11\n"
           "gamma        \t2?\n"
           "delta        \t?0\n"
           "epsilon_long \t01\n";
}

std::string fiveTaxaStepMatrix(const std::string& tv, const std::string& ts,
                               const std::string& in) {
    return "BEGIN ASSUMPTIONS;\n" + fiveTaxaRegions(tv, ts, in, ";\n\n;\n\n") +
           fiveTaxaCodedMatrix(false);
}

std::string fiveTaxaConsole(const std::string& tv, const std::string& ts, const std::string& in) {
    return kDialogue + "BEGIN ASSUMPTIONS;\n" + fiveTaxaRegions(tv, ts, in, "\t;\n") + "\n" +
           fiveTaxaCodedMatrix(true);
}

// five_taxa.dat's Alignments, given the user-weighted Cxy and Oxy texts of a transversion
// pair, a transition pair and the insertion pair.
std::string fiveTaxaAlignments(const std::string& tv, const std::string& ts,
                               const std::string& in) {
    return "\nRegion #1\n" + kLegend + "*0\tACGT\n 1\tAGGT\t0.750\t 2\t0.375\t" + tv + "\n" +
           "*0\tACGT\n 2\tATGT\t0.750\t 1\t0.750\t" + ts + "\n" +
           "*1\tAGGT\n 2\tATGT\t0.750\t 2\t0.375\t" + tv + "\n" + "\nRegion #2\n" + kLegend +
           "*0\tAT" + kGap + kGap + "G\n 1\tATGAG\t0.600\t 3\t0.200\t" + in + "\n";
}

// Runs vornax in `dir` with five_taxa.dat and the weight answers `answers`.
RunResult runFiveTaxa(const ScratchDir& dir, const std::string& answers) {
    dir.write("five_taxa.dat", fixture("five_taxa.dat"));
    return runProgram(VORNAX_PATH, dir.path(), "five_taxa.dat\n" + answers);
}

void expectDefaultWeights(const ScratchDir& dir, const RunResult& r) {
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, fiveTaxaConsole("  1.00", "  1.00", "  1.00"));
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix("  1.00", "  1.00", "  1.00"));
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("1.000\t0.750", "1.000\t0.750", "1.000\t0.600"));
}

}  // namespace

// ---- the whole run on a small data file ----

TEST(VornaxRun, FiveTaxaWithWeightsEntered) {
    ScratchDir dir;
    const RunResult r = runFiveTaxa(dir, "2.5\n1\n0.5\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, fiveTaxaConsole("  1.00", "  2.50", "  0.50"));
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix("  1.00", "  2.50", "  0.50"));
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("1.000\t0.750", "2.500\t0.300", "0.500\t1.200"));
}

TEST(VornaxRun, WindowsLineEndsGiveTheSameFiles) {
    ScratchDir dir;
    std::string text;
    for (char c : fixture("five_taxa.dat"))
        text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    dir.write("five_taxa.dat", text);
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "five_taxa.dat\n2.5\n1\n0.5\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix("  1.00", "  2.50", "  0.50"));
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("1.000\t0.750", "2.500\t0.300", "0.500\t1.200"));
}

TEST(VornaxRun, EarlierOutputFilesAreReplaced) {
    ScratchDir dir;
    dir.write("StepMatrix", "old step matrix\n");
    dir.write("Alignments", "old alignments\n");
    expectDefaultWeights(dir, runFiveTaxa(dir, "1\n1\n1\n"));
}

TEST(VornaxRun, CostsOfSixCharactersOrMoreStayApart) {
    ScratchDir dir;
    const RunResult r = runFiveTaxa(dir, "1\n250\n1\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix(" 250.00", "  1.00", "  1.00"));
    EXPECT_NE(dir.read("StepMatrix").find("\t  [1]  250.00     . 250.00\n"), std::string::npos);
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("250.000\t0.003", "1.000\t0.750", "1.000\t0.600"));
}

// ---- the weight dialogue ----

TEST(WeightDialogue, ALetterLeavesAllThreeWeightsAtOne) {
    ScratchDir dir;
    expectDefaultWeights(dir, runFiveTaxa(dir, "x\n2\n3\n"));
}

TEST(WeightDialogue, ALetterForTheSecondKeepsTheFirstOnly) {
    ScratchDir dir;
    const RunResult r = runFiveTaxa(dir, "3\nq\n0.5\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, fiveTaxaConsole("  1.00", "  3.00", "  1.00"));
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("1.000\t0.750", "3.000\t0.250", "1.000\t0.600"));
}

TEST(WeightDialogue, EndOfInputKeepsTheDefaults) {
    ScratchDir dir;
    expectDefaultWeights(dir, runFiveTaxa(dir, ""));
    ScratchDir noLineEnd;
    noLineEnd.write("five_taxa.dat", fixture("five_taxa.dat"));
    expectDefaultWeights(noLineEnd, runProgram(VORNAX_PATH, noLineEnd.path(), "five_taxa.dat"));
}

TEST(WeightDialogue, EmptyLinesDoNotAcceptTheDefault) {
    ScratchDir dir;
    const RunResult r = runFiveTaxa(dir, "\n\n2.5\n\n \n1\n\t\n0.5\n");
    EXPECT_EQ(r.out, fiveTaxaConsole("  1.00", "  2.50", "  0.50"));
}

TEST(WeightDialogue, ZeroAndNegativeWeightsAreTakenAsTheyAre) {
    ScratchDir dir;
    const RunResult r = runFiveTaxa(dir, "-2\n1\n0\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix("  1.00", " -2.00", "  0.00"));
    EXPECT_EQ(dir.read("Alignments"),
              fiveTaxaAlignments("1.000\t0.750", "-2.000\t-0.375", "0.000\t inf"));
}

// ---- the data file name ----

TEST(DataFileName, AMissingFileEndsTheRunBeforeTheWeights) {
    ScratchDir dir;
    dir.write("StepMatrix", "kept\n");
    dir.write("Alignments", "kept too\n");
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "nosuch.dat\n1\n1\n1\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, kBanner + kFileNamePrompt + "\n");
    EXPECT_EQ(r.err, "input file \"nosuch.dat\" not found. \nprogram terminated\n");
    EXPECT_EQ(dir.read("StepMatrix"), "kept\n");
    EXPECT_EQ(dir.read("Alignments"), "kept too\n");
}

TEST(DataFileName, ADirectoryCannotBeTheDataFile) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "folder\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "input file \"folder\" not found. \nprogram terminated\n");
    EXPECT_FALSE(dir.exists("Alignments"));
}

TEST(DataFileName, NoNameAtAll) {
    ScratchDir dir;
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "input file \"\" not found. \nprogram terminated\n");
}

TEST(DataFileName, ANameOfAnyLengthIsOneWord) {
    ScratchDir dir;
    const std::string name = std::string(200, 'n') + ".dat";
    dir.write(name, fixture("five_taxa.dat"));
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "  " + name + "  1\n1\n1\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(dir.read("StepMatrix"), fiveTaxaStepMatrix("  1.00", "  1.00", "  1.00"));

    const RunResult missing = runProgram(VORNAX_PATH, dir.path(), name + "x\n");
    EXPECT_EQ(missing.err, "input file \"" + name + "x\" not found. \nprogram terminated\n");
}

// ---- data files that are refused: no output file is touched ----

namespace {

// Runs vornax on `data` with existing output files and checks that they are left as they
// were. Returns the run.
RunResult runRefused(const std::string& data) {
    ScratchDir dir;
    dir.write("StepMatrix", "earlier\n");
    dir.write("Alignments", "earlier too\n");
    dir.write("data.txt", data);
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
    EXPECT_EQ(dir.read("StepMatrix"), "earlier\n");
    EXPECT_EQ(dir.read("Alignments"), "earlier too\n");
    return r;
}

}  // namespace

TEST(RefusedRun, AnOversizedRegionIsReportedOnStandardOutputWithStatusOne) {
    const RunResult r = runRefused("1 300 3 - ?\n1-101 1-102 1-200\nx ACGT\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, kDialogue + "Memory error - ambiguous region 2 is too large\a\a\n");
    EXPECT_EQ(r.err, "");
}

TEST(RefusedRun, MoreThan99Regions) {
    const RunResult r = runRefused("1 300 100 - ?\n1-2\nx ACGT\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, kDialogue);
    EXPECT_EQ(r.err,
              "vornax: data file \"data.txt\": its header asks for 100 ambiguous regions; at "
              "most 99 can be coded\n");
}

TEST(RefusedRun, AFileShorterThanItsTaxonCount) {
    const RunResult r = runRefused("4 4 1 - ?\n1-4\na ACGT\n\nb ACGT\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err,
              "vornax: data file \"data.txt\": it ends after 2 of the 4 taxon lines that its "
              "header announces\n");
}

TEST(RefusedRun, AHugeTaxonCount) {
    const RunResult r = runRefused("2000000000 4 1 - ?\n1-4\na ACGT\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err,
              "vornax: data file \"data.txt\": it ends after 1 of the 2000000000 taxon lines "
              "that its header announces\n");
}

TEST(RefusedRun, ANulByte) {
    const RunResult r = runRefused(std::string("1 4 1 - ?\n1-4\na A\0GT\n", 21));
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err,
              "vornax: data file \"data.txt\": it holds a NUL byte (byte 18); a data file must "
              "be plain text\n");
}

// ---- output files that cannot be written ----

namespace {

RunResult runWithOutputs(const ScratchDir& dir) {
    dir.write("data.txt", fixture("five_taxa.dat"));
    return runProgram(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
}

}  // namespace

TEST(OutputFiles, StepMatrixIsADirectory) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("StepMatrix"));
    const RunResult r = runWithOutputs(dir);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.err, "vornax: cannot write \"StepMatrix\": Is a directory\n");
}

TEST(OutputFiles, AlignmentsIsADirectory) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("Alignments"));
    const RunResult r = runWithOutputs(dir);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "vornax: cannot write \"Alignments\": Is a directory\n");
    EXPECT_FALSE(dir.exists("StepMatrix"));
}

TEST(OutputFiles, AFullDiskForStepMatrix) {
    ScratchDir dir;
    std::filesystem::create_symlink("/dev/full", dir.file("StepMatrix"));
    const RunResult r = runWithOutputs(dir);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "vornax: cannot write \"StepMatrix\": No space left on device\n");
}

TEST(OutputFiles, AFullDiskForAlignments) {
    ScratchDir dir;
    std::filesystem::create_symlink("/dev/full", dir.file("Alignments"));
    const RunResult r = runWithOutputs(dir);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "vornax: cannot write \"Alignments\": No space left on device\n");
}

TEST(OutputFiles, AReadOnlyDirectory) {
    // Run as the user nobody, for whom the directory's permissions hold even when the tests
    // run as root.
    ScratchDir dir;
    dir.write("data.txt", fixture("five_taxa.dat"));
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    // A copy of vornax that nobody may run, wherever the build directory lies.
    ScratchDir bin;
    std::filesystem::copy_file(VORNAX_PATH, bin.file("vornax"));
    std::filesystem::permissions(bin.path(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    RunningProgram run(bin.file("vornax"), dir.path(), "data.txt\n1\n1\n1\n", {}, true);
    const RunResult r = run.wait();
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "vornax: cannot write \"Alignments\": Permission denied\n");
    EXPECT_FALSE(dir.exists("Alignments"));
}

// ---- unusual region sets ----

TEST(RegionSets, NoRegionsAppendTheCodedMatrixToWhatStepMatrixHolds) {
    ScratchDir dir;
    dir.write("StepMatrix", "held before\n");
    dir.write("Alignments", "emptied\n");
    dir.write("data.txt", "2 10 0 - ?\n\nab ACGT\ncd AC\n");
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(dir.read("StepMatrix"),
              "held before\n[  \tambiguous region ]\n[  \t ]\nab \t\ncd \t\n");
    EXPECT_EQ(dir.read("Alignments"), "");
    EXPECT_EQ(r.out, kDialogue +
                         "BEGIN ASSUMPTIONS;\n\n[  \tambiguous region ]\n[  \t  ]\n"
                         "ab \t\ncd \t\n");

    ScratchDir fresh;
    fresh.write("data.txt", "2 10 0 - ?\n\nab ACGT\ncd AC\n");
    runProgram(VORNAX_PATH, fresh.path(), "data.txt\n1\n1\n1\n");
    EXPECT_EQ(fresh.read("StepMatrix"), "[  \tambiguous region ]\n[  \t ]\nab \t\ncd \t\n");
}

TEST(RegionSets, RegionsWithoutTaxaHaveTheOneEmptyState) {
    ScratchDir dir;
    dir.write("data.txt", "0 10 2 - ?\n1-3 4-5\n");
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
    EXPECT_EQ(r.exitStatus, 0);
    const std::string region1 =
        "\n\tUSERTYPE Region#1 STEPMATRIX = 1\n\t[0 = ]\n\n\t          0 \n\t  [0]      .\n";
    const std::string region2 =
        "\n\tUSERTYPE Region#2 STEPMATRIX = 1\n\t[0 = ]\n\n\t          0 \n\t  [0]      .\n";
    EXPECT_EQ(dir.read("StepMatrix"), "BEGIN ASSUMPTIONS;\n" + region1 + ";\n\n;\n\n" + region2 +
                                          ";\n\n;\n\n[ \tambiguous region ]\n[ \t12 ]\n");
    EXPECT_EQ(dir.read("Alignments"), "\nRegion #1\n" + kLegend + "\nRegion #2\n" + kLegend);
    EXPECT_EQ(r.out, kDialogue + "BEGIN ASSUMPTIONS;\n" + region1 + "\t;\n" + region2 +
                         "\t;\n\n[ \tambiguous region ]\n[ \t12  ]\n");
}

TEST(RegionSets, ARegionOfNinetySevenStatesIsLeftOut) {
    // Region 1 holds 97 distinct fragments; region 2 only ACGT and AGGT.
    std::string data = "97 6 2 - ?\n1-4 5-6\n";
    std::string rows;
    for (int i = 0; i < 97; ++i) {
        const std::string fragment = {"ACGT"[i / 64 % 4], "ACGT"[i / 16 % 4], "ACGT"[i / 4 % 4],
                                      "ACGT"[i % 4]};
        const std::string name = (i < 10 ? "t0" : "t") + std::to_string(i);
        data += name + " " + fragment + (i == 5 ? "GG" : "CG") + "\n";
        rows += name + " \t[-]" + (i == 5 ? "1" : "0") + "\n";
    }
    ScratchDir dir;
    dir.write("data.txt", data);
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "data.txt\n1\n1\n1\n");
    EXPECT_EQ(r.exitStatus, 0);
    const std::string region2 =
        "\n\tUSERTYPE Region#2 STEPMATRIX = 2\n\t[0 = CG]\n\t[1 = GG]\n\n\t          0     1 \n"
        "\t  [0]      .  1.00\n\t  [1]   1.00     .\n";
    EXPECT_EQ(dir.read("StepMatrix"),
              "BEGIN ASSUMPTIONS;\n\n\t [ Region#1 has more than 96 states ] \n" + region2 +
                  ";\n\n;\n\n[   \tambiguous region ]\n[   \t 1 2 ]\n" + rows);
    EXPECT_EQ(dir.read("Alignments"),
              "\nRegion #2\n" + kLegend + "*0\tCG\n 1\tGG\t0.500\t 2\t0.250\t1.000\t0.500\n");
}

// ---- the banner ----

TEST(Banner, TheCreditLinesAreFramedLikeTheirNeighbours) {
    std::vector<std::string> lines;
    std::istringstream in(kBanner);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 20u);
    auto visibleWidth = [](const std::string& line) {
        size_t column = 0;
        for (char c : line) column = c == '\t' ? (column / 8 + 1) * 8 : column + 1;
        return column;
    };
    EXPECT_EQ(lines[2].rfind("*      by ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("*\t            Program written by ", 0), 0u);
    EXPECT_EQ(lines[2].size(), lines[5].size());
    EXPECT_EQ(visibleWidth(lines[2]), visibleWidth(lines[5]));
    EXPECT_EQ(lines[3].size(), lines[4].size());
    EXPECT_EQ(visibleWidth(lines[3]), visibleWidth(lines[4]));
    EXPECT_EQ(lines[2].back(), '*');
    EXPECT_EQ(lines[3].back(), '*');
    // And the program prints exactly this banner.
    ScratchDir dir;
    EXPECT_EQ(runProgram(VORNAX_PATH, dir.path(), "").out.substr(0, kBanner.size()), kBanner);
}

// ---- properties of whatever vornax writes ----

namespace {

// One region as StepMatrix lists it: its states by symbol and its matrix cells as text.
struct ListedRegion {
    std::map<char, std::string> states;
    std::vector<std::vector<std::string>> cells;
};

std::map<int, ListedRegion> readStepMatrix(const std::string& text) {
    std::map<int, ListedRegion> regions;
    std::istringstream in(text);
    ListedRegion* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        int number = 0, count = 0;
        if (std::sscanf(line.c_str(), "\tUSERTYPE Region#%d STEPMATRIX = %d", &number, &count) ==
            2) {
            current = &regions[number];
            for (int i = 0; i < count && std::getline(in, line); ++i) {
                // "\t[S = sequence]"
                current->states[line.at(2)] = line.substr(6, line.size() - 7);
            }
        } else if (current != nullptr && line.rfind("\t  [", 0) == 0) {
            std::istringstream cells(line.substr(7));
            std::vector<std::string> row;
            for (std::string cell; cells >> cell;) row.push_back(cell);
            current->cells.push_back(row);
        }
    }
    return regions;
}

// Checks every record of Alignments against the states of StepMatrix and returns the number
// of records per region.
std::map<int, int> checkAlignments(const std::string& text,
                                   const std::map<int, ListedRegion>& regions) {
    std::map<int, int> records;
    std::istringstream in(text);
    int region = 0;
    auto spelled = [](const std::string& row) {
        std::string letters;
        for (char c : row) {
            if (c != kGap[0]) letters += c;
        }
        return letters;
    };
    for (std::string line; std::getline(in, line);) {
        if (std::sscanf(line.c_str(), "Region #%d", &region) == 1) continue;
        if (line.empty() || line[0] != '*') continue;
        std::string second;
        EXPECT_TRUE(static_cast<bool>(std::getline(in, second)));
        const std::string firstRow = line.substr(3);
        const std::string secondRow = second.substr(3, second.find('\t', 3) - 3);
        EXPECT_EQ(firstRow.size(), secondRow.size()) << line;
        const ListedRegion& listed = regions.at(region);
        EXPECT_EQ(spelled(firstRow), listed.states.at(line[1])) << "region " << region;
        EXPECT_EQ(spelled(secondRow), listed.states.at(second[1])) << "region " << region;
        ++records[region];
    }
    return records;
}

// Runs vornax on `data` with weights `weights`, then checks what it wrote: every record's
// rows spell their states, one record per pair, symmetric matrices with "." on the
// diagonal, and quillet finds no error.
void checkProperties(const std::string& data, const std::string& weights) {
    ScratchDir dir;
    dir.write("data.txt", data);
    const RunResult r = runProgram(VORNAX_PATH, dir.path(), "data.txt\n" + weights);
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    const std::map<int, ListedRegion> regions = readStepMatrix(dir.read("StepMatrix"));
    ASSERT_FALSE(regions.empty());
    const std::map<int, int> records = checkAlignments(dir.read("Alignments"), regions);
    for (const auto& [number, region] : regions) {
        const int count = int(region.states.size());
        EXPECT_EQ(records.count(number) ? records.at(number) : 0, count * (count - 1) / 2);
        ASSERT_EQ(int(region.cells.size()), count);
        for (int g = 0; g < count; ++g) {
            ASSERT_EQ(int(region.cells[g].size()), count) << "region " << number;
            EXPECT_EQ(region.cells[g][g], ".");
            for (int h = 0; h < g; ++h) EXPECT_EQ(region.cells[g][h], region.cells[h][g]);
        }
    }
    const RunResult check = runProgram(QUILLET_PATH, dir.path(), "\n");
    EXPECT_EQ(check.exitStatus, 0);
    EXPECT_NE(check.out.find("total number of errors: 0\n"), std::string::npos) << check.out;
}

// A data file of `taxa` random taxa and `regions` regions of up to 12 sites, with missing
// data, unknown data and lower-case letters.
std::string randomDataFile(unsigned seed, int taxa, int regions) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::string regionLine;
    int site = 1;
    for (int r = 0; r < regions; ++r) {
        const int first = site + pick(3);
        const int last = first + 1 + pick(11);
        if (r > 0) regionLine += ' ';
        regionLine += std::to_string(first);
        regionLine += '-';
        regionLine += std::to_string(last);
        site = last + 1;
    }
    std::string text = std::to_string(taxa) + " " + std::to_string(site + 2) + " " +
                       std::to_string(regions) + " - ?\n" + regionLine + "\n";
    for (int t = 0; t < taxa; ++t) {
        text += "taxon";
        text += std::to_string(t);
        text += ' ';
        for (int s = 0; s < site + 2; ++s) text += "ACGTACGTacgt---?"[pick(t % 5 == 0 ? 16 : 15)];
        text += "\n";
    }
    return text;
}

}  // namespace

TEST(VornaxProperties, TheBundledExample) {
    const std::string example = readFile(std::string(EXAMPLES_DIR) + "/loops.dat");
    ASSERT_FALSE(example.empty());
    checkProperties(example, "1\n2\n1\n");
}

TEST(VornaxProperties, RandomDataFiles) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        checkProperties(randomDataFile(seed, 12, 6), "2.5\n1\n4\n");
    }
}
