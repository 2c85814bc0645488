// RINEX 3.04 navigation files: the lines written out whole, the week rules
// at their edges, and a conversion that leaves nothing behind when it fails.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "nav_test_support.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_text/rinex_text.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

const std::vector<std::string> kHeader3 = {
    "     3.04           N: GNSS NAV DATA    G: GPS              RINEX VERSION / TYPE",
    "DID2ARE Beta        tester              20261206 163300 UTC PGM / RUN BY / DATE",
    "                                                            END OF HEADER",
};

// The values of Example_Record (the version 2 lines in nav_test_support.h);
// the dates of the week cases below are from Python's datetime (1980-01-06
// plus weeks and seconds).
const std::vector<std::string> kRecord3 = {
    "G05 2002 04 05 00 00 00 -.123456789012D-04 -.454747350890D-12  .000000000000D+00",
    "      .900000000000D+02 -.386250000000D+02  .501449458811D-08  .237108733125D+01",
    "     -.217743217945D-05  .526548980270D-02  .109504908323D-04  .515376806831D+04",
    "      .432000000000D+06 -.540167093277D-07 -.152094815689D+01 -.912696123123D-07",
    "      .935617824444D+00  .151375000000D+03  .833656182315D+00 -.815033949435D-08",
    "     -.124290891500D-09  .000000000000D+00  .116000000000D+04  .000000000000D+00",
    "      .000000000000D+00  .000000000000D+00 -.419095158577D-08  .346000000000D+03",
    "      .999900000000D+09",
};

std::vector<std::string> Written(const std::function<void(std::FILE*)>& write) {
    TempDir dir;
    const std::string path = dir.file("lines");
    std::FILE* stream = std::fopen(path.c_str(), "w");
    write(stream);
    std::fclose(stream);
    return Read_Lines(path);
}

class Nav3Test : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(Fixed_Utc);
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }
};

TEST_F(Nav3Test, HeaderAndRecordLines) {
    EXPECT_EQ(Written([](std::FILE* f) { EXPECT_EQ(Write_Nav3_Header(f, "tester"), 0); }),
              kHeader3);
    EphemerisRecord record = Example_Record();
    NavWeekCounter weeks;
    EXPECT_EQ(Written([&](std::FILE* f) { EXPECT_EQ(Write_Nav3_Record(f, record, weeks), 0); }),
              kRecord3);
}

TEST_F(Nav3Test, EpochLineAtTheEdgesOfWeeksAndPrns) {
    struct Case {
        const char* name;
        int32_t prn, week, toe;
        bool weekOverride;
        int32_t baseWeek;
        const char* epoch;     // the first 23 columns, empty: record left out
        const char* weekField;  // the third field of the fifth orbit line
    };
    const Case cases[] = {
        {"week start", 1, 1160, 0, false, 0, "G01 2002 03 31 00 00 00", "  .116000000000D+04"},
        {"last second of a week", 32, 1160, 604799, false, 0, "G32 2002 04 06 23 59 59",
         "  .116000000000D+04"},
        {"10-bit week raised", 12, 136, 432000, false, 0, "G12 2002 04 05 00 00 00",
         "  .116000000000D+04"},
        {"week 499 raised", 7, 499, 0, false, 0, "G07 2009 03 15 00 00 00",
         "  .152300000000D+04"},
        {"week 500 kept", 7, 500, 0, false, 0, "G07 1989 08 06 00 00 00",
         "  .500000000000D+03"},
        {"override dates the base week", 9, 136, 432000, true, 1300, "G09 2004 12 10 00 00 00",
         "  .130000000000D+04"},
        {"PRN 99 kept", 99, 1160, 0, false, 0, "G99 2002 03 31 00 00 00", "  .116000000000D+04"},
        {"PRN 0 left out", 0, 1160, 0, false, 0, "", ""},
        {"PRN 100 left out", 100, 1160, 0, false, 0, "", ""},
    };
    for (const Case& c : cases) {
        EphemerisRecord record = Example_Record();
        record.prn = c.prn;
        record.week = c.week;
        record.toe = c.toe;
        NavWeekCounter weeks;
        weeks.weekOverride = c.weekOverride;
        weeks.baseWeek = c.baseWeek;
        int32_t status = -9;
        const auto lines =
            Written([&](std::FILE* f) { status = Write_Nav3_Record(f, record, weeks); });
        if (*c.epoch == '\0') {
            EXPECT_EQ(status, 2) << c.name;
            EXPECT_TRUE(lines.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(status, 0) << c.name;
        ASSERT_EQ(lines.size(), 8u) << c.name;
        EXPECT_EQ(lines[0].substr(0, 23), c.epoch) << c.name;
        EXPECT_EQ(lines[5].substr(4 + 2 * 19, 19), c.weekField) << c.name;
    }
}

TEST_F(Nav3Test, WeekAdvancesCountAsInVersionTwo) {
    // Under the override each week advance of the records moves the dates
    // one week past the base; the version 2 writer's counters (library
    // state) are not touched.
    NavWeekCounter weeks;
    weeks.weekOverride = true;
    weeks.baseWeek = 1300;
    // The second record (PRN 0) is left out but its week still advances.
    struct Step {
        int32_t prn, week;
        const char* weekField;  // "" for a record left out
    };
    const Step steps[] = {{5, 1160, "  .130000000000D+04"},
                          {0, 1161, ""},
                          {5, 1160, "  .130100000000D+04"},
                          {5, 1161, "  .130200000000D+04"}};
    for (const Step& step : steps) {
        EphemerisRecord record = Example_Record();
        record.prn = step.prn;
        record.week = step.week;
        const auto lines = Written([&](std::FILE* f) { Write_Nav3_Record(f, record, weeks); });
        ASSERT_EQ(lines.size(), *step.weekField ? 8u : 0u) << step.week;
        if (*step.weekField) {
            EXPECT_EQ(lines[5].substr(4 + 2 * 19, 19), step.weekField);
        }
    }
    EXPECT_EQ(library.navWeekAdvanceCount, 0);
    EXPECT_EQ(library.navPreviousWeek, kNavPreviousWeekAtLoad);
}

TEST_F(Nav3Test, ConversionOfBothFormsAndItsFailures) {
    const std::string block = Tagged_Block(5, 1160);
    const std::string plain = Plain_Lines(5, 1160);
    struct Case {
        const char* name;
        const char* input;  // nullptr: no input file
        bool destinationDirectoryExists;
        int32_t status;
        int32_t records;
    };
    const std::string tagged = "$EPHREC\n" + block + block;
    const Case cases[] = {
        {"tagged form", tagged.c_str(), true, 0, 2},
        {"plain form", plain.c_str(), true, 0, 1},
        {"empty input", "", true, 1, 0},
        {"missing input", nullptr, true, 1, 0},
        {"destination cannot be written", tagged.c_str(), false, -1, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string input = dir.file("in.eph");
        if (c.input != nullptr) Write_File(input, c.input);
        const std::string navDir = c.destinationDirectoryExists ? dir.path().string()
                                                                : dir.file("missing");
        const std::string nav = navDir + "/out.rnx";
        if (c.destinationDirectoryExists) {
            Write_File(nav, "older file\n");
        }
        Nav3Options options;
        options.runBy = "tester";
        const Nav3Result result = Ephemeris_To_Nav3(input.c_str(), nav.c_str(), options);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.records, c.records) << c.name;
        EXPECT_FALSE(std::filesystem::exists(nav + ".part")) << c.name;
        if (c.status != 0) {
            EXPECT_FALSE(result.message.empty()) << c.name;
            if (c.destinationDirectoryExists) {
                EXPECT_EQ(Read_File(nav), "older file\n") << c.name;
            }
            continue;
        }
        std::vector<std::string> expected = kHeader3;
        for (int32_t i = 0; i < c.records; ++i)
            expected.insert(expected.end(), kRecord3.begin(), kRecord3.end());
        EXPECT_EQ(Read_Lines(nav), expected) << c.name;
    }
}

}  // namespace
}  // namespace zer2ivi::testing
