// The command line of the three programs: --help and --version answer before anything else
// and touch no file, every other argument leaves a run as it was, and an install puts the
// programs and their manual pages in place.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/run_program.h"

namespace {

struct Program {
    const char* path;
    const char* name;
};

const Program kPrograms[] = {
    {VORNAX_PATH, "vornax"}, {QUILLET_PATH, "quillet"}, {EXPORT_PATH, "vornax-export"}};

// The first line of the builder's banner and of the checker's console.
const std::string kBannerStart =
    "*****************************************************************************\n";
const std::string kCheckerStart = "ckecking alignments ....\n";

std::string fixture(const std::string& name) {
    return readFile(std::string(TEST_DATA_DIR) + "/frontend/" + name);
}

// Returns every file in `dir` by name with its bytes.
std::map<std::string, std::string> snapshot(const ScratchDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        files[entry.path().filename().string()] = readFile(entry.path().string());
    }
    return files;
}

// A directory in which a run without options would read and write: the data file, and the
// files of an earlier run for quillet and vornax-export to read.
void fillWorkDirectory(const ScratchDir& dir) {
    dir.write("five_taxa.dat", fixture("five_taxa.dat"));
    ASSERT_EQ(runProgram(VORNAX_PATH, dir.path(), "five_taxa.dat\n1\n2\n1\n").exitStatus, 0);
    ASSERT_TRUE(dir.exists("StepMatrix"));
    ASSERT_TRUE(dir.exists("Alignments"));
}

// The answers that would make a run without options go all the way.
const std::string kAnswers = "five_taxa.dat\n1\n2\n1\n";

// Returns the place of the first byte of `text` that is neither printable ASCII nor a line
// end, or npos.
size_t notPlain(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != '\n' && (c < 0x20 || c >= 0x7F)) return i;
    }
    return std::string::npos;
}

// Checks that `usage` reads as a short plain-text usage: ASCII, fewer than 25 lines of at
// most 80 columns, each ended.
void expectShortPlainText(const std::string& usage) {
    ASSERT_FALSE(usage.empty());
    EXPECT_EQ(usage.back(), '\n');
    int lines = 0;
    std::istringstream in(usage);
    for (std::string line; std::getline(in, line);) {
        ++lines;
        EXPECT_LE(line.size(), 80u) << line;
        EXPECT_EQ(notPlain(line), std::string::npos) << line;
    }
    EXPECT_LT(lines, 25);
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs `command` through the shell; returns its exit status, or -1 when it did not exit.
int shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// ---- --help and --version ----

TEST(HelpAndVersion, EachProgramAnswersAndTouchesNothing) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        ScratchDir dir;
        fillWorkDirectory(dir);
        const auto before = snapshot(dir);

        const RunResult help = runProgram(program.path, dir.path(), kAnswers, {"--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.err, "");
        EXPECT_EQ(help.out.rfind(std::string("Usage: ") + program.name + " [", 0), 0u) << help.out;
        EXPECT_EQ(help.out.find(kBannerStart), std::string::npos);
        EXPECT_EQ(help.out.find(kCheckerStart), std::string::npos);
        if (program.path != std::string(EXPORT_PATH)) expectShortPlainText(help.out);

        const RunResult version = runProgram(program.path, dir.path(), kAnswers, {"--version"});
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.err, "");
        EXPECT_EQ(version.out, std::string(program.name) + " 2.3b\n");
        EXPECT_EQ(snapshot(dir), before);
    }
}

TEST(HelpOption, TheUsagesTellHowToRunAndScriptTheDialogue) {
    ScratchDir dir;
    const std::string vornax = runProgram(VORNAX_PATH, dir.path(), "", {"--help"}).out;
    for (const char* part : {"StepMatrix", "Alignments", "transitions", "transversions",
                             "insertions", "printf 'data.dat\\n1\\n2\\n1\\n' | vornax",
                             "Exit status", "quillet(1)", "vornax-export(1)"}) {
        EXPECT_NE(vornax.find(part), std::string::npos) << part;
    }
    const std::string quillet = runProgram(QUILLET_PATH, dir.path(), "", {"--help"}).out;
    for (const char* part : {"StepMatrix", "Alignments", "AlignmentsChecked", "| quillet",
                             "Exit status", "vornax(1)", "vornax-export(1)"}) {
        EXPECT_NE(quillet.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(snapshot(dir).empty());
}

TEST(OptionOrder, HelpWinsWhereverItStandsAndOtherArgumentsDoNotMatter) {
    ScratchDir dir;
    for (const Program& program : {kPrograms[0], kPrograms[1]}) {
        SCOPED_TRACE(program.name);
        const RunResult help =
            runProgram(program.path, dir.path(), "", {"-x", "--version", "data.dat", "--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: ") + program.name + " [", 0), 0u);
        const RunResult version =
            runProgram(program.path, dir.path(), "", {"-x", "--version", "data.dat"});
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.out, std::string(program.name) + " 2.3b\n");
    }
    EXPECT_TRUE(snapshot(dir).empty());
}

TEST(OptionOutput, AHelpOrVersionThatCannotBeWrittenIsNoSuccess) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (const Program& program : {kPrograms[0], kPrograms[1]}) {
        for (const char* option : {"--help", "--version"}) {
            SCOPED_TRACE(std::string(program.name) + " " + option);
            ScratchDir dir;
            const std::string command = shellQuoted(program.path) + " " + option +
                                        " </dev/null >/dev/full 2>" +
                                        shellQuoted(dir.file("stderr"));
            EXPECT_EQ(shell(command), 1);
            EXPECT_EQ(dir.read("stderr"), std::string(program.name) +
                                              ": cannot write \"standard output\": No space "
                                              "left on device\n");
        }
    }
}

// ---- every other argument is ignored ----

TEST(OtherArguments, VornaxRunsAsWithoutThem) {
    ScratchDir plain;
    plain.write("five_taxa.dat", fixture("five_taxa.dat"));
    const RunResult expected = runProgram(VORNAX_PATH, plain.path(), kAnswers);
    ASSERT_EQ(expected.exitStatus, 0);
    ASSERT_NE(plain.read("StepMatrix"), "");

    // Near misses of the two options are ordinary arguments too.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-x"},
                                               {"data.dat"},
                                               {"-h", "-v", "--", "--HELP", "--help=1"},
                                               {"--versions", "-help", "help", ""}}) {
        SCOPED_TRACE(args.front());
        ScratchDir dir;
        dir.write("five_taxa.dat", fixture("five_taxa.dat"));
        const RunResult r = runProgram(VORNAX_PATH, dir.path(), kAnswers, args);
        EXPECT_EQ(r.exitStatus, expected.exitStatus);
        EXPECT_EQ(r.out, expected.out);
        EXPECT_EQ(r.err, expected.err);
        EXPECT_EQ(snapshot(dir), snapshot(plain));
    }
}

TEST(OtherArguments, QuilletChecksAsWithoutThem) {
    ScratchDir plain;
    fillWorkDirectory(plain);
    ScratchDir dir;
    fillWorkDirectory(dir);
    const RunResult expected = runProgram(QUILLET_PATH, plain.path(), "1\n");
    ASSERT_EQ(expected.exitStatus, 0);
    ASSERT_NE(expected.out.find("total number of errors: 0\n"), std::string::npos);
    const RunResult r = runProgram(QUILLET_PATH, dir.path(), "1\n", {"-x", "StepMatrix", "-h"});
    EXPECT_EQ(r.exitStatus, expected.exitStatus);
    EXPECT_EQ(r.out, expected.out);
    EXPECT_EQ(r.err, expected.err);
    EXPECT_EQ(snapshot(dir), snapshot(plain));
}

// ---- the install ----

TEST(Install, PutsTheProgramsAndManualPagesInPlace) {
    const std::filesystem::path buildDir = std::filesystem::path(VORNAX_PATH).parent_path();
    const std::filesystem::path sourceDir = std::filesystem::path(EXAMPLES_DIR).parent_path();
    ScratchDir prefix;
    ScratchDir log;
    const std::string command = "cmake --install " + shellQuoted(buildDir.string()) + " --prefix " +
                                shellQuoted(prefix.path()) + " >" +
                                shellQuoted(log.file("install")) + " 2>&1";
    ASSERT_EQ(shell(command), 0) << log.read("install");

    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const std::string installed = prefix.file(std::string("bin/") + program.name);
        ASSERT_TRUE(std::filesystem::exists(installed));
        ScratchDir dir;
        const RunResult r = runProgram(installed, dir.path(), "", {"--version"});
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.out, std::string(program.name) + " 2.3b\n");

        const std::string page = std::string(program.name) + ".1";
        const std::string installedPage = readFile(prefix.file("share/man/man1/" + page));
        EXPECT_NE(installedPage, "");
        EXPECT_EQ(installedPage, readFile((sourceDir / "man" / page).string()));
    }
}

TEST(ManualPages, RenderWithoutWarnings) {
    if (shell("command -v groff >/dev/null 2>&1") != 0) GTEST_SKIP() << "groff is not installed";
    const std::filesystem::path sourceDir = std::filesystem::path(EXAMPLES_DIR).parent_path();
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const std::string page = (sourceDir / "man" / (std::string(program.name) + ".1")).string();
        const std::string text = readFile(page);
        ASSERT_NE(text, "");
        EXPECT_EQ(text.rfind(".TH ", 0), 0u);
        for (const char* section :
             {".SH NAME\n", ".SH SYNOPSIS\n", ".SH DESCRIPTION\n", ".SH OPTIONS\n", ".SH FILES\n",
              ".SH EXIT STATUS\n", ".SH EXAMPLES\n", ".SH SEE ALSO\n"}) {
            EXPECT_NE(text.find(section), std::string::npos) << section;
        }
        EXPECT_EQ(notPlain(text), std::string::npos);
        ScratchDir dir;
        const int status = shell("groff -man -Tutf8 -ww -z " + shellQuoted(page) + " 2>" +
                                 shellQuoted(dir.file("warnings")));
        EXPECT_EQ(status, 0);
        EXPECT_EQ(dir.read("warnings"), "");
    }
}
