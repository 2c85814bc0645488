#include "cli_support.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

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

}  // namespace zer2ivi::cli
