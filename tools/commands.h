// The tool's commands.  Each takes the arguments after its name and returns
// the process exit code (cli_support.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zer2ivi::cli {

int Run_Convert(const std::vector<std::string>& arguments);
int Run_Inspect(const std::vector<std::string>& arguments);

// Checks that path names a readable regular file and fits a 256-byte path
// field; the error text names the argument by its role.
std::optional<std::string> Check_Input_File(const std::string& role, const std::string& path);

// Prints "zer2ivi <command>: <problem>" and the command's usage to stderr;
// returns kExitUsage.
int Usage_Error(const char* command, const std::string& problem, const char* usage);

}  // namespace zer2ivi::cli
