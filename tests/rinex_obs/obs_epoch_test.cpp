#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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
using testing::Printf_Text;
using testing::TempDir;
using testing::TestEpoch;

// GPS week 1166, 388830 s: 2002-05-16 12:00:30.
constexpr int32_t kWeek = 1166;
constexpr double kTimeOfWeek = 388830.0;
constexpr uint32_t kAllTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
const double kInfinity = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class ObsEpochTest : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }

    // Writes one epoch block with the previous epoch given and returns its
    // lines.
    std::vector<std::string> Block(const TestEpoch& current, const TestEpoch& previous,
                                   uint32_t types, int32_t week = kWeek) {
        MeasurementRecord currentRecords[EPOCH_CAPACITY]{};
        MeasurementRecord previousRecords[EPOCH_CAPACITY]{};
        for (size_t i = 0; i < current.measurements.size(); ++i) {
            currentRecords[i] = current.measurements[i];
        }
        for (size_t i = 0; i < previous.measurements.size(); ++i) {
            previousRecords[i] = previous.measurements[i];
        }
        const std::string path = dir_.file("epoch.obs");
        std::FILE* stream = std::fopen(path.c_str(), "w");
        EXPECT_NE(stream, nullptr);
        if (stream == nullptr) return {};
        const int32_t result =
            Write_Obs_Epoch(stream, testing::Position_Of(current), currentRecords,
                            testing::Position_Of(previous), previousRecords, types, week);
        EXPECT_EQ(std::fclose(stream), 0);
        EXPECT_EQ(result, 0);
        return testing::Read_Lines(path);
    }

    std::vector<std::string> Block(const TestEpoch& current, uint32_t types) {
        return Block(current, TestEpoch{}, types);
    }

    TempDir dir_;
};

TEST_F(ObsEpochTest, EpochLineHoldsTimeCountLabelsAndClockInSeconds) {
    TestEpoch epoch;
    epoch.timeOfWeek = kTimeOfWeek;
    epoch.clockOffset = 299.792458;
    epoch.measurements = {Measurement(5, 1, 21000000.0), Measurement(40, 1, 22000000.0)};
    const std::vector<std::string> lines = Block(epoch, OBS_C1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "  2  5 16 12  0 30.0000000  0  2G 5R40                               0.000001000");
    EXPECT_EQ(lines[1],
              "  21000000.00010                                                                ");
    EXPECT_EQ(lines[2],
              "  22000000.00010                                                                ");
}

TEST_F(ObsEpochTest, SatelliteListBreaksAfterTwelveLabels) {
    struct Case {
        int satellites;
        double clockOffset;
        std::vector<std::string> listLines;
    };
    const Case cases[] = {
        {0, 0.0, {"  2  5 16 12  0 30.0000000  0  0                                     0.000000000"}},
        {12, 0.0, {"  2  5 16 12  0 30.0000000  0 12G 1G 2G 3G 4G 5G 6G 7G 8G 9G10G11G12 0.000000000"}},
        {13, -299792.458,
         {"  2  5 16 12  0 30.0000000  0 13G 1G 2G 3G 4G 5G 6G 7G 8G 9G10G11G12-0.001000000",
          "                                G13"}},
        {24, 0.0,
         {"  2  5 16 12  0 30.0000000  0 24G 1G 2G 3G 4G 5G 6G 7G 8G 9G10G11G12 0.000000000",
          "                                G13G14G15G16G17G18G19G20G21G22G23G24"}},
    };
    for (const Case& c : cases) {
        TestEpoch epoch;
        epoch.timeOfWeek = kTimeOfWeek;
        epoch.clockOffset = c.clockOffset;
        epoch.measurements = testing::C1_Satellites(c.satellites);
        const std::vector<std::string> lines = Block(epoch, OBS_C1);
        ASSERT_EQ(lines.size(), c.listLines.size() + static_cast<size_t>(c.satellites))
            << c.satellites;
        for (size_t i = 0; i < c.listLines.size(); ++i) {
            EXPECT_EQ(lines[i], c.listLines[i]) << c.satellites;
        }
        for (size_t i = c.listLines.size(); i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].size(), 80u);
        }
    }
}

TEST_F(ObsEpochTest, ObservationLineHasTypesInRinexOrderWithPhasesNegated) {
    struct Case {
        uint32_t types;
        const char* line;
    };
    const Case cases[] = {
        {kAllTypes,
         "  21234567.89110     -1000.25010         0.00010  21234569.50010     -1234.50010"},
        {OBS_C1,
         "  21234567.89110                                                                "},
        {OBS_D1 | OBS_L1,
         "     -1000.25010     -1234.50010                                                "},
        {OBS_P2 | OBS_L2,
         "         0.00010  21234569.50010                                                "},
        {0, "                                                                                "},
    };
    TestEpoch epoch;
    epoch.timeOfWeek = kTimeOfWeek;
    // l2 stored as 0.0 is written 0.000 after negation, without a minus.
    epoch.measurements = {Measurement(7, 3, 21234567.891, 1000.25, 0.0, 21234569.5, -1234.5)};
    for (const Case& c : cases) {
        const std::vector<std::string> lines = Block(epoch, c.types);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], c.line) << c.types;
    }
}

TEST_F(ObsEpochTest, ZeroOfEitherSignIsWrittenWithoutMinus) {
    TestEpoch epoch;
    epoch.timeOfWeek = kTimeOfWeek;
    epoch.clockOffset = -0.0;
    epoch.measurements = {Measurement(7, 3, -0.0, 0.0, -0.0, -0.0, -0.0)};
    const std::vector<std::string> lines = Block(epoch, kAllTypes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "  2  5 16 12  0 30.0000000  0  1G 7                                  0.000000000");
    EXPECT_EQ(lines[1],
              "         0.00010         0.00010         0.00010         0.00010         0.00010");
}

TEST_F(ObsEpochTest, LockCounterDropOrNewSatelliteSetsLossOfLock) {
    struct Case {
        const char* name;
        std::vector<MeasurementRecord> previous;
        uint8_t lockCount;
        char indicator;
    };
    const Case cases[] = {
        {"counter grows 7 to 8", {Measurement(5, 7, 1.0)}, 8, '0'},
        {"counter stays 7", {Measurement(5, 7, 1.0)}, 7, '0'},
        {"counter wraps 200 to 3", {Measurement(5, 200, 1.0)}, 3, '1'},
        {"satellite new", {Measurement(6, 7, 1.0)}, 9, '1'},
        {"previous epoch empty", {}, 9, '1'},
        {"first previous record decides (7 then 2)", {Measurement(5, 7, 1.0), Measurement(5, 2, 1.0)}, 5, '1'},
        {"first previous record decides (2 then 7)", {Measurement(5, 2, 1.0), Measurement(5, 7, 1.0)}, 5, '0'},
    };
    for (const Case& c : cases) {
        TestEpoch previous;
        previous.timeOfWeek = kTimeOfWeek - 30.0;
        previous.measurements = c.previous;
        TestEpoch current;
        current.timeOfWeek = kTimeOfWeek;
        current.measurements = {Measurement(5, c.lockCount, 20000000.0, 5.0)};
        const std::vector<std::string> lines = Block(current, previous, OBS_C1 | OBS_L1);
        ASSERT_EQ(lines.size(), 2u) << c.name;
        const std::string digits = std::string(1, c.indicator) + "0";
        EXPECT_EQ(lines[1], "  20000000.000" + digits + "        -5.000" + digits +
                                "                                                ")
            << c.name;
    }
}

TEST_F(ObsEpochTest, ValueWiderThanItsColumnsPushesTheRestOutOfTheEightyColumns) {
    TestEpoch epoch;
    epoch.timeOfWeek = kTimeOfWeek;
    epoch.measurements = {Measurement(7, 3, 1e10, 1000.25, 0.0, 21234569.5, -1234.5)};
    const std::vector<std::string> lines = Block(epoch, kAllTypes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1],
              "10000000000.00010     -1000.25010         0.00010  21234569.50010     -1234.5001");
}

TEST_F(ObsEpochTest, ExtremeObservationValuesStayWithinEightyColumns) {
    const double values[] = {1e300, -1e300, 1e15, kNaN, kInfinity, -kInfinity,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min()};
    for (double value : values) {
        TestEpoch epoch;
        epoch.timeOfWeek = kTimeOfWeek;
        epoch.measurements = {Measurement(7, 3, value, value, value, value, value)};
        const std::vector<std::string> lines = Block(epoch, kAllTypes);
        ASSERT_EQ(lines.size(), 2u) << value;
        // C1 as stored, then L1 and L2 negated, P2 and D1 as stored.
        const std::string c1 = Printf_Text("%14.3f", value) + "10";
        const std::string phase = Printf_Text("%14.3f", -value) + "10";
        std::string expected = (c1 + phase + phase + c1 + c1).substr(0, 80);
        expected.resize(80, ' ');
        EXPECT_EQ(lines[1], expected) << value;
    }
}

TEST_F(ObsEpochTest, ClockTooWideForItsColumnsLengthensTheEpochLineInsideItsBuffer) {
    const double offsets[] = {1e300, -1e300, std::numeric_limits<double>::max(), 1e12};
    for (double offset : offsets) {
        TestEpoch epoch;
        epoch.timeOfWeek = kTimeOfWeek;
        epoch.clockOffset = offset;
        epoch.measurements = {Measurement(5, 1, 1.0)};
        const std::vector<std::string> lines = Block(epoch, OBS_C1);
        ASSERT_EQ(lines.size(), 2u) << offset;
        const std::string& line = lines[0];
        EXPECT_GT(line.size(), 80u) << offset;
        EXPECT_LE(line.size(), static_cast<size_t>(kLineBufferSize)) << offset;
        EXPECT_EQ(line.substr(0, 68),
                  "  2  5 16 12  0 30.0000000  0  1G 5                                 ");
        const std::string clock = Printf_Text("%12.9f", offset / 299792458.0);
        EXPECT_EQ(line.substr(68), clock.substr(0, line.size() - 68)) << offset;
    }
}

TEST_F(ObsEpochTest, ClockNotANumberKeepsTheEpochLineAtEightyColumns) {
    for (double offset : {kNaN, kInfinity, -kInfinity}) {
        TestEpoch epoch;
        epoch.timeOfWeek = kTimeOfWeek;
        epoch.clockOffset = offset;
        const std::vector<std::string> lines = Block(epoch, OBS_C1);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "  2  5 16 12  0 30.0000000  0  0                                    " +
                                Printf_Text("%12.9f", offset / 299792458.0));
    }
}

TEST_F(ObsEpochTest, AbsurdTimeOfWeekIsCutToTheEpochTextAndLeavesTheColumnsInPlace) {
    for (double timeOfWeek : {kNaN, kInfinity, -kInfinity, 1e300, -1e300}) {
        TestEpoch epoch;
        epoch.timeOfWeek = timeOfWeek;
        epoch.measurements = {Measurement(5, 1, 1.0), Measurement(40, 1, 1.0)};
        const std::vector<std::string> lines = Block(epoch, OBS_C1);
        ASSERT_EQ(lines.size(), 3u) << timeOfWeek;
        ASSERT_EQ(lines[0].size(), 80u) << timeOfWeek;
        EXPECT_EQ(lines[0].substr(32),
                  "G 5R40                               0.000000000")
            << timeOfWeek;
    }
}

TEST_F(ObsEpochTest, FailedWriteEndsTheBlockWithOne) {
    std::FILE* stream = std::fopen("/dev/full", "w");
    ASSERT_NE(stream, nullptr);
    std::setvbuf(stream, nullptr, _IONBF, 0);
    PositionRecord current = testing::Position_Of(TestEpoch{kTimeOfWeek, {}});
    PositionRecord previous{};
    MeasurementRecord records[EPOCH_CAPACITY]{};
    EXPECT_EQ(Write_Obs_Epoch(stream, current, records, previous, records, OBS_C1, kWeek), 1);
    std::fclose(stream);
}

TEST(SelectedObsTypes, KeepsTheListingOrderNotTheBitOrder) {
    struct Case {
        uint32_t mask;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {0, {}},
        {kAllTypes, {OBS_C1, OBS_L1, OBS_L2, OBS_P2, OBS_D1}},
        {OBS_D1 | OBS_C1, {OBS_C1, OBS_D1}},
        {OBS_P2 | OBS_L2, {OBS_L2, OBS_P2}},
        {0xFFFFFFE0u, {}},  // bits that name no type
    };
    for (const Case& c : cases) {
        const ObsType* selected[kObsTypeCount] = {};
        const int count = Selected_Obs_Types(c.mask, selected);
        std::vector<uint32_t> bits;
        for (int i = 0; i < count; ++i) bits.push_back(selected[i]->bit);
        EXPECT_EQ(bits, c.expected) << c.mask;
    }
}

TEST(WeekRolledOver, TimeGoingBackOrNotANumber) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double previous;
        double current;
        bool expected;
    };
    const Case cases[] = {
        {0.0, 0.0, false},     {604790.0, 604799.0, false}, {604799.0, 5.0, true},
        {5.0, 10.0, false},    {nan, 10.0, true},           {10.0, nan, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Week_Rolled_Over(c.previous, c.current), c.expected)
            << c.previous << " -> " << c.current;
    }
}

TEST(StoredMeasurementCount, NeverMoreThanTheEpochBuffer) {
    for (const int count : {0, 1, EPOCH_CAPACITY - 1, EPOCH_CAPACITY, EPOCH_CAPACITY + 1, 255}) {
        PositionRecord position{};
        position.measurementCount = static_cast<uint8_t>(count);
        EXPECT_EQ(Stored_Measurement_Count(position), count < EPOCH_CAPACITY ? count : EPOCH_CAPACITY)
            << count;
    }
}

}  // namespace
}  // namespace zer2ivi
