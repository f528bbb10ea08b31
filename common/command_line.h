// The command line of every program, parsed by CLI11 in one style: --help and --version
// answered on standard output, a wrong option answered on the error stream with the usage.
#pragma once

namespace CLI {
class App;
}

// Gives `app` the flags every program has (-h/--help, --version answered with
// "<program> <version>") and parses the arguments into it. Returns true when the program goes
// on, false when it has answered --help or --version (exit status 0). Throws RunError for a
// wrong option (the reason and the usage on the error stream, exit status 2) and when the
// answer cannot be written to standard output (exit status 1).
bool parseCommandLine(CLI::App& app, const char* program, int argc, char** argv);
