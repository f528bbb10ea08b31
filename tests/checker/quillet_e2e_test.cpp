// End-to-end runs of quillet in a scratch directory on hand-made StepMatrix/Alignments pairs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

const std::string kLegend =
    "Column 1: character state, col. 2: sequence, col. 3: Sxy, col. 4: Cxy, col. 5: Oxy,\n"
    "col. 6: Cxy with user values,  col. 7: Oxy with user values\n";

// Five regions: 1 with the states AC, ACT, GCT; 2 with too many states; 3 with ATG, ATGAG;
// 4 with the one state A; 5 with C, T. Then the coded data matrix of two taxa.
const std::string kStepMatrix =
    "BEGIN ASSUMPTIONS;\n"
    "\n\tUSERTYPE Region#1 STEPMATRIX = 3\n"
    "\t[0 = AC]\n\t[1 = ACT]\n\t[2 = GCT]\n"
    "\n\t          0     1     2 \n"
    "\t  [0]      .  3.00  4.00\n"
    "\t  [1]   3.00     .  2.00\n"
    "\t  [2]   4.00  2.00     .\n"
    ";\n\n;\n\n"
    "\n\t [ Region#2 has more than 96 states ] \n"
    "\n\tUSERTYPE Region#3 STEPMATRIX = 2\n"
    "\t[0 = ATG]\n\t[1 = ATGAG]\n"
    "\n\t          0     1 \n"
    "\t  [0]      .  1.00\n\t  [1]   1.00     .\n"
    ";\n\n;\n\n"
    "\n\tUSERTYPE Region#4 STEPMATRIX = 1\n"
    "\t[0 = A]\n"
    "\n\t          0 \n"
    "\t  [0]      .\n"
    ";\n\n;\n\n"
    "\n\tUSERTYPE Region#5 STEPMATRIX = 2\n"
    "\t[0 = C]\n\t[1 = T]\n"
    "\n\t          0     1 \n"
    "\t  [0]      .  1.00\n\t  [1]   1.00     .\n"
    ";\n\n;\n\n"
    "[      \tambiguous region ]\n"
    "[      \t1 2 345 ]\n"
    "taxon1 \t0[-]000\n"
    "taxon2 \t1[-]101\n";

// Region 1: lines 1 to 10; region 3: lines 11 to 16; region 4: 17 to 20; region 5: 21 to 26.
const std::string kRecord12 = "*1\tACT\n 2\tGCT\t0.667\t 2\t0.333\t2.000\t0.333\n";
const std::string kAlignments = "\nRegion #1\n" + kLegend +
                                "*0\tAC\xA5\n 1\tACT\t0.667\t 3\t0.222\t3.000\t0.222\n"
                                "*0\t\xA5"
                                "AC\n 2\tGCT\t0.333\t 4\t0.083\t4.000\t0.083\n" +
                                kRecord12 + "\nRegion #3\n" + kLegend +
                                "*0\tAT\xA5\xA5G\n 1\tATGAG\t0.600\t 3\t0.200\t1.000\t0.600\n"
                                "\nRegion #4\n" +
                                kLegend + "\nRegion #5\n" + kLegend +
                                "*0\tC\n 1\tT\t0.000\t 1\t0.000\t1.000\t0.000\n";

const std::string kTail = "\n" + std::string(4151, ' ');

// The working copy of kAlignments: no gap marks, blanks for tabs, then the tail.
const std::string kAlignmentsChecked = "\nRegion #1\n" + kLegend +
                                       "*0 AC\n 1 ACT 0.667  3 0.222 3.000 0.222\n"
                                       "*0 AC\n 2 GCT 0.333  4 0.083 4.000 0.083\n"
                                       "*1 ACT\n 2 GCT 0.667  2 0.333 2.000 0.333\n"
                                       "\nRegion #3\n" +
                                       kLegend +
                                       "*0 ATG\n 1 ATGAG 0.600  3 0.200 1.000 0.600\n"
                                       "\nRegion #4\n" +
                                       kLegend + "\nRegion #5\n" + kLegend +
                                       "*0 C\n 1 T 0.000  1 0.000 1.000 0.000\n" + kTail;

const std::string kStart = "ckecking alignments ....\n";
const std::string kSummaryAfterTotal =
    "\n\n\npress any key and return to exit\nprogram terminated ";

// Returns the summary with `errors` as the total.
std::string summary(int errors) {
    return "\n\ntotal number of errors: " + std::to_string(errors) + kSummaryAfterTotal;
}

// Returns `text` with its one occurrence of `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The report of a sequence mismatch, up to the question mark.
std::string mismatch(int error, int region, char symbol, const std::string& expected,
                     const std::string& row, int line) {
    return "\nError # " + std::to_string(error) + "\n\nSequences in Region " +
           std::to_string(region) + " do not match:\nsequence '" + symbol +
           "' in file \"StepMatrix\" = " + expected + "\nsequence '" + symbol +
           "' in file \"Alignments\" = " + row + "\nthis sequence can be found in line " +
           std::to_string(line) +
           " in the file \"Alignments\" \n\n"
           "would you like to continue?   press 1 and RETURN\n"
           "       or quit the program?   press 2 and RETURN\n? ";
}

// Runs quillet on the pair in a fresh directory.
struct CheckerRun {
    ScratchDir dir;
    RunResult result;
    CheckerRun(const std::string& stepMatrix, const std::string& alignments,
               const std::string& input) {
        dir.write("StepMatrix", stepMatrix);
        dir.write("Alignments", alignments);
        result = runProgram(QUILLET_PATH, dir.path(), input);
    }
};

// The StepMatrix with two wrong sequences: region 3's state 1 and region 5's state 1.
std::string twoWrongSequences() {
    return replaced(replaced(kStepMatrix, "[1 = ATGAG]", "[1 = ATGAC]"), "[1 = T]", "[1 = A]");
}

}  // namespace

TEST(QuilletRun, CleanPair) {
    CheckerRun run(kStepMatrix, kAlignments, "x\n");
    EXPECT_EQ(run.result.out,
              "ckecking alignments ....\n"
              "comparing region 1\ncomparing region 2\ncomparing region 3\n"
              "comparing region 4\ncomparing region 5\n"
              "\n\ntotal number of errors: 0\n"
              "\n\npress any key and return to exit"
              "\nprogram terminated ");
    EXPECT_EQ(run.result.err, "");
    EXPECT_EQ(run.result.exitStatus, 0);
    EXPECT_EQ(run.dir.read("AlignmentsChecked"), kAlignmentsChecked);
    EXPECT_EQ(run.dir.read("Alignments"), kAlignments);
}

TEST(QuilletRun, NoRegionAtAll) {
    CheckerRun run("BEGIN ASSUMPTIONS;\n[ \tambiguous region ]\n", "", "");
    EXPECT_EQ(run.result.out, kStart + summary(0));
    EXPECT_EQ(run.result.exitStatus, 0);
    EXPECT_EQ(run.dir.read("AlignmentsChecked"), kTail);
}

TEST(QuilletRun, MismatchesAnsweredOneGoOnAcrossRegions) {
    // Region 2 is skipped and adds no line; region 4 of one state adds its 4 header lines.
    CheckerRun run(twoWrongSequences(), kAlignments, "1\n1\nx\n");
    EXPECT_EQ(run.result.out,
              "ckecking alignments ....\n"
              "comparing region 1\ncomparing region 2\ncomparing region 3\n"
              "\nError # 1\n"
              "\nSequences in Region 3 do not match:\n"
              "sequence '1' in file \"StepMatrix\" = ATGAC\n"
              "sequence '1' in file \"Alignments\" = ATGAG\n"
              "this sequence can be found in line 16 in the file \"Alignments\" \n\n"
              "would you like to continue?   press 1 and RETURN\n"
              "       or quit the program?   press 2 and RETURN\n"
              "? comparing region 4\ncomparing region 5\n" +
                  mismatch(2, 5, '1', "A", "T", 26) + summary(2));
    EXPECT_EQ(run.result.exitStatus, 0);
    EXPECT_EQ(run.dir.read("AlignmentsChecked"), kAlignmentsChecked);
}

TEST(QuilletRun, EndOfInputAtTheQuestionGoesOn) {
    CheckerRun run(twoWrongSequences(), kAlignments, "");
    EXPECT_EQ(run.result.out, kStart +
                                  "comparing region 1\ncomparing region 2\ncomparing region 3\n" +
                                  mismatch(1, 3, '1', "ATGAC", "ATGAG", 16) +
                                  "comparing region 4\ncomparing region 5\n" +
                                  mismatch(2, 5, '1', "A", "T", 26) + summary(2));
    EXPECT_EQ(run.result.exitStatus, 0);
}

TEST(QuilletRun, QuitAnswerAbortsAfterTheFarewell) {
    CheckerRun run(twoWrongSequences(), kAlignments, "3\n2\n1\n");
    EXPECT_EQ(run.result.signal, SIGABRT);
    EXPECT_EQ(run.result.out,
              kStart + "comparing region 1\ncomparing region 2\ncomparing region 3\n" +
                  mismatch(1, 3, '1', "ATGAC", "ATGAG", 16) + "\n? \n\nprogram terminated\n\n");
    EXPECT_EQ(run.dir.read("AlignmentsChecked"), kAlignmentsChecked);
}

TEST(QuilletRun, SymbolOutsideTheRegionsStates) {
    // Region 3 has two states (symbols 0 and 1); a row shown after '2' is not compared.
    CheckerRun run(kStepMatrix, replaced(kAlignments, " 1\tATGAG", " 2\tATGAG"), "1\nx\n");
    EXPECT_EQ(run.result.out, kStart +
                                  "comparing region 1\ncomparing region 2\ncomparing region 3\n"
                                  "\nstate characters do not match in region 3\n"
                                  "line 16 of file Alignments\n"
                                  "press 1 and RETURN "
                                  "comparing region 4\ncomparing region 5\n" +
                                  summary(0));
    EXPECT_EQ(run.result.exitStatus, 0);
}

TEST(QuilletRun, FewerRecordsThanTheStateCountImplies) {
    // Region 1 lacks its third record: region 3's record is compared in its place (lines 9
    // and 10 as counted), and region 3's header is then missing: the check is incomplete.
    CheckerRun run(kStepMatrix, replaced(kAlignments, kRecord12, ""), "1\n1\nx\n");
    EXPECT_EQ(run.result.out, kStart + "comparing region 1\n" +
                                  mismatch(1, 1, '0', "AC", "ATG", 9) +
                                  mismatch(2, 1, '1', "ACT", "ATGAG", 10) +
                                  "comparing region 2\ncomparing region 3\n"
                                  "\n\n can't find region 3 in file \"AlignmentsChecked\" "
                                  "\n program terminated" +
                                  summary(2));
    EXPECT_EQ(run.result.exitStatus, 1);
}

TEST(QuilletRun, MoreRecordsThanTheStateCountImplies) {
    // An extra (wrong) record after region 1 is passed over unseen; region 3's second row,
    // truly on line 18, is counted as line 16.
    const std::string extra = "*0\tGG\n 1\tTT\t0.000\t 1\t0.000\t1.000\t0.000\n";
    CheckerRun run(replaced(kStepMatrix, "[1 = ATGAG]", "[1 = ATGAC]"),
                   replaced(kAlignments, kRecord12, kRecord12 + extra), "1\nx\n");
    EXPECT_EQ(run.result.out, kStart +
                                  "comparing region 1\ncomparing region 2\ncomparing region 3\n" +
                                  mismatch(1, 3, '1', "ATGAC", "ATGAG", 16) +
                                  "comparing region 4\ncomparing region 5\n" + summary(1));
    EXPECT_EQ(run.result.exitStatus, 0);
}

TEST(QuilletRun, AlignmentsCutInsideARecord) {
    // Cut inside the first row of region 1's second record (line 7).
    const std::string cut = kAlignments.substr(0, kAlignments.find("*0\t\xA5") + 5);
    ASSERT_EQ(cut.substr(cut.size() - 5),
              "*0\t\xA5"
              "A");
    CheckerRun run(kStepMatrix, cut, "1\n1\nx\n");
    EXPECT_EQ(run.result.out, kStart + "comparing region 1\n" + mismatch(1, 1, '0', "AC", "A", 7) +
                                  "\nstate characters do not match in region 1\n"
                                  "line 8 of file Alignments\n"
                                  "press 1 and RETURN " +
                                  summary(1));
    EXPECT_EQ(run.result.exitStatus, 1);
}

TEST(QuilletRun, StepMatrixCutInsideARegion) {
    const std::string cut = kStepMatrix.substr(0, kStepMatrix.find("[1 = ATGAG]") + 8);
    CheckerRun run(cut, kAlignments, "x\n");
    EXPECT_EQ(run.result.out,
              kStart + "comparing region 1\ncomparing region 2\ncomparing region 3\n" + summary(0));
    EXPECT_EQ(run.result.exitStatus, 1);
}

TEST(QuilletRun, RegionMissingFromTheCopy) {
    CheckerRun run(kStepMatrix, replaced(kAlignments, "Region #3", "Region #9"), "x\n");
    EXPECT_EQ(run.result.out, kStart +
                                  "comparing region 1\ncomparing region 2\ncomparing region 3\n"
                                  "\n\n can't find region 3 in file \"AlignmentsChecked\" "
                                  "\n program terminated" +
                                  summary(0));
    EXPECT_EQ(run.result.exitStatus, 1);
}

TEST(QuilletRun, ByteFFIsDataInBothFiles) {
    // 0xFF inside region 1's sequences; region 2 after it still holds a mismatch to find.
    const std::string stepMatrix =
        "BEGIN ASSUMPTIONS;\n"
        "\n\tUSERTYPE Region#1 STEPMATRIX = 2\n\t[0 = A\xFFG]\n\t[1 = A\xFFGT]\n"
        "\n\t          0     1 \n\t  [0]      .  3.00\n\t  [1]   3.00     .\n;\n\n;\n\n"
        "\n\tUSERTYPE Region#2 STEPMATRIX = 2\n\t[0 = C]\n\t[1 = G]\n"
        "\n\t          0     1 \n\t  [0]      .  2.00\n\t  [1]   2.00     .\n;\n\n;\n\n";
    const std::string alignments = "\nRegion #1\n" + kLegend +
                                   "*0\tA\xFFG\xA5\n 1\tA\xFFGT\t0.750\t 3\t0.250\t3.000\t0.250\n"
                                   "\nRegion #2\n" +
                                   kLegend + "*0\tC\n 1\tT\t0.000\t 2\t0.000\t2.000\t0.000\n";
    CheckerRun run(stepMatrix, alignments, "1\nx\n");
    EXPECT_EQ(run.result.out, kStart + "comparing region 1\ncomparing region 2\n" +
                                  mismatch(1, 2, '1', "G", "T", 12) + summary(1));
    EXPECT_EQ(run.result.exitStatus, 0);
    EXPECT_EQ(run.dir.read("AlignmentsChecked"),
              "\nRegion #1\n" + kLegend +
                  "*0 A\xFFG\n 1 A\xFFGT 0.750  3 0.250 3.000 0.250\n"
                  "\nRegion #2\n" +
                  kLegend + "*0 C\n 1 T 0.000  2 0.000 2.000 0.000\n" + kTail);
}

TEST(QuilletRun, MissingInputFiles) {
    {
        // No Alignments: an older working copy is emptied all the same.
        ScratchDir dir;
        dir.write("StepMatrix", kStepMatrix);
        dir.write("AlignmentsChecked", "old copy");
        const RunResult result = runProgram(QUILLET_PATH, dir.path(), "");
        EXPECT_EQ(result.out, kStart);
        EXPECT_EQ(result.err, "input file \"Alignments\" not found. \nprogram terminated\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_TRUE(dir.exists("AlignmentsChecked"));
        EXPECT_EQ(dir.read("AlignmentsChecked"), "");
        EXPECT_FALSE(dir.exists("StepMatrix") && !dir.exists("Alignments") &&
                     dir.read("StepMatrix") != kStepMatrix);
    }
    {
        ScratchDir dir;
        dir.write("Alignments", kAlignments);
        const RunResult result = runProgram(QUILLET_PATH, dir.path(), "");
        EXPECT_EQ(result.out, kStart);
        EXPECT_EQ(result.err, "file \"StepMatrix\" not found. \nprogram terminated\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_FALSE(dir.exists("StepMatrix"));
        EXPECT_EQ(dir.read("AlignmentsChecked"), "");
    }
    {
        // Both missing: only the first is reported, and neither is created.
        ScratchDir dir;
        const RunResult result = runProgram(QUILLET_PATH, dir.path(), "");
        EXPECT_EQ(result.err, "input file \"Alignments\" not found. \nprogram terminated\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_FALSE(dir.exists("Alignments"));
        EXPECT_FALSE(dir.exists("StepMatrix"));
    }
}

TEST(QuilletRun, WorkingCopyThatCannotBeCreated) {
    ScratchDir dir;
    dir.write("StepMatrix", kStepMatrix);
    dir.write("Alignments", kAlignments);
    std::filesystem::create_directory(dir.file("AlignmentsChecked"));
    const RunResult result = runProgram(QUILLET_PATH, dir.path(), "x\n");
    EXPECT_EQ(result.out, kStart);
    EXPECT_EQ(result.err, "quillet: cannot create \"AlignmentsChecked\": Is a directory\n");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST(QuilletRun, UnreadableInputIsNotASuccess) {
    // A directory named StepMatrix opens but cannot be read: no region is compared, and the
    // run must not end as if the check had passed.
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("StepMatrix"));
    dir.write("Alignments", kAlignments);
    const RunResult result = runProgram(QUILLET_PATH, dir.path(), "x\n");
    EXPECT_EQ(result.out, kStart + summary(0));
    EXPECT_EQ(result.err, "quillet: cannot read \"StepMatrix\": Is a directory\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// Runs vornax on the data file `data` (named `name`) with all weights 1, then quillet, and
// expects a complete check with no error. Returns quillet's console text.
std::string expectCleanCheckOfVornaxOutput(const std::string& name, const std::string& data) {
    ScratchDir dir;
    dir.write(name, data);
    const RunResult built = runProgram(VORNAX_PATH, dir.path(), name + "\n1\n1\n1\n");
    EXPECT_EQ(built.exitStatus, 0) << built.err;
    EXPECT_TRUE(dir.exists("StepMatrix"));
    EXPECT_TRUE(dir.exists("Alignments"));
    const RunResult checked = runProgram(QUILLET_PATH, dir.path(), "x\n");
    EXPECT_EQ(checked.exitStatus, 0) << checked.out;
    EXPECT_NE(checked.out.find("comparing region 1\n"), std::string::npos) << checked.out;
    EXPECT_EQ(checked.out.find("state characters do not match"), std::string::npos);
    EXPECT_EQ(checked.out.find("can't find region"), std::string::npos);
    EXPECT_TRUE(checked.out.ends_with("\n\ntotal number of errors: 0" + kSummaryAfterTotal))
        << checked.out;
    return checked.out;
}

TEST(QuilletOnVornax, FindsNoErrorInTheExamples) {
    std::vector<std::filesystem::path> examples;
    if (std::filesystem::is_directory(EXAMPLES_DIR)) {
        for (const auto& entry : std::filesystem::directory_iterator(EXAMPLES_DIR)) {
            if (entry.path().extension() == ".dat") examples.push_back(entry.path());
        }
    }
    ASSERT_FALSE(examples.empty()) << "no example data file in " << EXAMPLES_DIR;
    for (const auto& example : examples) {
        SCOPED_TRACE(example.string());
        expectCleanCheckOfVornaxOutput(example.filename().string(), readFile(example.string()));
    }
}

TEST(QuilletOnVornax, FindsNoErrorInASmallDataSet) {
    // Gaps, a missing-data code inside regions and an unknown-data taxon.
    expectCleanCheckOfVornaxOutput("small.dat", readFile(TEST_DATA_DIR "/checker/small.dat"));
}

TEST(QuilletOnVornax, SkipsARegionOfTooManyStates) {
    // Region 1 gives each of 100 taxa its own state; region 2 has three states. The checker
    // must pass over region 1 and still find region 2's records.
    std::string data = "100 12 2 - ?\n1-6 9-12\n";
    const char* bases = "ACGT";
    const char* region2[] = {"ACGT", "AC-T", "GGGA"};
    for (int i = 0; i < 100; ++i) {
        std::string region1;
        for (int digit = 0, rest = i; digit < 6; ++digit, rest /= 4) region1 += bases[rest % 4];
        data += 't';
        data += std::to_string(i) + " " + region1 + "TT" + region2[i % 3] + "\n";
    }
    const std::string console = expectCleanCheckOfVornaxOutput("many.dat", data);
    EXPECT_TRUE(console.starts_with(kStart + "comparing region 1\ncomparing region 2\n\n\n"))
        << console;
}
