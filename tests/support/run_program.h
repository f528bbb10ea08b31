// Test support: runs vornax or quillet in a scratch directory with answers on stdin.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// What one run of a program left behind.
struct RunResult {
    std::string out;      // standard output
    std::string err;      // standard error
    int exitStatus = -1;  // exit status, or -1 when ended by a signal
    int signal = 0;       // the ending signal, or 0
};

// A fresh, empty directory under the system's temporary directory, removed with the object.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // Returns the path of `name` inside the directory.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` to `name` in the directory.
    void write(const std::string& name, const std::string& bytes) const;
    // Returns the bytes of `name` in the directory ("" when it does not exist).
    std::string read(const std::string& name) const;
    // Returns whether `name` exists in the directory.
    bool exists(const std::string& name) const;

  private:
    std::string path_;
};

// Conditions of a run.
struct RunOptions {
    // Started by root, the program runs as the user nobody, for whom file permissions hold
    // (from a copy that nobody may run, wherever the build lies).
    bool unprivileged = false;
    // Standard output is /dev/full: every write to it fails.
    bool fullStandardOutput = false;
    bool closedStandardInput = false, closedStandardOutput = false;  // closed at start
    long long fileSizeLimit = 0;  // RLIMIT_FSIZE when above 0, with SIGXFSZ ignored
    bool noNewThreads = false;    // RLIMIT_NPROC 1, as the user nobody when started by root
    std::vector<std::pair<std::string, std::string>> environment;  // variables set for the run
};

// A program started in directory `dir` with `input` as its standard input and `args` as its
// arguments.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::string& dir, const std::string& input,
                   const std::vector<std::string>& args = {}, const RunOptions& options = {});
    ~RunningProgram();  // kills the program if it was not waited for
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Sends signal `number` to the program.
    void signal(int number);
    // Waits for the program to end and returns what it wrote and how it ended.
    RunResult wait();

  private:
    ScratchDir io_;
    pid_t pid_ = -1;
};

// Runs `program` in directory `dir` with `input` as its standard input and returns what
// it wrote and how it ended; `args` are its arguments. Standard input is a file, so end
// of input comes after it.
RunResult runProgram(const std::string& program, const std::string& dir, const std::string& input,
                     const std::vector<std::string>& args = {});

// Returns the bytes of the file at `path` ("" when it cannot be read).
std::string readFile(const std::string& path);
