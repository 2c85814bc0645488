// RINEX file names at their edges: the first and last day of a year, the
// hours a and x, the last quarter-hour of a day, spans just under and over
// the named periods, and station ids that are almost valid.  Days of year
// were taken from Python's datetime, not from the code under test.
#include <gtest/gtest.h>

#include <string>

#include "rinex_names/rinex_names.h"

namespace zer2ivi::names {
namespace {

using rinex::kTicksPerDay;
using rinex::kTicksPerHour;
using rinex::kTicksPerMinute;
using rinex::kTicksPerSecond;

Ticks At(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0,
         int32_t second = 0) {
    rinex::CalendarTime time{year, month, day, hour, minute, second * kTicksPerSecond};
    return *rinex::Calendar_To_Ticks(time);
}

TEST(ShortName, DayHourAndQuarterHourAtTheirEdges) {
    struct Case {
        Ticks start, length;
        char type;
        const char* expected;
    };
    const Case cases[] = {
        {At(2021, 1, 1), kTicksPerDay, 'o', "test0010.21o"},
        {At(2020, 12, 31), kTicksPerDay, 'o', "test3660.20o"},       // leap year
        {At(2021, 12, 31), kTicksPerDay, 'n', "test3650.21n"},
        {At(2021, 1, 1), 2 * kTicksPerDay, 'o', "test0010.21o"},
        {At(2021, 1, 1), kTicksPerDay - 1, 'o', "test001a.21o"},      // just under a day
        {At(2021, 1, 1), kTicksPerHour, 'o', "test001a.21o"},
        {At(2021, 1, 1, 23), kTicksPerHour, 'o', "test001x.21o"},
        {At(2021, 1, 1), kTicksPerHour - 1, 'o', "test001a00.21o"},  // just under an hour
        {At(2021, 1, 1, 23, 45), 15 * kTicksPerMinute, 'o', "test001x45.21o"},
        {At(2020, 12, 31, 23, 45), 15 * kTicksPerMinute, 'o', "test366x45.20o"},
        {At(2000, 1, 1), kTicksPerDay, 'o', "test0010.00o"},
        {At(1999, 8, 22), kTicksPerDay, 'o', "test2340.99o"},
    };
    for (const Case& c : cases) EXPECT_EQ(Short_Name("test", c.start, c.length, c.type), c.expected);
}

TEST(RinexFileName, UsesDayOfYearAndTwoDigitYear) {
    struct Case {
        int32_t year, month, day;
        char type;
        const char* expected;
    };
    const Case cases[] = {
        {2004, 6, 10, 'o', "bahr1620.04o"}, {2004, 6, 10, 'n', "bahr1620.04n"},
        {2004, 12, 31, 'o', "bahr3660.04o"}, {2005, 12, 31, 'n', "bahr3650.05n"},
        {2000, 1, 1, 'o', "bahr0010.00o"},  {1999, 8, 22, 'o', "bahr2340.99o"},
        {2004, 2, 30, 'o', ""},             {1900, 2, 29, 'o', ""},  // 1900 is no leap year
        {2004, 13, 1, 'o', ""},             {0, 0, 0, 'o', ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rinex_File_Name("bahr", c.year, c.month, c.day, c.type), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(StationDesignator, TakesFourLettersOrDigitsInLowerCase) {
    struct Case {
        const char* source;
        const char* expected;
    };
    const Case cases[] = {
        {"BAHR", "bahr"},        {"BAHR 24901M002", "bahr"}, {"bahr1620", "bahr"},
        {"07590920", "0759"},    {"a-1", "a1__"},            {"", "____"},
        {"  x y z w v", "xyzw"}, {"---", "____"},            {"Ab\xc3\xa9" "Cd", "abcd"},
    };
    for (const Case& c : cases) EXPECT_EQ(Station_Designator(c.source), c.expected) << c.source;
    EXPECT_EQ(File_Stem("/data/bahr1620.zeb"), "bahr1620");
    EXPECT_EQ(File_Stem("site.day.zeb"), "site.day");
    EXPECT_EQ(File_Stem("dir.d/.hidden"), ".hidden");
}

TEST(StationId, NineCharactersOfTheRightKinds) {
    struct Case {
        const char* text;
        const char* expected;  // "" for no id
    };
    const Case cases[] = {
        {"ALGO00CAN", "ALGO00CAN"}, {"algo00can", "ALGO00CAN"}, {"075900DEU", "075900DEU"},
        {"ALGO0CAN", ""},           {"ALGO00CANX", ""},         {"ALG_00CAN", ""},
        {"ALGOA0CAN", ""},          {"ALGO0ACAN", ""},          {"ALGO00CA1", ""},
        {" ALGO00CA", ""},          {"", ""},
    };
    for (const Case& c : cases) {
        const auto id = Parse_Station_Id(c.text);
        EXPECT_EQ(id.value_or(""), c.expected) << c.text;
    }
}

TEST(StationId, FromTheMarkerNameElseMadeUpWithAnUnknownCountry) {
    struct Case {
        const char* marker;
        const char* fallback;
        const char* id;
        bool countryKnown;
    };
    const Case cases[] = {
        {"ALGO00CAN", "x", "ALGO00CAN", true},
        {"  algo00can   ", "x", "ALGO00CAN", true},
        {"ALGO 00CAN", "ALGO", "ALGO00XXX", false},
        {"BAHR", "BAHR", "BAHR00XXX", false},
        {"", "07590920", "075900XXX", false},
        {"", "a-1", "A1XX00XXX", false},
        {"ALGO00CANADA", "ALGO00CANADA", "ALGO00XXX", false},
    };
    for (const Case& c : cases) {
        const StationId id = Choose_Station_Id(c.marker, c.fallback);
        EXPECT_EQ(id.id, c.id) << c.marker;
        EXPECT_EQ(id.countryKnown, c.countryKnown) << c.marker;
    }
}

TEST(PeriodAndFrequencyCodes, NamedOnlyWhenExact) {
    struct Case {
        Ticks ticks;
        const char* period;
        const char* frequency;
    };
    const Case cases[] = {
        {kTicksPerDay, "01D", "01D"},
        {kTicksPerDay - 1, "00U", "00U"},
        {kTicksPerDay + 1, "00U", "00U"},
        {kTicksPerHour, "01H", "01H"},
        {kTicksPerHour - kTicksPerSecond, "00U", "00U"},  // 3599 s: no unit fits two digits
        {kTicksPerHour + 1, "00U", "00U"},
        {15 * kTicksPerMinute, "15M", "15M"},
        {30 * kTicksPerMinute, "00U", "30M"},
        {5 * kTicksPerMinute, "00U", "05M"},
        {60 * kTicksPerSecond, "00U", "01M"},
        {90 * kTicksPerSecond, "00U", "90S"},
        {99 * kTicksPerSecond, "00U", "99S"},
        {100 * kTicksPerSecond, "00U", "00U"},
        {30 * kTicksPerSecond, "00U", "30S"},
        {kTicksPerSecond, "00U", "01S"},
        {kTicksPerSecond / 2, "00U", "02Z"},
        {kTicksPerSecond / 10, "00U", "10Z"},
        {kTicksPerSecond / 100, "00U", "01C"},
        {kTicksPerSecond / 200, "00U", "02C"},
        {3 * kTicksPerSecond / 10, "00U", "00U"},  // 3.33 Hz
        {1, "00U", "00U"},
        {0, "00U", "00U"},
        {-kTicksPerSecond, "00U", "00U"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Period_Code(c.ticks), c.period) << c.ticks;
        EXPECT_EQ(Frequency_Code(c.ticks), c.frequency) << c.ticks;
    }
}

TEST(LongName, WrittenAndReadBack) {
    struct Case {
        LongName name;
        const char* expected;
    };
    const Case cases[] = {
        {{"ALGO00CAN", At(2012, 6, 8, 10), kTicksPerDay, 30 * kTicksPerSecond, "MO", "rnx"},
         "ALGO00CAN_R_20121601000_01D_30S_MO.rnx"},
        {{"ALGO00CAN", At(2012, 6, 8, 10), kTicksPerDay, 30 * kTicksPerSecond, "MN", "rnx"},
         "ALGO00CAN_R_20121601000_01D_MN.rnx"},
        {{"BAHR00XXX", At(2004, 6, 10, 0, 0, 30), kTicksPerHour, kTicksPerSecond, "MO", "crx"},
         "BAHR00XXX_R_20041620000_01H_01S_MO.crx"},
        {{"TEST00DEU", At(2020, 12, 31, 23, 45), 15 * kTicksPerMinute, kTicksPerSecond, "MO",
          "rnx"},
         "TEST00DEU_R_20203662345_15M_01S_MO.rnx"},
        {{"TEST00DEU", At(2021, 1, 1), 2 * kTicksPerHour, 7 * kTicksPerSecond, "MO", "rnx"},
         "TEST00DEU_R_20210010000_00U_07S_MO.rnx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Long_Name(c.name), c.expected);
        const auto parsed = Parse_Long_Name(c.expected);
        ASSERT_TRUE(parsed.has_value()) << c.expected;
        EXPECT_EQ(parsed->stationId, c.name.stationId) << c.expected;
        // The name keeps the minute, not the seconds.
        EXPECT_EQ(parsed->start, c.name.start - c.name.start % kTicksPerMinute) << c.expected;
        EXPECT_EQ(parsed->content, c.name.content) << c.expected;
        EXPECT_EQ(parsed->extension, c.name.extension) << c.expected;
    }
}

TEST(LongName, OtherNamesAreNotLongNames) {
    const char* names[] = {
        "bahr1620.04o",
        "ALGO00CAN_R_20121601000_01D_30S_MO",      // no extension
        "ALGO00CAN_X_20121601000_01D_30S_MO.rnx",  // unknown source
        "ALGO00CAN_R_20213661000_01D_30S_MO.rnx",  // 2021 has 365 days
        "ALGO00CAN_R_20210002400_01D_30S_MO.rnx",  // day 0, hour 24
        "ALGO00CAN_R_20211602400_01D_30S_MO.rnx",  // hour 24
        "ALGO00CAN_R_20211601060_01D_30S_MO.rnx",  // minute 60
        "ALGO00CAN_R_20121601000_01D-30S_MO.rnx",
        "ALGO00CAN_R_20121601000_01D_30S_MOX.rnx",
        "ALGO0CAN_R_20121601000_01D_30S_MO.rnx",
        "",
    };
    for (const char* name : names) EXPECT_FALSE(Parse_Long_Name(name).has_value()) << name;
}

TEST(ObservationLetter, CompactAndPlainNamesSwapTheirLetterOnly) {
    struct Case {
        const char* name;
        std::optional<bool> compact;  // what the name says
        const char* asCompact;
        const char* asPlain;
    };
    const Case cases[] = {
        {"bahr1620.04o", false, "bahr1620.04d", "bahr1620.04o"},
        {"dir.1/AJAC3550.21D", true, "dir.1/AJAC3550.21D", "dir.1/AJAC3550.21O"},
        {"x.22o.gz", false, "x.22d.gz", "x.22o.gz"},
        {"ACOR00ESP_R_20213550000_01D_30S_MO.rnx", false, "ACOR00ESP_R_20213550000_01D_30S_MO.crx",
         "ACOR00ESP_R_20213550000_01D_30S_MO.rnx"},
        {"A_MO.CRX.gz", true, "A_MO.CRX.gz", "A_MO.RNX.gz"},
        // Not observation names: navigation, no digits, too short, other.
        {"bahr1620.04n", std::nullopt, "bahr1620.04n", "bahr1620.04n"},
        {"abc.xyo", std::nullopt, "abc.xyo", "abc.xyo"},
        {"22o", std::nullopt, "22o", "22o"},
        {"out.txt", std::nullopt, "out.txt", "out.txt"},
        {"x.04o.Z", std::nullopt, "x.04o.Z", "x.04o.Z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(names::Names_Compact_Rinex(c.name), c.compact);
        EXPECT_EQ(names::With_Observation_Letter(c.name, true), c.asCompact);
        EXPECT_EQ(names::With_Observation_Letter(c.name, false), c.asPlain);
    }
}

}  // namespace
}  // namespace zer2ivi::names
