// The command-line tool's own helpers: argument scanning and checks.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

const std::vector<OptionSpec> kSpecs = {
    {"obs-file", 'o', true},
    {"marker", 0, true},
    {"json", 0, false},
};

TEST(ParseCommandLine, AcceptsValuesInBothFormsAndKeepsPositionals) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> positionals;
        std::optional<std::string> obsFile;
        std::optional<std::string> marker;
        bool json;
        bool help;
    };
    const Case cases[] = {
        {{"a.zeb", "b.eph"}, {"a.zeb", "b.eph"}, std::nullopt, std::nullopt, false, false},
        {{"-o", "x.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"-ox.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"--obs-file=x.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"--obs-file", "-neg", "a"}, {"a"}, "-neg", std::nullopt, false, false},
        {{"--marker", "", "a"}, {"a"}, std::nullopt, "", false, false},
        {{"--json", "a", "--marker=BAHR 1"}, {"a"}, std::nullopt, "BAHR 1", true, false},
        {{"--", "--json", "-"}, {"--json", "-"}, std::nullopt, std::nullopt, false, false},
        {{"-h"}, {}, std::nullopt, std::nullopt, false, true},
        {{"a", "--help"}, {"a"}, std::nullopt, std::nullopt, false, true},
    };
    for (const Case& c : cases) {
        CommandLine line;
        const auto error = Parse_Command_Line(c.arguments, kSpecs, line);
        ASSERT_FALSE(error.has_value()) << *error;
        EXPECT_EQ(line.positionals, c.positionals);
        EXPECT_EQ(line.value("obs-file"), c.obsFile);
        EXPECT_EQ(line.value("marker"), c.marker);
        EXPECT_EQ(line.has("json"), c.json);
        EXPECT_EQ(line.help, c.help);
    }
}

TEST(ParseCommandLine, RefusesUnknownRepeatedAndIncompleteOptions) {
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"--mark", "x"}, "unknown option --mark"},
        {{"-x"}, "unknown option -x"},
        {{"--obs-file"}, "option --obs-file needs a value"},
        {{"a", "-o"}, "option -o needs a value"},
        {{"--json=yes"}, "option --json takes no value"},
        {{"-o", "a", "--obs-file", "b"}, "option --obs-file given more than once"},
        {{"--json", "--json"}, "option --json given more than once"},
    };
    for (const Case& c : cases) {
        CommandLine line;
        const auto error = Parse_Command_Line(c.arguments, kSpecs, line);
        ASSERT_TRUE(error.has_value()) << c.error;
        EXPECT_EQ(*error, c.error);
    }
}

}  // namespace
}  // namespace zer2ivi::cli
