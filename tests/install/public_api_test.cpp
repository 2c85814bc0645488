// The conversion entry point as a host sees it: this test links only the
// shared library and includes only the public header.
//
// The library keeps its message and its GPS week state for the whole
// process, and ctest runs every test here in a process of its own.  Tests
// that need the state as it is at load skip themselves when an earlier test
// of the same process has already called the library.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "zer2ivi/zer2ivi.h"

namespace {

using zer2ivi::testing::Read_Lines;
using zer2ivi::testing::TempDir;

const std::string kExamples = ZER2IVI_SOURCE_DIR "/examples";
const std::string kZeb = kExamples + "/bahr1620.zeb";
const std::string kTaggedEphemeris = kExamples + "/bahr1620.tagged.eph";
constexpr uint32_t kAllTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;

// The example's first epoch is at 345600 s of its week (Thursday 00:00).
// Week 1274 (from the fourth ephemeris) dates it 2004-06-10, week 1150 2002-01-24.
const std::string kFirstObs2004 =
    "  2004     6    10     0     0    0.000000                  TIME OF FIRST OBS";
const std::string kFirstObs2002 =
    "  2002     1    24     0     0    0.000000                  TIME OF FIRST OBS";
const std::string kFirstEpoch2004 = "  4  6 10  0  0  0.0000000  0  8G 4G 5G 6G 9G10G17G24G30";
// The year of an epoch line is blank-padded ("  2", not " 02").
const std::string kFirstEpoch2002 = "  2  1 24  0  0  0.0000000  0  8G 4G 5G 6G 9G10G17G24G30";

bool libraryCalled = false;

struct Settings {
    ObsSettings obs{};
    NavSettings nav{};
};

void Copy(char* field, size_t size, const std::string& text) {
    ASSERT_LT(text.size(), size);
    std::memcpy(field, text.c_str(), text.size() + 1);
}

Settings Example_Settings(const TempDir& dir) {
    Settings s;
    s.obs.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    s.nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    Copy(s.obs.zebFileName, sizeof s.obs.zebFileName, kZeb);
    Copy(s.obs.rinexObsFileName, sizeof s.obs.rinexObsFileName, dir.file("out.o"));
    Copy(s.obs.runBy, sizeof s.obs.runBy, "tester");
    Copy(s.nav.ephemerisFileName, sizeof s.nav.ephemerisFileName, kTaggedEphemeris);
    Copy(s.nav.rinexNavFileName, sizeof s.nav.rinexNavFileName, dir.file("out.n"));
    Copy(s.nav.runBy, sizeof s.nav.runBy, "tester");
    s.obs.obsTypeMask = kAllTypes;
    return s;
}

struct Outcome {
    int32_t result;
    std::string message;
};

Outcome Convert(const Settings& s) {
    libraryCalled = true;
    Outcome outcome{};
    outcome.result = Zeb_To_Rinex(&s.obs, &s.nav);
    char message[ZER2IVI_MESSAGE_SIZE];
    std::memset(message, 'x', sizeof message);
    Get_Error_Str(message);
    outcome.message = message;
    return outcome;
}

std::string Line(const std::string& path, size_t index) {
    const std::vector<std::string> lines = Read_Lines(path);
    return index < lines.size() ? lines[index] : std::string("<no line ") + std::to_string(index) + ">";
}

std::string Header_Line(const std::string& path, const std::string& label) {
    for (const std::string& line : Read_Lines(path))
        if (line.size() > 60 && line.compare(60, std::string::npos, label) == 0) return line;
    return "<no " + label + " line>";
}

// The first epoch line, up to its satellite list (the line after the header).
std::string First_Epoch_Line(const std::string& path) {
    const std::vector<std::string> lines = Read_Lines(path);
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].size() > 60 && lines[i].compare(60, std::string::npos, "END OF HEADER") == 0)
            return lines[i + 1].substr(0, kFirstEpoch2004.size());
    return "<no epoch>";
}

#define SKIP_UNLESS_FRESH_PROCESS()                                                          \
    if (libraryCalled)                                                                       \
    GTEST_SKIP() << "needs the library state as at load: run it alone (ctest does)"

TEST(PublicApi, MessageIsEmptyBeforeAnyCall) {
    SKIP_UNLESS_FRESH_PROCESS();
    char message[ZER2IVI_MESSAGE_SIZE];
    std::memset(message, 'x', sizeof message);
    Get_Error_Str(message);
    EXPECT_STREQ(message, "");
}

TEST(PublicApi, WrongStructureSizesAreRefusedBeforeAnyFileIsTouched) {
    struct Case {
        int32_t obsSize;
        int32_t navSize;
    };
    const Case cases[] = {{1175, 644}, {1176, 643}, {1177, 644}, {1176, 645}, {0, 0}, {644, 1176}};
    for (const Case& c : cases) {
        TempDir dir;
        Settings s = Example_Settings(dir);
        s.obs.structSize = c.obsSize;
        s.nav.structSize = c.navSize;
        const Outcome outcome = Convert(s);
        EXPECT_EQ(outcome.result, 1) << c.obsSize << "/" << c.navSize;
        EXPECT_EQ(outcome.message, "Invalid structure size") << c.obsSize << "/" << c.navSize;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.o"))) << c.obsSize << "/" << c.navSize;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.n"))) << c.obsSize << "/" << c.navSize;
    }
}

TEST(PublicApi, WrongStructureSizeLeavesTheWeekOverrideOff) {
    SKIP_UNLESS_FRESH_PROCESS();
    TempDir dir;
    Settings s = Example_Settings(dir);
    s.obs.useGpsWeek = 1;
    s.obs.gpsWeek = 1150;
    s.nav.structSize = 643;
    ASSERT_EQ(Convert(s).result, 1);
    s.nav.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    s.obs.useGpsWeek = 0;
    ASSERT_EQ(Convert(s).result, 0);
    EXPECT_EQ(Header_Line(dir.file("out.o"), "TIME OF FIRST OBS"), kFirstObs2004);
}

TEST(PublicApi, SuccessNamesTheEpochsAndTheObservationFile) {
    TempDir dir;
    const Settings s = Example_Settings(dir);
    const Outcome outcome = Convert(s);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.message, "SUCCESS: Wrote 120 epochs to RINEX file " + dir.file("out.o"));
    EXPECT_EQ(Line(dir.file("out.n"), 0),
              "     2              NAVIGATION DATA                         RINEX VERSION / TYPE");
    EXPECT_EQ(Line(dir.file("out.o"), 0),
              "     2              OBSERVATION DATA    G                   RINEX VERSION / TYPE");
}

TEST(PublicApi, BaseWeekComesFromTheEphemerisWhileTheOverrideIsOff) {
    SKIP_UNLESS_FRESH_PROCESS();
    TempDir dir;
    const Settings s = Example_Settings(dir);
    ASSERT_EQ(Convert(s).result, 0);
    EXPECT_EQ(Header_Line(dir.file("out.o"), "TIME OF FIRST OBS"), kFirstObs2004);
    EXPECT_EQ(First_Epoch_Line(dir.file("out.o")), kFirstEpoch2004);
}

TEST(PublicApi, UseGpsWeekOtherThanOneDoesNotSwitchTheOverrideOn) {
    SKIP_UNLESS_FRESH_PROCESS();
    for (const int32_t useGpsWeek : {2, -1, 0, 256}) {
        TempDir dir;
        Settings s = Example_Settings(dir);
        s.obs.useGpsWeek = useGpsWeek;
        s.obs.gpsWeek = 1150;
        ASSERT_EQ(Convert(s).result, 0) << useGpsWeek;
        EXPECT_EQ(Header_Line(dir.file("out.o"), "TIME OF FIRST OBS"), kFirstObs2004) << useGpsWeek;
        EXPECT_EQ(First_Epoch_Line(dir.file("out.o")), kFirstEpoch2004) << useGpsWeek;
    }
}

TEST(PublicApi, WeekOverrideStaysOnForLaterCalls) {
    TempDir first;
    Settings s = Example_Settings(first);
    s.obs.useGpsWeek = 1;
    s.obs.gpsWeek = 1150;
    ASSERT_EQ(Convert(s).result, 0);
    EXPECT_EQ(Header_Line(first.file("out.o"), "TIME OF FIRST OBS"), kFirstObs2002);
    EXPECT_EQ(First_Epoch_Line(first.file("out.o")), kFirstEpoch2002);

    // useGpsWeek 0: the override stays on and the base week stays 1150, also
    // on the navigation side, whose records are dated from the base week.
    TempDir second;
    s = Example_Settings(second);
    s.obs.useGpsWeek = 0;
    s.obs.gpsWeek = 1300;
    const Outcome outcome = Convert(s);
    ASSERT_EQ(outcome.result, 0) << outcome.message;
    EXPECT_EQ(Header_Line(second.file("out.o"), "TIME OF FIRST OBS"), kFirstObs2002);
    EXPECT_EQ(First_Epoch_Line(second.file("out.o")), kFirstEpoch2002);
    EXPECT_EQ(Line(second.file("out.n"), 3).substr(0, 22), " 5  2  1 24  2  0  0.0");
}

TEST(PublicApi, MissingEphemerisFileStopsBeforeTheObservationFile) {
    TempDir dir;
    Settings s = Example_Settings(dir);
    const std::string missing = dir.file("missing.eph");
    Copy(s.nav.ephemerisFileName, sizeof s.nav.ephemerisFileName, missing);
    const Outcome outcome = Convert(s);
    EXPECT_EQ(outcome.result, 1);
    // Only a backslash separates directories in messages: a path with
    // forward slashes is named whole.
    EXPECT_EQ(outcome.message, "Error: Unable to open " + missing);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.o")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.n")));
}

TEST(PublicApi, MissingObservationFileFailsAfterTheNavigationFile) {
    TempDir dir;
    Settings s = Example_Settings(dir);
    Copy(s.obs.zebFileName, sizeof s.obs.zebFileName, dir.file("missing.zeb"));
    const Outcome outcome = Convert(s);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.message, "ERROR: Could not open: " + dir.file("missing.zeb"));
    // The navigation file was written completely and stays.
    EXPECT_EQ(Read_Lines(dir.file("out.n")).size(), 3u + 166u * 8u);
}

}  // namespace
