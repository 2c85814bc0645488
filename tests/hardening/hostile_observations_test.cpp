// Binary observation files and settings with values no receiver writes:
// huge, infinite and not-a-number times, clock offsets, measurements and
// antenna heights, more measurements than an epoch buffer holds, and
// satellite numbers without a RINEX label.  Nothing may be written past a
// line buffer, observation lines stay 80 characters, and the outcome is
// reported truthfully.
#include <cmath>
#include <limits>

#include "hardening/hardening_support.h"

namespace zer2ivi::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class HostileObservationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(&Fixed_Utc);
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }

    // Runs the observation conversion of in.zeb; the lines of out.obs.
    std::vector<std::string> Convert(int32_t expectedResult, const ObsSettings* settings = nullptr) {
        Conversion conversion(dir);
        const int descriptors = Open_Descriptor_Count();
        EXPECT_EQ(Convert_Observations(settings ? *settings : *conversion.obs), expectedResult)
            << library.LastErrorText;
        EXPECT_EQ(Open_Descriptor_Count(), descriptors);
        return Read_Lines(dir.file("out.obs"));
    }

    TempDir dir;
};

// Every observation line of a body of one-satellite epochs is exactly 80
// characters; every epoch line fits the line buffer.
void Expect_Sound_Body(const std::vector<std::string>& lines, size_t epochs) {
    const auto body = Body_Lines(lines);
    ASSERT_EQ(body.size(), 2 * epochs);
    for (size_t i = 0; i < body.size(); i += 2) {
        EXPECT_GE(body[i].size(), 68u) << body[i];
        EXPECT_LE(body[i].size(), static_cast<size_t>(kLineBufferSize)) << body[i];
        EXPECT_EQ(body[i + 1].size(), 80u) << body[i + 1];
    }
    for (const std::string& line : Header_Lines(lines)) EXPECT_LE(line.size(), 80u) << line;
}

class AntennaHeightTest : public HostileObservationsTest,
                          public ::testing::WithParamInterface<double> {};

TEST_P(AntennaHeightTest, HeaderLineKeepsItsWidthAndLabel) {
    Write_Zeb(dir.file("in.zeb"), {{345600.0, {Measurement(5, 1, 21000000.5)}}});
    Conversion conversion(dir);
    conversion.obs->antennaHeight = GetParam();
    const auto lines = Convert(0, conversion.obs.get());
    bool found = false;
    for (const std::string& line : Header_Lines(lines)) {
        EXPECT_LE(line.size(), 80u) << line;
        if (line.size() > 60 && line.substr(60) == "ANTENNA: DELTA H/E/N") found = true;
    }
    EXPECT_TRUE(found);
    Expect_Sound_Body(lines, 1);
}

INSTANTIATE_TEST_SUITE_P(HugeAndNotANumber, AntennaHeightTest,
                         ::testing::Values(1e300, -1e300, kNaN, kInf, -kInf));

class TimeOfWeekTest : public HostileObservationsTest,
                       public ::testing::WithParamInterface<double> {};

TEST_P(TimeOfWeekTest, EveryEpochIsWrittenWithinItsLines) {
    // The hostile time first, between two ordinary ones.
    Write_Zeb(dir.file("in.zeb"), {{GetParam(), {Measurement(5, 1, 21000000.5)}},
                                   {345600.0, {Measurement(5, 2, 21000001.5)}},
                                   {GetParam(), {Measurement(5, 3, 21000002.5)}}});
    const auto lines = Convert(0);
    EXPECT_EQ(std::string(library.LastErrorText), "SUCCESS: Wrote 3 epochs to RINEX file " + dir.file("out.obs"));
    Expect_Sound_Body(lines, 3);
}

INSTANTIATE_TEST_SUITE_P(HugeNegativeAndNotANumber, TimeOfWeekTest,
                         ::testing::Values(kNaN, kInf, -kInf, 1e300, -1e300, -1e9));

class ClockOffsetTest : public HostileObservationsTest,
                        public ::testing::WithParamInterface<double> {};

TEST_P(ClockOffsetTest, EpochLineStaysWithinTheLineBuffer) {
    TestEpoch epoch{345600.0, {Measurement(5, 1, 21000000.5)}};
    epoch.clockOffset = GetParam();
    Write_Zeb(dir.file("in.zeb"), {epoch});
    const auto lines = Convert(0);
    Expect_Sound_Body(lines, 1);
    // The satellite list ends at column 68 whatever the clock value.
    EXPECT_EQ(Body_Lines(lines)[0].substr(32, 36), "G 5" + std::string(33, ' '));
}

INSTANTIATE_TEST_SUITE_P(HugeAndNotANumber, ClockOffsetTest,
                         ::testing::Values(1e300, -1e300, kNaN, kInf, -kInf));

struct ObservationValueCase {
    const char* name;
    // Stores the number into one value of a (packed) record.
    void (*set)(MeasurementRecord&, double);
    double number;
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const ObservationValueCase& c, std::ostream* os) { *os << c.name; }

class ObservationValueTest : public HostileObservationsTest,
                             public ::testing::WithParamInterface<ObservationValueCase> {};

TEST_P(ObservationValueTest, ObservationLineIsStillEightyCharacters) {
    const ObservationValueCase& c = GetParam();
    MeasurementRecord record = Measurement(7, 1, 21000000.5, -1.5, -2.5, 21000003.5, 100.25);
    c.set(record, c.number);
    // The ordinary epoch first, so every type is found by the pre-scan.
    Write_Zeb(dir.file("in.zeb"),
              {{345600.0, {Measurement(7, 1, 21000000.5, -1.5, -2.5, 21000003.5, 100.25)}},
               {345601.0, {record}}});
    const auto lines = Convert(0);
    Expect_Sound_Body(lines, 2);
}

std::vector<ObservationValueCase> Observation_Value_Cases() {
    std::vector<ObservationValueCase> cases;
    using Setter = void (*)(MeasurementRecord&, double);
    const std::pair<const char*, Setter> fields[] = {
        {"C1", [](MeasurementRecord& r, double v) { r.c1 = v; }},
        {"L1", [](MeasurementRecord& r, double v) { r.l1 = v; }},
        {"L2", [](MeasurementRecord& r, double v) { r.l2 = v; }},
        {"P2", [](MeasurementRecord& r, double v) { r.p2 = v; }},
        {"D1", [](MeasurementRecord& r, double v) { r.d1 = v; }}};
    static std::vector<std::string> names;
    names.reserve(32);
    for (const auto& [field, member] : fields) {
        for (const auto& [suffix, number] :
             {std::pair<const char*, double>{"Huge", 1e300}, {"HugeNegative", -1e300},
              {"NotANumber", kNaN}, {"Infinite", kInf}}) {
            names.push_back(std::string(field) + suffix);
            cases.push_back({names.back().c_str(), member, number});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryType, ObservationValueTest,
                         ::testing::ValuesIn(Observation_Value_Cases()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

class MeasurementCountTest : public HostileObservationsTest,
                             public ::testing::WithParamInterface<int> {};

TEST_P(MeasurementCountTest, MoreThanAnEpochBufferHoldsIsRefused) {
    const int count = GetParam();
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < count; ++i) records.push_back(Measurement(static_cast<uint8_t>(1 + i % 32), 1, 2e7));
    Write_Zeb(dir.file("in.zeb"), {{345600.0, records}}, 6, 255);

    const auto lines = Convert(count <= EPOCH_CAPACITY ? 0 : 1);
    if (count <= EPOCH_CAPACITY) {
        EXPECT_EQ(std::string(library.LastErrorText), "SUCCESS: Wrote 1 epochs to RINEX file " + dir.file("out.obs"));
        return;
    }
    EXPECT_EQ(std::string(library.LastErrorText), "ERROR: Problem scanning: " + dir.file("in.zeb"));
    EXPECT_TRUE(lines.empty());

    // The reader itself stores nothing beyond the caller's 24 records.
    ZebFile* file = Zeb_Open(dir.file("in.zeb").c_str(), 256);
    ASSERT_NE(file, nullptr);
    PositionRecord position{};
    MeasurementRecord measurements[EPOCH_CAPACITY]{};
    EXPECT_EQ(Zeb_Read_Epoch(file, position, measurements), 1);
    EXPECT_EQ(std::string(library.LastErrorText),
              "Error: Epoch 345600.0 has more measurements than channels in " + dir.file("in.zeb"));
    for (const MeasurementRecord& record : measurements) EXPECT_EQ(record.recordSize, 0);
    Zeb_Close(file);
}

INSTANTIATE_TEST_SUITE_P(ChannelCount255, MeasurementCountTest,
                         ::testing::Values(24, 25, 26, 100, 254, 255));

struct SatelliteNumberCase {
    int prn;
    const char* label;  // nullptr: the file is refused
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const SatelliteNumberCase& c, std::ostream* os) { *os << "prn " << c.prn; }

class SatelliteNumberTest : public HostileObservationsTest,
                            public ::testing::WithParamInterface<SatelliteNumberCase> {};

TEST_P(SatelliteNumberTest, LabelledOrRefused) {
    const SatelliteNumberCase& c = GetParam();
    Write_Zeb(dir.file("in.zeb"),
              {{345600.0, {Measurement(3, 1, 2e7), Measurement(static_cast<uint8_t>(c.prn), 1, 2e7)}}});
    if (c.label == nullptr) {
        const auto lines = Convert(1);
        EXPECT_EQ(std::string(library.LastErrorText), "ERROR: Problem scanning: " + dir.file("in.zeb"));
        EXPECT_TRUE(lines.empty());
        return;
    }
    const auto lines = Convert(0);
    const auto body = Body_Lines(lines);
    ASSERT_EQ(body.size(), 3u);
    EXPECT_EQ(body[0].size(), 80u);
    EXPECT_EQ(body[0].substr(32, 6), std::string("G 3") + c.label);
    EXPECT_EQ(body[1].size(), 80u);
    EXPECT_EQ(body[2].size(), 80u);
}

INSTANTIATE_TEST_SUITE_P(EdgeNumbers, SatelliteNumberTest,
                         ::testing::Values(SatelliteNumberCase{0, "G 0"}, SatelliteNumberCase{64, "R64"},
                                           SatelliteNumberCase{65, nullptr},
                                           SatelliteNumberCase{255, nullptr}));

}  // namespace
}  // namespace zer2ivi::testing
