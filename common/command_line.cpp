#include "common/command_line.h"

#include <CLI/CLI.hpp>
#include <string>

#include "common/console.h"
#include "common/run_error.h"
#include "common/version.h"

bool parseCommandLine(CLI::App& app, const char* program, int argc, char** argv) {
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("--version", std::string(program) + " " + kVersion,
                         "show the version and exit");
    app.get_formatter()->column_width(26);
    try {
        app.parse(argc, argv);
        return true;
    } catch (const CLI::CallForHelp&) {
        writeStandardOutput(program, app.help());
    } catch (const CLI::CallForVersion& version) {
        writeStandardOutput(program, version.what() + std::string("\n"));
    } catch (const CLI::ParseError& error) {
        throw RunError(std::string(program) + ": " + error.what() + "\n" +
                           CLI::Formatter().make_usage(&app, program) + "Try '" + program +
                           " --help'.\n",
                       2);
    }
    return false;
}
