// Conventional RINEX 2 file names, "ssssdddf.yyt": a four-character station
// designator, the day of year of the first observation, the session
// character f (always 0 here), the two-digit year and the file type letter
// ('o' observation, 'n' GPS navigation).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zer2ivi::cli {

// Filler for a station designator with fewer than four usable characters.
inline constexpr char kStationFiller = '_';

// The station designator: the first four letters and digits of source, in
// lower case; other characters are skipped, and a shorter result is filled
// up with kStationFiller ("BAHR 24901M002" gives "bahr", "a-1" gives "a1__").
std::string Station_Designator(std::string_view source);

// The name of a file without its directories and its last extension
// ("/data/bahr1620.zeb" gives "bahr1620").
std::string File_Stem(std::string_view path);

// Day of the year, 1 to 366, of a valid Gregorian date; 0 when the date is
// not valid.
int32_t Day_Of_Year(int32_t year, int32_t month, int32_t day);

// "ssssdddf.yyt" for a station designator and a calendar date; empty when
// the date is not valid.
std::string Rinex_File_Name(std::string_view station, int32_t year, int32_t month, int32_t day,
                            char typeLetter);

}  // namespace zer2ivi::cli
