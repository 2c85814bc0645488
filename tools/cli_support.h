// Command-line parsing and the checks the tool makes on its arguments before
// anything reaches the library: option scanning, numbers, observation type
// lists and the texts that go into fixed RINEX header columns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "job/user_values.h"

namespace zer2ivi::cli {

using job::Check_Header_Text;
using job::Current_User_Name;
using job::kMaxGpsWeek;
using job::Obs_Type_Names;
using job::Parse_Antenna_Height;
using job::Parse_Gps_Week;
using job::Parse_Obs_Types;
using job::Printable_Prefix;

// Exit codes of every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitConversionFailed = 1;
inline constexpr int kExitUsage = 2;

struct OptionSpec {
    std::string_view longName;  // without the leading "--"
    char shortName;             // 0 when there is none
    bool takesValue;
    bool repeatable = false;  // may be given more than once (values())
};

struct ParsedOption {
    std::string_view longName;
    std::string value;
};

struct CommandLine {
    std::vector<std::string> positionals;
    std::vector<ParsedOption> options;
    bool help = false;

    // The value of an option, or nothing when it was not given.
    std::optional<std::string> value(std::string_view longName) const;
    bool has(std::string_view longName) const;
    // Every value of a repeatable option, in the order given.
    std::vector<std::string> values(std::string_view longName) const;
};

// Scans the arguments of one command (without the program and command
// names).  Options take their value from the next argument or after "=";
// "--" ends the options; "-h" and "--help" set help.  An unknown option, a
// missing value or an option given twice yields the error text.
std::optional<std::string> Parse_Command_Line(const std::vector<std::string>& arguments,
                                              const std::vector<OptionSpec>& specs,
                                              CommandLine& result);

}  // namespace zer2ivi::cli
