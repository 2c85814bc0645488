#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "rinex_obs/rinex_obs.h"
#include "rinex_obs/zeb_test_file.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

using testing::Copy_Text;
using testing::Printf_Text;
using testing::TempDir;

constexpr uint32_t kAllTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;

ObsSettings Station_Settings() {
    ObsSettings settings{};
    settings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    Copy_Text(settings.runBy, "Field Team");
    Copy_Text(settings.markerName, "BAHR");
    Copy_Text(settings.observer, "Observer One");
    Copy_Text(settings.agency, "Agency of Tests");
    settings.antennaHeight = 3.122;
    settings.obsTypeMask = kAllTypes;
    return settings;
}

SatelliteObsCount Counts(int32_t c1, int32_t l1, int32_t l2, int32_t p2, int32_t d1) {
    return SatelliteObsCount{1, c1, l1, l2, p2, d1};
}

// One hour at 30 s of satellites G 4, G17 (zero values only) and R40.
ObsSummary Station_Summary() {
    ObsSummary summary{};
    summary.receiverType = 16;
    summary.satelliteSystem = 3;
    summary.approxX = 3633909.1016;
    summary.approxY = 4425275.5033;
    summary.approxZ = 2799861.2736;
    summary.obsTypesFound = kAllTypes;
    summary.interval = 30.0;
    summary.firstYear = 2004;
    summary.firstMonth = 6;
    summary.firstDay = 10;
    summary.lastYear = 2004;
    summary.lastMonth = 6;
    summary.lastDay = 10;
    summary.lastMinute = 59;
    summary.lastSecond = 30.0;
    summary.satelliteCount = 3;
    summary.satellites[4] = Counts(120, 118, 117, 116, 115);
    summary.satellites[17] = Counts(0, 0, 0, 0, 0);
    summary.satellites[40] = Counts(99, 98, 97, 96, 95);
    return summary;
}

class ObsHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(&testing::Fixed_Utc);
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }

    std::vector<std::string> Header(const ObsSettings& settings, const ObsSummary& summary,
                                    uint32_t types) {
        const std::string path = dir_.file("header.obs");
        std::FILE* stream = std::fopen(path.c_str(), "w");
        EXPECT_NE(stream, nullptr);
        if (stream == nullptr) return {};
        EXPECT_EQ(Write_Obs_Header(stream, settings, summary, types), 0);
        EXPECT_EQ(std::fclose(stream), 0);
        return testing::Read_Lines(path);
    }

    // The one line with the given label, or "" when there is none.
    static std::string Line_With(const std::vector<std::string>& lines, const std::string& label) {
        for (const std::string& line : lines) {
            if (line.size() > 60 && line.substr(60) == label) return line;
        }
        return "";
    }

    TempDir dir_;
};

TEST_F(ObsHeaderTest, WritesEveryLineInOrderWithAllFiveTypes) {
    const std::vector<std::string> expected = {
        "     2              OBSERVATION DATA    M                   RINEX VERSION / TYPE",
        "BLANK OR G = GPS, R = GLONASS, T = TRANSIT, M = MIXED       COMMENT",
        "DID2ARE Beta        Field Team           6-DEC-26 16:33     PGM / RUN BY / DATE",
        "BAHR                                                        MARKER NAME",
        "Observer One        Agency of Tests                         OBSERVER / AGENCY",
        "                    ZUZEVO Data Resample                    REC # / TYPE / VERS",
        "                                                            ANT # / TYPE",
        "    3633909.10    4425275.50    2799861.27                  APPROX POSITION XYZ",
        "         3.122         0.000         0.000                  ANTENNA: DELTA H/E/N",
        "     1     1                                                WAVELENGTH FACT L1/2",
        "     5    C1    L1    L2    P2    D1                        # / TYPES OF OBSERV",
        "    30                                                      INTERVAL",
        "  2004     6    10     0     0    0.000000                  TIME OF FIRST OBS",
        "  2004     6    10     0    59   30.000000                  TIME OF LAST OBS",
        "     3                                                      # OF SATELLITES",
        "   G 4   120   118   117   116   115                        PRN / # OF OBS",
        "   G17     0     0     0     0     0                        PRN / # OF OBS",
        "   R40    99    98    97    96    95                        PRN / # OF OBS",
        "                                                            END OF HEADER",
    };
    EXPECT_EQ(Header(Station_Settings(), Station_Summary(), kAllTypes), expected);
}

TEST_F(ObsHeaderTest, ListsOnlyTheSelectedTypesInRinexOrder) {
    struct Case {
        uint32_t types;
        const char* typesLine;
        const char* prnLine;
    };
    const Case cases[] = {
        {OBS_C1 | OBS_L1,
         "     2    C1    L1                                          # / TYPES OF OBSERV",
         "   G 4   120   118                                          PRN / # OF OBS"},
        {OBS_D1 | OBS_P2,
         "     2    P2    D1                                          # / TYPES OF OBSERV",
         "   G 4   116   115                                          PRN / # OF OBS"},
        {0,
         "     0                                                      # / TYPES OF OBSERV",
         "   G 4                                                      PRN / # OF OBS"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = Header(Station_Settings(), Station_Summary(), c.types);
        EXPECT_EQ(Line_With(lines, "# / TYPES OF OBSERV"), c.typesLine);
        EXPECT_EQ(Line_With(lines, "PRN / # OF OBS"), c.prnLine);
    }
}

TEST_F(ObsHeaderTest, IntervalIsRoundedAndLeftOutBelowOneSecond) {
    struct Case {
        double interval;
        const char* line;
    };
    const Case cases[] = {
        {0.0, ""},
        {0.9, ""},
        {1.0, "     1                                                      INTERVAL"},
        {1.49, "     1                                                      INTERVAL"},
        {1.5, "     2                                                      INTERVAL"},
        {29.6, "    30                                                      INTERVAL"},
        {1e300, "2147483647                                                  INTERVAL"},
        {std::numeric_limits<double>::quiet_NaN(), ""},
    };
    for (const Case& c : cases) {
        ObsSummary summary = Station_Summary();
        summary.interval = c.interval;
        const std::vector<std::string> lines = Header(Station_Settings(), summary, kAllTypes);
        EXPECT_EQ(Line_With(lines, "INTERVAL"), c.line) << c.interval;
        EXPECT_EQ(lines.size(), std::string(c.line).empty() ? 18u : 19u) << c.interval;
    }
}

TEST_F(ObsHeaderTest, SystemLetterFollowsTheSatellitesSeen) {
    struct Case {
        int32_t satelliteSystem;
        const char* line;
    };
    const Case cases[] = {
        {0, "     2              OBSERVATION DATA    M                   RINEX VERSION / TYPE"},
        {1, "     2              OBSERVATION DATA    G                   RINEX VERSION / TYPE"},
        {2, "     2              OBSERVATION DATA    R                   RINEX VERSION / TYPE"},
        {3, "     2              OBSERVATION DATA    M                   RINEX VERSION / TYPE"},
    };
    for (const Case& c : cases) {
        ObsSummary summary = Station_Summary();
        summary.satelliteSystem = c.satelliteSystem;
        EXPECT_EQ(Header(Station_Settings(), summary, kAllTypes)[0], c.line);
    }
}

TEST_F(ObsHeaderTest, ReceiverNamesByTypeCode) {
    struct Case {
        int32_t code;
        const char* name;
    };
    const Case cases[] = {
        {1, "Leica 9200\\9400"}, {2, "Ashtech"},           {3, "Trimble 4000"},
        {4, "NovAtel"},          {5, "Motorola"},          {6, "Originally RINEX"},
        {8, "NavSymm"},          {9, "Rockwell PLGR"},     {10, "Canadian Marconi"},
        {13, "Leica SR 9500"},   {14, "Rockwell Jupiter"}, {15, "Trimble SV6"},
        {16, "ZUZEVO Data Resample"}, {17, "Ashtech GPS/GLN"}, {18, "UKOA Data"},
        {0, "Some Generic Rcv"}, {7, "Some Generic Rcv"},  {11, "Some Generic Rcv"},
        {12, "Some Generic Rcv"}, {19, "Some Generic Rcv"}, {255, "Some Generic Rcv"},
        {-1, "Some Generic Rcv"},
    };
    for (const Case& c : cases) {
        char name[21];
        Receiver_Type_Name(name, c.code);
        EXPECT_STREQ(name, c.name) << c.code;
    }
    ObsSummary summary = Station_Summary();
    summary.receiverType = 7;
    EXPECT_EQ(Line_With(Header(Station_Settings(), summary, kAllTypes), "REC # / TYPE / VERS"),
              "                    Some Generic Rcv                        REC # / TYPE / VERS");
}

TEST_F(ObsHeaderTest, HostTextsAreCutToTheirFields) {
    ObsSettings settings = Station_Settings();
    Copy_Text(settings.markerName,
              "MARKER-NAME-OF-SEVENTY-CHARACTERS-012345678901234567890123456789012345");
    // Texts that fill their whole field without a NUL.
    std::memset(settings.runBy, 'R', sizeof settings.runBy);
    std::memset(settings.observer, 'O', sizeof settings.observer);
    std::memset(settings.agency, 'A', sizeof settings.agency);
    const std::vector<std::string> lines = Header(settings, Station_Summary(), kAllTypes);
    EXPECT_EQ(Line_With(lines, "MARKER NAME"),
              "MARKER-NAME-OF-SEVENTY-CHARACTERS-01234567890123456789012345MARKER NAME");
    EXPECT_EQ(Line_With(lines, "PGM / RUN BY / DATE"),
              "DID2ARE Beta        RRRRRRRRRRRRRRRRRRRR 6-DEC-26 16:33     PGM / RUN BY / DATE");
    EXPECT_EQ(Line_With(lines, "OBSERVER / AGENCY"),
              "OOOOOOOOOOOOOOOOOOOOAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAOBSERVER / AGENCY");
}

TEST_F(ObsHeaderTest, AbsurdNumbersAreCutToTheSixtyContentColumns) {
    const double values[] = {1e300, -1e300, std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()};
    for (double value : values) {
        ObsSettings settings = Station_Settings();
        settings.antennaHeight = value;
        ObsSummary summary = Station_Summary();
        summary.approxX = value;
        summary.firstSecond = value;
        const std::vector<std::string> lines = Header(settings, summary, kAllTypes);
        const std::string delta =
            (Printf_Text("%14.3f", value) + "         0.000         0.000").substr(0, 60);
        EXPECT_EQ(Line_With(lines, "ANTENNA: DELTA H/E/N"),
                  delta + std::string(60 - delta.size(), ' ') + "ANTENNA: DELTA H/E/N");
        const std::string position =
            (Printf_Text("%14.2f", value) + "    4425275.50    2799861.27").substr(0, 60);
        EXPECT_EQ(Line_With(lines, "APPROX POSITION XYZ"),
                  position + std::string(60 - position.size(), ' ') + "APPROX POSITION XYZ");
        const std::string first =
            ("  2004     6    10     0     0" + Printf_Text("%12.6f", value)).substr(0, 60);
        EXPECT_EQ(Line_With(lines, "TIME OF FIRST OBS"),
                  first + std::string(60 - first.size(), ' ') + "TIME OF FIRST OBS");
    }
}

TEST_F(ObsHeaderTest, TimeOfObsSecondsAreTheTextPrintfGives) {
    // Halfway cases and values that round up to a new digit.
    const double seconds[] = {0.0,        0.0000005,  0.0000015,   12.1234565, 29.9999995,
                              59.9999999, 30.0000005, 0.123456789, 45.5,       1e-7};
    for (double second : seconds) {
        ObsSummary summary = Station_Summary();
        summary.lastSecond = second;
        EXPECT_EQ(Line_With(Header(Station_Settings(), summary, kAllTypes), "TIME OF LAST OBS"),
                  "  2004     6    10     0    59" + Printf_Text("%12.6f", second) +
                      "                  TIME OF LAST OBS")
            << second;
    }
}

TEST_F(ObsHeaderTest, FailedWriteEndsTheHeaderWithOne) {
    std::FILE* stream = std::fopen("/dev/full", "w");
    ASSERT_NE(stream, nullptr);
    std::setvbuf(stream, nullptr, _IONBF, 0);
    EXPECT_EQ(Write_Obs_Header(stream, Station_Settings(), Station_Summary(), kAllTypes), 1);
    std::fclose(stream);
}

TEST(AntennaTypeName, AlwaysEmpty) {
    for (int32_t code : {0, 1, 7, -5, 1000}) {
        char name[21] = "junk";
        Antenna_Type_Name(name, code);
        EXPECT_STREQ(name, "");
    }
}

}  // namespace
}  // namespace zer2ivi
