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

namespace zer2ivi::cli {

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

// A GPS week number: decimal digits only, 0 to kMaxGpsWeek.
inline constexpr int32_t kMaxGpsWeek = 9999;
std::optional<std::string> Parse_Gps_Week(std::string_view text, int32_t& week);

// An antenna height in metres: a finite decimal number that fits the
// 14-column "%14.3f" field of the RINEX "ANTENNA: DELTA H/E/N" line.
std::optional<std::string> Parse_Antenna_Height(std::string_view text, double& metres);

// A comma-separated list of observation types (C1, L1, L2, P2, D1, in any
// order and letter case) as an ObsTypeMask.
std::optional<std::string> Parse_Obs_Types(std::string_view text, uint32_t& mask);

// The type names of a mask in RINEX order, e.g. {"C1", "L1"}.
std::vector<std::string> Obs_Type_Names(uint32_t mask);

// A text for a RINEX header column: printable ASCII only (a control
// character would break the fixed line layout) and at most `columns`
// characters, so that nothing is cut silently.
std::optional<std::string> Check_Header_Text(std::string_view optionName, std::string_view text,
                                             size_t columns);

// Keeps the printable ASCII characters of text and at most `columns` of them
// (for texts the tool fills in itself, such as the user name).
std::string Printable_Prefix(std::string_view text, size_t columns);

// Copies text into a fixed char array and terminates it; false (and an
// empty field) when the text and its NUL do not fit.
bool Copy_Field(char* field, size_t fieldSize, std::string_view text);

// A JSON string literal for text: quotes, backslashes and control
// characters escaped, bytes that are not well-formed UTF-8 replaced by
// U+FFFD, so that the JSON is valid whatever the text holds.
std::string Json_String(std::string_view text);

// The user running the tool: $USER, $LOGNAME or the password database.
std::string Current_User_Name();

}  // namespace zer2ivi::cli
