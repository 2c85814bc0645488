// The tool's checks and read-backs: JSON strings, the ephemeris record
// checks, the log walk, time texts and paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "conversion_checks.h"
#include "temp_files.h"
#include "zeb_header_peek.h"

namespace zer2ivi::cli {
namespace {

TEST(JsonString, EscapesAndReplacesBytesThatAreNotUtf8) {
    struct Case {
        std::string text;
        std::string json;
    };
    const Case cases[] = {
        {"plain.zeb", "\"plain.zeb\""},
        {"a\"b\\c\n\t\x01\x7f", "\"a\\\"b\\\\c\\n\\t\\u0001\\u007f\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa1", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa1\""},
        {"x\xffy", "\"x\\ufffdy\""},                  // never a UTF-8 byte
        {"\xc3", "\"\\ufffd\""},                       // sequence cut short
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""},            // overlong form
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // surrogate
        {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // above U+10FFFF
        {"\xe2\x82x", "\"\\ufffd\\ufffdx\""},
    };
    for (const Case& c : cases) EXPECT_EQ(Json_String(c.text), c.json) << c.json;
}

TEST(RecordProblem, RefusesWhatCannotBeAGpsBroadcastEphemeris) {
    rinex2::GpsEphemeris good;
    good.prn = 5;
    good.eccentricity = 0.01;
    good.sqrtA = 5153.6;
    good.toe = 345600.0;
    good.week = 1274.0;
    struct Case {
        rinex2::GpsEphemeris record;
        rinex2::RecordDamage damage;
        std::string problem;  // empty: accepted
    };
    auto with = [&](auto member, auto value) {
        rinex2::GpsEphemeris record = good;
        record.*member = value;
        return record;
    };
    // Bit i of numberFields: the i-th number field of the record (sqrtA is
    // the 11th, the week the 22nd).
    const Case cases[] = {
        {good, {}, ""},
        {with(&rinex2::GpsEphemeris::prn, 32), {}, ""},
        {with(&rinex2::GpsEphemeris::prn, 0), {}, "PRN 0 is outside 1-32"},
        {with(&rinex2::GpsEphemeris::prn, 3215), {}, "PRN 3215 is outside 1-32"},
        {with(&rinex2::GpsEphemeris::sqrtA, 5300.0), {}, ""},
        {with(&rinex2::GpsEphemeris::sqrtA, 4999.5), {}, "sqrtA 4999.5 m^1/2 is outside 5000-5300"},
        {with(&rinex2::GpsEphemeris::eccentricity, 0.1), {}, ""},
        {with(&rinex2::GpsEphemeris::eccentricity, -1e-9), {}, "eccentricity -1e-09 is outside 0-0.1"},
        {with(&rinex2::GpsEphemeris::toe, 604800.0), {}, ""},
        {with(&rinex2::GpsEphemeris::toe, 604801.0), {}, "toe 604801 s is outside 0-604800"},
        {good, {true, 0}, "its first line holds no PRN and clock epoch"},
        {good, {false, 1u << 10}, "its orbit line 2 holds no number in field 4"},
        {good, {false, 1u << 21 | 1u << 11}, "its orbit line 3 holds no number in field 1"},
        {good, {false, 1u << 21}, "its orbit line 5 holds no number in field 3"},
        {good, {false, 1u << 0 | 1u << 28}, ""},  // fields the checks do not read
    };
    for (const Case& c : cases)
        EXPECT_EQ(Record_Problem(c.record, c.damage).value_or(""), c.problem) << c.problem;
}

// A log of a header (9 channels) and epochs of the given measurement
// counts, then tail bytes.
std::string Make_Log(const std::vector<int>& counts, size_t tail, int16_t positionSize = 68) {
    std::string bytes(202, '\0');
    bytes[0] = static_cast<char>(202);
    bytes[7] = 9;
    for (int count : counts) {
        std::string position(68, '\0');
        position[0] = static_cast<char>(positionSize & 0xff);
        position[1] = static_cast<char>(positionSize >> 8);
        position[2] = static_cast<char>(count);
        bytes += position + std::string(static_cast<size_t>(count) * 44, '\0');
    }
    return bytes + std::string(tail, '\0');
}

TEST(ScanZebLog, FindsTheEndOfTheLastCompleteEpochAndWhatTheLibraryRefuses) {
    struct Case {
        std::string name;
        std::string bytes;
        int64_t epochs;
        uint64_t completeEnd;
        std::string refusal;
    };
    const Case cases[] = {
        {"header only", Make_Log({}, 0), 0, 202, ""},
        {"two epochs", Make_Log({2, 0}, 0), 2, 202 + 156 + 68, ""},
        {"cut in a position record", Make_Log({2}, 67), 1, 202 + 156, ""},
        {"cut in measurements", Make_Log({2, 3}, 0).substr(0, 202 + 156 + 68 + 100), 1, 358,
         "epoch 2 at byte offset 358: its measurement records are cut short by the end of the file"},
        {"more than 9", Make_Log({10}, 0), 0, 202,
         "epoch 1 at byte offset 202: 10 measurements for 9 channels"},
        {"bad size word", Make_Log({1}, 0, 70), 0, 202,
         "epoch 1 at byte offset 202: record size word 70 instead of 68"},
    };
    auto directory = TempDirectory::Create();
    ASSERT_TRUE(directory);
    for (const Case& c : cases) {
        const std::string path = directory->file("log.zeb");
        std::ofstream(path, std::ios::binary) << c.bytes;
        ZebLogExtent extent;
        ASSERT_FALSE(Scan_Zeb_Log(path, extent)) << c.name;
        EXPECT_EQ(extent.fileSize, c.bytes.size()) << c.name;
        EXPECT_EQ(extent.epochs, c.epochs) << c.name;
        EXPECT_EQ(extent.completeEnd, c.completeEnd) << c.name;
        EXPECT_EQ(extent.refusal, c.refusal) << c.name;
    }
    const std::string path = directory->file("short.zeb");
    std::ofstream(path, std::ios::binary) << std::string(100, '\0');
    ZebLogExtent extent;
    EXPECT_EQ(Scan_Zeb_Log(path, extent).value_or(""),
              "not a binary observation log: 100 bytes, shorter than its 202-byte header");
}

TEST(GpsTimes, DateWeeksAndCreationTimes) {
    // 2004-06-10 00:00 is week 1274, 345600 s.
    const double thursday = 1274 * kSecondsPerWeek + 345600.0;
    EXPECT_EQ(Gps_Time_Text(thursday), "2004-06-10 00:00:00");
    EXPECT_EQ(Gps_Time_Text(thursday + 3599.9), "2004-06-10 00:59:59");
    EXPECT_EQ(Gps_Time_Text(0.0), "1980-01-06 00:00:00");
    ZebHeaderFacts header;
    header.createdYear = 2004, header.createdMonth = 6, header.createdDay = 10;
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
}  // namespace zer2ivi::cli
