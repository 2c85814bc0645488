// Settings records as a careless or hostile host may fill them: texts that
// fill their whole field without a NUL, and paths of 255 characters and
// more, with and without backslashes.
#include <sys/stat.h>

#include <functional>

#include "hardening/hardening_support.h"

namespace zer2ivi::testing {
namespace {

class HostileSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(&Fixed_Utc);
        Write_Zeb(dir.file("in.zeb"), {{345600.0, {Measurement(5, 1, 21000000.5, -1.5)}}});
        Write_File(dir.file("in.eph"), Plain_Ephemeris(5));
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }

    TempDir dir;
};

const std::string* Find_Line(const std::vector<std::string>& lines, const std::string& label) {
    for (const std::string& line : lines) {
        if (line.size() > 60 && line.substr(60) == label) return &line;
    }
    return nullptr;
}

struct UnterminatedTextCase {
    const char* name;
    std::function<char*(Conversion&)> field;  // the field, filled without a NUL
    bool navigationFile;                      // the line is in the navigation header
    const char* label;
    size_t column;  // where the text starts (0-based)
    size_t width;   // how many of its characters the line keeps
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const UnterminatedTextCase& c, std::ostream* os) { *os << c.name; }

class UnterminatedTextTest : public HostileSettingsTest,
                             public ::testing::WithParamInterface<UnterminatedTextCase> {};

TEST_P(UnterminatedTextTest, OnlyTheFieldsFirstCharactersReachTheLine) {
    const UnterminatedTextCase& c = GetParam();
    Conversion conversion(dir);
    char* field = c.field(conversion);
    for (size_t i = 0; i < 128; ++i) field[i] = static_cast<char>('A' + i % 26);
    const std::string expected(field, c.width);

    ASSERT_EQ(conversion.run(), 0) << conversion.message();
    // Without a backslash the whole path is the file part.
    EXPECT_EQ(conversion.message(), "SUCCESS: Wrote 1 epochs to RINEX file " + dir.file("out.obs"));
    const auto header = Header_Lines(Read_Lines(dir.file(c.navigationFile ? "out.nav" : "out.obs")));
    const std::string* line = Find_Line(header, c.label);
    ASSERT_NE(line, nullptr) << c.label;
    EXPECT_EQ(line->size(), 60 + std::strlen(c.label));
    EXPECT_EQ(line->substr(c.column, c.width), expected);
    for (const std::string& text : header) EXPECT_LE(text.size(), 80u) << text;
}

INSTANTIATE_TEST_SUITE_P(
    EveryText, UnterminatedTextTest,
    ::testing::Values(
        UnterminatedTextCase{"ObsRunBy", [](Conversion& c) { return c.obs->runBy; }, false,
                             "PGM / RUN BY / DATE", 20, 20},
        UnterminatedTextCase{"MarkerName", [](Conversion& c) { return c.obs->markerName; },
                             false, "MARKER NAME", 0, 60},
        UnterminatedTextCase{"Observer", [](Conversion& c) { return c.obs->observer; }, false,
                             "OBSERVER / AGENCY", 0, 20},
        UnterminatedTextCase{"Agency", [](Conversion& c) { return c.obs->agency; }, false,
                             "OBSERVER / AGENCY", 20, 40},
        // The last field of its record: a read past it leaves the record.
        UnterminatedTextCase{"NavRunBy", [](Conversion& c) { return c.nav->runBy; }, true,
                             "PGM / RUN BY / DATE", 20, 20}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(HostileSettingsTest, AllTextsAndTheSpareWithoutAnyNulStillConvert) {
    Conversion conversion(dir);
    Fill_Unterminated(conversion.obs->runBy, 'a');
    Fill_Unterminated(conversion.obs->markerName, 'b');
    Fill_Unterminated(conversion.obs->observer, 'c');
    Fill_Unterminated(conversion.obs->agency, 'd');
    std::memset(conversion.obs->spare, 0xff, sizeof conversion.obs->spare);
    Fill_Unterminated(conversion.nav->runBy, 'e');
    ASSERT_EQ(conversion.run(), 0) << conversion.message();
    for (const char* name : {"out.obs", "out.nav"}) {
        for (const std::string& line : Header_Lines(Read_Lines(dir.file(name)))) {
            EXPECT_LE(line.size(), 80u) << name << ": " << line;
        }
    }
}

// A path of exactly length characters in dir: name characters, with
// backslashes between its parts when asked, ending in suffix.
std::string Path_Of_Length(const TempDir& dir, size_t length, bool backslashes,
                           const std::string& suffix) {
    std::string path = dir.path().string() + "/";
    if (backslashes) path += "C:\\gps\\data\\";
    while (path.size() + suffix.size() < length) path += 'p';
    return path + suffix;
}

std::string File_Part(const std::string& path) {
    const size_t slash = path.rfind('\\');
    const std::string part = slash == std::string::npos ? path : path.substr(slash + 1);
    return part.substr(0, kPathFileSize - 1);
}

struct LongPathCase {
    const char* name;
    bool backslashes;
    bool zebMissing;  // the long path is a binary file that does not exist
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const LongPathCase& c, std::ostream* os) { *os << c.name; }

class LongPathTest : public HostileSettingsTest,
                     public ::testing::WithParamInterface<LongPathCase> {};

TEST_P(LongPathTest, MessagesNameTheFilePartWithinTheMessageBuffer) {
    const LongPathCase& c = GetParam();
    Conversion conversion(dir);
    const std::string path = Path_Of_Length(dir, 255, c.backslashes, c.zebMissing ? ".zeb" : ".obs");
    ASSERT_EQ(path.size(), 255u);
    const int descriptors = Open_Descriptor_Count();
    if (c.zebMissing) {
        Copy_Text(conversion.obs->zebFileName, path);
        EXPECT_EQ(conversion.run(), 1);
        EXPECT_EQ(conversion.message(), "ERROR: Could not open: " + File_Part(path));
    } else {
        Copy_Text(conversion.obs->rinexObsFileName, path);
        EXPECT_EQ(conversion.run(), 0);
        EXPECT_EQ(conversion.message(),
                  ("SUCCESS: Wrote 1 epochs to RINEX file " + File_Part(path)).substr(0, 255));
        EXPECT_FALSE(Read_File(path).empty()) << "the output is at the whole path";
    }
    EXPECT_EQ(Open_Descriptor_Count(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(Paths255, LongPathTest,
                         ::testing::Values(LongPathCase{"MissingInputPlain", false, true},
                                           LongPathCase{"MissingInputBackslashes", true, true},
                                           LongPathCase{"OutputPlain", false, false},
                                           LongPathCase{"OutputBackslashes", true, false}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST_F(HostileSettingsTest, MissingEphemerisFileOf255CharactersIsNamedByItsFilePart) {
    for (const bool backslashes : {false, true}) {
        Conversion conversion(dir);
        const std::string path = Path_Of_Length(dir, 255, backslashes, ".eph");
        Copy_Text(conversion.nav->ephemerisFileName, path);
        const int descriptors = Open_Descriptor_Count();
        EXPECT_EQ(conversion.run(), 1);
        EXPECT_EQ(Open_Descriptor_Count(), descriptors);
        EXPECT_EQ(conversion.message(), "Error: Unable to open " + File_Part(path)) << backslashes;
    }
}

TEST_F(HostileSettingsTest, MessageOfAFilePartLongerThanItsBufferIsCut) {
    // 255 characters without a backslash: the file part is the whole path,
    // cut to the 127 characters its buffer holds.
    Conversion conversion(dir);
    const std::string path = Path_Of_Length(dir, 255, false, ".zeb");
    Copy_Text(conversion.obs->zebFileName, path);
    EXPECT_EQ(conversion.run(), 1);
    const std::string message = conversion.message();
    EXPECT_EQ(message.size(), std::strlen("ERROR: Could not open: ") + 127);
    EXPECT_EQ(message.substr(23), path.substr(0, 127));
}

TEST_F(HostileSettingsTest, PathFieldsWithoutAnyNulAreReadWithinTheirFields) {
    // Both output paths fill their 256-byte fields: the files are created at
    // the 256-character paths, nothing beyond the fields is read.
    Conversion conversion(dir);
    const std::string obsPath = Path_Of_Length(dir, 256, false, ".obs");
    const std::string navPath = Path_Of_Length(dir, 256, false, ".nav");
    std::memcpy(conversion.obs->rinexObsFileName, obsPath.data(), 256);
    std::memcpy(conversion.nav->rinexNavFileName, navPath.substr(0, 252).append("xnav").data(),
                256);
    ASSERT_EQ(conversion.run(), 0) << conversion.message();
    EXPECT_FALSE(Read_File(obsPath).empty());
    EXPECT_FALSE(Read_File(navPath.substr(0, 252) + "xnav").empty());
}

}  // namespace
}  // namespace zer2ivi::testing
