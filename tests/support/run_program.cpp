#include "support/run_program.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vornax-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // A test may have made the directory read-only; give the rights back to remove it.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file(name));
}

std::string ScratchDir::read(const std::string& name) const {
    return readFile(file(name));
}

bool ScratchDir::exists(const std::string& name) const {
    return std::filesystem::exists(file(name));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

RunningProgram::RunningProgram(const std::string& program, const std::string& dir,
                               const std::string& input, const std::vector<std::string>& args,
                               const RunOptions& options) {
    io_.write("stdin", input);
    const std::string outPath = io_.file("stdout");
    const std::string errPath = io_.file("stderr");
    const std::string inPath = io_.file("stdin");
    std::string path = program;
    const bool unprivileged = (options.unprivileged || options.noNewThreads) && geteuid() == 0;
    if (unprivileged) {
        // The program's user must be able to run it and to write its console files.
        std::filesystem::permissions(io_.path(), std::filesystem::perms::all);
        path = io_.file("program");
        std::filesystem::copy_file(program, path);
        std::filesystem::permissions(path, std::filesystem::perms::all);
    }

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        if (unprivileged && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(126);
        int in = open(inPath.c_str(), O_RDONLY);
        int out = options.fullStandardOutput ? open("/dev/full", O_WRONLY)
                                             : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (int descriptor : {in, out, err}) close(descriptor);
        if (options.closedStandardInput) close(0);
        if (options.closedStandardOutput) close(1);
        umask(022);
        if (options.fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &size) != 0) _exit(126);
        }
        if (options.noNewThreads) {
            // LeakSanitizer needs a thread of its own at exit, and none can be started.
            const char* asan = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
            const rlimit one{1, 1};
            if (setrlimit(RLIMIT_NPROC, &one) != 0) _exit(126);
        }
        for (const auto& [name, value] : options.environment) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        wait();
    }
}

void RunningProgram::signal(int number) {
    kill(pid_, number);
}

RunResult RunningProgram::wait() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
    }
    pid_ = -1;
    RunResult result;
    result.out = io_.read("stdout");
    result.err = io_.read("stderr");
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

RunResult runProgram(const std::string& program, const std::string& dir, const std::string& input,
                     const std::vector<std::string>& args) {
    return RunningProgram(program, dir, input, args).wait();
}
