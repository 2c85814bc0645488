#include "gpstime/gpstime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "base/library_state.h"


namespace zer2ivi {

namespace {

// Days of the year before each month; the thirteenth entry is the year's
// length.  Row 0 common years, row 1 leap years.
constexpr int32_t DaysBeforeMonth[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerFourYears = 126230400;  // 1461 days
// Ends of the first three years of a four-year cycle starting with 1970
// (365, 365, 366, 365 days).
constexpr int64_t kCycleYear1End = 31536000;
constexpr int64_t kCycleYear2End = 63072000;
constexpr int64_t kCycleYear3End = 94694400;
// Whole seconds are held in 64 bits; beyond this magnitude a time is absurd
// and is not converted to an integer at all.
constexpr double kLargestConvertedSeconds = 1e15;

constexpr const char* kMsgBadDayNumber = "Internal error: Bad day number\n";

}  // namespace

int32_t Add_Weeks(int32_t week, int32_t weeks) {
    const int64_t sum = int64_t{week} + weeks;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

int64_t Calendar_To_Seconds(const CalendarTime& time) {
    const int64_t y = time.yearsSince1900;
    const int leap = (y % 4 == 0) ? 1 : 0;
    const int64_t yearsSince1970 = (y >= 70) ? y - 70 : y + 30;
    const int monthIndex = (time.month >= 0 && time.month <= 11) ? time.month : 0;
    const int64_t days = DaysBeforeMonth[leap][monthIndex] + time.dayOfMonth - 1 +
                         (yearsSince1970 + 2) / 4 + 365 * yearsSince1970 - leap;
    return time.seconds + days * kSecondsPerDay + time.hours * kSecondsPerHour +
           time.minutes * kSecondsPerMinute;
}

CalendarTime calendarRecord;

const CalendarTime& Seconds_To_Calendar(int64_t t) {
    CalendarTime& out = calendarRecord;
    const int64_t cycles = t / kSecondsPerFourYears;
    int64_t r = t - cycles * kSecondsPerFourYears;
    int64_t years = 4 * cycles;
    int leap = 0;
    if (r < kCycleYear1End) {
    } else if (r < kCycleYear2End) {
        years += 1;
        r -= kCycleYear1End;
    } else if (r < kCycleYear3End) {
        years += 2;
        r -= kCycleYear2End;
        leap = 1;
    } else {
        years += 3;
        r -= kCycleYear3End;
    }
    const int64_t dayOfYear = r / kSecondsPerDay;
    int month = -1;
    for (int i = 0; i < 12; ++i) {
        if (DaysBeforeMonth[leap][i] <= dayOfYear && dayOfYear < DaysBeforeMonth[leap][i + 1]) {
            month = i;
            break;
        }
    }
    if (month < 0) {
        if (library.timeCodeMessages < INT32_MAX) ++library.timeCodeMessages;
        if (library.printTimeCodeMessages) std::fputs(kMsgBadDayNumber, stdout);
        month = 0;
    }
    r -= dayOfYear * kSecondsPerDay;
    const int64_t hours = r / kSecondsPerHour;
    r -= hours * kSecondsPerHour;
    const int64_t minutes = r / kSecondsPerMinute;
    // Every field below is bounded: the callers never pass more than 1e15
    // seconds, some 32 million years.
    out.dayOfMonth = static_cast<int32_t>(dayOfYear - DaysBeforeMonth[leap][month] + 1);
    out.month = month;
    out.hours = static_cast<int32_t>(hours);
    out.minutes = static_cast<int32_t>(minutes);
    out.seconds = static_cast<int32_t>(r - minutes * kSecondsPerMinute);
    out.yearsSince1900 = static_cast<int32_t>(years + 70);
    out.weekday = 0;
    return out;
}

void Gps_To_Calendar(int32_t week, double secondsOfWeek, int32_t& hour, int32_t& minute,
                     double& second, int32_t& month, int32_t& day, int32_t& year) {
    // What Calendar_To_Seconds gives for 1980-01-06 00:00:00 (a test checks
    // it), taken as the constant: this runs once per epoch.
    const double gpsEpoch = static_cast<double>(kGpsEpochSeconds);
    if (week < kBroadcastWeekThreshold) week += kBroadcastWeekOffset;
    // Formed and stored as a double before anything else is done with it,
    // so the fraction carries exactly a double's resolution at this size.
    const double total = static_cast<double>(week) * kSecondsPerWeek + gpsEpoch + secondsOfWeek;
    int64_t whole = 0;
    if (std::fabs(total) < kLargestConvertedSeconds) whole = static_cast<int64_t>(total);
    const CalendarTime& broken = Seconds_To_Calendar(whole);
    hour = broken.hours;
    minute = broken.minutes;
    second = (total - static_cast<double>(whole)) + broken.seconds;
    month = broken.month + 1;
    day = broken.dayOfMonth;
    const int32_t y = broken.yearsSince1900;
    year = (y < 50) ? y + 2000 : y + 1900;
}

}  // namespace zer2ivi
