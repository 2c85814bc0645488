// The quality check of RINEX 3 files: which code and phase of a GPS
// satellite each figure uses, on files built here (one satellite, the
// types and blanks of each case) and on real files of other producers.
#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <set>

#include "qc/qc_report.h"
#include "qc/qc_run.h"
#include "qc_test_files.h"

namespace zer2ivi::qc {
namespace {

constexpr int kEpochs = 12;
constexpr double kSpeedOfLight = 299792458.0;
constexpr double kL1Hz = 1575.42e6, kL2Hz = 1227.60e6;

std::string Label(std::string text, const char* label) {
    text.resize(60, ' ');
    return text + label + "\n";
}

// F14.3 without locale, then blank LLI and strength.
std::string Value(double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3).ptr;
    std::string field(digits, end);
    return std::string(14 - field.size(), ' ') + field + "  ";
}

std::string Two(int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); }

// A GPS-only 3.04 file: G05 with every type of `types` but those `blank`
// says are blank at epoch k.
std::string Rinex3_File(const std::vector<std::string>& types,
                        const std::function<bool(int k, const std::string& type)>& blank) {
    std::string out = Label("     3.04           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
    out += Label("TEST", "MARKER NAME");
    std::string line = "G  " + std::string(types.size() < 10 ? "  " : " ") + std::to_string(types.size());
    for (const std::string& type : types) line += " " + type;
    out += Label(line, "SYS / # / OBS TYPES");
    out += Label("    30.000", "INTERVAL");
    out += Label("  2022     3     4     0     0    0.0000000     GPS", "TIME OF FIRST OBS");
    out += Label("", "END OF HEADER");
    for (int k = 0; k < kEpochs; ++k) {
        const int seconds = k * 30;
        out += "> 2022 03 04 00 " + Two(seconds / 60) + " " + Two(seconds % 60) + ".0000000  0  1\n";
        const double range = 2.0e7 + 100.0 * k;
        std::string sat = "G05";
        for (const std::string& type : types) {
            if (blank(k, type)) {
                sat += std::string(16, ' ');
                continue;
            }
            const double hz = type[1] == '1' ? kL1Hz : kL2Hz;
            sat += Value(type[0] == 'L' ? range * hz / kSpeedOfLight : range);
        }
        out += sat + "\n";
    }
    return out;
}

const std::vector<std::string> kBothAttributes = {"C1C", "L1C", "C1W", "L1W", "C2W", "L2W", "C2L", "L2L"};

TEST(QcRinex3, CodeAndPhaseChoicePerObservation) {
    struct Case {
        const char* name;
        std::vector<std::string> types;
        std::function<bool(int, const std::string&)> blank;
        int64_t usable;
        std::map<std::string, int64_t> used;  // every other column is 0
    };
    const auto none = [](int, const std::string&) { return false; };
    const auto blanks = [](std::set<std::string> codes) {
        return [codes](int, const std::string& type) { return codes.count(type) != 0; };
    };
    const std::vector<Case> cases = {
        {"C1W, L1C and C2W with L2W come first", kBothAttributes, none, kEpochs,
         {{"C1W", kEpochs}, {"C2W", kEpochs}, {"L1C", kEpochs}}},
        {"C1C where C1W is blank", kBothAttributes, blanks({"C1W"}), kEpochs,
         {{"C1C", kEpochs}, {"C2W", kEpochs}, {"L1C", kEpochs}}},
        {"L1W where L1C is blank", kBothAttributes, blanks({"L1C"}), kEpochs,
         {{"C1W", kEpochs}, {"C2W", kEpochs}, {"L1W", kEpochs}}},
        {"C2L with L2L where C2W is blank", kBothAttributes, blanks({"C2W"}), kEpochs,
         {{"C1W", kEpochs}, {"C2L", kEpochs}, {"L1C", kEpochs}}},
        {"phase 2 of another attribute does not stand in", kBothAttributes, blanks({"C2W", "L2L"}), 0, {}},
        {"C2X before C2S", {"C1C", "L1C", "C2S", "L2S", "C2X", "L2X"}, none, kEpochs,
         {{"C1C", kEpochs}, {"C2X", kEpochs}, {"L1C", kEpochs}}},
        {"C2S with L2S where C2X is blank", {"C1C", "L1C", "C2S", "L2S", "C2X", "L2X"}, blanks({"C2X"}), kEpochs,
         {{"C1C", kEpochs}, {"C2S", kEpochs}, {"L1C", kEpochs}}},
        {"the choice is made per epoch", kBothAttributes,
         [](int k, const std::string& type) { return type == "C1W" && k % 2 == 1; }, kEpochs,
         {{"C1W", kEpochs / 2}, {"C1C", kEpochs / 2}, {"C2W", kEpochs}, {"L1C", kEpochs}}},
        {"no code 2 at all: nothing usable", {"C1C", "L1C", "C1W", "L2W"}, none, 0, {}},
    };
    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QcRunOptions options;
        options.observationPath = dir.Write("case.rnx", Rinex3_File(c.types, c.blank));
        options.inputName = "case.rnx";
        QcReport report;
        std::string error;
        ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
        ASSERT_EQ(report.result.satellites.size(), 1u);
        const SatelliteFigures& s = report.result.satellites[0];
        EXPECT_EQ(s.epochsObserved, kEpochs);
        EXPECT_EQ(s.usableEpochs, c.usable);
        const std::vector<Code_Column> columns = Code_Columns(report.choices);
        ASSERT_EQ(columns.size(), 8u);  // C1W C1C C2W C2L C2X C2S L1C L1W
        for (const Code_Column& column : columns) {
            const auto expected = c.used.find(column.name);
            EXPECT_EQ(column.count(s), expected == c.used.end() ? 0 : expected->second) << column.name;
        }
    }
}

TEST(QcRinex3, ReportsNameTheCodesUsed) {
    testing::TempDir dir;
    QcRunOptions options;
    options.observationPath = dir.Write("case.rnx", Rinex3_File(kBothAttributes, [](int, const std::string& type) {
                                            return type == "C2W";
                                        }));
    options.inputName = "case.rnx";
    QcReport report;
    std::string error;
    ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
    const std::string json = Json_Report(report);
    EXPECT_NE(json.find("\"codes_used\": {\"C1W\": 12, \"C1C\": 0, \"C2W\": 0, \"C2L\": 12, \"C2X\": 0, "
                        "\"C2S\": 0, \"L1C\": 12, \"L1W\": 0}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"code2_types\": [\"C2W\", \"C2L\"]"), std::string::npos) << json;
    const std::string text = Text_Summary(report);
    EXPECT_NE(text.find("    C1W    C1C    C2W    C2L    C2X    C2S    L1C    L1W"), std::string::npos) << text;
    EXPECT_NE(text.find("code 1 C1W else C1C, code 2 C2W else C2L (per observation), with L1C else L1W"),
              std::string::npos)
        << text;
    const std::string html = Html_Report(report);
    EXPECT_NE(html.find("C1W/C1C"), std::string::npos);
    EXPECT_NE(html.find("12/0"), std::string::npos);
}

// Real files: every usable epoch of a GPS satellite is counted under one
// code 1 and one code 2, the first of the preference the file offers.
TEST(QcRinex3, RealFiles) {
    struct Case {
        const char* file;
        std::vector<std::string> codes1, codes2;
        size_t code1Used, code2Used;  // index in the preference list
    };
    const std::vector<Case> cases = {
        {"DUTH0630.22O", {"C1C"}, {"C2W"}, 1, 0},
        {"NOA10630.22O", {"C1C"}, {"C2W"}, 1, 0},
        {"VLNS0010.22O", {"C1C"}, {"C2W", "C2L", "C2X", "C2S"}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QcRunOptions options;
        options.observationPath = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/rinex3/" + c.file;
        options.inputName = c.file;
        QcReport report;
        std::string error;
        ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
        EXPECT_EQ(report.codes1, c.codes1);
        EXPECT_EQ(report.codes2, c.codes2);
        int64_t usable = 0;
        for (const SatelliteFigures& s : report.result.satellites) {
            if (!s.gps) {
                EXPECT_EQ(s.usableEpochs, 0) << s.Name();
                continue;
            }
            usable += s.usableEpochs;
            EXPECT_EQ(s.usableCode1[c.code1Used], s.usableEpochs) << s.Name();
            EXPECT_EQ(s.usableCode2[c.code2Used], s.usableEpochs) << s.Name();
        }
        EXPECT_GT(usable, 0);
    }
}

}  // namespace
}  // namespace zer2ivi::qc
