#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <string>

#include "base/library_state.h"
#include "rinex_text/rinex_text.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

TEST(PadField, CutsOrPadsToExactlyTheWidth) {
    struct Case {
        const char* source;
        int width;
        const char* expected;
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", 4, "ABCD"}, {"ABCD", 4, "ABCD"}, {"AB", 4, "AB  "},
        {"", 3, "   "},            {"ABC", 0, ""},      {"", 0, ""},
    };
    for (const Case& c : cases) {
        char out[32];
        std::memset(out, 'x', sizeof out);
        Pad_Field(out, c.source, c.width);
        EXPECT_STREQ(out, c.expected) << c.source << " " << c.width;
    }
}

TEST(PadField, ReadsNoMoreThanTheWidthOfAnUnterminatedSource) {
    const char unterminated[4] = {'W', 'X', 'Y', 'Z'};
    char out[5];
    Pad_Field(out, unterminated, 4);
    EXPECT_STREQ(out, "WXYZ");
}

TEST(SatelliteLabel, GpsUpTo32AndGlonassAbove) {
    struct Case {
        int32_t number;
        const char* label;
    };
    const Case cases[] = {{0, "G 0"}, {5, "G 5"}, {32, "G32"}, {33, "R33"}, {40, "R40"}, {64, "R64"}};
    for (const Case& c : cases) {
        char label[8];
        Satellite_Label(label, c.number);
        EXPECT_STREQ(label, c.label);
    }
}

std::tm Utc(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return t;
}

TEST(RinexDateText, DayMonthYearHourMinuteBlankPadded) {
    struct Case {
        std::tm time;
        const char* text;
    };
    const Case cases[] = {
        {Utc(2026, 12, 6, 16, 33), " 6-DEC-26 16:33"},
        {Utc(2002, 5, 16, 17, 36), "16-MAY- 2 17:36"},
        {Utc(2007, 1, 1, 0, 0), " 1-JAN- 7  0:00"},
        {Utc(2019, 11, 30, 9, 5), "30-NOV-19  9:05"},
    };
    for (const Case& c : cases) {
        char text[20];
        Rinex_Date_Text_At(text, c.time);
        EXPECT_STREQ(text, c.text);
    }
}

TEST(RinexDateText, UsesTheInstalledClockThenTheSystemClock) {
    Reset_Library_State();
    Set_Utc_Clock([] { return Utc(2002, 5, 16, 17, 36); });
    char text[20];
    Rinex_Date_Text(text);
    EXPECT_STREQ(text, "16-MAY- 2 17:36");
    Set_Utc_Clock(nullptr);
    Rinex_Date_Text(text);
    EXPECT_EQ(std::strlen(text), 15u);
    EXPECT_EQ(text[2], '-');
    EXPECT_EQ(text[6], '-');
}

TEST(LineBuilder, HeaderLineLayoutPutsTheLabelInColumn61) {
    LineBuilder line;
    line.field("DID2ARE Beta", 20).field("a run-by text longer than twenty", 20).field(" 6-DEC-26 16:33", 20).label("PGM / RUN BY / DATE");
    EXPECT_EQ(std::string(line.c_str()),
              "DID2ARE Beta        a run-by text longer 6-DEC-26 16:33     PGM / RUN BY / DATE");
    LineBuilder end;
    end.field("", 60).label("END OF HEADER");
    EXPECT_EQ(end.length(), 73u);
    EXPECT_EQ(std::string(end.c_str()), std::string(60, ' ') + "END OF HEADER");
}

TEST(LineBuilder, NeverRunsPastItsBuffer) {
    LineBuilder line;
    for (int i = 0; i < 20; ++i) line.fixed(1e300, 14, 3);
    EXPECT_EQ(line.length(), static_cast<size_t>(kLineBufferSize));
    line.field("more", 20).text("more").integer(123456, 6).pad_to(500);
    EXPECT_EQ(line.length(), static_cast<size_t>(kLineBufferSize));
    EXPECT_EQ(std::strlen(line.c_str()), static_cast<size_t>(kLineBufferSize));
    line.pad_to(80);
    EXPECT_EQ(line.length(), 80u);
}

TEST(LineBuilder, NumbersAndPadding) {
    LineBuilder line;
    line.integer(5, 6).integer(-12, 6).integer(1234567, 6).fixed(-1000.25, 14, 3).pad_to(40);
    EXPECT_EQ(std::string(line.c_str()), "     5   -121234567     -1000.250       ");
}

TEST(LineBuilder, WritesTheLineAndItsLineEndOrReportsFailure) {
    testing::TempDir dir;
    const std::string path = dir.file("line.txt");
    std::FILE* out = std::fopen(path.c_str(), "w");
    ASSERT_NE(out, nullptr);
    LineBuilder line;
    line.text("G 5").pad_to(6);
    EXPECT_TRUE(line.write_to(out));
    EXPECT_EQ(std::fclose(out), 0);
    EXPECT_EQ(testing::Read_File(path), "G 5   \n");

    std::FILE* readOnly = std::fopen(path.c_str(), "r");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(line.write_to(readOnly));
    std::fclose(readOnly);
}

TEST(SatelliteLabelAgainstSnprintf, EveryNumberAndEdges) {
    for (int32_t n = -1000; n <= 1000; ++n) {
        char expected[8];
        std::snprintf(expected, sizeof expected, n <= 32 ? "G%2d" : "R%2d", n);
        char actual[8];
        Satellite_Label(actual, n);
        EXPECT_STREQ(actual, expected) << n;
    }
    for (int32_t n : {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                      99999, -99999}) {
        char expected[8];
        std::snprintf(expected, sizeof expected, n <= 32 ? "G%2d" : "R%2d", n);
        char actual[8];
        Satellite_Label(actual, n);
        EXPECT_STREQ(actual, expected) << n;
    }
}

TEST(RinexDateText, TheRunDateIsUtcWhateverTheTimeZone) {
    // Fourteen hours ahead of UTC: the local date or hour differs from UTC's.
    const char* saved = std::getenv("TZ");
    const std::string previous = saved != nullptr ? saved : "";
    setenv("TZ", "<+14>-14", 1);
    tzset();
    Set_Utc_Clock(nullptr);
    std::string expected[2];
    char actual[20];
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Read UTC before and after: a minute may turn between them.
        const std::time_t before = std::time(nullptr);
        Rinex_Date_Text(actual);
        const std::time_t after = std::time(nullptr);
        const std::time_t moments[2] = {before, after};
        for (int i = 0; i < 2; ++i) {
            std::tm utc{};
            gmtime_r(&moments[i], &utc);
            char text[20];
            Rinex_Date_Text_At(text, utc);
            expected[i] = text;
        }
        std::tm local{};
        localtime_r(&before, &local);
        std::tm utc{};
        gmtime_r(&before, &utc);
        EXPECT_NE(local.tm_hour, utc.tm_hour) << "the time zone did not take effect";
        if (expected[0] == expected[1]) break;
    }
    EXPECT_TRUE(actual == expected[0] || actual == expected[1]) << actual;
    if (saved != nullptr) {
        setenv("TZ", previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace
}  // namespace zer2ivi
