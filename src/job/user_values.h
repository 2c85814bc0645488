// The values of a conversion as its user gives them, checked against the
// settings fields and RINEX columns they go into: GPS week, antenna height,
// observation types and header texts.  The one list of the observation
// types' names is here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::job {

struct ObsTypeName {
    std::string_view name;
    uint32_t bit;
};

// RINEX order, which is not the order of the bits.
inline constexpr std::array<ObsTypeName, 5> kObsTypeNames = {{
    {"C1", OBS_C1},
    {"L1", OBS_L1},
    {"L2", OBS_L2},
    {"P2", OBS_P2},
    {"D1", OBS_D1},
}};

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

// The user running the tool: $USER, $LOGNAME or the password database.
std::string Current_User_Name();

}  // namespace zer2ivi::job
