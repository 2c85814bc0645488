#include "qc/gps_clock.h"

#include <cmath>

#include "rinex/fields.h"
#include "rinex/gps_ticks.h"

namespace zer2ivi::qc {

double Gps_Seconds(const CalendarEpoch& epoch) {
    const int64_t days =
        rinex::Days_From_Civil(epoch.year, epoch.month, epoch.day) - rinex::kGpsEpochDays;
    const int64_t whole = days * 86400 + epoch.hour * 3600 + epoch.minute * 60;
    return static_cast<double>(whole) + epoch.second;
}

double Gps_Seconds(int64_t week, double secondsOfWeek) {
    return static_cast<double>(week) * kSecondsPerWeek + secondsOfWeek;
}

CalendarEpoch Calendar_Of(double gpsSeconds) {
    // Whole ticks (tenths of microseconds) first, so that 59.99999999
    // becomes the next minute rather than second 60.
    const auto ticks = static_cast<rinex::Ticks>(std::llround(gpsSeconds * 1e7));
    const rinex::CalendarTime time = rinex::Ticks_To_Calendar(ticks);
    CalendarEpoch epoch;
    epoch.year = time.year;
    epoch.month = time.month;
    epoch.day = time.day;
    epoch.hour = time.hour;
    epoch.minute = time.minute;
    epoch.second =
        static_cast<double>(time.secondTicks / rinex::kTicksPerSecond) +
        static_cast<double>(time.secondTicks % rinex::kTicksPerSecond) /
            static_cast<double>(rinex::kTicksPerSecond);
    return epoch;
}

std::string Iso_Time(double gpsSeconds) {
    // Whole microseconds: a double of some 1e9 seconds holds no more.
    const int64_t micro = static_cast<int64_t>(std::llround(gpsSeconds * 1e6));
    return rinex::Format_Iso8601(micro * (rinex::kTicksPerSecond / 1000000));
}

int Full_Year(int twoDigitYear) { return rinex::Four_Digit_Year(twoDigitYear); }

}  // namespace zer2ivi::qc
