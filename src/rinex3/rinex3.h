// RINEX 3 observation files, the parts that are data: the tables between
// the two-character codes of version 2 and the three-character codes of
// version 3, and the header records whose layout version 3 changed, each
// built as whole lines from plain values.  No file is read or written here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zer2ivi::rinex3 {

// ---- Observation codes --------------------------------------------------------

// The systems of RINEX 3 observation files: GPS, GLONASS, Galileo, BeiDou,
// QZSS, NavIC/IRNSS, SBAS.
inline constexpr std::string_view kSystems = "GRECJIS";

// The version 3 code of a version 2 code of a system ("C1" of 'G' gives
// "C1C", "P2" of 'R' gives "C2P"); nothing when the table has none.
std::optional<std::string_view> Version3_Code(char system, std::string_view version2Code);

// The version 2 code that a version 3 code of a system becomes when a file
// is written in version 2, if any: the codes of one system and band
// compete for each version 2 code in a fixed order of preference.
struct Version2Pick {
    std::string version2;  // "P1"
    std::string version3;  // "C1W": the first of the preference list present
};
struct Version2Selection {
    std::vector<Version2Pick> picks;     // in the order of the table
    std::vector<std::string> dropped;    // version 3 codes given that no pick took
};
Version2Selection Select_Version2_Codes(char system, const std::vector<std::string>& version3Codes);

// The preference list of a version 2 code of a system, most preferred
// first ("C1W C1P C1Y" for P1 of GPS); empty when there is none.
std::string_view Version2_Preference(char system, std::string_view version2Code);

// ---- Header records -----------------------------------------------------------
// Each function returns complete header lines: 60 columns of content, then
// the label, no line end.  A count too wide for its field is written whole
// (the line then runs longer), never cut.

// A time of the file, seconds as whole 100 ns ticks (0 to below 61 s).
struct RecordTime {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int64_t secondTicks = 0;
};
inline constexpr int64_t kTicksPerSecond = 10'000'000;

// "SYS / # / OBS TYPES": A1,2X,I3,13(1X,A3); continuation lines
// 6X,13(1X,A3) for more than 13 codes.
std::vector<std::string> Obs_Types_Lines(char system, const std::vector<std::string>& codes);

// "SYS / PHASE SHIFT": A1,1X,A3,1X,F8.5,2X,I2.2,10(1X,A3); continuation
// lines 18X,10(1X,A3).  Without a correction only the system and the code
// are written (not known); without satellites the correction applies to
// all of them and the count is left blank.
std::vector<std::string> Phase_Shift_Lines(char system, std::string_view code,
                                           std::optional<double> cycles,
                                           const std::vector<std::string>& satellites);

// "TIME OF FIRST OBS" or "TIME OF LAST OBS": 5I6,F13.7,5X,A3 with the time
// system ("GPS").  Seconds below 0 are written as 0.
std::string Time_Of_Obs_Line(bool first, const RecordTime& time, std::string_view timeSystem);

}  // namespace zer2ivi::rinex3
