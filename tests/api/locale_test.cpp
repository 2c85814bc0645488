// A host that sets a locale whose decimal point is a comma gets the same
// outputs and messages as one that keeps the C locale: RINEX needs '.'.
// The comma locale is built from the system's locale sources into a
// temporary directory (localedef, LOCPATH); without them the tests skip.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/library_state.h"
#include "ephemeris/ephemeris.h"
#include "numbers/numbers.h"
#include "rinex_text/rinex_text.h"
#include "support/test_support.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {
namespace {

using testing::Copy_Text;
using testing::Read_File;
using testing::TempDir;
using testing::Write_File;

const std::string kExamples = std::string(ZER2IVI_SOURCE_DIR) + "/examples";
constexpr const char* kCommaLocale = "de_DE.UTF-8";

class CommaLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(testing::Fixed_Utc);
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        Set_Utc_Clock(nullptr);
    }

    // Switches the process to the comma locale; false when it cannot be made.
    bool Use_Comma_Locale() {
        if (std::setlocale(LC_ALL, kCommaLocale) == nullptr) {
            const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                        locales_.file(kCommaLocale) + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) return false;
            setenv("LOCPATH", locales_.path().c_str(), 1);
            if (std::setlocale(LC_ALL, kCommaLocale) == nullptr) return false;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        return std::string(text) == "1,5";
    }

    // Both files of one conversion into dir, and its message.
    static std::string Convert(const std::string& ephemeris, const TempDir& dir) {
        ObsSettings obs{};
        NavSettings nav{};
        obs.structSize = sizeof obs;
        nav.structSize = sizeof nav;
        Copy_Text(nav.ephemerisFileName, kExamples + "/" + ephemeris);
        Copy_Text(nav.rinexNavFileName, dir.file("out.nav"));
        Copy_Text(obs.zebFileName, kExamples + "/bahr1620.zeb");
        Copy_Text(obs.rinexObsFileName, dir.file("out.obs"));
        Copy_Text(obs.runBy, "locale");
        obs.antennaHeight = 1.5;
        obs.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
        const int32_t result = Zeb_To_Rinex(&obs, &nav);
        char message[ZER2IVI_MESSAGE_SIZE];
        Get_Error_Str(message);
        // The message names the output by its path: the directory is left out.
        std::string text = message;
        const std::string directory = dir.path().string();
        if (text.find(directory) != std::string::npos) {
            text.erase(text.find(directory), directory.size());
        }
        return std::to_string(result) + " " + text + "\n" + Read_File(dir.file("out.nav")) +
               Read_File(dir.file("out.obs"));
    }

    TempDir locales_;
};

TEST_F(CommaLocaleTest, ConversionsWriteTheSameBytes) {
    const std::string forms[] = {"bahr1620.tagged.eph", "bahr1620.plain.eph"};
    const TempDir inC;
    const TempDir inComma;
    std::string expected[2];
    for (int i = 0; i < 2; ++i) expected[i] = Convert(forms[i], inC);
    if (!Use_Comma_Locale()) GTEST_SKIP() << "no comma locale could be made (localedef, de_DE)";
    for (int i = 0; i < 2; ++i) {
        const std::string actual = Convert(forms[i], inComma);
        EXPECT_EQ(actual.substr(0, 2), "0 ") << forms[i];
        EXPECT_TRUE(actual == expected[i]) << forms[i] << ": the outputs differ";
    }
}

TEST_F(CommaLocaleTest, NumbersReadAndWrittenWithAPoint) {
    if (!Use_Comma_Locale()) GTEST_SKIP() << "no comma locale could be made (localedef, de_DE)";
    struct ReadCase {
        const char* text;
        double expected;
    };
    // Each form the full reading takes: hexadecimal, infinity, out of range.
    const ReadCase reads[] = {{"0x1.8p1", 3.0}, {"-1.25e2", -125.0}, {"1e400", HUGE_VAL},
                              {"+.5", 0.5},     {"INF", HUGE_VAL}};
    for (const ReadCase& c : reads) EXPECT_EQ(Read_Double(c.text, nullptr), c.expected) << c.text;
    EXPECT_EQ(Read_Float("0x1.8p1", nullptr), 3.0f);

    struct WriteCase {
        double value;
        int width;
        int precision;
        const char* expected;
    };
    // Values beyond the integer route and precisions beyond nine decimals.
    const WriteCase writes[] = {{1e20, 27, 3, "  100000000000000000000.000"},
                                {-2.5, 8, 12, "-2.500000000000"},
                                {0.125, 6, 2, "  0.12"}};
    for (const WriteCase& c : writes) {
        char text[64];
        Format_Fixed(text, sizeof text, c.value, c.width, c.precision);
        EXPECT_STREQ(text, c.expected) << c.value;
    }
    char field[kRinexDoubleWidth + 1];
    Format_Rinex_Value(field, 1.5e200);
    EXPECT_STREQ(field, "  .150000000000+201");

    // The binary reader's messages print times of week with "%.1lf".
    Format_Message("Error: Epoch %.1lf has more measurements than channels in %s", 345600.25,
                   "x.zeb");
    EXPECT_STREQ(library.LastErrorText,
                 "Error: Epoch 345600.2 has more measurements than channels in x.zeb");
}

TEST(FormatText, FloatingConversionsAsTheCLibraryWritesThem) {
    // In the C locale the library's own floating-point conversions give the
    // C library's text, flags, widths and precisions included.
    const char* formats[] = {"%f", "%.1lf", "%10.3f", "%-10.2f|", "%+.0f", "% e", "%012.4f",
                             "%g", "%.3G", "%E", "%5.1f%%"};
    const double values[] = {0.0, -0.0, 1.5, -2.25, 345600.05, 1e-7, 123456789.125, 1e300,
                             HUGE_VAL, -HUGE_VAL};
    for (const char* format : formats) {
        for (const double value : values) {
            char expected[512];
            std::snprintf(expected, sizeof expected, format, value);
            Format_Message(format, value);
            std::string want(expected);
            if (want.size() > 255) want.resize(255);
            EXPECT_EQ(std::string(library.LastErrorText), want) << format << " " << value;
        }
    }
}

}  // namespace
}  // namespace zer2ivi
