#include <gtest/gtest.h>

#include "rinex/gps_ticks.h"

namespace zer2ivi::rinex {
namespace {

TEST(GpsTicks, IsoTextRoundTripsThroughExactTicks) {
    struct Case {
        const char* text;
        Ticks ticks;  // expected, independently: days x 86400 s + seconds
    };
    const Case cases[] = {
        {"1980-01-06T00:00:00", 0},
        {"2005-04-02T00:00:00", (25 * 365 + 7 + 91 - 5) * kTicksPerDay},
        {"2004-06-10T00:59:30", (24 * 365 + 6 + 162 - 6) * kTicksPerDay + 3570 * kTicksPerSecond},
        {"2005-04-02T00:00:30.005", (25 * 365 + 7 + 91 - 5) * kTicksPerDay + 300050000},
        {"2000-02-29T23:59:59.9999999", (20 * 365 + 5 + 59 - 5) * kTicksPerDay + kTicksPerDay - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(Parse_Iso8601(c.text), c.ticks);
        EXPECT_EQ(Format_Iso8601(c.ticks), c.text);
    }
}

TEST(GpsTicks, CivilDatesAndDayCountsBothWays) {
    struct Case {
        int64_t year, month, day;
        int64_t days;  // since 1970-01-01, counted independently
        int32_t daysInMonth;
    };
    const Case cases[] = {
        {1970, 1, 1, 0, 31},          {1969, 12, 31, -1, 31},      {1980, 1, 6, kGpsEpochDays, 31},
        {2000, 2, 29, 11016, 29},     {2000, 3, 1, 11017, 31},     {2100, 2, 28, 47540, 28},
        {2100, 3, 1, 47541, 31},      {1600, 2, 29, -135081, 29},  {1, 1, 1, -719162, 31},
        {9999, 12, 31, 2932896, 31},  {2004, 6, 10, 12579, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        EXPECT_EQ(Days_From_Civil(c.year, c.month, c.day), c.days);
        int64_t year = 0, month = 0, day = 0;
        Civil_From_Days(c.days, year, month, day);
        EXPECT_EQ(year, c.year);
        EXPECT_EQ(month, c.month);
        EXPECT_EQ(day, c.day);
        EXPECT_EQ(Days_In_Month(static_cast<int32_t>(c.year), static_cast<int32_t>(c.month)),
                  c.daysInMonth);
    }
}

TEST(GpsTicks, MalformedTimesAreRefused) {
    for (const char* text : {"2005-02-29T00:00:00", "2005-04-02 00:00:00", "2005-04-02T24:00:00",
                             "2005-04-02T00:00:60", "2005-04-02T00:00:00.", "2005-04-02T00:00:00Z",
                             "2005-4-02T00:00:00", "2005-04-02T00:00:00.12345678", ""}) {
        EXPECT_FALSE(Parse_Iso8601(text)) << text;
    }
}

TEST(GpsTicks, SecondsTextKeepsSevenDecimalsAndRoundsTheEighth) {
    struct Case {
        const char* text;
        std::optional<Ticks> ticks;
    };
    const Case cases[] = {{"30", 300000000},     {"0.0000000", 0},      {"59.9999999", 599999999},
                          {".5", 5000000},       {"1.00000005", 10000001}, {"1.00000004", 10000000},
                          {"-1", std::nullopt},  {"1e3", std::nullopt}, {"", std::nullopt},
                          {"1 .5", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(Parse_Seconds(c.text), c.ticks) << c.text;
}

TEST(GpsTicks, DayOfYearAndTimeOfWeek) {
    const Ticks t = *Parse_Iso8601("2004-12-31T12:00:00");  // a Friday of a leap year
    EXPECT_EQ(Day_Of_Year(t), 366);
    EXPECT_EQ(Time_Of_Week(t), 5 * kTicksPerDay + 12 * kTicksPerHour);
}

}  // namespace
}  // namespace zer2ivi::rinex
