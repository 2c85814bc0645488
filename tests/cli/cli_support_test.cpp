// The command-line tool's own helpers: argument scanning and checks, RINEX
// file names.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "rinex_names.h"
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

TEST(CopyField, CopiesWhatFitsWithItsNulAndRefusesTheRest) {
    char field[8];
    EXPECT_TRUE(Copy_Field(field, sizeof field, "1234567"));
    EXPECT_STREQ(field, "1234567");
    EXPECT_FALSE(Copy_Field(field, sizeof field, "12345678"));
    EXPECT_STREQ(field, "");
    EXPECT_FALSE(Copy_Field(field, sizeof field, std::string("a\0b", 3)));
    EXPECT_STREQ(field, "");
}

TEST(StationDesignator, TakesFourLettersOrDigitsInLowerCase) {
    struct Case {
        std::string source;
        std::string expected;
    };
    const Case cases[] = {
        {"BAHR", "bahr"},           {"BAHR 24901M002", "bahr"}, {"bahr1620", "bahr"},
        {"07590920", "0759"},       {"a-1", "a1__"},            {"", "____"},
        {"  x y z w v", "xyzw"},    {"---", "____"},            {"Ab\xc3\xa9" "Cd", "abcd"},
    };
    for (const Case& c : cases) EXPECT_EQ(Station_Designator(c.source), c.expected) << c.source;
}

TEST(FileStem, DropsDirectoriesAndTheLastExtension) {
    EXPECT_EQ(File_Stem("/data/bahr1620.zeb"), "bahr1620");
    EXPECT_EQ(File_Stem("site.day.zeb"), "site.day");
    EXPECT_EQ(File_Stem("noext"), "noext");
    EXPECT_EQ(File_Stem("dir.d/.hidden"), ".hidden");
}

TEST(RinexFileName, UsesDayOfYearAndTwoDigitYear) {
    struct Case {
        int32_t year, month, day;
        char type;
        std::string expected;
    };
    const Case cases[] = {
        {2004, 6, 10, 'o', "bahr1620.04o"},
        {2004, 6, 10, 'n', "bahr1620.04n"},
        {2005, 4, 2, 'o', "bahr0920.05o"},
        {2004, 12, 31, 'o', "bahr3660.04o"},   // leap year
        {2005, 12, 31, 'n', "bahr3650.05n"},
        {2000, 1, 1, 'o', "bahr0010.00o"},
        {1999, 8, 22, 'o', "bahr2340.99o"},
        {2004, 2, 30, 'o', ""},
        {1900, 2, 29, 'o', ""},                // not a leap year
        {2004, 13, 1, 'o', ""},
        {0, 0, 0, 'o', ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rinex_File_Name("bahr", c.year, c.month, c.day, c.type), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

}  // namespace
}  // namespace zer2ivi::cli
