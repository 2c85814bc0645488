#include "base/library_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zer2ivi {
namespace {

class LibraryStateTest : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }
};

TEST_F(LibraryStateTest, StateAtLoad) {
    EXPECT_STREQ(library.LastErrorText, "");
    EXPECT_FALSE(library.weekOverride);
    EXPECT_EQ(library.baseWeek, 0);
    EXPECT_EQ(library.navPreviousWeek, 1000000);
    EXPECT_EQ(library.navWeekAdvanceCount, 0);
}

TEST_F(LibraryStateTest, NewMessageReplacesLongerOneEntirely) {
    Set_Message("Error: Unable to read header from a-rather-long-path.dat");
    Set_Message("End of file");
    EXPECT_STREQ(library.LastErrorText, "End of file");
    Format_Message("Wrote %d ephemeris records", 12);
    EXPECT_STREQ(library.LastErrorText, "Wrote 12 ephemeris records");
}

TEST_F(LibraryStateTest, LongMessagesAreCutAt255Characters) {
    const std::string longPath(300, 'p');
    Format_Message("Error: File %s not found", longPath.c_str());
    EXPECT_EQ(std::strlen(library.LastErrorText), 255u);
    EXPECT_EQ(std::string(library.LastErrorText), ("Error: File " + longPath).substr(0, 255));
    Set_Message(longPath.c_str());
    EXPECT_EQ(std::string(library.LastErrorText), longPath.substr(0, 255));
}

TEST_F(LibraryStateTest, FormatMessageMayQuoteTheMessageItself) {
    Set_Message("abc");
    Format_Message("x%sy", library.LastErrorText);
    EXPECT_STREQ(library.LastErrorText, "xabcy");
}

TEST_F(LibraryStateTest, SplitPathSeparatesAtTheLastBackslashOnly) {
    struct Case {
        const char* path;
        const char* dir;
        const char* file;
    };
    const Case cases[] = {
        {"C:\\data\\file.dat", "C:\\data\\", "file.dat"},
        {"C:file.dat", "", "C:file.dat"},
        {"file.dat", "", "file.dat"},
        {"/tmp/dir/file.dat", "", "/tmp/dir/file.dat"},
        {"C:\\data\\", "C:\\data\\", ""},
        {"\\", "\\", ""},
        {"", "", ""},
        {"a\\b/c\\d", "a\\b/c\\", "d"},
    };
    for (const Case& c : cases) {
        Split_Path(c.path, library.PathDirPart, library.PathFilePart);
        EXPECT_STREQ(library.PathDirPart, c.dir) << c.path;
        EXPECT_STREQ(library.PathFilePart, c.file) << c.path;
    }
}

TEST_F(LibraryStateTest, SplitPathCutsLongPartsToTheirBuffers) {
    // 255-character paths: a long file part, and a long directory part.
    const std::string longFile(255, 'f');
    Split_Path(longFile.c_str(), library.PathDirPart, library.PathFilePart);
    EXPECT_EQ(std::string(library.PathFilePart), longFile.substr(0, 127));
    EXPECT_STREQ(library.PathDirPart, "");

    const std::string longDir = std::string(250, 'd') + "\\" + "name";
    Split_Path(longDir.c_str(), library.PathDirPart, library.PathFilePart);
    EXPECT_EQ(std::string(library.PathDirPart), longDir.substr(0, 251));
    EXPECT_STREQ(library.PathFilePart, "name");

    const std::string overlong = std::string(300, 'd') + "\\" + std::string(200, 'f');
    EXPECT_STREQ(File_Part_Of(overlong.c_str()), std::string(127, 'f').c_str());
    EXPECT_EQ(std::string(library.PathDirPart), std::string(255, 'd'));
}

}  // namespace
}  // namespace zer2ivi
