// Times of the quality check: seconds on the GPS time scale since
// 1980-01-06 00:00:00, as one double.  A day of epochs near 1.5e9 s keeps a
// resolution of about 0.2 microseconds, far below the millisecond to which
// intervals are rounded.
#pragma once

#include <cstdint>
#include <string>

namespace zer2ivi::qc {

inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kSecondsPerWeek = 604800.0;

// Calendar date and time of day on the GPS time scale (no leap seconds).
struct CalendarEpoch {
    int year = 1980;
    int month = 1;   // 1..12
    int day = 6;     // 1..31
    int hour = 0;
    int minute = 0;
    double second = 0.0;
};

double Gps_Seconds(const CalendarEpoch& epoch);
double Gps_Seconds(int64_t week, double secondsOfWeek);
CalendarEpoch Calendar_Of(double gpsSeconds);

// ISO 8601 without a zone letter ("2004-06-10T00:59:30", "2005-04-02T00:00:00.001"):
// seconds to the microsecond, trailing zeros of the fraction dropped.
std::string Iso_Time(double gpsSeconds);

// A 2-digit year of a RINEX 2 line: 80..99 are 19xx, the rest 20xx.
int Full_Year(int twoDigitYear);

}  // namespace zer2ivi::qc
