// GPS time: GPS week and seconds of week into a calendar date and time of
// day on the GPS time scale (no leap seconds), as RINEX 2 prints GPS epochs.
#pragma once

#include <cstdint>

namespace zer2ivi {

// Broken-down calendar time in the usual struct tm order.  Only the first six
// fields carry meaning.
struct CalendarTime {
    int32_t seconds;        // 0..59
    int32_t minutes;        // 0..59
    int32_t hours;          // 0..23
    int32_t dayOfMonth;     // 1..31
    int32_t month;          // 0..11, January = 0
    int32_t yearsSince1900;
    int32_t weekday;        // always set to 0
    int32_t dayOfYear;      // not maintained
    int32_t daylightSaving; // not maintained
};

inline constexpr int64_t kGpsEpochSeconds = 315964800;  // 1980-01-06 00:00:00
inline constexpr double kSecondsPerWeek = 604800.0;
// A week number below the threshold is a 10-bit broadcast week counted after
// the first wrap: the offset is added to it.
inline constexpr int32_t kBroadcastWeekThreshold = 500;
inline constexpr int32_t kBroadcastWeekOffset = 1024;

// week + weeks, held within the int32 range (week counts come from files
// and never wrap).
int32_t Add_Weeks(int32_t week, int32_t weeks);

// Whole seconds since 1970-01-01 00:00:00 of the first six fields.
int64_t Calendar_To_Seconds(const CalendarTime& time);

// The library-wide calendar record: Seconds_To_Calendar's result, which
// each call overwrites.
extern CalendarTime calendarRecord;

// Calendar breakdown of whole seconds since 1970-01-01, written into the
// library-wide calendar record, which each call overwrites.
const CalendarTime& Seconds_To_Calendar(int64_t seconds);

// Week (below 500 read as a 10-bit week after the first wrap) and seconds of
// week into hour, minute, second with fraction, month 1..12, day, year.
void Gps_To_Calendar(int32_t week, double secondsOfWeek, int32_t& hour, int32_t& minute,
                     double& second, int32_t& month, int32_t& day, int32_t& year);

}  // namespace zer2ivi
