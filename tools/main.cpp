// zer2ivi: the command-line host of the library.
//   zer2ivi convert OBSFILE EPHEMERISFILE [options]   writes the two RINEX files
//   zer2ivi inspect OBSFILE [--json] [--gps-week N]   tells what the header will say
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"

namespace zer2ivi::cli {
namespace {

constexpr const char* kMainUsage =
    "usage: zer2ivi convert OBSFILE EPHEMERISFILE [options]\n"
    "       zer2ivi inspect OBSFILE [--json] [--gps-week N]\n"
    "       zer2ivi edit RINEXOBS [-o OUT | -d DIR] [options]\n"
    "       zer2ivi batch [-j N] [-d DIR] [--ephemeris FILE] [options] OBSFILE...\n"
    "       zer2ivi qc INPUT [--nav NAV] [--mask DEGREES] [--position X,Y,Z] [--json] [--html FILE]\n"
    "       zer2ivi --version | --help\n"
    "Run 'zer2ivi COMMAND --help' for the options of a command.\n";

}  // namespace

int File_Error(const char* command, const std::string& problem) {
    std::fprintf(stderr, "zer2ivi %s: %s\n", command, problem.c_str());
    return kExitConversionFailed;
}

int Usage_Error(const char* command, const std::string& problem, const char* usage) {
    std::fprintf(stderr, "zer2ivi %s: %s\n%s", command, problem.c_str(), usage);
    return kExitUsage;
}

std::optional<int> Start_Command(const char* command, const std::vector<std::string>& arguments,
                                 const std::vector<OptionSpec>& options, const char* usage,
                                 const char* help, CommandLine& line) {
    if (auto error = Parse_Command_Line(arguments, options, line))
        return Usage_Error(command, *error, usage);
    if (line.help) {
        std::printf("%s\n%s", usage, help);
        return kExitSuccess;
    }
    return std::nullopt;
}

std::optional<std::string> Gps_Week_Option(const CommandLine& line, std::optional<int32_t>& week) {
    if (auto text = line.value("gps-week")) {
        int32_t value = 0;
        if (auto error = Parse_Gps_Week(*text, value)) return error;
        week = value;
    }
    return std::nullopt;
}

}  // namespace zer2ivi::cli

int main(int argc, char** argv) {
    using namespace zer2ivi::cli;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        std::fputs(kMainUsage, stderr);
        return kExitUsage;
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    // Every command takes --version (before a "--" that ends its options).
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument == "--version" && (command == "convert" || command == "inspect" ||
                                        command == "edit" || command == "batch" || command == "qc")) {
            std::printf("zer2ivi %s\n", ZER2IVI_VERSION);
            return kExitSuccess;
        }
    }
    if (command == "convert") return Run_Convert(arguments);
    if (command == "inspect") return Run_Inspect(arguments);
    if (command == "edit") return Run_Edit(arguments);
    if (command == "batch") return Run_Batch(arguments);
    if (command == "qc") return Run_Qc(arguments);
    if (command == "--version" || command == "-V") {
        std::printf("zer2ivi %s\n", ZER2IVI_VERSION);
        return kExitSuccess;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kMainUsage, stdout);
        return kExitSuccess;
    }
    std::fprintf(stderr, "zer2ivi: unknown command '%s'\n%s", command.c_str(), kMainUsage);
    return kExitUsage;
}
