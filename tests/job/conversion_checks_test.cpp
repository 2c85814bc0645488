// The job's checks: the ephemeris record checks, time texts, weeks and
// paths.
#include <gtest/gtest.h>

#include <string>

#include "job/conversion_checks.h"
#include "job/temp_files.h"

namespace zer2ivi::job {
namespace {

TEST(RecordProblem, RefusesWhatCannotBeAGpsBroadcastEphemeris) {
    rinex::GpsEphemeris good;
    good.prn = 5;
    good.eccentricity = 0.01;
    good.sqrtA = 5153.6;
    good.toe = 345600.0;
    good.week = 1274.0;
    struct Case {
        rinex::GpsEphemeris record;
        rinex::RecordDamage damage;
        std::string problem;  // empty: accepted
    };
    auto with = [&](auto member, auto value) {
        rinex::GpsEphemeris record = good;
        record.*member = value;
        return record;
    };
    // Bit i of numberFields: the i-th number field of the record (sqrtA is
    // the 11th, the week the 22nd).
    const Case cases[] = {
        {good, {}, ""},
        {with(&rinex::GpsEphemeris::prn, 32), {}, ""},
        {with(&rinex::GpsEphemeris::prn, 0), {}, "PRN 0 is outside 1-32"},
        {with(&rinex::GpsEphemeris::prn, 3215), {}, "PRN 3215 is outside 1-32"},
        {with(&rinex::GpsEphemeris::sqrtA, 5300.0), {}, ""},
        {with(&rinex::GpsEphemeris::sqrtA, 4999.5), {}, "sqrtA 4999.5 m^1/2 is outside 5000-5300"},
        {with(&rinex::GpsEphemeris::eccentricity, 0.1), {}, ""},
        {with(&rinex::GpsEphemeris::eccentricity, -1e-9), {}, "eccentricity -1e-09 is outside 0-0.1"},
        {with(&rinex::GpsEphemeris::toe, 604800.0), {}, ""},
        {with(&rinex::GpsEphemeris::toe, 604801.0), {}, "toe 604801 s is outside 0-604800"},
        {good, {true, 0}, "its first line holds no PRN and clock epoch"},
        {good, {false, 1u << 10}, "its orbit line 2 holds no number in field 4"},
        {good, {false, 1u << 21 | 1u << 11}, "its orbit line 3 holds no number in field 1"},
        {good, {false, 1u << 21}, "its orbit line 5 holds no number in field 3"},
        {good, {false, 1u << 0 | 1u << 28}, ""},  // fields the checks do not read
    };
    for (const Case& c : cases)
        EXPECT_EQ(Record_Problem(c.record, c.damage).value_or(""), c.problem) << c.problem;
}
TEST(GpsTimes, DateWeeksAndCreationTimes) {
    // 2004-06-10 00:00 is week 1274, 345600 s.
    const double thursday = 1274 * kSecondsPerWeek + 345600.0;
    EXPECT_EQ(Gps_Time_Text(thursday), "2004-06-10 00:00:00");
    EXPECT_EQ(Gps_Time_Text(thursday + 3599.9), "2004-06-10 00:59:59");
    EXPECT_EQ(Gps_Time_Text(0.0), "1980-01-06 00:00:00");
    ZebHeader header{};  // months from 0, years from 1900
    header.createdYear = 104, header.createdMonth = 5, header.createdDay = 10;
    header.createdHour = 1, header.createdMinute = 2, header.createdSecond = 3;
    EXPECT_EQ(Creation_Seconds(header), thursday + 3723.0);
    struct Case {
        double near, timeOfWeek;
        int32_t week;
    };
    const Case cases[] = {
        {thursday, 345600.0, 1274},
        {thursday, 10.0, 1275},        // early Sunday is closer in the next week
        {1274 * kSecondsPerWeek + 3600.0, 600000.0, 1273},  // late Saturday before
        {thursday - 2 * kSecondsPerDay, 345600.0, 1274},
    };
    for (const Case& c : cases) EXPECT_EQ(Week_Closest_To(c.near, c.timeOfWeek), c.week);
    EXPECT_EQ(Distance_Outside(5.0, 10.0, 20.0), 5.0);
    EXPECT_EQ(Distance_Outside(15.0, 10.0, 20.0), 0.0);
    EXPECT_EQ(Distance_Outside(26.0, 10.0, 20.0), 6.0);
}
TEST(PathParts, SplitAtTheLastSeparator) {
    struct Case {
        std::string path, directory, file;
    };
    const Case cases[] = {
        {"x.o", ".", "x.o"},
        {"out/x.o", "out", "x.o"},
        {"/x.o", "/", "x.o"},
        {"a/b/", "a/b", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Directory_Of(c.path), c.directory) << c.path;
        EXPECT_EQ(File_Part(c.path), c.file) << c.path;
    }
}

}  // namespace
}  // namespace zer2ivi::job
