#include "cli_support.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rinex2/fields.h"
#include "text/json_text.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

struct TypeName {
    std::string_view name;
    uint32_t bit;
};

// RINEX order, which is not the order of the bits.
constexpr std::array<TypeName, 5> kTypes = {{
    {"C1", OBS_C1},
    {"L1", OBS_L1},
    {"L2", OBS_L2},
    {"P2", OBS_P2},
    {"D1", OBS_D1},
}};

constexpr size_t kAntennaHeightColumns = 14;

const OptionSpec* Find_Long(const std::vector<OptionSpec>& specs, std::string_view name) {
    for (const OptionSpec& spec : specs)
        if (spec.longName == name) return &spec;
    return nullptr;
}

const OptionSpec* Find_Short(const std::vector<OptionSpec>& specs, char name) {
    for (const OptionSpec& spec : specs)
        if (spec.shortName != 0 && spec.shortName == name) return &spec;
    return nullptr;
}

bool Is_Printable_Ascii(char c) { return c >= 0x20 && c <= 0x7e; }

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

using rinex2::Trim;

}  // namespace

std::optional<std::string> CommandLine::value(std::string_view longName) const {
    for (const ParsedOption& option : options)
        if (option.longName == longName) return option.value;
    return std::nullopt;
}

bool CommandLine::has(std::string_view longName) const { return value(longName).has_value(); }

std::vector<std::string> CommandLine::values(std::string_view longName) const {
    std::vector<std::string> result;
    for (const ParsedOption& option : options)
        if (option.longName == longName) result.push_back(option.value);
    return result;
}

std::optional<std::string> Parse_Command_Line(const std::vector<std::string>& arguments,
                                              const std::vector<OptionSpec>& specs,
                                              CommandLine& result) {
    result = CommandLine{};
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            result.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            result.help = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::optional<std::string> inlineValue;
        std::string shown;
        if (argument.compare(0, 2, "--") == 0) {
            std::string_view name = std::string_view(argument).substr(2);
            const size_t equals = name.find('=');
            if (equals != std::string_view::npos) {
                inlineValue = std::string(name.substr(equals + 1));
                name = name.substr(0, equals);
            }
            shown = "--" + std::string(name);
            spec = Find_Long(specs, name);
        } else {
            shown = argument.substr(0, 2);
            spec = Find_Short(specs, argument[1]);
            if (argument.size() > 2) inlineValue = argument.substr(2);
        }
        if (spec == nullptr) return "unknown option " + shown;
        if (!spec->repeatable && result.has(spec->longName)) return "option " + shown + " given more than once";
        ParsedOption option{spec->longName, {}};
        if (spec->takesValue) {
            if (inlineValue) {
                option.value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                option.value = arguments[++i];
            } else {
                return "option " + shown + " needs a value";
            }
        } else if (inlineValue) {
            return "option " + shown + " takes no value";
        }
        result.options.push_back(std::move(option));
    }
    return std::nullopt;
}

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
    const auto parsed = rinex2::Parse_Decimal(text);
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
        for (const TypeName& type : kTypes) {
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
    for (const TypeName& type : kTypes)
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

bool Copy_Field(char* field, size_t fieldSize, std::string_view text) {
    if (fieldSize == 0) return false;
    if (text.size() >= fieldSize || text.find('\0') != std::string_view::npos) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
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

std::string Json_String(std::string_view text) { return text::Json_String(text); }

}  // namespace zer2ivi::cli
