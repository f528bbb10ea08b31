// The one error type of every program: thrown wherever a run cannot go on, caught in
// main, which prints the message and returns the exit status.
#pragma once

#include <stdexcept>
#include <string>

enum class Stream { out, err };

class RunError : public std::runtime_error {
public:
    // `message` is printed byte for byte, with no line end added.
    RunError(std::string message, int exitStatus = 1, Stream stream = Stream::err)
        : std::runtime_error(std::move(message)), exitStatus_(exitStatus), stream_(stream) {}
    int exitStatus() const { return exitStatus_; }
    Stream stream() const { return stream_; }

private:
    int exitStatus_;
    Stream stream_;
};

// Throws a RunError "<program>: <what> \"<path>\": <strerror(errnum)>\n" for a file that
// could not be opened, read or written.
[[noreturn]] void failFile(const char* program, const char* what, const std::string& path,
                           int errnum);

// Throws a RunError "<program>: \"<path>\": <reason>\n" for an input that cannot be used.
[[noreturn]] void failInput(const char* program, const std::string& path,
                            const std::string& reason);

// Prints the error's message on its stream, flushes both console streams and returns
// the error's exit status.
int reportRunError(const RunError& error);

// Reports an exception that is no RunError as "<program>: <what>" (or "out of memory") on the
// error stream, like reportRunError; returns 1.
int reportException(const char* program, const std::exception& error);
