// The command-line tool's own helpers: argument scanning and checks, and
// reading back an observation header.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "obs_header_reader.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::cli {
namespace {

const std::vector<OptionSpec> kSpecs = {
    {"obs-file", 'o', true},
    {"marker", 0, true},
    {"json", 0, false},
};

TEST(ParseCommandLine, AcceptsValuesInBothFormsAndKeepsPositionals) {
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> positionals;
        std::optional<std::string> obsFile;
        std::optional<std::string> marker;
        bool json;
        bool help;
    };
    const Case cases[] = {
        {{"a.zeb", "b.eph"}, {"a.zeb", "b.eph"}, std::nullopt, std::nullopt, false, false},
        {{"-o", "x.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"-ox.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"--obs-file=x.o", "a"}, {"a"}, "x.o", std::nullopt, false, false},
        {{"--obs-file", "-neg", "a"}, {"a"}, "-neg", std::nullopt, false, false},
        {{"--marker", "", "a"}, {"a"}, std::nullopt, "", false, false},
        {{"--json", "a", "--marker=BAHR 1"}, {"a"}, std::nullopt, "BAHR 1", true, false},
        {{"--", "--json", "-"}, {"--json", "-"}, std::nullopt, std::nullopt, false, false},
        {{"-h"}, {}, std::nullopt, std::nullopt, false, true},
        {{"a", "--help"}, {"a"}, std::nullopt, std::nullopt, false, true},
    };
    for (const Case& c : cases) {
        CommandLine line;
        const auto error = Parse_Command_Line(c.arguments, kSpecs, line);
        ASSERT_FALSE(error.has_value()) << *error;
        EXPECT_EQ(line.positionals, c.positionals);
        EXPECT_EQ(line.value("obs-file"), c.obsFile);
        EXPECT_EQ(line.value("marker"), c.marker);
        EXPECT_EQ(line.has("json"), c.json);
        EXPECT_EQ(line.help, c.help);
    }
}

TEST(ParseCommandLine, RefusesUnknownRepeatedAndIncompleteOptions) {
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"--mark", "x"}, "unknown option --mark"},
        {{"-x"}, "unknown option -x"},
        {{"--obs-file"}, "option --obs-file needs a value"},
        {{"a", "-o"}, "option -o needs a value"},
        {{"--json=yes"}, "option --json takes no value"},
        {{"-o", "a", "--obs-file", "b"}, "option --obs-file given more than once"},
        {{"--json", "--json"}, "option --json given more than once"},
    };
    for (const Case& c : cases) {
        CommandLine line;
        const auto error = Parse_Command_Line(c.arguments, kSpecs, line);
        ASSERT_TRUE(error.has_value()) << c.error;
        EXPECT_EQ(*error, c.error);
    }
}

TEST(CopyField, CopiesWhatFitsWithItsNulAndRefusesTheRest) {
    char field[8];
    EXPECT_TRUE(Copy_Field(field, sizeof field, "1234567"));
    EXPECT_STREQ(field, "1234567");
    EXPECT_FALSE(Copy_Field(field, sizeof field, "12345678"));
    EXPECT_STREQ(field, "");
    EXPECT_FALSE(Copy_Field(field, sizeof field, std::string("a\0b", 3)));
    EXPECT_STREQ(field, "");
}

TEST(CalendarToGps, CountsWeeksFromTheGpsEpochWithoutWraps) {
    struct Case {
        EpochTime time;
        int64_t week;
        double seconds;
    };
    const Case cases[] = {
        {{1980, 1, 6, 0, 0, 0.0}, 0, 0.0},
        {{2004, 6, 10, 0, 0, 0.0}, 1274, 345600.0},
        {{2004, 6, 10, 0, 59, 30.0}, 1274, 349170.0},
        {{2005, 4, 2, 0, 0, 0.001}, 1316, 518400.001},
        {{2005, 4, 2, 23, 59, 59.5}, 1316, 604799.5},
        {{2005, 4, 3, 0, 0, 0.0}, 1317, 0.0},
        {{1999, 8, 22, 0, 0, 0.0}, 1024, 0.0},
        {{1980, 1, 5, 0, 0, 0.0}, -1, 518400.0},
    };
    for (const Case& c : cases) {
        const GpsWeekSeconds gps = Calendar_To_Gps(c.time);
        EXPECT_EQ(gps.week, c.week) << c.time.year << "-" << c.time.month << "-" << c.time.day;
        EXPECT_DOUBLE_EQ(gps.seconds, c.seconds) << c.time.year << "-" << c.time.month;
    }
}

TEST(SuccessEpochCount, ReadsTheCountOfTheSuccessMessageOnly) {
    EXPECT_EQ(Success_Epoch_Count("SUCCESS: Wrote 120 epochs to RINEX file bahr1620.04o"), 120);
    EXPECT_EQ(Success_Epoch_Count("SUCCESS: Wrote 0 epochs to RINEX file x"), 0);
    EXPECT_EQ(Success_Epoch_Count("ERROR: Could not open: x"), std::nullopt);
    EXPECT_EQ(Success_Epoch_Count("SUCCESS: Wrote x epochs to RINEX file y"), std::nullopt);
    EXPECT_EQ(Success_Epoch_Count("Wrote 166 ephemeris records"), std::nullopt);
}

// A header as the library writes it, with two types and two satellites.
const char* const kHeader =
    "     2              OBSERVATION DATA    G                   RINEX VERSION / TYPE\n"
    "BLANK OR G = GPS, R = GLONASS, T = TRANSIT, M = MIXED       COMMENT\n"
    "DID2ARE Beta        tester               7-DEC-26  8:36     PGM / RUN BY / DATE\n"
    "BAHR                                                        MARKER NAME\n"
    "                                                            OBSERVER / AGENCY\n"
    "                    Leica 9200\\9400                         REC # / TYPE / VERS\n"
    "                                                            ANT # / TYPE\n"
    "    3633909.10    4425275.50    2799861.27                  APPROX POSITION XYZ\n"
    "         0.000         0.000         0.000                  ANTENNA: DELTA H/E/N\n"
    "     1     1                                                WAVELENGTH FACT L1/2\n"
    "     2    C1    L1                                          # / TYPES OF OBSERV\n"
    "    30                                                      INTERVAL\n"
    "  2004     6    10     0     0    0.000000                  TIME OF FIRST OBS\n"
    "  2004     6    11     0    59   30.005000                  TIME OF LAST OBS\n"
    "     2                                                      # OF SATELLITES\n"
    "   G 4    34    33                                          PRN / # OF OBS\n"
    "   G30   120     0                                          PRN / # OF OBS\n"
    "                                                            END OF HEADER\n"
    "  4  6 10  0  0  0.0000000  0  1G 4             0.000000000\n";

TEST(ParseObsHeader, ReadsEveryFactTheToolReports) {
    ObsHeaderFacts facts;
    const auto error = Parse_Obs_Header(kHeader, facts);
    ASSERT_FALSE(error.has_value()) << *error;
    EXPECT_EQ(facts.satelliteSystem, "G");
    EXPECT_EQ(facts.markerName, "BAHR");
    EXPECT_EQ(facts.receiverName, "Leica 9200\\9400");
    EXPECT_EQ(facts.approxPosition[0], 3633909.10);
    EXPECT_EQ(facts.approxPosition[1], 4425275.50);
    EXPECT_EQ(facts.approxPosition[2], 2799861.27);
    EXPECT_EQ(facts.types, (std::vector<std::string>{"C1", "L1"}));
    EXPECT_EQ(facts.intervalSeconds, 30);
    EXPECT_EQ(facts.firstObs.year, 2004);
    EXPECT_EQ(facts.firstObs.day, 10);
    EXPECT_EQ(facts.lastObs.day, 11);
    EXPECT_EQ(facts.lastObs.minute, 59);
    EXPECT_EQ(facts.lastObs.second, 30.005);
    EXPECT_EQ(facts.satelliteCount, 2);
    ASSERT_EQ(facts.satellites.size(), 2u);
    EXPECT_EQ(facts.satellites[0].label, "G04");
    EXPECT_EQ(facts.satellites[0].counts, (std::vector<int32_t>{34, 33}));
    EXPECT_EQ(facts.satellites[1].label, "G30");
    EXPECT_EQ(facts.satellites[1].counts, (std::vector<int32_t>{120, 0}));
}

TEST(ParseObsHeader, WithoutIntervalLineTheIntervalIsUnknown) {
    std::string text = kHeader;
    const size_t line = text.find("    30      ");
    text.erase(line, text.find('\n', line) + 1 - line);
    ObsHeaderFacts facts;
    ASSERT_FALSE(Parse_Obs_Header(text, facts).has_value());
    EXPECT_FALSE(facts.intervalSeconds.has_value());
}

TEST(ParseObsHeader, NamesTheMissingOrMalformedLine) {
    struct Case {
        std::string find;
        std::string replace;
        std::string error;
    };
    const Case cases[] = {
        {"END OF HEADER", "END OF HEADEX", "no END OF HEADER line"},
        {"TIME OF FIRST OBS", "TIME OF FIRST OBX", "no TIME OF FIRST OBS line"},
        {"  2004     6    11", "  2004     x    11", "malformed TIME OF LAST OBS line"},
        {"   G30   120     0", "   G30   120      ", "malformed PRN / # OF OBS line"},
        {"    3633909.10", "    3633909.1x", "malformed APPROX POSITION XYZ line"},
        {"     2    C1    L1", "    12    C1    L1", "malformed # / TYPES OF OBSERV line"},
    };
    for (const Case& c : cases) {
        std::string text = kHeader;
        const size_t at = text.find(c.find);
        ASSERT_NE(at, std::string::npos) << c.find;
        text.replace(at, c.find.size(), c.replace);
        ObsHeaderFacts facts;
        EXPECT_EQ(Parse_Obs_Header(text, facts), c.error) << c.find;
    }
}

}  // namespace
}  // namespace zer2ivi::cli
