// What all three programs do alike on the console: the options they answer before anything
// else, and text on standard output that must get there whole.
#pragma once

#include <string>

// Returns whether one of the program's arguments (argv[1] on) is exactly `option`.
bool hasOption(int argc, char** argv, const char* option);

// Writes `text` to standard output and flushes it; throws RunError
// "<program>: cannot write \"standard output\": <reason>" when it does not get there whole.
void writeStandardOutput(const char* program, const std::string& text);
