// End to end on real receiver data: a binary observation file made from a
// published RINEX 2.10 observation file is converted, and the epochs and
// observation values are compared with that original.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "api/api.h"
#include "base/library_state.h"
#include "support/test_support.h"

namespace zer2ivi {
namespace {

using testing::TempDir;

const std::string kDataDir = ZER2IVI_SHARED_DATA_DIR;
constexpr int32_t kFirstEpochWeek = 1274;
constexpr int kEpochs = 120;
// Both files print values with three decimals.
constexpr double kHalfLastDigit = 0.0005;

struct RinexEpoch {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
    int flag = 0;
    double clock = 0.0;
    std::vector<std::string> satellites;
    // Per satellite the values by type; a blank field is absent.
    std::vector<std::map<std::string, double>> values;
};

struct RinexFile {
    std::map<std::string, std::string> header;  // label -> content columns
    std::vector<std::string> types;
    std::vector<RinexEpoch> epochs;
};

std::string Columns(const std::string& line, size_t first, size_t count) {
    if (first >= line.size()) return "";
    return line.substr(first, count);
}

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

double Number(const std::string& text) { return Blank(text) ? 0.0 : std::strtod(text.c_str(), nullptr); }

int Integer(const std::string& text) { return Blank(text) ? 0 : std::atoi(text.c_str()); }

// A RINEX 2 observation file of flag-0 epochs, any number of types.
RinexFile Parse_Rinex(const std::vector<std::string>& lines) {
    RinexFile file;
    size_t i = 0;
    for (; i < lines.size(); ++i) {
        const std::string label = Columns(lines[i], 60, 20);
        const std::string content = Columns(lines[i], 0, 60);
        if (label.rfind("END OF HEADER", 0) == 0) break;
        file.header[label.substr(0, label.find_last_not_of(' ') + 1)] = content;
        if (label.rfind("# / TYPES OF OBSERV", 0) == 0) {
            const int count = Integer(Columns(content, 0, 6));
            for (int t = 0; t < count && t < 9; ++t) {
                const std::string type = Columns(content, 6 + 6 * static_cast<size_t>(t), 6);
                file.types.push_back(type.substr(type.find_first_not_of(' ')));
            }
        }
    }
    ++i;
    const size_t linesPerSatellite = (file.types.size() + 4) / 5;
    while (i < lines.size()) {
        const std::string& line = lines[i++];
        RinexEpoch epoch;
        epoch.year = Integer(Columns(line, 0, 3));
        epoch.month = Integer(Columns(line, 3, 3));
        epoch.day = Integer(Columns(line, 6, 3));
        epoch.hour = Integer(Columns(line, 9, 3));
        epoch.minute = Integer(Columns(line, 12, 3));
        epoch.second = Number(Columns(line, 15, 11));
        epoch.flag = Integer(Columns(line, 26, 3));
        const int count = Integer(Columns(line, 29, 3));
        epoch.clock = Number(Columns(line, 68, 12));
        std::string listLine = line;
        for (int s = 0; s < count; ++s) {
            if (s > 0 && s % 12 == 0) listLine = lines[i++];
            epoch.satellites.push_back(Columns(listLine, 32 + 3 * static_cast<size_t>(s % 12), 3));
        }
        for (int s = 0; s < count; ++s) {
            std::map<std::string, double> values;
            for (size_t l = 0; l < linesPerSatellite; ++l) {
                const std::string& valueLine = lines[i++];
                for (size_t t = 5 * l; t < file.types.size() && t < 5 * l + 5; ++t) {
                    const std::string field = Columns(valueLine, 16 * (t - 5 * l), 14);
                    if (!Blank(field)) values[file.types[t]] = Number(field);
                }
            }
            epoch.values.push_back(values);
        }
        file.epochs.push_back(epoch);
    }
    return file;
}

class RealDataTest : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }
    TempDir dir_;
};

TEST_F(RealDataTest, ConvertedStationDayMatchesTheOriginalRinexFile) {
    library.baseWeek = kFirstEpochWeek;
    const std::string output = dir_.file("bahr1620.04o");
    ObsSettings settings{};
    settings.structSize = ZER2IVI_OBS_SETTINGS_SIZE;
    std::snprintf(settings.zebFileName, sizeof settings.zebFileName, "%s/bahr1620.zeb",
                  kDataDir.c_str());
    std::snprintf(settings.rinexObsFileName, sizeof settings.rinexObsFileName, "%s",
                  output.c_str());
    std::snprintf(settings.markerName, sizeof settings.markerName, "BAHR");
    settings.obsTypeMask = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;

    ASSERT_EQ(Convert_Observations(settings), 0) << library.LastErrorText;
    EXPECT_EQ(std::string(library.LastErrorText),
              "SUCCESS: Wrote 120 epochs to RINEX file " + output);

    const std::vector<std::string> outputLines = testing::Read_Lines(output);
    const RinexFile converted = Parse_Rinex(outputLines);
    const RinexFile original = Parse_Rinex(testing::Read_Lines(kDataDir + "/bahr1620.04o"));
    ASSERT_EQ(original.epochs.size(), static_cast<size_t>(kEpochs));
    ASSERT_EQ(converted.epochs.size(), static_cast<size_t>(kEpochs));

    EXPECT_EQ(converted.types, (std::vector<std::string>{"C1", "L1", "L2", "P2", "D1"}));
    EXPECT_EQ(converted.header.at("TIME OF FIRST OBS"),
              "  2004     6    10     0     0    0.000000                  ");
    EXPECT_EQ(converted.header.at("TIME OF LAST OBS"),
              "  2004     6    10     0    59   30.000000                  ");
    EXPECT_EQ(converted.header.at("INTERVAL"), original.header.at("INTERVAL"));
    EXPECT_EQ(converted.header.at("RINEX VERSION / TYPE").substr(40, 1), "G");

    // The approximate position is the first epoch's own, within a metre of
    // the original's.
    const std::string& approx = converted.header.at("APPROX POSITION XYZ");
    const std::string& originalApprox = original.header.at("APPROX POSITION XYZ");
    for (size_t axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(Number(Columns(approx, 14 * axis, 14)),
                    Number(Columns(originalApprox, 14 * axis, 14)), 1.0)
            << axis;
    }

    for (size_t e = 0; e < original.epochs.size(); ++e) {
        const RinexEpoch& want = original.epochs[e];
        const RinexEpoch& got = converted.epochs[e];
        SCOPED_TRACE(::testing::Message() << "epoch " << e + 1);
        EXPECT_EQ(got.year, want.year);
        EXPECT_EQ(got.month, want.month);
        EXPECT_EQ(got.day, want.day);
        EXPECT_EQ(got.hour, want.hour);
        EXPECT_EQ(got.minute, want.minute);
        EXPECT_EQ(got.second, want.second);
        EXPECT_EQ(got.flag, 0);
        EXPECT_EQ(got.clock, want.clock);
        ASSERT_EQ(got.satellites, want.satellites);
        for (size_t s = 0; s < want.satellites.size(); ++s) {
            for (const char* type : {"C1", "L1", "L2", "P2", "D1"}) {
                const auto found = want.values[s].find(type);
                const double expected = found == want.values[s].end() ? 0.0 : found->second;
                EXPECT_NEAR(got.values[s].at(type), expected, kHalfLastDigit)
                    << want.satellites[s] << " " << type;
            }
        }
    }

    // Every line after the header is exactly 80 columns.
    bool inHeader = true;
    for (const std::string& line : outputLines) {
        if (!inHeader) {
            EXPECT_EQ(line.size(), 80u) << line;
        }
        if (Columns(line, 60, 13) == "END OF HEADER") inHeader = false;
    }
}

}  // namespace
}  // namespace zer2ivi
