#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "api/api.h"
#include "base/library_state.h"
#include "rinex_obs/rinex_obs.h"
#include "rinex_obs/zeb_test_file.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

using testing::Copy_Text;
using testing::Measurement;
using testing::TempDir;
using testing::TestEpoch;

constexpr int32_t kBaseWeek = 1100;
constexpr uint32_t kAllTypes = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
constexpr const char* kDiskFull = "ERROR: Disk full. Can not finish writing RINEX file.";
// Every header line kind but "INTERVAL" and "PRN / # OF OBS".
constexpr size_t kHeaderLinesWithoutSatellites = 15;

ObsSettings Settings_For(const std::string& zebPath, const std::string& outputPath,
                         uint32_t mask = kAllTypes) {
    ObsSettings settings{};
    settings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    Copy_Text(settings.zebFileName, zebPath);
    Copy_Text(settings.rinexObsFileName, outputPath);
    Copy_Text(settings.runBy, "zer2ivi test");
    Copy_Text(settings.markerName, "TEST");
    Copy_Text(settings.observer, "Observer");
    Copy_Text(settings.agency, "Agency");
    settings.antennaHeight = 1.5;
    settings.obsTypeMask = mask;
    return settings;
}

TestEpoch Epoch(double timeOfWeek, std::vector<MeasurementRecord> measurements = {},
                double clockOffset = 0.0) {
    TestEpoch epoch;
    epoch.timeOfWeek = timeOfWeek;
    epoch.measurements = std::move(measurements);
    epoch.clockOffset = clockOffset;
    return epoch;
}

std::string Success(int epochs, const std::string& filePart) {
    return "SUCCESS: Wrote " + std::to_string(epochs) + " epochs to RINEX file " + filePart;
}

class ConvertObservationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        library.baseWeek = kBaseWeek;
        Set_Utc_Clock(&testing::Fixed_Utc);
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }

    // Writes the epochs and converts them; the lines of the output.
    std::vector<std::string> Convert(const std::vector<TestEpoch>& epochs, uint32_t mask,
                                     int32_t expectedResult = 0) {
        testing::Write_Zeb(zebPath_, epochs);
        EXPECT_EQ(Convert_Observations(Settings_For(zebPath_, outputPath_, mask)), expectedResult)
            << library.LastErrorText;
        return testing::Read_Lines(outputPath_);
    }

    // The epoch blocks: everything after "END OF HEADER".
    static std::vector<std::string> After_Header(const std::vector<std::string>& lines) {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].size() > 60 && lines[i].substr(60) == "END OF HEADER") {
                return std::vector<std::string>(lines.begin() + static_cast<long>(i) + 1,
                                                lines.end());
            }
        }
        ADD_FAILURE() << "no END OF HEADER";
        return {};
    }

    static std::string Line_With(const std::vector<std::string>& lines, const std::string& label) {
        for (const std::string& line : lines) {
            if (line.size() > 60 && line.substr(60) == label) return line;
        }
        return "";
    }

    TempDir dir_;
    std::string zebPath_ = dir_.file("input.zeb");
    // Messages name the file part after the last backslash only.
    std::string outputPath_ = dir_.file("rinex\\output.obs");
};

TEST_F(ConvertObservationsTest, WholeConversionOfAGeneratedFile) {
    TestEpoch first = Epoch(345600.0,
                            {Measurement(3, 10, 21000000.125, 110355000.5, 85990000.25, 21000001.375, -1500.75),
                             Measurement(40, 5, 22000000.5, 117000000.0, 91000000.0)},
                            299.792458);
    first.positionFlags = 2;
    first.height = 50.0f;
    const TestEpoch second = Epoch(
        345630.0,
        {Measurement(3, 11, 21000450.0, 110357364.0, 85991842.0, 21000451.25, -1501.0),
         Measurement(40, 2, 22000100.0, 117000525.5, 91000408.5),
         Measurement(12, 4, 23000000.0, 120866000.0, 94181000.0, 23000002.0, 2000.5)},
        -2997.92458);
    const TestEpoch third = Epoch(
        345660.0,
        {Measurement(3, 11, 21000900.0, 110359729.0, 85993685.0, 21000901.25, -1501.25),
         Measurement(12, 4, 22999800.0, 120864949.0, 94180180.5, 22999802.0, 2000.25)});

    const std::vector<std::string> expected = {
        "     2              OBSERVATION DATA    M                   RINEX VERSION / TYPE",
        "BLANK OR G = GPS, R = GLONASS, T = TRANSIT, M = MIXED       COMMENT",
        "DID2ARE Beta        zer2ivi test         6-DEC-26 16:33     PGM / RUN BY / DATE",
        "TEST                                                        MARKER NAME",
        "Observer            Agency                                  OBSERVER / AGENCY",
        "                    Originally RINEX                        REC # / TYPE / VERS",
        "                                                            ANT # / TYPE",
        "    6378187.00          0.00          0.00                  APPROX POSITION XYZ",
        "         1.500         0.000         0.000                  ANTENNA: DELTA H/E/N",
        "     1     1                                                WAVELENGTH FACT L1/2",
        "     5    C1    L1    L2    P2    D1                        # / TYPES OF OBSERV",
        "    30                                                      INTERVAL",
        "  2001     2     8     0     0    0.000000                  TIME OF FIRST OBS",
        "  2001     2     8     0     1    0.000000                  TIME OF LAST OBS",
        "     3                                                      # OF SATELLITES",
        "   G 3     3     3     3     3     3                        PRN / # OF OBS",
        "   G12     2     2     2     2     2                        PRN / # OF OBS",
        "   R40     2     2     2     0     0                        PRN / # OF OBS",
        "                                                            END OF HEADER",
        "  1  2  8  0  0  0.0000000  0  2G 3R40                               0.000001000",
        "  21000000.12510-110355000.50010 -85990000.25010  21000001.37510     -1500.75010",
        "  22000000.50010-117000000.00010 -91000000.00010         0.00010         0.00010",
        "  1  2  8  0  0 30.0000000  0  3G 3R40G12                           -0.000010000",
        "  21000450.00000-110357364.00000 -85991842.00000  21000451.25000     -1501.00000",
        "  22000100.00010-117000525.50010 -91000408.50010         0.00010         0.00010",
        "  23000000.00010-120866000.00010 -94181000.00010  23000002.00010      2000.50010",
        "  1  2  8  0  1  0.0000000  0  2G 3G12                               0.000000000",
        "  21000900.00000-110359729.00000 -85993685.00000  21000901.25000     -1501.25000",
        "  22999800.00000-120864949.00000 -94180180.50000  22999802.00000      2000.25000",
    };
    EXPECT_EQ(Convert({first, second, third}, kAllTypes), expected);
    EXPECT_STREQ(library.LastErrorText, Success(3, "output.obs").c_str());
}

TEST_F(ConvertObservationsTest, EachBackwardStepOfTheTimeAddsOneWeek) {
    struct Case {
        std::vector<double> times;
        std::vector<std::string> epochLines;
        const char* lastObs;
    };
    const Case cases[] = {
        {{604790.0, 604799.0, 5.0, 10.0},
         {"  1  2 10 23 59 50.0000000  0  0                                     0.000000000",
          "  1  2 10 23 59 59.0000000  0  0                                     0.000000000",
          "  1  2 11  0  0  5.0000000  0  0                                     0.000000000",
          "  1  2 11  0  0 10.0000000  0  0                                     0.000000000"},
         "  2001     2    11     0     0   10.000000                  TIME OF LAST OBS"},
        {{100.0, 100.0},
         {"  1  2  4  0  1 40.0000000  0  0                                     0.000000000",
          "  1  2  4  0  1 40.0000000  0  0                                     0.000000000"},
         "  2001     2     4     0     1   40.000000                  TIME OF LAST OBS"},
        {{-5.0},
         {"  1  2 10 23 59 55.0000000  0  0                                     0.000000000"},
         "  2001     2    10    23    59   55.000000                  TIME OF LAST OBS"},
    };
    for (const Case& c : cases) {
        std::vector<TestEpoch> epochs;
        for (double time : c.times) epochs.push_back(Epoch(time));
        const std::vector<std::string> lines = Convert(epochs, kAllTypes);
        EXPECT_EQ(After_Header(lines), c.epochLines);
        EXPECT_EQ(Line_With(lines, "TIME OF LAST OBS"), c.lastObs);
    }
}

TEST_F(ConvertObservationsTest, WrittenTypesAreThoseAskedForAndPresent) {
    struct Case {
        uint32_t mask;
        const char* typesLine;
        const char* prnLine;
        const char* observationLine;
    };
    const Case cases[] = {
        {kAllTypes,
         "     1    C1                                                # / TYPES OF OBSERV",
         "   G 7     1                                                PRN / # OF OBS",
         "  21000000.00010                                                                "},
        {OBS_L1 | OBS_D1,
         "     0                                                      # / TYPES OF OBSERV",
         "   G 7                                                      PRN / # OF OBS",
         "                                                                                "},
        {0,
         "     0                                                      # / TYPES OF OBSERV",
         "   G 7                                                      PRN / # OF OBS",
         "                                                                                "},
    };
    for (const Case& c : cases) {
        // Every value but C1 is zero.
        const std::vector<std::string> lines =
            Convert({Epoch(0.0, {Measurement(7, 1, 21000000.0)})}, c.mask);
        EXPECT_EQ(Line_With(lines, "# / TYPES OF OBSERV"), c.typesLine) << c.mask;
        EXPECT_EQ(Line_With(lines, "PRN / # OF OBS"), c.prnLine) << c.mask;
        const std::vector<std::string> blocks = After_Header(lines);
        ASSERT_EQ(blocks.size(), 2u) << c.mask;
        EXPECT_EQ(blocks[1], c.observationLine) << c.mask;
    }
}

TEST_F(ConvertObservationsTest, EpochCountOfSmallFiles) {
    for (int epochs = 0; epochs <= 2; ++epochs) {
        std::vector<TestEpoch> input;
        for (int i = 0; i < epochs; ++i) input.push_back(Epoch(30.0 * i, {Measurement(1, 1, 1.0)}));
        const std::vector<std::string> lines = Convert(input, kAllTypes);
        EXPECT_STREQ(library.LastErrorText, Success(epochs, "output.obs").c_str());
        const size_t satelliteLines = epochs > 0 ? 1 : 0;
        ASSERT_EQ(lines.size(), kHeaderLinesWithoutSatellites + satelliteLines + 2u * epochs);
        EXPECT_EQ(Line_With(lines, "INTERVAL"), "");
        EXPECT_EQ(After_Header(lines).size(), 2u * epochs);
    }
}

TEST_F(ConvertObservationsTest, FailuresLeaveOneMessageAndTheOutputAsFarAsWritten) {
    const std::string output = dir_.file("out\\day1.obs");
    const std::string missing = dir_.file("C:\\gps\\day1.dat");
    const std::string shortHeader = dir_.file("data\\short.zeb");
    testing::Write_File(shortHeader, std::string(100, '\0'));
    const std::string cut = dir_.file("data\\cut.zeb");
    testing::Write_Zeb(cut, {Epoch(10.0, {Measurement(3, 1, 1.0)}),
                             Epoch(40.0, {Measurement(3, 1, 1.0), Measurement(4, 1, 1.0)})});
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 10);
    const std::string prn65 = dir_.file("data\\prn65.zeb");
    testing::Write_Zeb(prn65, {Epoch(10.0, {Measurement(3, 1, 1.0), Measurement(65, 1, 1.0)})});

    struct Case {
        std::string zebPath;
        std::string outputPath;
        const char* message;
        bool outputExists;
    };
    const Case cases[] = {
        {missing, output, "ERROR: Could not open: day1.dat", true},
        {shortHeader, output, "ERROR: Could not open: short.zeb", true},
        {cut, output, "ERROR: Problem scanning: cut.zeb", true},
        {prn65, output, "ERROR: Problem scanning: prn65.zeb", true},
        {cut, dir_.file("missing-folder/x\\out.obs"), "ERROR: Could not open: out.obs", false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(output);
        EXPECT_EQ(Convert_Observations(Settings_For(c.zebPath, c.outputPath)), 1) << c.message;
        EXPECT_STREQ(library.LastErrorText, c.message);
        EXPECT_EQ(std::filesystem::exists(c.outputPath), c.outputExists) << c.message;
        if (c.outputExists) {
            EXPECT_EQ(std::filesystem::file_size(c.outputPath), 0u) << c.message;
        }
    }
}

TEST_F(ConvertObservationsTest, ALogThatCannotBeRewoundIsAProblemScanning) {
    // A pipe can be read once but not put back at its first epoch: the
    // conversion ends as for a file it could not scan, rather than write a
    // header that promises epochs it would then lack.
    testing::Write_Zeb(zebPath_, {Epoch(10.0, {Measurement(3, 1, 1.0)}), Epoch(40.0)});
    const std::string content = testing::Read_File(zebPath_);
    const std::string pipe = dir_.file("pipe.zeb");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] {
        // The whole file fits the pipe's buffer: written at once, then closed.
        std::FILE* stream = std::fopen(pipe.c_str(), "wb");
        if (stream == nullptr) return;
        std::fwrite(content.data(), 1, content.size(), stream);
        std::fclose(stream);
    });
    EXPECT_EQ(Convert_Observations(Settings_For(pipe, outputPath_)), 1);
    writer.join();
    EXPECT_EQ(std::string(library.LastErrorText), "ERROR: Problem scanning: " + pipe);
    EXPECT_EQ(std::filesystem::file_size(outputPath_), 0u);
}

TEST_F(ConvertObservationsTest, WrongStructureSizeOpensNothing) {
    testing::Write_Zeb(zebPath_, {Epoch(10.0)});
    ObsSettings settings = Settings_For(zebPath_, outputPath_);
    settings.structSize = 1175;
    EXPECT_EQ(Convert_Observations(settings), 1);
    EXPECT_STREQ(library.LastErrorText, "Wrong version of software, incorrect structure size.");
    EXPECT_FALSE(std::filesystem::exists(outputPath_));
}

TEST_F(ConvertObservationsTest, PathFieldWithoutTerminatorIsReadWithinItsField) {
    ObsSettings settings = Settings_For(zebPath_, outputPath_);
    std::memset(settings.zebFileName, 'x', sizeof settings.zebFileName);
    EXPECT_EQ(Convert_Observations(settings), 1);
    // The file part holds at most 127 characters.
    EXPECT_EQ(std::string(library.LastErrorText),
              "ERROR: Could not open: " + std::string(127, 'x'));
}

TEST_F(ConvertObservationsTest, FullDiskIsReportedAlsoForLinesStillBuffered) {
    struct Case {
        const char* name;
        int epochs;
    };
    // A small file fits the stream buffer and fails only when it is closed;
    // a large one fails while the epochs are written.
    const Case cases[] = {{"small file", 1}, {"large file", 3000}};
    for (const Case& c : cases) {
        std::vector<TestEpoch> epochs;
        for (int i = 0; i < c.epochs; ++i) {
            epochs.push_back(Epoch(30.0 * i, testing::C1_Satellites(12)));
        }
        testing::Write_Zeb(zebPath_, epochs);
        EXPECT_EQ(Convert_Observations(Settings_For(zebPath_, "/dev/full")), 1) << c.name;
        EXPECT_STREQ(library.LastErrorText, kDiskFull) << c.name;
    }
}

}  // namespace
}  // namespace zer2ivi
