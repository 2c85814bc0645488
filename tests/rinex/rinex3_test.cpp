// RINEX 3 observation files through the one epoch model: real files read
// back byte for byte, the records of 3.x headers, and bad input named by
// file and line.
#include <gtest/gtest.h>

#include "rinex/obs_reader.h"
#include "rinex/rinex_test_files.h"
#include "support/test_support.h"

namespace zer2ivi::rinex {
namespace {

using testing::Header_Line;
using testing::Obs;

std::string Rinex3_Data(const std::string& name) {
    return std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/rinex3/" + name;
}

TEST(Rinex3Reader, RealFilesReadBackByteForByte) {
    struct Case {
        const char* name;
        size_t epochs;
        size_t gpsTypes, glonassTypes;
        bool clock;
    };
    for (const Case& c : {Case{"DUTH0630.22O", 3, 8, 8, false}, Case{"NOA10630.22O", 4, 8, 0, false},
                          Case{"VLNS0010.22O", 3, 0, 0, true}}) {
        SCOPED_TRACE(c.name);
        const std::string path = Rinex3_Data(c.name);
        ObsReader reader;
        ASSERT_TRUE(reader.open(path)) << reader.error();
        std::string text;
        for (const HeaderLine& line : reader.header().lines) text += line.raw;
        EXPECT_EQ(reader.header().major, 3);
        if (c.gpsTypes > 0) {
            EXPECT_EQ(reader.header().typesOf('G').count, c.gpsTypes);
        }
        if (c.glonassTypes > 0) {
            EXPECT_EQ(reader.header().typesOf('R').count, c.glonassTypes);
        }
        ObsEpoch epoch;
        size_t epochs = 0;
        while (reader.next(epoch) == ObsReader::Status::kEpoch) {
            text += epoch.text();
            ++epochs;
            EXPECT_EQ(epoch.clockOffset.has_value(), c.clock);
            EXPECT_EQ(epoch.order, TimeOrder::kForward);
        }
        EXPECT_EQ(reader.error(), "");
        EXPECT_EQ(epochs, c.epochs);
        EXPECT_EQ(text, testing::Read_File(path));
    }
}

TEST(Rinex3Reader, ValuesOfEachSatelliteFollowItsSystemsTypes) {
    ObsReader reader;
    ASSERT_TRUE(reader.open(Rinex3_Data("DUTH0630.22O"))) << reader.error();
    EXPECT_EQ(reader.header().typesOf('R').codes[4].view(), "C2P");
    ObsEpoch epoch;
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch);
    // "G01  20243517.560   106380411.41808     -1242.766          51.250 ..."
    ASSERT_EQ(epoch.satellite(0).id(), (SatelliteId{'G', 1}));
    EXPECT_EQ(epoch.typeCountOf(0), 8u);
    EXPECT_DOUBLE_EQ(epoch.value(0, 0).value, 20243517.560);
    EXPECT_DOUBLE_EQ(epoch.value(0, 1).value, 106380411.418);
    EXPECT_EQ(epoch.value(0, 1).lli, 0);
    EXPECT_EQ(epoch.value(0, 1).strength, 8);
    EXPECT_DOUBLE_EQ(epoch.value(0, 2).value, -1242.766);
}

TEST(Rinex3Reader, LossOfLockIsSetInTheSatellitesLine) {
    const std::string header =
        Header_Line("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE") +
        Header_Line("G    2 C1C L1C", "SYS / # / OBS TYPES") + Header_Line("", "END OF HEADER");
    const std::string line = "G05" + Obs("1.000") + Obs("2.000", ' ', '7');
    ObsReader reader;
    const std::string text = header + "> 2022 01 01 00 00  0.0000000  0  1\n" + line + "\n" +
                             "> 2022 01 01 00 00 30.0000000  0  1\nG05" + Obs("1.000") + "\n";
    ASSERT_TRUE(reader.openMemory("lli.rnx", text)) << reader.error();
    ObsEpoch epoch;
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
    epoch.setLossOfLock(0, 1);
    EXPECT_EQ(epoch.text(), "> 2022 01 01 00 00  0.0000000  0  1\nG05" + Obs("1.000") + Obs("2.000", '1', '7') + "\n");
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
    epoch.setLossOfLock(0, 0);  // the line ends before the LLI column
    EXPECT_EQ(epoch.text(), "> 2022 01 01 00 00 30.0000000  0  1\nG05" + Obs("1.000", '1') + "\n");
}

TEST(Rinex3Reader, VersionFourObservationFilesShareTheLayout) {
    struct Case {
        const char* version;
        int major;
        bool accepted;
    };
    const Case cases[] = {{"3.00", 3, true}, {"3.05", 3, true}, {"4.00", 4, true},
                          {"4.02", 4, true}, {"5.00", 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const std::string text =
            Header_Line(std::string("     ") + c.version + "           OBSERVATION DATA    G",
                        "RINEX VERSION / TYPE") +
            Header_Line("G    2 C1C L1C", "SYS / # / OBS TYPES") + Header_Line("", "END OF HEADER") +
            "> 2024 02 29 23 59 59.9990000  0  2\nG05" + Obs("1.000") + Obs("2.000", '1', '7') +
            "\nG12" + Obs("3.000") + "\n";
        ObsReader reader;
        if (!c.accepted) {
            EXPECT_FALSE(reader.openMemory("v.rnx", text));
            EXPECT_NE(reader.error().find("is not 2.xx, 3.0x or 4.0x"), std::string::npos) << reader.error();
            continue;
        }
        ASSERT_TRUE(reader.openMemory("v.rnx", text)) << reader.error();
        EXPECT_EQ(reader.header().major, c.major);
        ObsEpoch epoch;
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        ASSERT_EQ(epoch.satelliteCount(), 2u);
        EXPECT_EQ(epoch.satellite(1).id(), (SatelliteId{'G', 12}));
        EXPECT_DOUBLE_EQ(epoch.value(0, 1).value, 2.0);
        EXPECT_EQ(epoch.value(0, 1).lli, 1);
        EXPECT_EQ(epoch.value(0, 1).strength, 7);
        EXPECT_FALSE(epoch.value(1, 1).present);
        EXPECT_EQ(reader.next(epoch), ObsReader::Status::kEnd) << reader.error();
    }
}

TEST(Rinex3Reader, BadInputIsNamedByFileAndLine) {
    const std::string version = Header_Line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE");
    const std::string types = Header_Line("G    2 C1C L1C", "SYS / # / OBS TYPES");
    const std::string end = Header_Line("", "END OF HEADER");
    const std::string good = "G05" + Obs("1.000") + Obs("2.000") + "\n";
    const std::string epoch = "> 2022 01 01 00 00  0.0000000  0  1\n";
    struct Case {
        std::string text;
        std::string error;  // after "bad.rnx:"
    };
    const Case cases[] = {
        {version + end, "2: header without SYS / # / OBS TYPES"},
        {version + Header_Line("G    3 C1C L1C", "SYS / # / OBS TYPES") + end,
         "2: SYS / # / OBS TYPES: type 3 of G missing or not three characters"},
        {version + Header_Line("X    1 C1C", "SYS / # / OBS TYPES") + end,
         "2: SYS / # / OBS TYPES: system 'X' is not one of GRSECJI"},
        {version + types + end + epoch + "G05" + Obs("1.000") + Obs("2.000") + Obs("3.000") + "\n",
         "5: observation line of G05: more fields than the 2 types of its system"},
        {version + types + end + "> 2022 01 01 00 00  0.0000000  0  2\n" + good + epoch + good,
         "6: epoch record: 2 satellites announced, 1 listed"},
        {version + types + end + epoch + "R05" + Obs("1.000") + "\n",
         "5: observation line: system R of R05 is not in SYS / # / OBS TYPES"},
        {version + types + end + epoch + good + "> 2021 12 31 23 59 30.0000000  0  1\n" + good,
         ""},  // read; the time order is the users' to judge
        {version + types + end + " 22  1  1  0  0  0.0000000  0  1G05\n",
         "4: epoch record expected ('>' in column 1)"},
        {version + types + end + "> 2022 13 01 00 00  0.0000000  0  1\n" + good,
         "4: epoch record: '2022 13 01 00 00  0.0000000' is not a valid date and time"},
        {Header_Line("     3.04           N: GNSS NAV DATA    M", "RINEX VERSION / TYPE") + end,
         "1: a RINEX 3 navigation file, not an observation file"},
        {Header_Line("     3.04           METEOROLOGICAL DATA", "RINEX VERSION / TYPE") + end,
         "1: a RINEX 3 meteorological file, not an observation file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        ObsReader reader;
        std::string error;
        if (reader.openMemory("bad.rnx", c.text)) {
            ObsEpoch read;
            while (reader.next(read) == ObsReader::Status::kEpoch) {
            }
        }
        EXPECT_EQ(reader.error(), c.error.empty() ? "" : "bad.rnx:" + c.error);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex

namespace zer2ivi::rinex {
namespace {

// A Compact RINEX file is read through the decoder: the same epochs,
// satellites, values and flags as its plain twin.
TEST(CompactInput, TheReaderGivesTheEpochsOfThePlainFile) {
    struct Case {
        const char* compact;
        const char* plain;
        size_t epochs;
    };
    const std::string dir = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/crinex/";
    for (const Case& c : {Case{"AJAC3550.21D", "AJAC3550.21O", 0}, Case{"DUTH0630.22D", "DUTH0630.22O", 3},
                          Case{"VLNS0010.22D", "VLNS0010.22O", 3}}) {
        SCOPED_TRACE(c.compact);
        ObsReader compact, plain;
        ASSERT_TRUE(compact.open(dir + c.compact)) << compact.error();
        ASSERT_TRUE(plain.open(dir + c.plain)) << plain.error();
        EXPECT_EQ(compact.header().markerName, plain.header().markerName);
        ObsEpoch a, b;
        size_t epochs = 0;
        for (;;) {
            const auto status = compact.next(a);
            ASSERT_EQ(status, plain.next(b)) << compact.error() << plain.error();
            if (status != ObsReader::Status::kEpoch) break;
            ++epochs;
            ASSERT_EQ(a.time, b.time);
            ASSERT_EQ(a.satelliteCount(), b.satelliteCount());
            for (size_t s = 0; s < a.satelliteCount(); ++s) {
                ASSERT_EQ(a.satellite(s).id(), b.satellite(s).id());
                for (size_t t = 0; t < a.typeCountOf(s); ++t) {
                    EXPECT_EQ(a.value(s, t).value, b.value(s, t).value);
                    EXPECT_EQ(a.value(s, t).lli, b.value(s, t).lli);
                    EXPECT_EQ(a.value(s, t).strength, b.value(s, t).strength);
                }
            }
        }
        EXPECT_EQ(compact.error(), "");
        if (c.epochs > 0) {
            EXPECT_EQ(epochs, c.epochs);
        }
        EXPECT_GT(epochs, 0u);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex
