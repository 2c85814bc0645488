// The conversion API: per-call week, typed errors with file and offset,
// the log's extent on cut logs, the results' figures, and a call leaving
// the exports' process state and standard output alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "api/conversion.h"
#include "base/library_state.h"
#include "rinex_obs/zeb_test_file.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

using testing::Measurement;
using testing::TempDir;
using testing::TestEpoch;

std::string Read_All(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write_All(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Epochs of 30 s with 1, 2, 3... satellites: each epoch's size differs.
std::vector<TestEpoch> Growing_Epochs(int count) {
    std::vector<TestEpoch> epochs;
    for (int i = 0; i < count; ++i) {
        TestEpoch epoch;
        epoch.timeOfWeek = 345600.0 + 30.0 * i;
        for (int s = 0; s <= i; ++s)
            epoch.measurements.push_back(
                Measurement(static_cast<uint8_t>(s + 1), 5, 2.0e7 + s, 1.0e5 + s));
        epochs.push_back(epoch);
    }
    return epochs;
}

// Where each epoch ends, counted from the record sizes of the format
// (202-byte header, 68-byte position records, 44-byte measurements).
std::vector<uint64_t> Epoch_Ends(int count) {
    std::vector<uint64_t> ends;
    uint64_t offset = 202;
    for (int i = 0; i < count; ++i) {
        offset += 68 + 44 * static_cast<uint64_t>(i + 1);
        ends.push_back(offset);
    }
    return ends;
}

api::ObservationRequest Request(const std::string& log, const std::string& output) {
    api::ObservationRequest request;
    request.log = log;
    request.output = output;
    request.texts.runBy = "test";
    request.texts.marker = "MARK";
    request.gpsWeek = 1620;  // January 2011
    return request;
}

size_t Count_Epoch_Lines(const std::string& rinex) {
    // Epoch lines of these files begin " 11  1 2" (January 2011).
    size_t count = 0;
    size_t at = rinex.find("END OF HEADER");
    while (at != std::string::npos && (at = rinex.find("\n 11  1 ", at)) != std::string::npos) {
        ++count;
        ++at;
    }
    return count;
}

TEST(ConversionApi, CutLogKeepsTheWholeEpochsBeforeTheCutOnlyWhenAsked) {
    TempDir dir;
    const std::string whole = dir.file("whole.zeb");
    testing::Write_Zeb(whole, Growing_Epochs(6));
    const std::vector<uint64_t> ends = Epoch_Ends(6);
    const std::string bytes = Read_All(whole);
    ASSERT_EQ(bytes.size(), ends.back());
    struct Case {
        const char* name;
        uint64_t cut;          // file length after the cut
        int32_t wholeEpochs;   // epochs entirely before it
        bool failsUnlessKept;  // the reader refuses the cut
    };
    const Case cases[] = {
        {"inside a measurement record", ends[3] + 68 + 10, 4, true},
        {"right after a position record", ends[3] + 68, 4, true},
        {"one byte short of an epoch's end", ends[4] - 1, 4, true},
        {"inside a position record", ends[2] + 67, 3, false},
        {"one byte into the first epoch", 203, 0, false},
        {"at an epoch's end", ends[4], 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string log = dir.file("cut.zeb");
        Write_All(log, bytes.substr(0, c.cut));
        const std::string output = dir.file("cut.o");
        const uint64_t converted = c.wholeEpochs == 0 ? 202 : ends[c.wholeEpochs - 1];

        const api::ObservationResult plain = api::Convert_Observations(Request(log, output));
        if (c.failsUnlessKept) {
            EXPECT_EQ(plain.error.code, api::ErrorCode::DamagedLog);
            EXPECT_EQ(plain.error.file, log);
            EXPECT_EQ(plain.error.byteOffset, static_cast<int64_t>(converted));
            EXPECT_EQ(plain.error.message, "ERROR: Problem scanning: " + log);
        } else {
            EXPECT_FALSE(plain.error) << plain.error.message;
            EXPECT_EQ(plain.epochsWritten, c.wholeEpochs);
        }

        api::ObservationRequest keep = Request(log, output);
        keep.keepEpochsBeforeCut = true;
        const api::ObservationResult kept = api::Convert_Observations(keep);
        ASSERT_FALSE(kept.error) << kept.error.message;
        EXPECT_EQ(kept.epochsWritten, c.wholeEpochs);
        EXPECT_EQ(Count_Epoch_Lines(Read_All(output)), static_cast<size_t>(c.wholeEpochs));
        EXPECT_EQ(kept.extent.fileSize, c.cut);
        EXPECT_EQ(kept.extent.bytesConverted, converted);
        if (converted == c.cut) {
            EXPECT_TRUE(kept.warnings.empty());
            EXPECT_TRUE(kept.extent.notConvertedReason.empty());
        } else {
            ASSERT_EQ(kept.warnings.size(), 1u);
            const std::string range = "bytes " + std::to_string(converted) + " to " +
                                      std::to_string(c.cut) + " (" +
                                      std::to_string(c.cut - converted) + " bytes)";
            EXPECT_NE(kept.warnings[0].find(range), std::string::npos) << kept.warnings[0];
            EXPECT_NE(kept.extent.notConvertedReason.find(
                          "epoch " + std::to_string(c.wholeEpochs + 1) + " at byte offset " +
                          std::to_string(converted)),
                      std::string::npos)
                << kept.extent.notConvertedReason;
        }
    }
}

TEST(ConversionApi, TheWeekIsAnOptionOfTheCallNotOfTheProcess) {
    TempDir dir;
    const std::string log = dir.file("log.zeb");
    testing::Write_Zeb(log, Growing_Epochs(3));
    Reset_Library_State();
    Set_Message("before");
    struct Case {
        std::optional<int32_t> week;
        int32_t datedWeek;
    };
    const Case cases[] = {{1620, 1620}, {std::nullopt, 1024}, {499, 1523}, {500, 500}};
    for (const Case& c : cases) {
        api::ObservationRequest request = Request(log, dir.file("log.o"));
        request.gpsWeek = c.week;
        const api::ObservationResult result = api::Convert_Observations(request);
        ASSERT_FALSE(result.error) << result.error.message;
        EXPECT_EQ(result.first.week, c.datedWeek);
        EXPECT_EQ(result.first.secondsOfWeek, 345600.0);
        EXPECT_EQ(result.last.secondsOfWeek, 345660.0);
        EXPECT_EQ(result.interval, 30.0);
        EXPECT_FALSE(library.weekOverride);
        EXPECT_EQ(library.baseWeek, 0);
        EXPECT_STREQ(library.LastErrorText, "before");
    }
}

TEST(ConversionApi, ResultCountsEachSatellitesValuesAndTheTypes) {
    TempDir dir;
    const std::string log = dir.file("log.zeb");
    testing::Write_Zeb(log, Growing_Epochs(4));  // satellite s in epochs s..4
    api::ObservationRequest request = Request(log, dir.file("log.o"));
    request.types = OBS_C1 | OBS_P2;
    const api::ObservationResult result = api::Convert_Observations(request);
    ASSERT_FALSE(result.error) << result.error.message;
    EXPECT_EQ(result.epochsWritten, 4);
    EXPECT_EQ(result.typesInLog, static_cast<uint32_t>(OBS_C1 | OBS_L1));
    EXPECT_EQ(result.typesWritten, static_cast<uint32_t>(OBS_C1));
    ASSERT_EQ(result.satellites.size(), 4u);
    for (int s = 1; s <= 4; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(result.satellites[static_cast<size_t>(s - 1)].number, s);
        EXPECT_EQ(result.satellites[static_cast<size_t>(s - 1)].values[0], 5 - s);  // C1
        EXPECT_EQ(result.satellites[static_cast<size_t>(s - 1)].values[1], 5 - s);  // L1
        EXPECT_EQ(result.satellites[static_cast<size_t>(s - 1)].values[2], 0);      // L2
    }
    EXPECT_EQ(result.message, "SUCCESS: Wrote 4 epochs to RINEX file " + dir.file("log.o"));
}

TEST(ConversionApi, ErrorsAreTypedAndNameTheirFile) {
    TempDir dir;
    const std::string log = dir.file("log.zeb");
    testing::Write_Zeb(log, Growing_Epochs(2));
    Write_All(dir.file("short.zeb"), std::string(100, '\0'));
    std::string wrongSize(202, '\0');
    wrongSize[0] = 7;
    Write_All(dir.file("wrong.zeb"), wrongSize);
    const std::string noDirectory = dir.file("none/x.o");
    struct Case {
        std::string log, output;
        api::ErrorCode code;
        std::string file;
    };
    const Case cases[] = {
        {dir.file("missing.zeb"), dir.file("a.o"), api::ErrorCode::CannotOpenInput, dir.file("missing.zeb")},
        {dir.file("short.zeb"), dir.file("a.o"), api::ErrorCode::NotALog, dir.file("short.zeb")},
        {dir.file("wrong.zeb"), dir.file("a.o"), api::ErrorCode::NotALog, dir.file("wrong.zeb")},
        {log, noDirectory, api::ErrorCode::CannotOpenOutput, noDirectory},
        {log, std::string(300, 'x'), api::ErrorCode::InvalidRequest, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log + " -> " + c.output);
        const api::ObservationResult result = api::Convert_Observations(Request(c.log, c.output));
        EXPECT_EQ(result.error.code, c.code);
        EXPECT_EQ(result.error.file, c.file);
        EXPECT_FALSE(result.error.message.empty());
    }

    Write_All(dir.file("empty.eph"), "");
    struct NavCase {
        std::string ephemeris, output;
        api::ErrorCode code;
    };
    const NavCase navCases[] = {
        {dir.file("missing.eph"), dir.file("a.n"), api::ErrorCode::CannotOpenInput},
        {dir.file("empty.eph"), dir.file("a.n"), api::ErrorCode::EmptyEphemeris},
        {dir.file("empty.eph"), dir.file("none/a.n"), api::ErrorCode::CannotOpenOutput},
    };
    for (const NavCase& c : navCases) {
        SCOPED_TRACE(c.ephemeris + " -> " + c.output);
        const api::NavigationResult result =
            api::Convert_Navigation({c.ephemeris, c.output, "test"});
        EXPECT_EQ(result.error.code, c.code) << result.error.message;
    }
}

TEST(ConversionApi, TheTimeCodesMessageIsAWarningNotPrinted) {
    TempDir dir;
    const std::string log = dir.file("log.zeb");
    testing::Write_Zeb(log, Growing_Epochs(2));
    api::ObservationRequest request = Request(log, dir.file("log.o"));
    request.gpsWeek = -5000;  // dates before 1970
    ::testing::internal::CaptureStdout();
    const api::ObservationResult result = api::Convert_Observations(request);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    ASSERT_FALSE(result.error) << result.error.message;
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_NE(result.warnings[0].find("Bad day number"), std::string::npos);
    EXPECT_TRUE(library.printTimeCodeMessages);
}

TEST(ConversionApi, BothFilesDateTheEpochsByTheFourthEphemerisUnlessAWeekIsGiven) {
    // 2004-06-10 (day 162) lies in GPS week 1274.
    const std::string data = ZER2IVI_SHARED_DATA_DIR;
    TempDir dir;
    struct Case {
        std::optional<int32_t> week;
        int32_t datedWeek;
    };
    for (const Case& c : {Case{std::nullopt, 1274}, Case{1300, 1300}}) {
        api::ObservationRequest request =
            Request(data + "/bahr1620.zeb", dir.file("bahr.o"));
        request.gpsWeek = c.week;
        const api::ConversionResult result = api::Convert(
            {data + "/bahr1620.tagged.eph", dir.file("bahr.n"), "test"}, request);
        ASSERT_FALSE(result.navigation.error) << result.navigation.error.message;
        ASSERT_EQ(result.navigation.datingWeek, std::optional<int32_t>(1274));
        ASSERT_FALSE(result.observations.error) << result.observations.error.message;
        EXPECT_EQ(result.observations.first.week, c.datedWeek);
        EXPECT_EQ(result.observations.epochsWritten, 120);
        EXPECT_EQ(result.observations.extent.bytesConverted, result.observations.extent.fileSize);
        EXPECT_FALSE(library.weekOverride);
    }
}

}  // namespace
}  // namespace zer2ivi
