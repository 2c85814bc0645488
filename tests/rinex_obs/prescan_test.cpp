#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "rinex_obs/rinex_obs.h"
#include "rinex_obs/zeb_test_file.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

using testing::Measurement;
using testing::TempDir;
using testing::TestEpoch;

constexpr int32_t kBaseWeek = 1100;
constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kSemiMinorAxis = 6356752.314;
constexpr double kMillimetre = 1e-3;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Date {
    int32_t year, month, day, hour, minute;
    double second;
};

// Positions whose earth-centred coordinates are plain: on the equator at
// longitude 0 (X = a + h) and 90 (Y = a + h), and at the north pole
// (Z = b + h).
TestEpoch At(double timeOfWeek, double latitude, double longitude, float height,
             uint8_t flags = 0) {
    TestEpoch epoch;
    epoch.timeOfWeek = timeOfWeek;
    epoch.latitude = latitude;
    epoch.longitude = longitude;
    epoch.height = height;
    epoch.positionFlags = flags;
    return epoch;
}

TestEpoch At_Time(double timeOfWeek) { return At(timeOfWeek, 0.0, 0.0, 0.0f); }

class PrescanTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        library.baseWeek = kBaseWeek;
    }

    // Writes the epochs, scans them and checks that the file is left at its
    // first epoch.
    int32_t Scan(const std::vector<TestEpoch>& epochs, ObsSummary& summary) {
        const std::string path = dir_.file("scan.zeb");
        testing::Write_Zeb(path, epochs, 9);
        return Scan_File(path, epochs.empty() ? nullptr : &epochs.front(), summary);
    }

    int32_t Scan_File(const std::string& path, const TestEpoch* first, ObsSummary& summary) {
        summary = ObsSummary{};
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        EXPECT_NE(file, nullptr) << library.LastErrorText;
        if (file == nullptr) return -2;
        const int32_t result = Prescan_Observations(file, summary);
        PositionRecord position{};
        MeasurementRecord records[EPOCH_CAPACITY]{};
        const int status = Zeb_Read_Epoch(file, position, records);
        if (first == nullptr) {
            EXPECT_EQ(status, -1);
        } else {
            EXPECT_EQ(status, 0);
            const double timeOfWeek = position.timeOfWeek;  // packed: copied out
            if (std::isnan(first->timeOfWeek)) {
                EXPECT_TRUE(std::isnan(timeOfWeek));
            } else {
                EXPECT_EQ(timeOfWeek, first->timeOfWeek);
            }
        }
        Zeb_Close(file);
        return result;
    }

    static void Expect_First(const ObsSummary& s, const Date& d) {
        EXPECT_EQ(s.firstYear, d.year);
        EXPECT_EQ(s.firstMonth, d.month);
        EXPECT_EQ(s.firstDay, d.day);
        EXPECT_EQ(s.firstHour, d.hour);
        EXPECT_EQ(s.firstMinute, d.minute);
        EXPECT_DOUBLE_EQ(s.firstSecond, d.second);
    }
    static void Expect_Last(const ObsSummary& s, const Date& d) {
        EXPECT_EQ(s.lastYear, d.year);
        EXPECT_EQ(s.lastMonth, d.month);
        EXPECT_EQ(s.lastDay, d.day);
        EXPECT_EQ(s.lastHour, d.hour);
        EXPECT_EQ(s.lastMinute, d.minute);
        EXPECT_DOUBLE_EQ(s.lastSecond, d.second);
    }

    TempDir dir_;
};

TEST_F(PrescanTest, FileWithoutEpochsGivesAnEmptySummaryAtTheOrigin) {
    ObsSummary summary;
    ASSERT_EQ(Scan({}, summary), 0);
    EXPECT_EQ(summary.interval, 0.0);
    EXPECT_EQ(summary.satelliteCount, 0);
    EXPECT_EQ(summary.satelliteSystem, 0);
    EXPECT_EQ(summary.obsTypesFound, 0u);
    EXPECT_EQ(summary.approxX, 0.0);
    EXPECT_EQ(summary.approxY, 0.0);
    EXPECT_EQ(summary.approxZ, 0.0);
    EXPECT_EQ(summary.receiverType, 9);
    // First epoch from the cleared week 0 (a 10-bit week: 1999-08-22), last
    // from the base week.
    EXPECT_EQ(summary.firstWeek, 0);
    Expect_First(summary, {1999, 8, 22, 0, 0, 0.0});
    EXPECT_EQ(summary.lastWeek, kBaseWeek);
    Expect_Last(summary, {2001, 2, 4, 0, 0, 0.0});
}

TEST_F(PrescanTest, IntervalFromSecondAndThirdEpochAndWeekRollovers) {
    struct Case {
        std::vector<double> times;
        double interval;
        int32_t lastWeek;
        Date first;
        Date last;
    };
    const Case cases[] = {
        {{345600.0}, 0.0, 1100, {2001, 2, 8, 0, 0, 0.0}, {2001, 2, 8, 0, 0, 0.0}},
        {{100.0, 130.0}, 0.0, 1100, {2001, 2, 4, 0, 1, 40.0}, {2001, 2, 4, 0, 2, 10.0}},
        {{604790.0, 604795.0, 5.0}, 10.0, 1101, {2001, 2, 10, 23, 59, 50.0}, {2001, 2, 11, 0, 0, 5.0}},
        {{604790.0, 604799.0, 5.0, 10.0}, 6.0, 1101, {2001, 2, 10, 23, 59, 50.0}, {2001, 2, 11, 0, 0, 10.0}},
        {{100.0, 100.0, 130.0}, 30.0, 1100, {2001, 2, 4, 0, 1, 40.0}, {2001, 2, 4, 0, 2, 10.0}},
        {{-5.0, 10.0, 40.0}, 30.0, 1101, {2001, 2, 3, 23, 59, 55.0}, {2001, 2, 11, 0, 0, 40.0}},
        {{0.0, 30.0, 60.0, 61.5}, 30.0, 1100, {2001, 2, 4, 0, 0, 0.0}, {2001, 2, 4, 0, 1, 1.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "epochs " << c.times.size() << " first " << c.times[0]);
        std::vector<TestEpoch> epochs;
        for (double time : c.times) epochs.push_back(At_Time(time));
        ObsSummary summary;
        ASSERT_EQ(Scan(epochs, summary), 0);
        EXPECT_EQ(summary.interval, c.interval);
        EXPECT_EQ(summary.firstWeek, kBaseWeek);
        EXPECT_EQ(summary.lastWeek, c.lastWeek);
        EXPECT_EQ(summary.firstTimeOfWeek, c.times.front());
        EXPECT_EQ(summary.lastTimeOfWeek, c.times.back());
        Expect_First(summary, c.first);
        Expect_Last(summary, c.last);
    }
}

TEST_F(PrescanTest, TimeNotANumberCountsAsRollover) {
    ObsSummary summary;
    ASSERT_EQ(Scan({At_Time(kNaN), At_Time(30.0), At_Time(60.0)}, summary), 0);
    // NaN against 0, then 30 against NaN: two backward steps.
    EXPECT_EQ(summary.lastWeek, kBaseWeek + 2);
    EXPECT_EQ(summary.interval, 30.0);
}

TEST_F(PrescanTest, ApproximatePositionRules) {
    const double a = kSemiMajorAxis;
    const double b = kSemiMinorAxis;
    struct Case {
        const char* name;
        std::vector<TestEpoch> epochs;
        double x, y, z;
    };
    const Case cases[] = {
        {"flag in epochs 4 and 7 only: mean of epochs 1 to 3",
         {At(0, 0, 0, 0), At(30, 0, 90, 0), At(60, 90, 0, 0), At(90, 10, 10, 5000, 2),
          At(120, 20, 20, 5000), At(150, 30, 30, 5000), At(180, 40, 40, 5000, 2)},
         a / 3, a / 3, b / 3},
        {"flag in the first epoch: its own position",
         {At(0, 0, 0, 100, 2), At(30, 0, 90, 0), At(60, 90, 0, 0)}, a + 100, 0, 0},
        {"flag in the second epoch: the first epoch's position",
         {At(0, 0, 90, 10), At(30, 0, 0, 0, 2), At(60, 90, 0, 0, 2)}, 0, a + 10, 0},
        {"no flag: mean of every epoch",
         {At(0, 0, 0, 30), At(30, 0, 90, 30), At(60, 90, 0, 30)}, (a + 30) / 3, (a + 30) / 3,
         (b + 30) / 3},
        {"one epoch without flag: its own position", {At(0, 90, 0, -20)}, 0, 0, b - 20},
        {"other flag bits do not count", {At(0, 0, 0, 0, 0xfd), At(30, 0, 90, 0, 2)}, a, 0, 0},
    };
    for (const Case& c : cases) {
        ObsSummary summary;
        ASSERT_EQ(Scan(c.epochs, summary), 0) << c.name;
        EXPECT_NEAR(summary.approxX, c.x, kMillimetre) << c.name;
        EXPECT_NEAR(summary.approxY, c.y, kMillimetre) << c.name;
        EXPECT_NEAR(summary.approxZ, c.z, kMillimetre) << c.name;
    }
}

TEST_F(PrescanTest, CountsEveryNonZeroValueOfEveryRecord) {
    TestEpoch first = At_Time(0.0);
    first.measurements = {
        Measurement(5, 1, 21000000.0, 2.0, 0.0, 0.0, -0.0),
        // The same satellite twice in one epoch counts twice.
        Measurement(5, 1, 21000000.0, 0.0, -3.0),
        // Zero values only: seen, but adds no count and no type.
        Measurement(9, 1, 0.0, -0.0, 0.0, -0.0, 0.0),
    };
    TestEpoch second = At_Time(30.0);
    second.measurements = {Measurement(5, 2, 21000000.0, 0.0, 0.0, 21000001.0, 5.0)};
    ObsSummary summary;
    ASSERT_EQ(Scan({first, second}, summary), 0);

    const SatelliteObsCount& five = summary.satellites[5];
    EXPECT_EQ(five.seen, 1);
    EXPECT_EQ(five.c1Count, 3);
    EXPECT_EQ(five.l1Count, 1);
    EXPECT_EQ(five.l2Count, 1);
    EXPECT_EQ(five.p2Count, 1);
    EXPECT_EQ(five.d1Count, 1);
    const SatelliteObsCount& nine = summary.satellites[9];
    EXPECT_EQ(nine.seen, 1);
    EXPECT_EQ(nine.c1Count + nine.l1Count + nine.l2Count + nine.p2Count + nine.d1Count, 0);
    EXPECT_EQ(summary.satellites[6].seen, 0);
    EXPECT_EQ(summary.satelliteCount, 2);
    EXPECT_EQ(summary.satelliteSystem, 1);
    EXPECT_EQ(summary.obsTypesFound, uint32_t{OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1});
}

TEST_F(PrescanTest, TypesFoundAreOnlyThoseWithNonZeroValues) {
    struct Case {
        MeasurementRecord record;
        uint32_t found;
    };
    const Case cases[] = {
        {Measurement(1, 1, 1.0), OBS_C1},
        {Measurement(1, 1, 0.0, 1.0), OBS_L1},
        {Measurement(1, 1, 0.0, 0.0, 1.0), OBS_L2},
        {Measurement(1, 1, 0.0, 0.0, 0.0, 1.0), OBS_P2},
        {Measurement(1, 1, 0.0, 0.0, 0.0, 0.0, 1.0), OBS_D1},
        {Measurement(1, 1, -0.0, -0.0, -0.0, -0.0, -0.0), 0},
        {Measurement(1, 1, kNaN, 0.0, 0.0, 0.0, 0.0), OBS_C1},
    };
    for (const Case& c : cases) {
        TestEpoch epoch = At_Time(0.0);
        epoch.measurements = {c.record};
        ObsSummary summary;
        ASSERT_EQ(Scan({epoch}, summary), 0);
        EXPECT_EQ(summary.obsTypesFound, c.found);
    }
}

TEST_F(PrescanTest, SatelliteSystemFromTheNumbersSeen) {
    struct Case {
        std::vector<uint8_t> satellites;
        int32_t system;
    };
    const Case cases[] = {
        {{}, 0},          {{0}, 1},      {{1, 32}, 1}, {{33, 34, 35}, 2},
        {{64}, 2},        {{5, 40}, 3},  {{32, 33}, 3},
    };
    for (const Case& c : cases) {
        TestEpoch epoch = At_Time(0.0);
        for (uint8_t prn : c.satellites) epoch.measurements.push_back(Measurement(prn, 1, 1.0));
        ObsSummary summary;
        ASSERT_EQ(Scan({epoch}, summary), 0);
        EXPECT_EQ(summary.satelliteSystem, c.system) << c.satellites.size();
        EXPECT_EQ(summary.satelliteCount, static_cast<int32_t>(c.satellites.size()));
    }
}

TEST_F(PrescanTest, SatelliteNumberAboveSixtyFourIsRefusedAndTheFileRewound) {
    for (uint8_t prn : {uint8_t{65}, uint8_t{200}, uint8_t{255}}) {
        TestEpoch first = At_Time(10.0);
        first.measurements = {Measurement(3, 1, 1.0)};
        TestEpoch second = At_Time(40.0);
        second.measurements = {Measurement(4, 1, 1.0), Measurement(prn, 1, 1.0)};
        ObsSummary summary;
        EXPECT_EQ(Scan({first, second}, summary), 1) << int{prn};
    }
}

TEST_F(PrescanTest, BadRecordEndsTheScanWithOneAndTheFileRewound) {
    const std::string path = dir_.file("cut.zeb");
    TestEpoch first = At_Time(10.0);
    first.measurements = {Measurement(3, 1, 1.0)};
    TestEpoch second = At_Time(40.0);
    second.measurements = {Measurement(3, 1, 1.0), Measurement(4, 1, 1.0)};
    testing::Write_Zeb(path, {first, second});
    // The second epoch's measurement records stop 10 bytes short.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);
    ObsSummary summary;
    EXPECT_EQ(Scan_File(path, &first, summary), 1);
    EXPECT_EQ(std::string(library.LastErrorText).rfind("Error: Pre-mature end of file in ", 0), 0u)
        << library.LastErrorText;
}

TEST(GeodeticToEcef, AxisPointsOfTheEllipsoid) {
    struct Case {
        double latitude, longitude, height;
        double x, y, z;
    };
    const double a = kSemiMajorAxis;
    const double b = kSemiMinorAxis;
    const Case cases[] = {
        {0, 0, 0, a, 0, 0},          {0, 90, 0, 0, a, 0},      {0, 180, 12.5, -(a + 12.5), 0, 0},
        {0, -90, 0, 0, -a, 0},       {90, 0, 0, 0, 0, b},      {-90, 0, 100, 0, 0, -(b + 100)},
        {90, 45, -50, 0, 0, b - 50},
    };
    for (const Case& c : cases) {
        double x = 1.0, y = 1.0, z = 1.0;
        Geodetic_To_Ecef(c.latitude, c.longitude, c.height, x, y, z);
        EXPECT_NEAR(x, c.x, kMillimetre) << c.latitude << " " << c.longitude;
        EXPECT_NEAR(y, c.y, kMillimetre) << c.latitude << " " << c.longitude;
        EXPECT_NEAR(z, c.z, kMillimetre) << c.latitude << " " << c.longitude;
    }
}

TEST(GeodeticToEcef, MidLatitudeAgreesWithTheClosedForm) {
    // 45 degrees north, 45 east, 1000 m: N = a / sqrt(1 - e^2 / 2),
    // X = Y = (N + h) / 2, Z = (N (1 - e^2) + h) / sqrt(2).
    const double a = kSemiMajorAxis;
    const double b = kSemiMinorAxis;
    const double e2 = (a * a - b * b) / (a * a);
    const double n = a / std::sqrt(1.0 - e2 / 2.0);
    double x = 0.0, y = 0.0, z = 0.0;
    Geodetic_To_Ecef(45.0, 45.0, 1000.0, x, y, z);
    EXPECT_NEAR(x, (n + 1000.0) / 2.0, kMillimetre);
    EXPECT_NEAR(y, (n + 1000.0) / 2.0, kMillimetre);
    EXPECT_NEAR(z, (n * (1.0 - e2) + 1000.0) / std::sqrt(2.0), kMillimetre);
}

}  // namespace
}  // namespace zer2ivi
