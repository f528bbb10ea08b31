// vornax-export end to end: a hand-made StepMatrix of every kind of region, exported to
// NEXUS and to TNT, against the bytes expected; then the command line and its errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/version.h"
#include "support/run_program.h"

namespace {

// mixed.StepMatrix: region 1 has the states AC and ACT at cost 3; region 2 was not coded;
// region 3 has one state; region 4 has an infinite and a negative cost and a state that
// holds "["; region 5 has an undefined cost. The taxa: a name with "/", "alpha" and "ALPHA"
// (one name, as NEXUS compares names) and an empty name.
std::string fixture() {
    return readFile(std::string(TEST_DATA_DIR) + "/exporter/mixed.StepMatrix");
}

const std::string kWrittenBy = std::string("Written by vornax-export ") + kVersion + ": ";

const std::string kNexus =
    "#NEXUS\n[" + kWrittenBy +
    "2 of the 5 ambiguous regions of a StepMatrix file as characters, each with the step "
    "matrix of its user-weighted costs.]\n"
    "\n"
    "BEGIN TAXA;\n"
    "\tDIMENSIONS NTAX=4;\n"
    "\tTAXLABELS\n"
    "\t\t'Homo/sapiens'\n"
    "\t\talpha\n"
    "\t\tALPHA_2\n"
    "\t\ttaxon_4\n"
    "\t;\n"
    "END;\n"
    "\n"
    "BEGIN CHARACTERS;\n"
    "\tDIMENSIONS NCHAR=2;\n"
    "\tFORMAT DATATYPE=STANDARD RESPECTCASE MISSING=? SYMBOLS=\"012\";\n"
    "\tCHARSTATELABELS\n"
    "\t\t1 Region_1,\n"
    "\t\t2 Region_4\n"
    "\t;\n"
    "\tMATRIX\n"
    "\t\t'Homo/sapiens'  02\n"
    "\t\talpha           11\n"
    "\t\tALPHA_2         ??\n"
    "\t\ttaxon_4         00\n"
    "\t;\n"
    "END;\n"
    "\n"
    "BEGIN ASSUMPTIONS;\n"
    "\tUSERTYPE Region_1 (STEPMATRIX) = 2\n"
    "\t\t[0 = AC]\n"
    "\t\t[1 = ACT]\n"
    "\t\t   0    1\n"
    "\t\t   . 3.00\n"
    "\t\t3.00    .\n"
    "\t;\n"
    "\tUSERTYPE Region_4 (STEPMATRIX) = 3\n"
    "\t\t[0 = (a sequence that a comment cannot show)]\n"
    "\t\t[1 = CC]\n"
    "\t\t[2 = GGT]\n"
    "\t\t    0     1     2\n"
    "\t\t    .     i  2.50\n"
    "\t\t    i     . -1.50\n"
    "\t\t 2.50 -1.50     .\n"
    "\t;\n"
    "\tTYPESET * Regions = Region_1: 1, Region_4: 2;\n"
    "END;\n";

const std::string kTnt =
    "nstates 8;\n"
    "xread\n'" +
    kWrittenBy +
    "1 of the 5 ambiguous regions of a StepMatrix file as characters. The step-matrix costs "
    "are the StepMatrix costs times 100, rounded to integers.'\n"
    "1 4\n"
    "Homo_sapiens  0\n"
    "alpha         1\n"
    "ALPHA_2       ?\n"
    "taxon_4       0\n"
    ";\n"
    "smatrix =0 (Region_1) 0/1 300 ;\n"
    "smatrix + Region_1 0 ;\n"
    "proc/;\n";

const std::string kLeftOutEverywhere =
    "vornax-export: warning: region 2 is left out: vornax could not code it (more than 96 "
    "states)\n"
    "vornax-export: warning: region 3 is left out: it has a single state, and a step matrix "
    "needs two or more\n";

TEST(VornaxExport, WritesNexusOnStandardOutput) {
    ScratchDir dir;
    dir.write("StepMatrix", fixture());
    const RunResult run = runProgram(EXPORT_PATH, dir.path(), "");
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, kNexus);
    EXPECT_EQ(run.err, kLeftOutEverywhere +
                           "vornax-export: warning: region 5 is left out: a cost of its step "
                           "matrix is \"-nan\", which NEXUS cannot hold\n"
                           "vornax-export: warning: taxon 3 \"ALPHA\" is written as "
                           "\"ALPHA_2\": its name is taken already\n"
                           "vornax-export: warning: taxon 4 \"\" is written as \"taxon_4\"\n");
}

TEST(VornaxExport, WritesTntToAFile) {
    ScratchDir dir;
    dir.write("regions.txt", fixture());
    const RunResult run =
        runProgram(EXPORT_PATH, dir.path(), "", {"--tnt", "-o", "regions.tnt", "regions.txt"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(dir.read("regions.tnt"), kTnt);
    EXPECT_EQ(run.err, kLeftOutEverywhere +
                           "vornax-export: warning: region 4 is left out: a cost of its step "
                           "matrix is \"inf\", and TNT takes only costs from 0 to 21474836.47\n"
                           "vornax-export: warning: region 5 is left out: a cost of its step "
                           "matrix is \"-nan\", and TNT takes only costs from 0 to 21474836.47\n"
                           "vornax-export: warning: taxon 1 \"Homo/sapiens\" is written as "
                           "\"Homo_sapiens\"\n"
                           "vornax-export: warning: taxon 3 \"ALPHA\" is written as "
                           "\"ALPHA_2\": its name is taken already\n"
                           "vornax-export: warning: taxon 4 \"\" is written as \"taxon_4\"\n");
}

TEST(VornaxExport, TheLastFormatOptionWins) {
    ScratchDir dir;
    dir.write("StepMatrix", fixture());
    EXPECT_EQ(runProgram(EXPORT_PATH, dir.path(), "", {"--tnt", "--nexus"}).out, kNexus);
    EXPECT_EQ(runProgram(EXPORT_PATH, dir.path(), "", {"--nexus", "--tnt"}).out, kTnt);
}

TEST(VornaxExport, RefusesAWrongCommandLine) {
    ScratchDir dir;
    dir.write("StepMatrix", fixture());
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--paup"}, "vornax-export: unknown option \"--paup\"\n"},
        {{"-o"}, "vornax-export: -o needs the name of the output file\n"},
        {{"-o", ""}, "vornax-export: -o needs the name of the output file\n"},
        {{"a", "b"}, "vornax-export: one StepMatrix file at a time, not \"a\" and \"b\"\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const RunResult run = runProgram(EXPORT_PATH, dir.path(), "", c.args);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.message + "Try 'vornax-export --help'.\n");
    }
}

TEST(VornaxExport, HelpWinsOverAWrongOption) {
    ScratchDir dir;
    const RunResult run = runProgram(EXPORT_PATH, dir.path(), "", {"--paup", "--help"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_TRUE(run.out.starts_with("Usage: vornax-export [--nexus | --tnt]")) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(VornaxExport, FailsOnAMissingOrUnreadableInput) {
    ScratchDir dir;
    RunResult run = runProgram(EXPORT_PATH, dir.path(), "");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "vornax-export: cannot read \"StepMatrix\": No such file or directory\n");

    std::filesystem::create_directory(dir.file("StepMatrix"));
    run = runProgram(EXPORT_PATH, dir.path(), "");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "vornax-export: cannot read \"StepMatrix\": Is a directory\n");
}

TEST(VornaxExport, NamesTheLineOfAMalformedFile) {
    ScratchDir dir;
    std::string text = fixture();
    text.replace(text.find("  3.00\n"), 7, "  3.0x\n");
    dir.write("StepMatrix", text);
    const RunResult run = runProgram(EXPORT_PATH, dir.path(), "", {"-o", "out.nex"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err,
              "vornax-export: \"StepMatrix\" line 8: expected the step-matrix row of state 0 "
              "\"\\t  [0] ...\" with 2 costs (\".\" on the diagonal), found \"\\t  [0]      .  "
              "3.0x\"\n");
    EXPECT_FALSE(dir.exists("out.nex"));
}

TEST(VornaxExport, FailsWhenNothingCanBeExported) {
    ScratchDir dir;
    const struct {
        const char* what;
        std::string text;
        std::string warnings;
    } cases[] = {
        {"one uncoded region",
         "BEGIN ASSUMPTIONS;\n\n\t [ Region#1 has more than 96 states ] \n"
         "[ \tambiguous region ]\n[ \t 1  ]\na \t[-]\n",
         "vornax-export: warning: region 1 is left out: vornax could not code it (more than 96 "
         "states)\n"},
        {"a run without regions", "[ \tambiguous region ]\n[ \t ]\na \t\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("StepMatrix", c.text);
        const RunResult run = runProgram(EXPORT_PATH, dir.path(), "", {"-o", "out.nex"});
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.err, c.warnings +
                               "vornax-export: \"StepMatrix\": no region can be "
                               "exported as a character\n");
        EXPECT_FALSE(dir.exists("out.nex"));
    }
}

TEST(VornaxExport, ReportsAnOutputThatCannotBeWritten) {
    ScratchDir dir;
    dir.write("StepMatrix", fixture());
    const RunResult run =
        runProgram(EXPORT_PATH, dir.path(), "", {"-o", "missing-directory/out.nex"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(
        run.err.ends_with("vornax-export: cannot write \"missing-directory/out.nex\": "
                          "No such file or directory\n"))
        << run.err;

    const RunResult full = runProgram(EXPORT_PATH, dir.path(), "", {"-o", "/dev/full"});
    EXPECT_EQ(full.exitStatus, 1);
    EXPECT_TRUE(
        full.err.ends_with("vornax-export: cannot write \"/dev/full\": No space left on device\n"))
        << full.err;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));  // written in place, kept
}

}  // namespace
