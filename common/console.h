// What all programs do alike on the console: their start, and text on standard output that
// must get there whole.
#pragma once

#include <string>

// Makes the process safe to run, first thing in main: standard input, output and error that
// were closed at start are opened on /dev/null (so that no file opened later takes their
// descriptors and receives console text), and SIGXFSZ is ignored (so that a write beyond the
// file size limit fails with an error that the program reports instead of killing it).
void startProgram();

// Writes `text` to standard output and flushes it; throws RunError
// "<program>: cannot write \"standard output\": <reason>" when it does not get there whole.
void writeStandardOutput(const char* program, const std::string& text);
