// The table-driven runner: every folder under tests/data/<program>/ is one run of that
// program, and the folder holds all of it (see tests/data/README.md):
//   args     the arguments, one per line          stdin    standard input
//   setup    conditions of the run, one per line  in/      the working directory before
//   stdout   expected standard output             stderr   expected standard error
//   status   expected exit status or signal name  out/     files new or changed after the run
//   modes    files whose permissions are not rw-r--r-- after the run
// Files of in/ that out/ does not list must be left as they were; no other file may appear. An
// out/ that is a link to another case's out/ pins the same files as that case.
// "@EXAMPLES@" in args and stdin stands for the bundled examples' folder. With
// VORNAX_UPDATE_CASES=1 the runner writes what the run gave as the expected files instead.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/engine.h"
#include "support/run_program.h"

namespace fs = std::filesystem;

namespace {

struct Case {
    std::string program;  // the program's path
    fs::path dir;         // the case folder
};

// Returns `text` with every "@EXAMPLES@" replaced by the examples' folder.
std::string expand(std::string text) {
    const std::string mark = "@EXAMPLES@";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), EXAMPLES_DIR);
    return text;
}

// Returns the lines of `path` (none when it does not exist).
std::vector<std::string> linesOf(const fs::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(readFile(path.string()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What a directory holds: each entry by its path inside it, with its bytes, "-> target" for
// a link, or "/" for a directory.
std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> entries;
    if (!fs::exists(root)) return entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
        const std::string name = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            entries[name] = "-> " + fs::read_symlink(it->path()).string();
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            entries[name] = "/";
        } else {
            entries[name] = readFile(it->path().string());
        }
    }
    return entries;
}

// Returns a line "NAME MODE" (octal) for each file of `root` whose permissions are not
// rw-r--r--, which a run makes under the umask 022 the runner sets.
std::string modesOf(const fs::path& root) {
    std::string modes;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::file_status status = fs::symlink_status(entry.path());
        const unsigned mode = unsigned(status.permissions()) & 07777;
        if (!fs::is_regular_file(status) || mode == 0644) continue;
        char octal[8];
        std::snprintf(octal, sizeof octal, "%o", mode);
        modes += fs::relative(entry.path(), root).string() + " " + octal + "\n";
    }
    return modes;
}

// Writes `bytes` to `path`, or removes it when `bytes` is what an absent file means.
void writeExpected(const fs::path& path, const std::string& bytes, const std::string& absent) {
    if (bytes == absent) {
        fs::remove(path);
        return;
    }
    std::ofstream(path, std::ios::binary) << bytes;
}

// The exit status as a case writes it: a number, or the name of the ending signal.
std::string statusText(const RunResult& r) {
    if (r.signal == 0) return std::to_string(r.exitStatus);
    const std::map<int, std::string> names = {{6, "SIGABRT"},  {9, "SIGKILL"}, {11, "SIGSEGV"},
                                              {15, "SIGTERM"}, {25, "SIGXFSZ"}};
    return names.contains(r.signal) ? names.at(r.signal) : "signal " + std::to_string(r.signal);
}

// Shows a case by its folder's name in test messages.
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.dir.filename().string();
}

class Cases : public testing::TestWithParam<Case> {};

TEST_P(Cases, Run) {
    const Case& c = GetParam();
    ScratchDir work;
    if (fs::exists(c.dir / "in"))
        fs::copy(c.dir / "in", work.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const std::map<std::string, std::string> before = contents(work.path());

    std::vector<std::string> args;
    for (const std::string& line : linesOf(c.dir / "args")) args.push_back(expand(line));
    RunOptions options;
    std::vector<int> locked;  // files of the directory that the runner holds locked meanwhile
    for (const std::string& line : linesOf(c.dir / "setup")) {
        std::istringstream words(line);
        std::string word, name;
        unsigned mode = 0;
        words >> word;
        if (line == "read-only directory") {
            options.unprivileged = true;
            fs::permissions(work.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                             fs::perms::others_read | fs::perms::others_exec);
        } else if (line == "standard output full") {
            options.fullStandardOutput = true;
        } else if (line == "standard output closed" || line == "standard input closed") {
            (line[9] == 'o' ? options.closedStandardOutput : options.closedStandardInput) = true;
        } else if (line.starts_with("file size limit ")) {
            options.fileSizeLimit = std::stoll(line.substr(16));
        } else if (line == "no new threads") {
            if (geteuid() == 0 && getpwuid(65534) == nullptr)
                GTEST_SKIP() << "no user nobody to run without new threads as";
            options.noNewThreads = true;
            fs::permissions(work.path(), fs::perms::all);
        } else if (word == "lock" && words >> name) {
            locked.push_back(open(work.file(name).c_str(), O_RDONLY | O_CLOEXEC));
            ASSERT_EQ(flock(locked.back(), LOCK_EX), 0) << "cannot lock " << name;
        } else if (word == "mode" && words >> name >> std::oct >> mode) {
            fs::permissions(work.file(name), fs::perms(mode));
        } else if (word == "environment" && words >> name && name.find('=') != std::string::npos) {
            options.environment.emplace_back(name.substr(0, name.find('=')),
                                             name.substr(name.find('=') + 1));
        } else if (line.starts_with("kernel set ")) {
            const std::string set = line.substr(11);
            bool supported = false;
            for (KernelSet k : kKernelSets)
                supported = supported || (set == kernelSetName(k) && kernelSetSupported(k));
            if (!supported) GTEST_SKIP() << "this processor cannot run the kernel set " << set;
            options.environment.emplace_back("VORNAX_KERNELS", set);
        } else {
            FAIL() << "unknown setup line \"" << line << "\"";
        }
    }
    const RunResult r = RunningProgram(c.program, work.path(),
                                       expand(readFile((c.dir / "stdin").string())), args, options)
                            .wait();
    for (int descriptor : locked) close(descriptor);
    fs::permissions(work.path(), fs::perms::owner_all, fs::perm_options::add);
    std::map<std::string, std::string> after = contents(work.path());

    if (std::getenv("VORNAX_UPDATE_CASES") != nullptr) {
        writeExpected(c.dir / "stdout", r.out, "");
        writeExpected(c.dir / "stderr", r.err, "");
        writeExpected(c.dir / "status", statusText(r) + "\n", "0\n");
        writeExpected(c.dir / "modes", modesOf(work.path()), "");
        // An out/ that links to another case's out/ pins that case's files: it stays as it is.
        const bool linked = fs::is_symlink(c.dir / "out");
        if (!linked) fs::remove_all(c.dir / "out");
        for (const auto& [name, bytes] : after) {
            if (linked || (before.contains(name) && before.at(name) == bytes)) continue;
            fs::create_directories((c.dir / "out" / name).parent_path());
            if (bytes == "/")
                fs::create_directories(c.dir / "out" / name);
            else
                std::ofstream(c.dir / "out" / name, std::ios::binary) << bytes;
        }
        GTEST_SKIP() << "expected files written";
    }

    EXPECT_EQ(r.out, readFile((c.dir / "stdout").string()));
    EXPECT_EQ(r.err, readFile((c.dir / "stderr").string()));
    const std::vector<std::string> status = linesOf(c.dir / "status");
    EXPECT_EQ(statusText(r), status.empty() ? "0" : status.front()) << r.err;
    EXPECT_EQ(modesOf(work.path()), readFile((c.dir / "modes").string()));
    for (const auto& [name, bytes] : contents(c.dir / "out")) {
        if (bytes == "/") continue;
        ASSERT_TRUE(after.contains(name)) << name << " was not written";
        EXPECT_EQ(after.at(name), bytes) << name << " differs";
        after.erase(name);
    }
    for (const auto& [name, bytes] : after) {
        if (bytes == "/" && fs::exists(c.dir / "out" / name)) continue;
        ASSERT_TRUE(before.contains(name)) << name << " was written but is not expected";
        EXPECT_EQ(bytes, before.at(name)) << name << " was changed";
    }
    for (const auto& [name, bytes] : before)
        EXPECT_TRUE(after.contains(name) || fs::exists(c.dir / "out" / name)) << name << " was removed";
}

// Returns every case folder of program folder `name`, run with the program at `path`.
std::vector<Case> casesOf(const std::string& name, const std::string& path) {
    std::vector<Case> cases;
    if (!fs::is_directory(fs::path(TEST_DATA_DIR) / name)) return cases;
    for (const auto& entry : fs::directory_iterator(fs::path(TEST_DATA_DIR) / name))
        if (entry.is_directory()) cases.push_back({path, entry.path()});
    std::sort(cases.begin(), cases.end(), [](const Case& a, const Case& b) { return a.dir < b.dir; });
    return cases;
}

// The names of the tests: the case folders' names.
std::string caseName(const testing::TestParamInfo<Case>& info) {
    return info.param.dir.filename().string();
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Vornax, Cases, testing::ValuesIn(casesOf("vornax", VORNAX_PATH)), caseName);
INSTANTIATE_TEST_SUITE_P(Quillet, Cases, testing::ValuesIn(casesOf("quillet", QUILLET_PATH)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(VornaxExport, Cases,
                         testing::ValuesIn(casesOf("vornax-export", EXPORT_PATH)), caseName);
INSTANTIATE_TEST_SUITE_P(VornaxImport, Cases,
                         testing::ValuesIn(casesOf("vornax-import", IMPORT_PATH)), caseName);
