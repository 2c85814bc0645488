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

#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {


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

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, or 0
// when it is not one (overlong forms, surrogates and values above U+10FFFF
// are not well-formed).
size_t Utf8_Sequence_Length(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;  // allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) length = 2;
    else if (lead == 0xe0) length = 3, low = 0xa0;
    else if (lead == 0xed) length = 3, high = 0x9f;
    else if (lead >= 0xe1 && lead <= 0xef) length = 3;
    else if (lead == 0xf0) length = 4, low = 0x90;
    else if (lead >= 0xf1 && lead <= 0xf3) length = 4;
    else if (lead == 0xf4) length = 4, high = 0x8f;
    else return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
    return length;
}

}  // namespace

std::string Json_String(std::string_view text) {
    std::string result = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const size_t length = Utf8_Sequence_Length(text);
        if (length == 0) {
            result += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            result += text.substr(0, length);
            text.remove_prefix(length);
            continue;
        }
        text.remove_prefix(1);
        switch (c) {
            case '"': result += "\\\""; break;
            case '\\': result += "\\\\"; break;
            case '\n': result += "\\n"; break;
            case '\t': result += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    result += escaped;
                } else {
                    result += c;
                }
        }
    }
    return result + "\"";
}

}  // namespace zer2ivi::cli
