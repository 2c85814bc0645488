#include "rinex/gps_ticks.h"

#include <array>
#include <charconv>

namespace zer2ivi::rinex {
namespace {

constexpr int kFractionDigits = 7;      // ticks are 1e-7 s
constexpr int32_t kMinYear = 1900;
constexpr int32_t kMaxYear = 2999;

bool Is_Leap_Year(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

Ticks Floor_Mod(Ticks value, Ticks modulus) {
    const Ticks rest = value % modulus;
    return rest < 0 ? rest + modulus : rest;
}

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// Exactly `count` digits at text[at...].
std::optional<int32_t> Fixed_Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int32_t value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!Is_Digit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

int64_t Days_From_Civil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void Civil_From_Days(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

int32_t Days_In_Month(int32_t year, int32_t month) {
    constexpr std::array<int32_t, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && Is_Leap_Year(year) ? 29 : kDays[static_cast<size_t>(month - 1)];
}

std::optional<Ticks> Calendar_To_Ticks(const CalendarTime& time) {
    if (time.year < kMinYear || time.year > kMaxYear) return std::nullopt;
    if (time.month < 1 || time.month > 12) return std::nullopt;
    if (time.day < 1 || time.day > Days_In_Month(time.year, time.month)) return std::nullopt;
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) return std::nullopt;
    if (time.secondTicks < 0 || time.secondTicks >= 61 * kTicksPerSecond) return std::nullopt;
    const int64_t days = Days_From_Civil(time.year, time.month, time.day) - kGpsEpochDays;
    return days * kTicksPerDay + time.hour * kTicksPerHour + time.minute * kTicksPerMinute +
           time.secondTicks;
}

CalendarTime Ticks_To_Calendar(Ticks ticks) {
    CalendarTime time;
    const Ticks inDay = Floor_Mod(ticks, kTicksPerDay);
    const int64_t days = (ticks - inDay) / kTicksPerDay + kGpsEpochDays;
    int64_t year = 0, month = 0, day = 0;
    Civil_From_Days(days, year, month, day);
    // Ticks span some 29000 years either side of 1980.
    time.year = static_cast<int32_t>(year);
    time.month = static_cast<int32_t>(month);
    time.day = static_cast<int32_t>(day);
    time.hour = static_cast<int32_t>(inDay / kTicksPerHour);
    time.minute = static_cast<int32_t>(inDay % kTicksPerHour / kTicksPerMinute);
    time.secondTicks = inDay % kTicksPerMinute;
    return time;
}

int32_t Day_Of_Year(Ticks ticks) {
    const CalendarTime time = Ticks_To_Calendar(ticks);
    const int64_t days = Days_From_Civil(time.year, time.month, time.day) -
                         Days_From_Civil(time.year, 1, 1);
    return static_cast<int32_t>(days + 1);
}

Ticks Time_Of_Week(Ticks ticks) { return Floor_Mod(ticks, kTicksPerWeek); }

std::optional<Ticks> Parse_Seconds(std::string_view text) {
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    if (whole.size() > 12) return std::nullopt;
    Ticks seconds = 0;
    for (char c : whole) {
        if (!Is_Digit(c)) return std::nullopt;
        seconds = seconds * 10 + (c - '0');
    }
    Ticks ticks = 0;
    Ticks scale = kTicksPerSecond;
    bool roundUp = false;
    for (size_t i = 0; i < fraction.size(); ++i) {
        const char c = fraction[i];
        if (!Is_Digit(c)) return std::nullopt;
        if (i < kFractionDigits) {
            scale /= 10;
            ticks += (c - '0') * scale;
        } else if (i == kFractionDigits) {
            roundUp = c >= '5';
        }
    }
    return seconds * kTicksPerSecond + ticks + (roundUp ? 1 : 0);
}

std::optional<Ticks> Parse_Iso8601(std::string_view text) {
    // YYYY-MM-DDThh:mm:ss[.f...]
    constexpr std::string_view kPattern = "0000-00-00T00:00:00";
    if (text.size() < kPattern.size()) return std::nullopt;
    for (size_t i = 0; i < kPattern.size(); ++i)
        if (kPattern[i] != '0' && text[i] != kPattern[i]) return std::nullopt;
    CalendarTime time;
    const auto year = Fixed_Digits(text, 0, 4);
    const auto month = Fixed_Digits(text, 5, 2);
    const auto day = Fixed_Digits(text, 8, 2);
    const auto hour = Fixed_Digits(text, 11, 2);
    const auto minute = Fixed_Digits(text, 14, 2);
    const auto second = Fixed_Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*second > 59) return std::nullopt;
    std::string_view rest = text.substr(kPattern.size());
    Ticks fraction = 0;
    if (!rest.empty()) {
        if (rest[0] != '.' || rest.size() < 2 || rest.size() > 1 + kFractionDigits)
            return std::nullopt;
        const auto parsed = Parse_Seconds(rest);
        if (!parsed) return std::nullopt;
        fraction = *parsed;
    }
    time.year = *year;
    time.month = *month;
    time.day = *day;
    time.hour = *hour;
    time.minute = *minute;
    time.secondTicks = *second * kTicksPerSecond + fraction;
    return Calendar_To_Ticks(time);
}

std::optional<Ticks> Parse_Time_Option(std::string_view text) {
    constexpr std::string_view kDate = "0000-00-00";
    if (text.size() == kDate.size()) {  // a date alone: midnight
        std::string full(text);
        full += "T00:00:00";
        return Parse_Iso8601(full);
    }
    if (text.size() > kDate.size() && text[kDate.size()] == ' ') {
        std::string full(text);
        full[kDate.size()] = 'T';
        return Parse_Iso8601(full);
    }
    // YYYY:DDD[:SSSSS]
    if (text.size() >= 8 && text[4] == ':' && (text.size() == 8 || text[8] == ':')) {
        const auto year = Fixed_Digits(text, 0, 4);
        const auto day = Fixed_Digits(text, 5, 3);
        if (!year || !day || *year < kMinYear || *year > kMaxYear) return std::nullopt;
        const int32_t days = Is_Leap_Year(*year) ? 366 : 365;
        if (*day < 1 || *day > days) return std::nullopt;
        Ticks seconds = 0;
        if (text.size() > 8) {
            const std::string_view rest = text.substr(9);
            if (rest.empty() || rest.size() > 5) return std::nullopt;
            const auto value = Fixed_Digits(rest, 0, rest.size());
            if (!value || *value >= 86400) return std::nullopt;
            seconds = *value;
        }
        CalendarTime start;
        start.year = *year;
        start.month = 1;
        start.day = 1;
        const auto first = Calendar_To_Ticks(start);
        if (!first) return std::nullopt;
        return *first + (*day - 1) * kTicksPerDay + seconds * kTicksPerSecond;
    }
    return Parse_Iso8601(text);
}

std::string Format_Iso8601(Ticks ticks) {
    const CalendarTime time = Ticks_To_Calendar(ticks);
    std::array<char, 48> text{};
    char* out = text.data();
    char* const end = text.data() + text.size();
    auto put = [&](int64_t value, int width) {
        std::array<char, 24> digits{};
        auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
        const auto length = static_cast<int>(result.ptr - digits.data());
        for (int i = length; i < width && out < end; ++i) *out++ = '0';
        for (const char* p = digits.data(); p < result.ptr && out < end; ++p) *out++ = *p;
    };
    auto literal = [&](char c) {
        if (out < end) *out++ = c;
    };
    put(time.year, 4);
    literal('-');
    put(time.month, 2);
    literal('-');
    put(time.day, 2);
    literal('T');
    put(time.hour, 2);
    literal(':');
    put(time.minute, 2);
    literal(':');
    put(time.secondTicks / kTicksPerSecond, 2);
    if (const Ticks fraction = time.secondTicks % kTicksPerSecond; fraction != 0) {
        literal('.');
        put(fraction, kFractionDigits);
        while (out[-1] == '0') --out;
    }
    return std::string(text.data(), static_cast<size_t>(out - text.data()));
}

}  // namespace zer2ivi::rinex
