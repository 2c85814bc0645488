// The RINEX 2 navigation reader: real files read whole, each kind of damage
// named with file and line, and the tolerant reading of what the library wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rinex/nav_reader.h"

namespace zer2ivi::rinex {
namespace {

const std::string kReal = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/real/";

const std::string kHeader =
    "     2.10           N: GPS NAV DATA                         RINEX VERSION / TYPE\n"
    "                                                            END OF HEADER\n";

// A directory of this test run, removed with everything in it at the end.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() /
                (prefix + std::to_string(::testing::UnitTest::GetInstance()->random_seed()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() { std::filesystem::remove_all(path_); }
    std::string file(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// How a reading ended: at the end of the file when expected is empty, else
// with the error "PATH:expected".
void Expect_Ending(NavReader::Result result, const std::string& error, const std::string& path,
                   const std::string& expected) {
    if (expected.empty()) {
        EXPECT_EQ(result, NavReader::Result::End) << error;
    } else {
        EXPECT_EQ(result, NavReader::Result::Error);
        EXPECT_EQ(error, path + ":" + expected);
    }
}

TEST(NavReader, ReadsRealFilesWhole) {
    struct Case {
        const char* file;
        int records;
        int firstPrn;
        double firstAf0, firstSqrtA, firstWeek, firstToe;
    };
    const Case cases[] = {
        {"bahr1620.04n", 166, 5, .341222621500e-04, .515376806831e+04, 1274, 352800},
        {"07590920.05n", 162, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        NavReader reader;
        std::string error;
        ASSERT_TRUE(reader.Open(kReal + c.file, error)) << error;
        GpsEphemeris e;
        int records = 0;
        NavReader::Result result;
        while ((result = reader.Next(e, error)) == NavReader::Result::Record) {
            if (records == 0 && c.firstPrn != 0) {
                EXPECT_EQ(e.prn, c.firstPrn);
                EXPECT_EQ(e.tocYear, 2004);
                EXPECT_EQ(e.tocHour, 2);
                EXPECT_DOUBLE_EQ(e.af0, c.firstAf0);
                EXPECT_DOUBLE_EQ(e.sqrtA, c.firstSqrtA);
                EXPECT_DOUBLE_EQ(e.week, c.firstWeek);
                EXPECT_DOUBLE_EQ(e.toe, c.firstToe);
                EXPECT_DOUBLE_EQ(e.crs, -.386250000000e+02);
                EXPECT_DOUBLE_EQ(e.fitInterval, 4);
            }
            EXPECT_GT(e.sqrtA, 5000) << c.file << " record " << records;
            ++records;
        }
        EXPECT_EQ(result, NavReader::Result::End) << error;
        EXPECT_EQ(records, c.records) << c.file;
    }
}

TEST(NavReader, DamageIsNamedByFileAndLine) {
    const std::string header = kHeader;
    const std::string record =
        " 5 04  6 10  2  0  0.0  .341222621500D-04  .181898940355D-11  .000000000000D+00\n"
        "     .900000000000D+02 -.386250000000D+02  .501449458811D-08  .237108733125D+01\n"
        "    -.217743217945D-05  .526548980270D-02  .109504908323D-04  .515376806831D+04\n"
        "     .352800000000D+06 -.540167093277D-07 -.152094815689D+01 -.912696123123D-07\n"
        "     .935617824444D+00  .151375000000D+03  .833656182315D+00 -.815033949435D-08\n"
        "    -.124290891500D-09  .100000000000D+01  .127400000000D+04  .000000000000D+00\n"
        "     .200000000000D+01  .000000000000D+00 -.419095158577D-08  .346000000000D+03\n"
        "     .345606000000D+06\n";
    struct Case {
        const char* name;
        std::string text;
        bool opens;
        int records;
        std::string error;  // empty: ends normally
    };
    std::string badNumber = record;
    badNumber.replace(80 + 5, 5, "x9000");
    const Case cases[] = {
        {"one record, short last line", header + record, true, 1, ""},
        {"blank line at the end", header + record + "\n", true, 1, ""},
        {"CR LF lines", [&] {
             std::string t;
             for (char ch : header + record) { if (ch == '\n') t += '\r'; t += ch; }
             return t;
         }(), true, 1, ""},
        {"observation file", "     2.10           OBSERVATION DATA    G                   RINEX VERSION / TYPE\n",
         false, 0, "1: not a GPS navigation file (type 'O')"},
        {"version 3", "     3.04           N: GNSS NAV DATA    M                   RINEX VERSION / TYPE\n",
         false, 0, "1: RINEX version 3.04, not 2"},
        {"no header", "hello world\n", false, 0, "1: not a RINEX file (no RINEX VERSION / TYPE)"},
        {"header never ends", header.substr(0, 81), false, 0, "1: no END OF HEADER"},
        {"record cut", header + record.substr(0, 80 * 3), true, 0,
         "5: file ends inside an ephemeris (3 of 8 lines)"},
        {"bad number", header + badNumber, true, 0, "4: malformed number in column 4"},
        {"bad epoch", header + "xx" + record.substr(2), true, 0, "3: malformed PRN / EPOCH / SV CLK line"},
    };
    const ScratchDirectory dir("z2i_nav_");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("t.n");
        std::ofstream(path, std::ios::binary) << c.text;
        NavReader reader;
        std::string error;
        ASSERT_EQ(reader.Open(path, error), c.opens) << error;
        if (!c.opens) {
            EXPECT_EQ(error, path + ":" + c.error);
            continue;
        }
        GpsEphemeris e;
        int records = 0;
        NavReader::Result result;
        while ((result = reader.Next(e, error)) == NavReader::Result::Record) ++records;
        EXPECT_EQ(records, c.records);
        Expect_Ending(result, error, path, c.error);
    }
}

// Files the library wrote from whatever it was given: a PRN wider than its
// columns, numbers that are blank or not numbers; each record is still read,
// with what could not be read named.
TEST(NavReader, TolerantModeReadsEveryRecordTheLibraryWrote) {
    const std::string header = kHeader;
    const std::string zero = "  .000000000000D+00";
    const std::string orbit0 = "   " + zero + zero + zero + zero + "\n";
    auto record = [&](const std::string& prn, const std::string& ecc, const std::string& sqrtA,
                      const std::string& toe, const std::string& week) {
        return prn + "  4  6 10  0  0  0.0" + zero + zero + zero + "\n" + orbit0 +
               "   " + zero + ecc + zero + sqrtA + "\n" + "   " + toe + zero + zero + zero + "\n" +
               orbit0 + "   " + zero + zero + week + zero + "\n" + orbit0 + orbit0;
    };
    struct Expected {
        int prn;
        double eccentricity, sqrtA, toe, week;
        bool epochLine;
        uint32_t numberFields;
    };
    struct Case {
        const char* name;
        std::string text;
        std::vector<Expected> records;
        std::string error;  // after the records; empty: the file ends after them
    };
    const Case cases[] = {
        {"plain and wide PRN",
         header +
             record(" 5", "  .100000000000D-01", "  .515360000000D+04", "  .345600000000D+06",
                    "  .127400000000D+04") +
             record("3215", "  .200000000000D+00", "  .100000000000D+02", "  .100000000000D+01",
                    "  .102400000000D+04"),
         {{5, 0.01, 5153.6, 345600.0, 1274.0, false, 0}, {3215, 0.2, 10.0, 1.0, 1024.0, false, 0}},
         ""},
        {"numbers the library writes",
         header + record(" 7", " -.123456789012D-04", "  .515360000000D+04", zero,
                         "  .116000000000D+04"),
         {{7, -1.23456789012e-05, 5153.6, 0.0, 1160.0, false, 0}},
         ""},
        {"blank, malformed and three-digit exponent fields",
         header + record(" 5", "                   ", "  1.5D+0x          ", "  .100000000000+301",
                         "  .127400000000D+04"),
         {{5, 0, 0, 0, 1274.0, false, 1u << 8 | 1u << 10 | 1u << 11}},
         ""},
        {"no PRN", header + record("  ", zero, zero, zero, zero), {{0, 0, 0, 0, 0, true, 0}}, ""},
        {"cut inside a record", header + record(" 5", zero, zero, zero, zero).substr(0, 200), {},
         "5: file ends inside an ephemeris (3 of 8 lines)"},  // the cut line counts
    };
    const ScratchDirectory dir("z2i_navt_");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("x.n");
        std::ofstream(path, std::ios::binary) << c.text;
        NavReader reader;
        std::string error;
        ASSERT_TRUE(reader.Open(path, error, NavReader::Mode::Tolerant)) << error;
        GpsEphemeris e;
        size_t index = 0;
        NavReader::Result result;
        while ((result = reader.Next(e, error)) == NavReader::Result::Record) {
            ASSERT_LT(index, c.records.size());
            const Expected& x = c.records[index++];
            EXPECT_EQ(e.prn, x.prn);
            EXPECT_EQ(e.eccentricity, x.eccentricity);
            EXPECT_EQ(e.sqrtA, x.sqrtA);
            EXPECT_EQ(e.toe, x.toe);
            EXPECT_EQ(e.week, x.week);
            EXPECT_EQ(reader.Damage().epochLine, x.epochLine);
            EXPECT_EQ(reader.Damage().numberFields, x.numberFields);
        }
        EXPECT_EQ(index, c.records.size());
        Expect_Ending(result, error, path, c.error);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex
