// The tool's commands.  Each takes the arguments after its name and returns
// the process exit code (cli_support.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "job/conversion_job.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {

inline constexpr uint32_t kAllObsTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;

int Run_Convert(const std::vector<std::string>& arguments);
int Run_Inspect(const std::vector<std::string>& arguments);
int Run_Edit(const std::vector<std::string>& arguments);
int Run_Qc(const std::vector<std::string>& arguments);
int Run_Batch(const std::vector<std::string>& arguments);

// The options of convert (batch passes them on).
std::vector<OptionSpec> Convert_Option_Specs();

// The conventional RINEX names of a conversion's files.
job::NameFiles Conventional_Names();

// Checks that path names a readable file and fits a 256-byte path field;
// the error text names the argument by its role and gives the reason.
using job::Check_Input_File;

// Prints "zer2ivi <command>: <problem>" to stderr (a file error: no usage);
// returns kExitConversionFailed.
int File_Error(const char* command, const std::string& problem);

// Prints "zer2ivi <command>: <problem>" and the command's usage to stderr;
// returns kExitUsage.
int Usage_Error(const char* command, const std::string& problem, const char* usage);

// What every command does first: scans its arguments into line.  A usage
// error (printed with the usage) or a request for help (usage and help
// printed to stdout) ends the command with the exit code returned.
std::optional<int> Start_Command(const char* command, const std::vector<std::string>& arguments,
                                 const std::vector<OptionSpec>& options, const char* usage,
                                 const char* help, CommandLine& line);

// The --gps-week option, when it is given, into week; the error text for a
// usage error.
std::optional<std::string> Gps_Week_Option(const CommandLine& line, std::optional<int32_t>& week);

}  // namespace zer2ivi::cli
