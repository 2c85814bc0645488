#include <sys/types.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "nav_test_support.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_text/rinex_text.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

class NavWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(Fixed_Utc);
    }

    // Writes with the given writer into a file and returns its lines.
    template <typename Writer>
    std::vector<std::string> Written(Writer write, int32_t expectedResult = 0) {
        const std::string path = dir_.file("out.nav");
        std::FILE* stream = std::fopen(path.c_str(), "w");
        EXPECT_NE(stream, nullptr);
        EXPECT_EQ(write(stream), expectedResult);
        std::fclose(stream);
        return Read_Lines(path);
    }

    std::vector<std::string> Record_Lines(EphemerisRecord& record) {
        return Written([&](std::FILE* s) { return Write_Nav_Record(s, record); });
    }

    TempDir dir_;
};

TEST_F(NavWriterTest, HeaderLinesAndRunByField) {
    EXPECT_EQ(Written([](std::FILE* s) { return Write_Nav_Header(s, "tester"); }), kExpectedHeader);
    struct Case {
        const char* runBy;
        const char* line2;
    };
    const Case cases[] = {
        {"", "DID2ARE Beta                             6-DEC-26 16:33     PGM / RUN BY / DATE"},
        {"operator with a long name",
         "DID2ARE Beta        operator with a long 6-DEC-26 16:33     PGM / RUN BY / DATE"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines =
            Written([&](std::FILE* s) { return Write_Nav_Header(s, c.runBy); });
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1], c.line2);
    }
}

TEST_F(NavWriterTest, RecordLinesCharacterForCharacter) {
    EphemerisRecord record = Example_Record();
    EXPECT_EQ(Record_Lines(record), kExampleRecordLines);
}

TEST_F(NavWriterTest, TenBitWeekWithoutOverrideIsRaisedInTheRecord) {
    EphemerisRecord record = Example_Record();
    record.week = 136;
    EXPECT_EQ(Record_Lines(record), kExampleRecordLines);
    EXPECT_EQ(record.week, 1160);
}

TEST_F(NavWriterTest, TenBitWeekUnderOverrideIsDatedFromTheBaseWeek) {
    library.weekOverride = true;
    library.baseWeek = 1160;
    EphemerisRecord record = Example_Record();
    record.week = 136;
    EXPECT_EQ(Record_Lines(record), kExampleRecordLines);
    EXPECT_EQ(record.week, 136);
}

TEST_F(NavWriterTest, WeekAdvanceCountUnderOverride) {
    library.weekOverride = true;
    library.baseWeek = 1160;
    struct Case {
        int32_t week;
        const char* epoch;       // first 22 characters of line 1
        const char* weekField;   // third field of line 6
    };
    // toe 0 is the Sunday that begins the week.
    const Case cases[] = {
        {1160, " 5  2  3 31  0  0  0.0", "  .116000000000D+04"},
        {1161, " 5  2  4  7  0  0  0.0", "  .116100000000D+04"},
        {1161, " 5  2  4  7  0  0  0.0", "  .116100000000D+04"},
        {1160, " 5  2  4  7  0  0  0.0", "  .116100000000D+04"},  // a lower week does not count
        {1161, " 5  2  4 14  0  0  0.0", "  .116200000000D+04"},
    };
    for (const Case& c : cases) {
        EphemerisRecord record = Example_Record();
        record.week = c.week;
        record.toe = 0;
        const std::vector<std::string> lines = Record_Lines(record);
        ASSERT_EQ(lines.size(), 8u);
        EXPECT_EQ(lines[0].substr(0, 22), c.epoch) << c.week;
        EXPECT_EQ(lines[5].substr(41, 19), c.weekField) << c.week;
        EXPECT_EQ(record.week, c.week);
    }
    EXPECT_EQ(library.navWeekAdvanceCount, 2);
    EXPECT_EQ(library.navPreviousWeek, 1161);
}

TEST_F(NavWriterTest, AbsurdValuesStayWithinTheirFields) {
    EphemerisRecord record = Example_Record();
    record.prn = 123;
    EXPECT_EQ(Record_Lines(record)[0],
              "123  2  4  5  0  0  0.0 -.123456789012D-04 -.454747350890D-12  .000000000000D+00");
    library.weekOverride = true;
    library.baseWeek = INT32_MAX;
    record.week = INT32_MAX;  // the advance count makes base + count overflow
    const std::vector<std::string> lines = Record_Lines(record);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[5].substr(41, 19), "  .214748364700D+10");
}

// A stream that takes whole writes until its capacity would be passed and
// fails every write from then on, like a disk that fills up.
struct LimitedDisk {
    std::string content;
    size_t capacity;
    bool full = false;
};

ssize_t Limited_Write(void* cookie, const char* data, size_t size) {
    LimitedDisk& disk = *static_cast<LimitedDisk*>(cookie);
    if (disk.full || disk.content.size() + size > disk.capacity) {
        disk.full = true;
        return 0;  // a cookie stream's way of reporting a failed write
    }
    disk.content.append(data, size);
    return static_cast<ssize_t>(size);
}

std::FILE* Open_Limited(LimitedDisk& disk) {
    cookie_io_functions_t functions{};
    functions.write = Limited_Write;
    std::FILE* stream = fopencookie(&disk, "w", functions);
    if (stream != nullptr) std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

TEST_F(NavWriterTest, WriteFailureStopsAtTheFailingLine) {
    // Header, one whole record, then the second record fails at each of its
    // eight lines in turn: what was written before stays whole, nothing after.
    std::string before;
    for (const std::string& line : kExpectedHeader) before += line + "\n";
    for (const std::string& line : kExampleRecordLines) before += line + "\n";
    for (size_t failing = 0; failing < kExampleRecordLines.size(); ++failing) {
        std::string fits = before;
        for (size_t i = 0; i < failing; ++i) fits += kExampleRecordLines[i] + "\n";
        LimitedDisk disk{"", fits.size()};
        std::FILE* stream = Open_Limited(disk);
        ASSERT_NE(stream, nullptr);
        EphemerisRecord record = Example_Record();
        EXPECT_EQ(Write_Nav_Header(stream, "tester"), 0);
        EXPECT_EQ(Write_Nav_Record(stream, record), 0);
        EXPECT_EQ(Write_Nav_Record(stream, record), 1) << "line " << failing + 1;
        std::fclose(stream);
        EXPECT_EQ(disk.content, fits) << "line " << failing + 1;
    }
}

TEST_F(NavWriterTest, HeaderWriteFailureAtEachLine) {
    for (size_t failing = 0; failing < kExpectedHeader.size(); ++failing) {
        std::string fits;
        for (size_t i = 0; i < failing; ++i) fits += kExpectedHeader[i] + "\n";
        LimitedDisk disk{"", fits.size()};
        std::FILE* stream = Open_Limited(disk);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(Write_Nav_Header(stream, "tester"), 1) << "line " << failing + 1;
        std::fclose(stream);
        EXPECT_EQ(disk.content, fits) << "line " << failing + 1;
    }
}

}  // namespace
}  // namespace zer2ivi::testing
