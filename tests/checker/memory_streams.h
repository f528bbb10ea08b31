// Test helpers: temporary streams that stand in for files and the console.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct StreamCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TempStream = std::unique_ptr<std::FILE, StreamCloser>;

// Returns a temporary stream holding `bytes`, positioned at its start.
inline TempStream streamWith(const std::string& bytes) {
    TempStream stream(std::tmpfile());
    std::fwrite(bytes.data(), 1, bytes.size(), stream.get());
    std::rewind(stream.get());
    return stream;
}

// Returns everything written to `stream` so far, from its start.
inline std::string contentsOf(std::FILE* stream) {
    std::fflush(stream);
    const long position = std::ftell(stream);
    std::rewind(stream);
    std::string bytes;
    for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) bytes.push_back(char(c));
    std::fseek(stream, position, SEEK_SET);
    return bytes;
}
