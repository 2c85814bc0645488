#include "rinex_names.h"

#include <cstdio>

namespace zer2ivi::cli {
namespace {

constexpr size_t kStationLength = 4;

bool Is_Leap_Year(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t Days_In_Month(int32_t year, int32_t month) {
    constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && Is_Leap_Year(year)) return 29;
    return kDays[month - 1];
}

}  // namespace

std::string Station_Designator(std::string_view source) {
    std::string station;
    for (char c : source) {
        if (station.size() == kStationLength) break;
        if (c >= 'A' && c <= 'Z') station.push_back(static_cast<char>(c - 'A' + 'a'));
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) station.push_back(c);
    }
    station.resize(kStationLength, kStationFiller);
    return station;
}

std::string File_Stem(std::string_view path) {
#ifdef _WIN32
    const size_t slash = path.find_last_of("/\\:");  // also C:\logs\x.zeb and C:x.zeb
#else
    const size_t slash = path.find_last_of('/');
#endif
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    const size_t dot = path.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
    return std::string(path);
}

int32_t Day_Of_Year(int32_t year, int32_t month, int32_t day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > Days_In_Month(year, month))
        return 0;
    int32_t dayOfYear = day;
    for (int32_t m = 1; m < month; ++m) dayOfYear += Days_In_Month(year, m);
    return dayOfYear;
}

int64_t Days_From_Civil(int32_t year, int32_t month, int32_t day) {
    // Howard Hinnant's days_from_civil: eras of 400 years from 0000-03-01.
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yearOfEra = y - era * 400;
    const int64_t shiftedMonth = month > 2 ? month - 3 : month + 9;
    const int64_t dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::string Rinex_File_Name(std::string_view station, int32_t year, int32_t month, int32_t day,
                            char typeLetter) {
    const int32_t dayOfYear = Day_Of_Year(year, month, day);
    if (dayOfYear == 0) return {};
    char name[32];
    std::snprintf(name, sizeof name, "%.4s%03d0.%02d%c", std::string(station).c_str(), dayOfYear,
                  year % 100, typeLetter);
    return name;
}

}  // namespace zer2ivi::cli
