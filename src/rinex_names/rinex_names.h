// The names of RINEX files, in one place.
//
// Short names "ssssdddf.yyt": a four-character station designator in lower
// case, the day of year of the first epoch, the session f ('0' for a day,
// 'a' to 'x' for the hours 00 to 23), and for quarter-hour pieces the
// minute ("ssssdddhmm.yyt"), the two-digit year and the type letter ('o'
// observation, 'n' GPS navigation).
//
// Long names "SSSSMRCCC_R_YYYYDDDHHMM_PPU_FFU_MO.rnx": the nine-character
// station id (four letters or digits, monument and receiver digits, ISO 3166
// alpha-3 country), the data source (R: from a receiver), the start (year,
// day of year, hour, minute), the period PPU and the data frequency FFU
// (two digits and a unit), the content ("MO" observations of mixed
// systems, "MN" navigation, which has no FFU) and the extension ("rnx",
// "crx" for Compact RINEX).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rinex/gps_ticks.h"

namespace zer2ivi::names {

using rinex::Ticks;

// ---- Short names --------------------------------------------------------------

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

// "ssssddd0.yyt" for a station designator and a calendar date; empty when
// the date is not valid.
std::string Rinex_File_Name(std::string_view station, int32_t year, int32_t month, int32_t day,
                            char typeLetter);

// The short name of a file that starts at start and spans length: a day or
// more "ssssddd0.yyt", an hour up to a day "ssssdddh.yyt" (h = a...x, the
// start's hour), less than an hour "ssssdddhmm.yyt" (mm the start's minute).
std::string Short_Name(std::string_view station, Ticks start, Ticks length, char typeLetter);

// ---- Plain and Compact RINEX -------------------------------------------------

// Whether an observation file name (a ".gz" after it aside) names Compact
// RINEX ("ssssdddf.yyd", "..._MO.crx": true) or plain RINEX (".yyo",
// ".rnx": false); nothing for any other name.
std::optional<bool> Names_Compact_Rinex(std::string_view path);

// The name with its type letter set for compact or plain observations:
// ".yyo" <-> ".yyd", ".rnx" <-> ".crx" (case kept, a ".gz" after it kept);
// any other name unchanged.
std::string With_Observation_Letter(std::string_view path, bool compact);

// ---- Long names ---------------------------------------------------------------

inline constexpr size_t kStationIdLength = 9;
// The country of an id made without one.
inline constexpr std::string_view kUnknownCountry = "XXX";

// A nine-character station id "SSSSMRCCC" (letters in upper case), or
// nothing when text is not one: four letters or digits, a monument digit,
// a receiver digit, three letters.  Lower-case letters are raised.
std::optional<std::string> Parse_Station_Id(std::string_view text);

struct StationId {
    std::string id;              // nine characters
    bool countryKnown = true;    // false: made up as "SSSS00XXX"
};
// The id of a file without a --station-id (which goes through
// Parse_Station_Id): a MARKER NAME that is a station id itself (blanks
// around it do not count), else "SSSS00XXX" from the first four letters and
// digits of fallback (the marker name or the file name; upper case, filled
// with 'X'), with countryKnown false so that the caller warns that the
// country is unknown.
StationId Choose_Station_Id(std::string_view markerName, std::string_view fallback);

// "01D", "01H", "15M" for a span of exactly a day, an hour, a quarter-hour;
// "00U" for any other span.
std::string Period_Code(Ticks span);
// The data frequency of an interval: the largest of the units day, hour,
// minute, second in which it is a whole number from 1 to 99 ("30S", "01S",
// "05M", "90S", "01H"); below a second the rate in hertz ("10Z" for 0.1 s)
// or in hundreds of hertz ("01C" for 0.01 s) when that is whole and 1 to 99;
// "00U" otherwise (and for an interval of 0 or below).
std::string Frequency_Code(Ticks interval);

struct LongName {
    std::string stationId;  // nine characters
    Ticks start = 0;        // the minute of the start is used, seconds dropped
    Ticks span = 0;         // the file's period
    Ticks interval = 0;     // the data interval; unused for navigation files
    std::string content = "MO";  // "MO", "MN", ...; navigation ("?N") has no FFU
    std::string extension = "rnx";
};
// "SSSSMRCCC_R_YYYYDDDHHMM_PPU_FFU_MO.rnx", or "..._PPU_MN.rnx".
std::string Long_Name(const LongName& name);
// The parts of a long name (source 'R', 'S' or 'U'); nothing when name is
// not one.  The start is read to the minute; span and interval are left 0.
std::optional<LongName> Parse_Long_Name(std::string_view name);

}  // namespace zer2ivi::names
