#include "job/user_values.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include "rinex/fields.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace zer2ivi::job {
namespace {

constexpr size_t kAntennaHeightColumns = 14;

bool Is_Printable_Ascii(char c) { return c >= 0x20 && c <= 0x7e; }

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::string> Parse_Gps_Week(std::string_view text, int32_t& week) {
    const std::string problem = "--gps-week: '" + std::string(text) +
                                "' is not a GPS week number (0 to " + std::to_string(kMaxGpsWeek) +
                                ")";
    if (text.empty()) return problem;
    for (char c : text)
        if (c < '0' || c > '9') return problem;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > kMaxGpsWeek)
        return problem;
    week = value;
    return std::nullopt;
}

std::optional<std::string> Parse_Antenna_Height(std::string_view text, double& metres) {
    const std::string problem =
        "--antenna-height: '" + std::string(text) + "' is not a height in metres";
    if (text.empty()) return problem;
    const auto parsed = rinex::Parse_Decimal(text);  // the toolkit's one number rule
    if (!parsed) return problem;
    const double value = *parsed;
    char formatted[64];
    const int length = std::snprintf(formatted, sizeof formatted, "%14.3f", value);
    if (length < 0 || static_cast<size_t>(length) > kAntennaHeightColumns)
        return "--antenna-height: " + std::string(text) +
               " m does not fit the 14 columns of the RINEX antenna line";
    metres = value;
    return std::nullopt;
}

std::optional<std::string> Parse_Obs_Types(std::string_view text, uint32_t& mask) {
    uint32_t result = 0;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string_view item =
            Trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                    : comma - start));
        if (item.empty())
            return "--types: empty type name in '" + std::string(text) +
                   "' (known: C1,L1,L2,P2,D1)";
        const std::string name = Upper(item);
        bool known = false;
        for (const ObsTypeName& type : kObsTypeNames) {
            if (type.name == name) {
                result |= type.bit;
                known = true;
            }
        }
        if (!known)
            return "--types: unknown observation type '" + std::string(item) +
                   "' (known: C1,L1,L2,P2,D1)";
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    mask = result;
    return std::nullopt;
}

std::vector<std::string> Obs_Type_Names(uint32_t mask) {
    std::vector<std::string> names;
    for (const ObsTypeName& type : kObsTypeNames)
        if ((mask & type.bit) != 0) names.emplace_back(type.name);
    return names;
}

std::optional<std::string> Check_Header_Text(std::string_view optionName, std::string_view text,
                                             size_t columns) {
    for (char c : text)
        if (!Is_Printable_Ascii(c))
            return std::string(optionName) +
                   ": only printable ASCII characters fit a RINEX header line";
    if (text.size() > columns)
        return std::string(optionName) + ": '" + std::string(text) + "' has " +
               std::to_string(text.size()) + " characters; its RINEX field holds " +
               std::to_string(columns);
    return std::nullopt;
}

std::string Printable_Prefix(std::string_view text, size_t columns) {
    std::string result;
    for (char c : text) {
        if (result.size() >= columns) break;
        if (Is_Printable_Ascii(c)) result.push_back(c);
    }
    return result;
}

std::string Current_User_Name() {
#ifdef _WIN32
    for (const char* variable : {"USERNAME", "USER"}) {
#else
    for (const char* variable : {"USER", "LOGNAME"}) {
#endif
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') return value;
    }
#ifndef _WIN32
    // getpwuid_r with a fixed buffer: the tool may one day run threads.
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::array<char, 4096> buffer{};
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr)
        return found->pw_name;
#endif
    return {};
}

}  // namespace zer2ivi::job
