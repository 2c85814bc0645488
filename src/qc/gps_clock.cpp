#include "qc/gps_clock.h"

#include <charconv>
#include <cmath>

namespace zer2ivi::qc {
namespace {

constexpr int64_t kGpsOriginDays = 3657;  // 1980-01-06 after 1970-01-01
constexpr int64_t kTenthsOfMicrosecond = 10000000;

}  // namespace

int64_t Days_From_Civil(int year, int month, int day) {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t shiftedMonth = month > 2 ? month - 3 : month + 9;
    const int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

double Gps_Seconds(const CalendarEpoch& epoch) {
    const int64_t days = Days_From_Civil(epoch.year, epoch.month, epoch.day) - kGpsOriginDays;
    const int64_t whole = days * 86400 + epoch.hour * 3600 + epoch.minute * 60;
    return static_cast<double>(whole) + epoch.second;
}

double Gps_Seconds(int64_t week, double secondsOfWeek) {
    return static_cast<double>(week) * kSecondsPerWeek + secondsOfWeek;
}

CalendarEpoch Calendar_Of(double gpsSeconds) {
    // Whole tenths of microseconds first, so that 59.99999999 becomes the
    // next minute rather than second 60.
    const int64_t ticks = static_cast<int64_t>(std::llround(gpsSeconds * 1e7));
    int64_t whole = ticks / kTenthsOfMicrosecond;
    int64_t fraction = ticks % kTenthsOfMicrosecond;
    if (fraction < 0) {
        fraction += kTenthsOfMicrosecond;
        --whole;
    }
    int64_t days = whole / 86400;
    int64_t secondsOfDay = whole % 86400;
    if (secondsOfDay < 0) {
        secondsOfDay += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01.
    const int64_t z = days + kGpsOriginDays + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    CalendarEpoch epoch;
    epoch.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    epoch.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    epoch.year = static_cast<int>(yearOfEra + era * 400 + (epoch.month <= 2 ? 1 : 0));
    epoch.hour = static_cast<int>(secondsOfDay / 3600);
    epoch.minute = static_cast<int>(secondsOfDay / 60 % 60);
    epoch.second = static_cast<double>(secondsOfDay % 60) +
                   static_cast<double>(fraction) / static_cast<double>(kTenthsOfMicrosecond);
    return epoch;
}

std::string Iso_Time(double gpsSeconds) {
    // Whole microseconds: a double of some 1e9 seconds holds no more.
    const int64_t micro = static_cast<int64_t>(std::llround(gpsSeconds * 1e6));
    int64_t fraction = micro % 1000000;
    int64_t whole = micro / 1000000;
    if (fraction < 0) {
        fraction += 1000000;
        --whole;
    }
    const CalendarEpoch epoch = Calendar_Of(static_cast<double>(whole));
    char text[48];
    char* out = text;
    char* const end = text + sizeof text;
    auto put = [&](int64_t value, int width) {
        char digits[24];
        auto [last, error] = std::to_chars(digits, digits + sizeof digits, value);
        (void)error;
        for (auto n = last - digits; n < width && out < end; ++n) *out++ = '0';
        for (const char* d = digits; d < last && out < end; ++d) *out++ = *d;
    };
    auto mark = [&](char c) {
        if (out < end) *out++ = c;
    };
    put(epoch.year, 4);
    mark('-');
    put(epoch.month, 2);
    mark('-');
    put(epoch.day, 2);
    mark('T');
    put(epoch.hour, 2);
    mark(':');
    put(epoch.minute, 2);
    mark(':');
    put(static_cast<int64_t>(epoch.second), 2);
    if (fraction != 0) {
        int width = 6;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --width;
        }
        mark('.');
        put(fraction, width);
    }
    return std::string(text, out);
}

int Full_Year(int twoDigitYear) {
    return twoDigitYear >= 80 ? 1900 + twoDigitYear : 2000 + twoDigitYear;
}

}  // namespace zer2ivi::qc
