#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "nav_test_support.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_text/rinex_text.h"
#include "support/test_support.h"

// The first-line buffer is the conversion's one heap block; a test can make
// taking it fail.
namespace {
bool failNextArrayNew = false;
}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (failNextArrayNew) {
        failNextArrayNew = false;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace zer2ivi::testing {
namespace {

const std::string kTaggedFirstLine = "$EPHREC ephemerides\n";

class NavConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(Fixed_Utc);
        ephemerisPath_ = dir_.file("input.eph");
        navPath_ = dir_.file("output.nav");
    }

    int32_t Convert(const std::string& content) {
        Write_File(ephemerisPath_, content);
        return Ephemeris_To_Nav(ephemerisPath_.c_str(), navPath_.c_str(), "tester");
    }

    NavSettings Settings(const std::string& ephemeris, const std::string& nav) const {
        NavSettings settings{};
        settings.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
        Copy_Text(settings.ephemerisFileName, ephemeris);
        Copy_Text(settings.rinexNavFileName, nav);
        std::memset(settings.runBy, 'r', sizeof settings.runBy);  // no NUL in the whole field
        return settings;
    }

    TempDir dir_;
    std::string ephemerisPath_;
    std::string navPath_;
};

std::vector<std::string> Header_And(const std::vector<std::string>& records) {
    std::vector<std::string> lines = kExpectedHeader;
    lines.insert(lines.end(), records.begin(), records.end());
    return lines;
}

TEST_F(NavConversionTest, BothFormsWriteTheWholeFile) {
    const std::string forms[] = {kTaggedFirstLine + Tagged_Block(5, 1160),
                                 Plain_Lines(5, 1160)};
    for (const std::string& content : forms) {
        EXPECT_EQ(Convert(content), 0);
        EXPECT_STREQ(library.LastErrorText, "Wrote 1 ephemeris records");
        EXPECT_EQ(Read_Lines(navPath_), Header_And(kExampleRecordLines));
    }
}

TEST_F(NavConversionTest, FirstLineChoosesTheForm) {
    // The same text read as the tagged form yields prn 5; read as the plain
    // form its first line converts to prn 0.
    struct Case {
        std::string firstLine;
        const char* recordStart;
    };
    const Case cases[] = {
        {"$EPHREC\n", " 5  2  4  5"},
        {"$EPHRECORDS and more\n", " 5  2  4  5"},
        {"$ephrec\n", " 0"},
        {" $EPHREC\n", " 0"},
        {"$EPHRE\n", " 0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.firstLine + Tagged_Block(5, 1160)), 0) << c.firstLine;
        const std::vector<std::string> lines = Read_Lines(navPath_);
        ASSERT_GE(lines.size(), 4u) << c.firstLine;
        EXPECT_EQ(lines[3].rfind(c.recordStart, 0), 0u) << c.firstLine << lines[3];
    }
}

TEST_F(NavConversionTest, Messages) {
    struct Case {
        const char* name;
        std::string content;
        int32_t result;
        const char* message;
        std::optional<std::vector<std::string>> output;
    };
    const Case cases[] = {
        {"empty file", "", 1, "Empty ephemeris file", std::vector<std::string>{}},
        {"Ctrl-Z only", "\x1A\n", 1, "Empty ephemeris file", std::vector<std::string>{}},
        {"tagged file without ephemeris", kTaggedFirstLine + "Other {\n Prn: 5\n}\n", 0,
         "Wrote 0 ephemeris records", kExpectedHeader},
        {"plain file of blank lines", "\n\n\n\n\n\n\n", 0, "Wrote 0 ephemeris records",
         kExpectedHeader},
        {"counted", kTaggedFirstLine + Tagged_Block(5, 1160) + Tagged_Block(6, 1160) +
                        "GpsEph {\n Prn: 7\n}\n",
         0, "Wrote 2 ephemeris records", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(c.content), c.result) << c.name;
        EXPECT_STREQ(library.LastErrorText, c.message) << c.name;
        if (c.output) {
            EXPECT_EQ(Read_Lines(navPath_), *c.output) << c.name;
        }
    }
}

TEST_F(NavConversionTest, OpenFailuresNameTheFilePart) {
    Write_File(ephemerisPath_, kTaggedFirstLine + Tagged_Block(5, 1160));
    EXPECT_EQ(Ephemeris_To_Nav(dir_.file("data\\missing.eph").c_str(), navPath_.c_str(), ""), 1);
    EXPECT_STREQ(library.LastErrorText, "Error: Unable to open missing.eph");
    EXPECT_FALSE(std::filesystem::exists(navPath_));

    const std::string navInMissingDirectory = dir_.file("nodir/sub\\out.nav");
    EXPECT_EQ(Ephemeris_To_Nav(ephemerisPath_.c_str(), navInMissingDirectory.c_str(), ""), 1);
    EXPECT_STREQ(library.LastErrorText, "Error: Unable to open out.nav");
}

TEST_F(NavConversionTest, SettingsAreCheckedAndCopiedBounded) {
    NavSettings settings = Settings(ephemerisPath_, navPath_);
    settings.structSize = 643;
    EXPECT_EQ(Convert_Nav(settings), 1);
    EXPECT_STREQ(library.LastErrorText, "Wrong version of software, incorrect structure size.");
    EXPECT_FALSE(std::filesystem::exists(navPath_));

    Write_File(ephemerisPath_, Plain_Lines(5, 1160));
    settings.structSize = ZER2IVI_NAV_SETTINGS_SIZE;
    EXPECT_EQ(Convert_Nav(settings), 0);
    const std::vector<std::string> lines = Read_Lines(navPath_);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1],
              "DID2ARE Beta        rrrrrrrrrrrrrrrrrrrr 6-DEC-26 16:33     PGM / RUN BY / DATE");
}

TEST_F(NavConversionTest, NoMemoryForTheFirstLine) {
    failNextArrayNew = true;
    EXPECT_EQ(Convert(kTaggedFirstLine + Tagged_Block(5, 1160)), 1);
    failNextArrayNew = false;
    EXPECT_STREQ(library.LastErrorText, "Not enough memory");
    EXPECT_EQ(Read_File(navPath_), "");
}

TEST_F(NavConversionTest, FullDiskIsAFailure) {
    // A short file fails only when the stream's buffer is flushed at the
    // close; a long one while an ephemeris is written.
    std::string shortFile = kTaggedFirstLine + Tagged_Block(5, 1160);
    std::string longFile = kTaggedFirstLine;
    for (int i = 0; i < 60; ++i) longFile += Tagged_Block(i % 32 + 1, i < 3 ? 1160 : 150);
    for (const std::string& content : {shortFile, longFile}) {
        Reset_Library_State();
        Write_File(ephemerisPath_, content);
        EXPECT_EQ(Ephemeris_To_Nav(ephemerisPath_.c_str(), "/dev/full", "tester"), -1);
        EXPECT_STREQ(library.LastErrorText,
                     "Disk is full.  Could not finish writing the NAV file");
    }
    EXPECT_EQ(library.baseWeek, 1174);  // the fourth ephemeris was written before
}

TEST_F(NavConversionTest, BaseWeekFromTheFourthEphemeris) {
    struct Case {
        const char* name;
        bool weekOverride;
        int count;
        int32_t expectedBaseWeek;
    };
    const Case cases[] = {
        {"three leave it", false, 3, 77},
        {"the fourth, raised", false, 4, 1174},
        {"later ones do not change it", false, 6, 1174},
        {"not under the override", true, 6, 77},
    };
    for (const Case& c : cases) {
        Reset_Library_State();
        Set_Utc_Clock(Fixed_Utc);
        library.baseWeek = 77;
        library.weekOverride = c.weekOverride;
        std::string content;
        for (int i = 1; i <= c.count; ++i) content += Plain_Lines(i, i == 4 ? 150 : 1200 + i);
        EXPECT_EQ(Convert(content), 0) << c.name;
        EXPECT_EQ(library.baseWeek, c.expectedBaseWeek) << c.name;
    }
}

// Numbers of a RINEX navigation record line: the D19.12 fields after the
// first 22 (line 1) or 3 characters.
std::vector<double> Numbers(const std::string& line, bool first) {
    std::vector<double> numbers;
    for (size_t at = first ? 22 : 3; at + 19 <= line.size(); at += 19) {
        std::string field = line.substr(at, 19);
        for (char& c : field) c = c == 'D' ? 'E' : c;
        numbers.push_back(std::strtod(field.c_str(), nullptr));
    }
    return numbers;
}

std::vector<double> Epoch_Values(const std::string& line) {
    std::istringstream fields(line.substr(0, 22));
    std::vector<double> values;
    for (double value = 0; fields >> value;) values.push_back(value);
    return values;
}

TEST_F(NavConversionTest, WeekCountersCarryOverFromOneCallToTheNext) {
    // Under the override the week written is the base week plus the number
    // of times a record's week went up; the week of the last record and the
    // count stay from one call to the next.  The second call's first record
    // (1160 after 1161) does not count, its second one counts again.
    library.weekOverride = true;
    library.baseWeek = 1300;
    const std::string content = kTaggedFirstLine + Tagged_Block(5, 1160) + Tagged_Block(6, 1161);
    struct Case {
        const char* weeks[2];  // third field of line 6 of each record
    };
    const Case calls[] = {{{"  .130000000000D+04", "  .130100000000D+04"}},
                          {{"  .130100000000D+04", "  .130200000000D+04"}}};
    for (const Case& call : calls) {
        ASSERT_EQ(Convert(content), 0);
        const std::vector<std::string> lines = Read_Lines(navPath_);
        ASSERT_EQ(lines.size(), kExpectedHeader.size() + 16);
        for (size_t r = 0; r < 2; ++r) {
            EXPECT_EQ(lines[kExpectedHeader.size() + 8 * r + 5].substr(41, 19), call.weeks[r]) << r;
        }
    }
    EXPECT_EQ(library.navWeekAdvanceCount, 2);
    EXPECT_EQ(library.navPreviousWeek, 1161);
}

TEST_F(NavConversionTest, FirstLineIsReadUpTo249CharactersTheRestAsALine) {
    // The rest of a longer first line is the file's next line: here a block
    // header when it begins exactly at the 250th character.
    struct Case {
        size_t filler;  // characters between "$EPHREC" and "GpsEph {"
        const char* message;
    };
    const Case cases[] = {
        {241, "Wrote 0 ephemeris records"},  // the rest is "psEph {"
        {242, "Wrote 1 ephemeris records"},  // the rest is "GpsEph {"
        {243, "Wrote 0 ephemeris records"},  // the rest is "xGpsEph {"
    };
    std::string block = Tagged_Block(5, 1160);
    block.erase(0, block.find('\n') + 1);  // the lines after the header line
    for (const Case& c : cases) {
        const std::string first = "$EPHREC" + std::string(c.filler, 'x') + "GpsEph {\n";
        EXPECT_EQ(Convert(first + block), 0) << c.filler;
        EXPECT_STREQ(library.LastErrorText, c.message) << c.filler;
    }
}

TEST_F(NavConversionTest, RealFilesInBothFormsMatchTheOriginals) {
    struct Case {
        const char* stem;
        const char* original;
        size_t records;
        int32_t baseWeek;
    };
    const Case cases[] = {
        {"bahr1620", "bahr1620.04n", 166, 1274},
        {"07590920", "07590920.05n", 162, 1316},
    };
    const std::string data = ZER2IVI_SHARED_DATA_DIR;
    for (const Case& c : cases) {
        std::vector<std::string> outputs;
        for (const char* form : {".tagged.eph", ".plain.eph"}) {
            Reset_Library_State();
            Set_Utc_Clock(Fixed_Utc);
            const std::string input = data + "/" + c.stem + form;
            EXPECT_EQ(Ephemeris_To_Nav(input.c_str(), navPath_.c_str(), "tester"), 0) << input;
            EXPECT_EQ(std::string(library.LastErrorText),
                      "Wrote " + std::to_string(c.records) + " ephemeris records") << input;
            EXPECT_EQ(library.baseWeek, c.baseWeek) << input;
            outputs.push_back(Read_File(navPath_));
        }
        ASSERT_EQ(outputs[0], outputs[1]) << c.stem;

        const std::vector<std::string> ours = Split_Lines(outputs[0]);
        std::vector<std::string> original = Read_Lines(data + "/" + c.original);
        size_t start = 0;
        while (start < original.size() &&
               original[start].find("END OF HEADER") == std::string::npos) {
            ++start;
        }
        original.erase(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(start + 1));
        ASSERT_EQ(ours.size(), 3 + c.records * 8) << c.stem;
        ASSERT_EQ(original.size(), c.records * 8) << c.stem;
        // Fields the ephemeris file does not carry: codes on L2 and L2 P flag
        // (orbit 5), SV accuracy and health (orbit 6), transmission time and
        // fit interval (orbit 7).
        const std::vector<std::vector<bool>> carried = {
            {true, true, true},         {true, true, true, true},   {true, true, true, true},
            {true, true, true, true},   {true, true, true, true},   {true, false, true, false},
            {false, false, true, true}, {false, false}};
        for (size_t record = 0; record < c.records; ++record) {
            const size_t at = record * 8;
            // PRN and epoch; the originals write the year with a leading zero.
            EXPECT_EQ(Epoch_Values(ours[3 + at]), Epoch_Values(original[at]))
                << c.stem << " record " << record;
            for (size_t line = 0; line < 8; ++line) {
                const std::vector<double> got = Numbers(ours[3 + at + line], line == 0);
                const std::vector<double> expected = Numbers(original[at + line], line == 0);
                for (size_t field = 0; field < carried[line].size(); ++field) {
                    if (!carried[line][field]) continue;
                    ASSERT_LT(field, got.size());
                    ASSERT_LT(field, expected.size());
                    EXPECT_NEAR(got[field], expected[field], 1e-12 * std::fabs(expected[field]))
                        << c.stem << " record " << record << " line " << line + 1 << " field "
                        << field + 1;
                }
            }
        }
    }
}

}  // namespace
}  // namespace zer2ivi::testing
