#include "rinex_names/rinex_names.h"

#include <cstdio>

namespace zer2ivi::names {
namespace {

using rinex::kTicksPerDay;
using rinex::kTicksPerHour;
using rinex::kTicksPerMinute;
using rinex::kTicksPerSecond;

constexpr size_t kStationLength = 4;
constexpr char kLongStationFiller = 'X';
constexpr char kDataSource = 'R';
constexpr std::string_view kUnknownCode = "00U";
// Two digits at most in a period or frequency code.
constexpr Ticks kLargestCount = 99;

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }
bool Is_Upper(char c) { return c >= 'A' && c <= 'Z'; }
bool Is_Lower(char c) { return c >= 'a' && c <= 'z'; }
char Upper(char c) { return Is_Lower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// The named periods of long names.
struct NamedPeriod {
    Ticks length;
    std::string_view code;
};
constexpr NamedPeriod kNamedPeriods[] = {
    {kTicksPerDay, "01D"},
    {kTicksPerHour, "01H"},
    {15 * kTicksPerMinute, "15M"},
};

// The units of a data frequency, largest first, as lengths of time.
struct FrequencyUnit {
    Ticks length;
    char unit;
};
constexpr FrequencyUnit kPeriodUnits[] = {
    {kTicksPerDay, 'D'},
    {kTicksPerHour, 'H'},
    {kTicksPerMinute, 'M'},
    {kTicksPerSecond, 'S'},
};
// Below a second the code counts hertz ('Z') or hundreds of hertz ('C').
struct RateUnit {
    Ticks hertz;
    char unit;
};
constexpr RateUnit kRateUnits[] = {{1, 'Z'}, {100, 'C'}};

std::string Two_Digit_Code(Ticks count, char unit) {
    std::string code(3, unit);
    code[0] = static_cast<char>('0' + count / 10);
    code[1] = static_cast<char>('0' + count % 10);
    return code;
}

// Reads a run of digits of a fixed length; nothing when one is not a digit.
std::optional<int32_t> Digits(std::string_view text) {
    int32_t value = 0;
    for (char c : text) {
        if (!Is_Digit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::string Station_Designator(std::string_view source) {
    std::string station;
    for (char c : source) {
        if (station.size() == kStationLength) break;
        if (Is_Upper(c)) station.push_back(static_cast<char>(c - 'A' + 'a'));
        else if (Is_Lower(c) || Is_Digit(c)) station.push_back(c);
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
        day > rinex::Days_In_Month(year, month))
        return 0;
    return static_cast<int32_t>(rinex::Days_From_Civil(year, month, day) -
                                rinex::Days_From_Civil(year, 1, 1) + 1);
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

std::string Short_Name(std::string_view station, Ticks start, Ticks length, char typeLetter) {
    const rinex::CalendarTime time = rinex::Ticks_To_Calendar(start);
    const int32_t day = rinex::Day_Of_Year(start);
    std::string name(station);
    name += static_cast<char>('0' + day / 100);
    name += static_cast<char>('0' + day / 10 % 10);
    name += static_cast<char>('0' + day % 10);
    if (length >= kTicksPerDay) {
        name += '0';
    } else {
        name += static_cast<char>('a' + time.hour);
        if (length < kTicksPerHour) {
            name += static_cast<char>('0' + time.minute / 10);
            name += static_cast<char>('0' + time.minute % 10);
        }
    }
    name += '.';
    name += static_cast<char>('0' + time.year / 10 % 10);
    name += static_cast<char>('0' + time.year % 10);
    name += typeLetter;
    return name;
}

std::optional<std::string> Parse_Station_Id(std::string_view text) {
    if (text.size() != kStationIdLength) return std::nullopt;
    std::string id;
    for (size_t i = 0; i < kStationIdLength; ++i) {
        const char c = Upper(text[i]);
        const bool fits = i < 4 ? Is_Upper(c) || Is_Digit(c) : i < 6 ? Is_Digit(c) : Is_Upper(c);
        if (!fits) return std::nullopt;
        id.push_back(c);
    }
    return id;
}

StationId Choose_Station_Id(std::string_view markerName, std::string_view fallback) {
    const size_t first = markerName.find_first_not_of(' ');
    if (first != std::string_view::npos) {
        const size_t last = markerName.find_last_not_of(' ');
        if (auto id = Parse_Station_Id(markerName.substr(first, last - first + 1))) return {*id};
    }
    std::string id;
    for (char c : fallback) {
        if (id.size() == kStationLength) break;
        if (Is_Upper(Upper(c)) || Is_Digit(c)) id.push_back(Upper(c));
    }
    id.resize(kStationLength, kLongStationFiller);
    id += "00";
    id += kUnknownCountry;
    return {id, false};
}

std::string Period_Code(Ticks span) {
    for (const NamedPeriod& period : kNamedPeriods)
        if (span == period.length) return std::string(period.code);
    return std::string(kUnknownCode);
}

std::string Frequency_Code(Ticks interval) {
    if (interval <= 0) return std::string(kUnknownCode);
    if (interval >= kTicksPerSecond) {
        for (const FrequencyUnit& unit : kPeriodUnits) {
            if (interval % unit.length != 0) continue;
            const Ticks count = interval / unit.length;
            if (count <= kLargestCount) return Two_Digit_Code(count, unit.unit);
        }
        return std::string(kUnknownCode);
    }
    if (kTicksPerSecond % interval != 0) return std::string(kUnknownCode);
    const Ticks hertz = kTicksPerSecond / interval;
    for (const RateUnit& unit : kRateUnits) {
        if (hertz % unit.hertz != 0) continue;
        const Ticks count = hertz / unit.hertz;
        if (count <= kLargestCount) return Two_Digit_Code(count, unit.unit);
    }
    return std::string(kUnknownCode);
}

std::string Long_Name(const LongName& name) {
    const rinex::CalendarTime time = rinex::Ticks_To_Calendar(name.start);
    char start[16];
    std::snprintf(start, sizeof start, "%04d%03d%02d%02d", time.year % 10000,
                  rinex::Day_Of_Year(name.start) % 1000, time.hour % 100, time.minute % 100);
    std::string text = name.stationId;
    text += '_';
    text += kDataSource;
    text += '_';
    text += start;
    text += '_';
    text += Period_Code(name.span);
    const bool navigation = name.content.size() == 2 && name.content[1] == 'N';
    if (!navigation) {
        text += '_';
        text += Frequency_Code(name.interval);
    }
    text += '_';
    text += name.content;
    text += '.';
    text += name.extension;
    return text;
}

std::optional<LongName> Parse_Long_Name(std::string_view name) {
    // SSSSMRCCC_R_YYYYDDDHHMM_PPU[_FFU]_CC.ext
    constexpr size_t kIdEnd = kStationIdLength;
    if (name.size() < kIdEnd + 1) return std::nullopt;
    auto id = Parse_Station_Id(name.substr(0, kIdEnd));
    if (!id || name[kIdEnd] != '_' || name.substr(kIdEnd + 1).size() < 2) return std::nullopt;
    const char source = name[kIdEnd + 1];
    if ((source != 'R' && source != 'S' && source != 'U') || name[kIdEnd + 2] != '_')
        return std::nullopt;
    std::string_view rest = name.substr(kIdEnd + 3);
    if (rest.size() < 11 + 1 + 3) return std::nullopt;
    const auto year = Digits(rest.substr(0, 4));
    const auto day = Digits(rest.substr(4, 3));
    const auto hour = Digits(rest.substr(7, 2));
    const auto minute = Digits(rest.substr(9, 2));
    if (!year || !day || !hour || !minute || *year < 1980 || *day < 1 ||
        *day > (Day_Of_Year(*year, 12, 31)) || *hour > 23 || *minute > 59)
        return std::nullopt;
    rest.remove_prefix(11);
    // "_PPU", then "_FFU" unless navigation, then "_CC.ext".
    const size_t dot = rest.find('.');
    if (dot == std::string_view::npos || dot + 1 == rest.size()) return std::nullopt;
    const std::string_view codes = rest.substr(0, dot);
    LongName parsed;
    parsed.stationId = *id;
    parsed.extension = std::string(rest.substr(dot + 1));
    constexpr size_t kWithoutFrequency = 7;  // "_PPU_CC"
    constexpr size_t kWithFrequency = 11;    // "_PPU_FFU_CC"
    if (codes.size() == kWithoutFrequency || codes.size() == kWithFrequency) {
        parsed.content = std::string(codes.substr(codes.size() - 2));
    } else {
        return std::nullopt;
    }
    for (size_t i = 0; i < codes.size(); i += 4)
        if (codes[i] != '_') return std::nullopt;
    rinex::CalendarTime start;
    start.year = *year;
    start.month = 1;
    start.day = 1;
    start.hour = *hour;
    start.minute = *minute;
    const auto yearStart = rinex::Calendar_To_Ticks(start);
    if (!yearStart) return std::nullopt;
    parsed.start = *yearStart + (*day - 1) * kTicksPerDay;
    return parsed;
}

namespace {

// Where the type part of an observation name lies: the letter of ".yyo"
// (one character) or the "rnx" of ".rnx" (three), a ".gz" after it aside.
struct ObservationSuffix {
    size_t at = 0;
    size_t length = 0;
    bool compact = false;
};

std::optional<ObservationSuffix> Find_Observation_Suffix(std::string_view path) {
    constexpr std::string_view kGzip = ".gz";
    if (path.size() >= kGzip.size() && path.substr(path.size() - kGzip.size()) == kGzip)
        path.remove_suffix(kGzip.size());
    if (path.size() < 4 || path[path.size() - 4] != '.') return std::nullopt;
    const std::string_view suffix = path.substr(path.size() - 3);
    std::string lower(suffix);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower == "rnx" || lower == "crx") return ObservationSuffix{path.size() - 3, 3, lower == "crx"};
    if (Is_Digit(suffix[0]) && Is_Digit(suffix[1]) && (lower[2] == 'o' || lower[2] == 'd'))
        return ObservationSuffix{path.size() - 1, 1, lower[2] == 'd'};
    return std::nullopt;
}

}  // namespace

std::optional<bool> Names_Compact_Rinex(std::string_view path) {
    const auto suffix = Find_Observation_Suffix(path);
    if (!suffix) return std::nullopt;
    return suffix->compact;
}

std::string With_Observation_Letter(std::string_view path, bool compact) {
    std::string name(path);
    const auto suffix = Find_Observation_Suffix(path);
    if (!suffix || suffix->compact == compact) return name;
    const bool upper = name[suffix->at] >= 'A' && name[suffix->at] <= 'Z';
    std::string_view letters = suffix->length == 1 ? (compact ? "d" : "o") : (compact ? "crx" : "rnx");
    for (size_t i = 0; i < letters.size(); ++i)
        name[suffix->at + i] = upper ? static_cast<char>(letters[i] - 'a' + 'A') : letters[i];
    return name;
}

}  // namespace zer2ivi::names
