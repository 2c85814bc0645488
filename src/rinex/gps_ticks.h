// Exact times of RINEX 2 observation files: whole 100 ns ticks since the GPS
// epoch (1980-01-06 00:00:00).  The epoch line gives seconds with seven
// decimals, so every time a file can state is a whole number of ticks and
// windows, decimation and splitting compare integers, never doubles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zer2ivi::rinex {

using Ticks = int64_t;

inline constexpr Ticks kTicksPerSecond = 10'000'000;
inline constexpr Ticks kTicksPerMinute = 60 * kTicksPerSecond;
inline constexpr Ticks kTicksPerHour = 60 * kTicksPerMinute;
inline constexpr Ticks kTicksPerDay = 24 * kTicksPerHour;
inline constexpr Ticks kTicksPerWeek = 7 * kTicksPerDay;
inline constexpr Ticks kTicksPerMillisecond = kTicksPerSecond / 1000;

// A calendar time as RINEX writes it; seconds in ticks (0 to 60 s).
struct CalendarTime {
    int32_t year = 0;  // four digits
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    Ticks secondTicks = 0;
};

// 1980-01-06, the start of GPS time, in days since 1970-01-01.
inline constexpr int64_t kGpsEpochDays = 3657;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// algorithm), and back.
int64_t Days_From_Civil(int64_t year, int64_t month, int64_t day);
void Civil_From_Days(int64_t days, int64_t& year, int64_t& month, int64_t& day);
// Days of a month (1-12) of a Gregorian year.
int32_t Days_In_Month(int32_t year, int32_t month);

// Checks the fields (month 1-12, a day of that month, hour 0-23, minute
// 0-59, seconds 0 to below 61) and gives the ticks; nothing when one is out
// of range.
std::optional<Ticks> Calendar_To_Ticks(const CalendarTime& time);
CalendarTime Ticks_To_Calendar(Ticks ticks);

// Day of year (1-366) of a time.
int32_t Day_Of_Year(Ticks ticks);

// Ticks since the start of the GPS week that holds the time.
Ticks Time_Of_Week(Ticks ticks);

// A decimal number of seconds ("30", "0.0000000", "12.5") as ticks: digits,
// at most one point; decimals past the seventh are rounded.  Nothing for any
// other text (signs, exponents, blanks inside).
std::optional<Ticks> Parse_Seconds(std::string_view text);

// "2005-01-20T01:00:00" with an optional fraction of up to seven decimals
// ("2005-01-20T01:00:00.5"); nothing for any other text.
std::optional<Ticks> Parse_Iso8601(std::string_view text);

// A time as users type it: "2005-01-20T01:00:00" or "2005-01-20 01:00:00"
// (fractions of up to seven decimals allowed), a date alone
// ("2005-01-20", midnight), or a day of year "2005:020" or "2005:020:3600"
// (seconds of the day, 0-86399); nothing for any other text.
std::optional<Ticks> Parse_Time_Option(std::string_view text);

// "2005-01-20T01:00:00" (with ".fffffff" when the seconds are not whole).
std::string Format_Iso8601(Ticks ticks);

}  // namespace zer2ivi::rinex
