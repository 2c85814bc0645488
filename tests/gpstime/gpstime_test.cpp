#include "gpstime/gpstime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/library_state.h"

namespace zer2ivi {
namespace {

struct Calendar {
    int32_t year, month, day, hour, minute;
    double second;
};

Calendar Convert(int32_t week, double secondsOfWeek) {
    Calendar c{};
    Gps_To_Calendar(week, secondsOfWeek, c.hour, c.minute, c.second, c.month, c.day, c.year);
    return c;
}

TEST(GpsToCalendar, WholeSecondDates) {
    struct Case {
        int32_t week;
        double seconds;
        Calendar expected;
    };
    const Case cases[] = {
        {1160, 432000.0, {2002, 4, 5, 0, 0, 0.0}},
        {136, 432000.0, {2002, 4, 5, 0, 0, 0.0}},     // a 10-bit week after the first wrap
        {499, 0.0, {2009, 3, 15, 0, 0, 0.0}},
        {500, 0.0, {1989, 8, 6, 0, 0, 0.0}},
        {0, 0.0, {1999, 8, 22, 0, 0, 0.0}},
        {1023, 604799.0, {1999, 8, 21, 23, 59, 59.0}},
        {1160, -1.0, {2002, 3, 30, 23, 59, 59.0}},    // carries into the week before
        {1052, 0.0, {2000, 3, 5, 0, 0, 0.0}},         // leap year after February
        {1056, 0.0, {2000, 4, 2, 0, 0, 0.0}},
        {1274, 345600.0, {2004, 6, 10, 0, 0, 0.0}},
        {1316, 518400.0, {2005, 4, 2, 0, 0, 0.0}},
        {1100, 604799.0, {2001, 2, 10, 23, 59, 59.0}},
        // Past 2038-01-19 (week 3028 and later) whole seconds need 64 bits.
        {3028, 0.0, {2038, 1, 17, 0, 0, 0.0}},
        {3029, 0.0, {2038, 1, 24, 0, 0, 0.0}},
        {3100, 0.0, {2039, 6, 5, 0, 0, 0.0}},
        {6260, 431999.0, {2099, 12, 31, 23, 59, 59.0}},
    };
    for (const Case& c : cases) {
        const Calendar got = Convert(c.week, c.seconds);
        EXPECT_EQ(got.year, c.expected.year) << c.week << " " << c.seconds;
        EXPECT_EQ(got.month, c.expected.month) << c.week << " " << c.seconds;
        EXPECT_EQ(got.day, c.expected.day) << c.week << " " << c.seconds;
        EXPECT_EQ(got.hour, c.expected.hour) << c.week << " " << c.seconds;
        EXPECT_EQ(got.minute, c.expected.minute) << c.week << " " << c.seconds;
        EXPECT_EQ(got.second, c.expected.second) << c.week << " " << c.seconds;
    }
}

TEST(GpsToCalendar, FractionIsTheDoublesAndNeverRollsTheMinute) {
    // The instant is formed as one double of about 1e9 seconds, so its
    // fraction carries that double's resolution, not the decimal input's.
    const double instant1 = 1160.0 * 604800.0 + 315964800.0 + 345612.1234567;
    const Calendar a = Convert(1160, 345612.1234567);
    EXPECT_EQ(a.day, 4);
    EXPECT_EQ(a.hour, 0);
    EXPECT_EQ(a.minute, 0);
    EXPECT_EQ(a.second, (instant1 - std::trunc(instant1)) + 12.0);
    EXPECT_NEAR(a.second, 12.1234567, 2.5e-7);

    const double instant2 = 1056.0 * 604800.0 + 315964800.0 + 86399.9999999;
    const Calendar b = Convert(1056, 86399.9999999);
    EXPECT_EQ(b.month, 4);
    EXPECT_EQ(b.day, 2);
    EXPECT_EQ(b.hour, 23);
    EXPECT_EQ(b.minute, 59);
    EXPECT_EQ(b.second, (instant2 - std::trunc(instant2)) + 59.0);
    EXPECT_LT(b.second, 60.0);
    EXPECT_GT(b.second, 59.9999998);
}

TEST(CalendarToSeconds, KnownInstants) {
    CalendarTime epoch{};
    epoch.dayOfMonth = 6;
    epoch.yearsSince1900 = 80;
    EXPECT_EQ(Calendar_To_Seconds(epoch), 315964800);
    EXPECT_EQ(Calendar_To_Seconds(epoch), kGpsEpochSeconds);
    CalendarTime leapMarch{};
    leapMarch.dayOfMonth = 1;
    leapMarch.month = 2;
    leapMarch.yearsSince1900 = 100;
    EXPECT_EQ(Calendar_To_Seconds(leapMarch), 951868800);
}

TEST(SecondsToCalendar, BreaksDownIntoTheLibraryRecord) {
    const CalendarTime& t = Seconds_To_Calendar(951868800 + 3 * 3600 + 4 * 60 + 5);
    EXPECT_EQ(&t, &calendarRecord);
    EXPECT_EQ(t.yearsSince1900, 100);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.dayOfMonth, 1);
    EXPECT_EQ(t.hours, 3);
    EXPECT_EQ(t.minutes, 4);
    EXPECT_EQ(t.seconds, 5);
    EXPECT_EQ(t.weekday, 0);
    // 2038-01-19 03:14:08, one past the 32-bit range.
    const CalendarTime& after = Seconds_To_Calendar(int64_t{2147483648});
    EXPECT_EQ(after.yearsSince1900, 138);
    EXPECT_EQ(after.month, 0);
    EXPECT_EQ(after.dayOfMonth, 19);
    EXPECT_EQ(after.hours, 3);
    EXPECT_EQ(after.minutes, 14);
    EXPECT_EQ(after.seconds, 8);
}

TEST(GpsToCalendar, AbsurdSecondsOfWeekCompleteWithoutUndefinedBehaviour) {
    // The date printed for these is unspecified; the call must complete and
    // (under the sanitizers) never convert an out-of-range double.
    const double absurd[] = {std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), 1e300, -1e300, -1e9};
    for (double seconds : absurd) {
        const Calendar c = Convert(1200, seconds);
        EXPECT_GE(c.month, 1) << seconds;
        EXPECT_LE(c.month, 12) << seconds;
    }
}

TEST(GpsToCalendar, InstantBefore1970ReportsBadDayNumber) {
    ::testing::internal::CaptureStdout();
    const Calendar c = Convert(1200, -2e9);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Internal error: Bad day number\n");
    EXPECT_EQ(c.month, 1);
}

TEST(AddWeeks, AddsWithinTheInt32Range) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    struct Case {
        int32_t week;
        int32_t weeks;
        int32_t expected;
    };
    const Case cases[] = {
        {1100, 0, 1100},       {1100, 3, 1103},        {-5, 2, -3},
        {kMax - 1, 1, kMax},   {kMax, 1, kMax},        {kMax, kMax, kMax},
        {kMin + 1, -1, kMin},  {kMin, -1, kMin},       {kMin, kMax, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Add_Weeks(c.week, c.weeks), c.expected) << c.week << " + " << c.weeks;
    }
}

}  // namespace
}  // namespace zer2ivi
