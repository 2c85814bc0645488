// The values of a conversion as a user gives them: week, antenna height,
// observation types and header texts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "job/user_values.h"

namespace zer2ivi::job {
namespace {

TEST(ParseGpsWeek, TakesDecimalWeeksUpToTheLimitOnly) {
    struct Case {
        std::string text;
        std::optional<int32_t> week;
    };
    const Case cases[] = {
        {"0", 0},        {"1274", 1274},  {"9999", 9999}, {"10000", std::nullopt},
        {"-1", std::nullopt}, {"+5", std::nullopt}, {"12a", std::nullopt}, {"", std::nullopt},
        {"1e3", std::nullopt}, {" 12", std::nullopt}, {"99999999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        int32_t week = -7;
        const auto error = Parse_Gps_Week(c.text, week);
        if (c.week) {
            EXPECT_FALSE(error.has_value()) << c.text;
            EXPECT_EQ(week, *c.week) << c.text;
        } else {
            ASSERT_TRUE(error.has_value()) << c.text;
            EXPECT_EQ(*error, "--gps-week: '" + c.text + "' is not a GPS week number (0 to 9999)");
            EXPECT_EQ(week, -7) << c.text;
        }
    }
}

TEST(ParseAntennaHeight, TakesFiniteHeightsThatFitTheRinexColumns) {
    struct Case {
        std::string text;
        std::optional<double> metres;
    };
    const Case cases[] = {
        {"0", 0.0},
        {"1.5", 1.5},
        {"+0.25", 0.25},
        {"-0.0105", -0.0105},
        {"2e1", 20.0},
        {"9999999999.999", 9999999999.999},
        {"-999999999.999", -999999999.999},
        {"10000000000", std::nullopt},   // 15 columns
        {"-1000000000", std::nullopt},   // 15 columns
        {"abc", std::nullopt},
        {"1.5m", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"0x10", std::nullopt},
        {"1e400", std::nullopt},
        {"", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const Case& c : cases) {
        double metres = -7.0;
        const auto error = Parse_Antenna_Height(c.text, metres);
        if (c.metres) {
            EXPECT_FALSE(error.has_value()) << c.text;
            EXPECT_EQ(metres, *c.metres) << c.text;
        } else {
            EXPECT_TRUE(error.has_value()) << c.text;
            EXPECT_EQ(metres, -7.0) << c.text;
        }
    }
}

TEST(ParseObsTypes, BuildsTheMaskFromNamesInAnyOrderAndCase) {
    struct Case {
        std::string text;
        std::optional<uint32_t> mask;
    };
    const Case cases[] = {
        {"C1,L1,L2,P2,D1", OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1},
        {"C1", OBS_C1},
        {"d1,p2", OBS_D1 | OBS_P2},
        {"L2, L1", OBS_L1 | OBS_L2},
        {"C1,C1", OBS_C1},
        {"C2", std::nullopt},
        {"P1", std::nullopt},
        {"C1,", std::nullopt},
        {"", std::nullopt},
        {"C1;L1", std::nullopt},
    };
    for (const Case& c : cases) {
        uint32_t mask = 99;
        const auto error = Parse_Obs_Types(c.text, mask);
        if (c.mask) {
            EXPECT_FALSE(error.has_value()) << c.text;
            EXPECT_EQ(mask, *c.mask) << c.text;
        } else {
            EXPECT_TRUE(error.has_value()) << c.text;
            EXPECT_EQ(mask, 99u) << c.text;
        }
    }
    uint32_t mask = 0;
    EXPECT_EQ(Parse_Obs_Types("C1,X9", mask),
              "--types: unknown observation type 'X9' (known: C1,L1,L2,P2,D1)");
}

TEST(ObsTypeNames, ListsTypesInRinexOrder) {
    EXPECT_EQ(Obs_Type_Names(OBS_D1 | OBS_P2 | OBS_C1), (std::vector<std::string>{"C1", "P2", "D1"}));
    EXPECT_EQ(Obs_Type_Names(31), (std::vector<std::string>{"C1", "L1", "L2", "P2", "D1"}));
    EXPECT_TRUE(Obs_Type_Names(0).empty());
}

TEST(CheckHeaderText, RefusesTextsLongerThanTheColumnOrWithControlCharacters) {
    EXPECT_FALSE(Check_Header_Text("--marker", std::string(60, 'M'), 60).has_value());
    EXPECT_FALSE(Check_Header_Text("--marker", "", 60).has_value());
    EXPECT_EQ(Check_Header_Text("--observer", "abcdefghijklmnopqrstu", 20),
              "--observer: 'abcdefghijklmnopqrstu' has 21 characters; its RINEX field holds 20");
    for (const std::string text : {"a\nb", "a\rb", "tab\there", "\x7f", "caf\xc3\xa9"})
        EXPECT_EQ(Check_Header_Text("--agency", text, 40),
                  "--agency: only printable ASCII characters fit a RINEX header line")
            << text;
}

TEST(PrintablePrefix, DropsControlCharactersAndCutsToTheColumns) {
    EXPECT_EQ(Printable_Prefix("operator", 20), "operator");
    EXPECT_EQ(Printable_Prefix("a\nb\tc", 20), "abc");
    EXPECT_EQ(Printable_Prefix("abcdefghijklmnopqrstuvwxyz", 20), "abcdefghijklmnopqrst");
}

}  // namespace
}  // namespace zer2ivi::job
