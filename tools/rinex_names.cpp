#include "rinex_names.h"

#include <cstdio>

#include "rinex2/gps_ticks.h"

namespace zer2ivi::cli {
namespace {

constexpr size_t kStationLength = 4;

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
        day > rinex2::Days_In_Month(year, month))
        return 0;
    return static_cast<int32_t>(rinex2::Days_From_Civil(year, month, day) -
                                rinex2::Days_From_Civil(year, 1, 1) + 1);
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
