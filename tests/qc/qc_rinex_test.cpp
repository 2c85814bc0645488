// The quality check of whole RINEX files written by the test: each file is
// built so that its figures are known (qc_test_files.h), read back through
// the RINEX reader and checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "qc/qc_run.h"
#include "qc_test_files.h"

namespace zer2ivi::qc {
namespace {

using testing::FileSpec;
using testing::Satellite;
using testing::Smooth;

constexpr double kStart = 770860800.0;  // 2004-06-10 00:00:00 GPS
enum : size_t { kC1, kL1, kL2, kP1, kP2 };

struct Expected {
    const char* satellite;
    int64_t observed, usable, arcs, slips, kept;
    double mp1Rms;  // < 0: no figure (null)
};

struct Case {
    const char* name;
    FileSpec spec;
    int64_t epochs, expectedEpochs, gaps;
    double interval;
    bool intervalFromHeader;
    const char* code1;
    const char* code2;
    std::vector<Expected> satellites;
};

FileSpec Spec(std::function<void(int, std::vector<Satellite>&)> epoch) {
    FileSpec spec;
    spec.epoch = std::move(epoch);
    return spec;
}

TEST(QcRinex, FiguresOfBuiltFiles) {
    const double a = 0.8;
    const double sineRms = a / std::sqrt(2.0);
    std::vector<Case> cases;
    // G07 carries a sine on P1 (C1 is far noisier: P1 must be the code);
    // G12 a clean track; R05 (GLONASS) is listed but not checked.
    cases.push_back({"sine on P1 gives its RMS; other systems listed only",
                     Spec([a](int k, std::vector<Satellite>& s) {
                         s.push_back(Smooth(7, k, a));
                         s.push_back(Smooth(12, k, 0));
                         s.push_back(Smooth(5, k, 0, 10, 'R'));
                     }),
                     120, 120, 0, 30, true, "P1", "P2",
                     {{"G07", 120, 120, 1, 0, 120, sineRms}, {"G12", 120, 120, 1, 0, 120, 0},
                      {"R05", 120, 0, 0, 0, 0, -1}}});
    cases.push_back({"slips by LLI and by a phase jump are counted",
                     Spec([a](int k, std::vector<Satellite>& s) {
                         Satellite g = Smooth(7, k, a);
                         if (k == 40) g.values[kL1].lli = 1;
                         if (k == 70) g.values[kL2].lli = 5;
                         if (k >= 100) g.values[kL2].value += 2;  // GF -0.49 m
                         s.push_back(g);
                     }),
                     120, 120, 0, 30, true, "P1", "P2", {{"G07", 120, 120, 4, 3, 120, sineRms}}});
    cases.push_back({"gaps are found, and the arc after one starts without a slip",
                     [&] {
                         FileSpec spec = Spec([a](int k, std::vector<Satellite>& s) { s.push_back(Smooth(7, k, a)); });
                         spec.present = [](int k) { return !(k >= 50 && k < 55) && k != 90; };
                         return spec;
                     }(),
                     114, 120, 2, 30, true, "P1", "P2", {{"G07", 114, 114, 3, 0, 114, -1}}});
    cases.push_back({"an arc shorter than 10 epochs is left out",
                     Spec([a](int k, std::vector<Satellite>& s) {
                         Satellite g = Smooth(7, k, a);
                         if (k == 111) g.values[kL1].lli = 1;
                         // Noise the wide-lane test lets through (3.9 cycles at most).
                         if (k >= 111) g.values[kP1].value += (k % 2 ? 3 : -3);
                         s.push_back(g);
                     }),
                     120, 120, 0, 30, true, "P1", "P2",
                     // 111 epochs: 11 periods and one sample of value 0.
                     {{"G07", 120, 120, 2, 1, 111, a * std::sqrt(55.0 / 111.0)}}});
    cases.push_back({"without INTERVAL the most frequent step; C1 without P1",
                     [&] {
                         FileSpec spec = Spec([a](int k, std::vector<Satellite>& s) {
                             Satellite g = Smooth(7, k, a);
                             g.values[kC1] = g.values[kP1];  // the sine on C1 now
                             g.values.erase(g.values.begin() + kP1);
                             s.push_back(g);
                         });
                         spec.types = {"C1", "L1", "L2", "P2"};
                         spec.interval = 0;
                         spec.step = 1;
                         spec.present = [](int k) { return k != 60; };
                         return spec;
                     }(),
                     119, 120, 1, 1, false, "C1", "P2", {{"G07", 119, 119, 2, 0, 119, -1}}});
    cases.push_back({"a GF jump of 0.14 m is no slip; LLI on the first epoch or after a gap neither",
                     [&] {
                         FileSpec spec = Spec([](int k, std::vector<Satellite>& s) {
                             Satellite g = Smooth(7, k, 0);
                             if (k >= 30) g.values[kL2].value -= 0.14 / kWavelengthL2;
                             if (k == 0 || k == 60) g.values[kL1].lli = 1;
                             s.push_back(g);
                         });
                         spec.present = [](int k) { return k < 55 || k >= 60; };
                         return spec;
                     }(),
                     115, 120, 1, 30, true, "P1", "P2", {{"G07", 115, 115, 2, 0, 115, -1}}});
    cases.push_back({"a missing or zero value makes an epoch unusable",
                     Spec([a](int k, std::vector<Satellite>& s) {
                         Satellite g = Smooth(7, k, a);
                         if (k == 30) g.values[kP2].present = false;
                         if (k == 31) g.values[kL2].value = 0;
                         s.push_back(g);
                     }),
                     120, 120, 0, 30, true, "P1", "P2", {{"G07", 120, 118, 2, 0, 118, -1}}});

    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QcRunOptions options;
        options.observationPath = dir.Write("case.04o", testing::Rinex_Text(c.spec));
        options.inputName = "case.04o";
        QcReport report;
        std::string error;
        ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
        const QcResult& q = report.result;
        EXPECT_EQ(report.markerName, "QCTS");
        ASSERT_FALSE(report.codes1.empty());
        EXPECT_EQ(report.codes1.front(), c.code1);
        EXPECT_EQ(report.codes2.front(), c.code2);
        EXPECT_EQ(report.intervalFromHeader, c.intervalFromHeader);
        EXPECT_DOUBLE_EQ(q.interval, c.interval);
        EXPECT_EQ(q.epochs, c.epochs);
        EXPECT_EQ(q.expectedEpochs, c.expectedEpochs);
        EXPECT_EQ(q.gapCount, c.gaps);
        EXPECT_DOUBLE_EQ(q.first, kStart);
        ASSERT_EQ(q.satellites.size(), c.satellites.size());
        for (size_t i = 0; i < c.satellites.size(); ++i) {
            const Expected& e = c.satellites[i];
            const SatelliteFigures& s = q.satellites[i];
            SCOPED_TRACE(e.satellite);
            EXPECT_EQ(s.Name(), e.satellite);
            EXPECT_EQ(s.epochsObserved, e.observed);
            EXPECT_EQ(s.usableEpochs, e.usable);
            EXPECT_EQ(s.arcs, e.arcs);
            EXPECT_EQ(s.slips, e.slips);
            EXPECT_EQ(s.keptPoints, e.kept);
            // Every usable epoch used the code the file offers first.
            EXPECT_EQ(std::string(c.code1) == "P1" ? s.usableCode1[0] : s.usableCode1[1], e.usable);
            EXPECT_EQ(std::string(c.code2) == "P2" ? s.usableCode2[0] : s.usableCode2[1], e.usable);
            if (e.mp1Rms >= 0) {
                ASSERT_TRUE(s.Mp1_Rms());
                // The file holds millimetres.
                EXPECT_NEAR(*s.Mp1_Rms(), e.mp1Rms, 1e-3);
                EXPECT_NEAR(*s.Mp2_Rms(), 0.0, 1e-3);
            } else if (e.kept == 0) {
                EXPECT_FALSE(s.Mp1_Rms());
            }
        }
    }
}

TEST(QcRinex, GapsAreReportedByTheirEpochs) {
    FileSpec spec = Spec([](int k, std::vector<Satellite>& s) { s.push_back(Smooth(7, k, 0)); });
    spec.present = [](int k) { return !(k >= 50 && k < 55) && k != 90 && k != 119; };
    testing::TempDir dir;
    QcRunOptions options;
    options.observationPath = dir.Write("gaps.04o", testing::Rinex_Text(spec));
    QcReport report;
    std::string error;
    ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
    const QcResult& q = report.result;
    ASSERT_EQ(q.gaps.size(), 2u);
    EXPECT_DOUBLE_EQ(q.gaps[0].before, kStart + 49 * 30);
    EXPECT_DOUBLE_EQ(q.gaps[0].after, kStart + 55 * 30);
    EXPECT_DOUBLE_EQ(q.gaps[1].before, kStart + 89 * 30);
    EXPECT_DOUBLE_EQ(q.gaps[1].after, kStart + 91 * 30);
    // The last epoch missing shortens the span: expected counts end there.
    EXPECT_EQ(q.expectedEpochs, 119);
    EXPECT_EQ(q.epochs, 113);
    EXPECT_NEAR(*q.Completeness(), 113.0 / 119.0, 1e-12);
}

TEST(QcRinex, ReaderErrorsNameFileAndLine) {
    FileSpec spec = Spec([](int k, std::vector<Satellite>& s) { s.push_back(Smooth(7, k, 0)); });
    spec.epochs = 3;
    std::string text = testing::Rinex_Text(spec);
    text.resize(text.size() - 30);  // the last observation line cut short
    text += "garbage\n";
    testing::TempDir dir;
    QcRunOptions options;
    options.observationPath = dir.Write("bad.04o", text);
    QcReport report;
    std::string error;
    EXPECT_FALSE(Run_Quality_Check(options, report, error));
    EXPECT_EQ(error.rfind(options.observationPath + ":", 0), 0u) << error;
}

QcReport Check_Text(const std::string& text, bool force = false, std::string* error = nullptr,
                    bool* ok = nullptr) {
    testing::TempDir dir;
    QcRunOptions options;
    options.observationPath = dir.Write("built.04o", text);
    options.force = force;
    QcReport report;
    std::string message;
    const bool checked = Run_Quality_Check(options, report, message);
    if (ok != nullptr) *ok = checked;
    if (error != nullptr) *error = message.substr(message.find(':') == std::string::npos ? 0 : message.find(':') + 1);
    return report;
}

// Code 1 is P1 where the observation has it, else C1; code 2 alike.
TEST(QcRinex, CodePerObservation) {
    enum : size_t { kC2 = 5 };
    struct CodeCase {
        const char* name;
        std::function<void(int, Satellite&)> edit;
        bool withC2;
        int64_t usable, p1, c1, p2, c2;
    };
    const CodeCase cases[] = {
        {"P1 listed but always blank", [](int, Satellite& g) { g.values[kP1].present = false; }, false,
         120, 0, 120, 120, 0},
        {"P1 blank on even epochs", [](int k, Satellite& g) { g.values[kP1].present = k % 2 == 1; }, false,
         120, 60, 60, 120, 0},
        {"P1 written as zero", [](int k, Satellite& g) { if (k < 30) g.values[kP1].value = 0; }, false,
         120, 90, 30, 120, 0},
        {"P2 missing at the end, C2 there", [](int k, Satellite& g) { if (k >= 100) g.values[kP2].present = false; },
         true, 120, 120, 0, 100, 20},
        {"P2 missing at the end, no C2", [](int k, Satellite& g) { if (k >= 100) g.values[kP2].present = false; },
         false, 100, 100, 0, 100, 0},
        {"neither code 1", [](int k, Satellite& g) {
             if (k < 10) g.values[kP1].present = g.values[kC1].present = false;
         }, false, 110, 110, 0, 110, 0},
    };
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FileSpec spec = Spec([&c](int k, std::vector<Satellite>& s) {
            Satellite g = Smooth(7, k, 0);
            if (c.withC2) g.values.push_back({g.values[kP2].value + 0.4});
            c.edit(k, g);
            s.push_back(g);
        });
        if (c.withC2) spec.types.push_back("C2");
        const QcReport report = Check_Text(testing::Rinex_Text(spec));
        const SatelliteFigures& s = report.result.satellites.at(0);
        EXPECT_EQ(s.usableEpochs, c.usable);
        EXPECT_EQ(s.usableCode1[0], c.p1);
        EXPECT_EQ(s.usableCode1[1], c.c1);
        EXPECT_EQ(s.usableCode2[0], c.p2);
        EXPECT_EQ(s.usableCode2[1], c.c2);
        EXPECT_EQ(s.slips, 0);  // switching codes is no slip
    }
}

// Real files whose header lists P1 while no GPS satellite has one.
TEST(QcRinex, RealFilesWithBlankP1) {
    struct RealCase {
        const char* file;
        const char* satellite;
        int64_t observed, usable, c1, p2;
    };
    const RealCase cases[] = {
        {"wsra0010.21o", "G07", 17, 17, 17, 17},
        {"wsra0010.21o", "G30", 17, 17, 17, 17},
        {"AJAC3550.21O", "G07", 2, 1, 1, 1},
        {"AJAC3550.21O", "G32", 2, 2, 2, 2},
    };
    for (const RealCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.satellite);
        QcRunOptions options;
        options.observationPath = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/qc/" + c.file;
        QcReport report;
        std::string error;
        ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
        ASSERT_EQ(report.codes1.front(), "P1");
        bool found = false;
        for (const SatelliteFigures& s : report.result.satellites) {
            if (s.Name() != c.satellite) continue;
            found = true;
            EXPECT_EQ(s.epochsObserved, c.observed);
            EXPECT_EQ(s.usableEpochs, c.usable);
            EXPECT_EQ(s.usableCode1[0], 0);
            EXPECT_EQ(s.usableCode1[1], c.c1);
            EXPECT_EQ(s.usableCode2[0], c.p2);
        }
        EXPECT_TRUE(found);
    }
}

// The epochs part of a built file (after END OF HEADER).
std::string Epochs_Of(const std::string& text) {
    const std::string end = "END OF HEADER\n";
    return text.substr(text.find(end) + end.size());
}

size_t Lines_Of(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// Time going back or standing still: refused, or with force checked with
// repeats dropped and backward jumps as gaps.
TEST(QcRinex, EpochsOutOfOrder) {
    FileSpec first = Spec([](int k, std::vector<Satellite>& s) { s.push_back(Smooth(7, k, 0.3)); });
    first.epochs = 240;
    first.present = [](int k) { return k < 120; };
    FileSpec second = first;
    second.present = [](int k) { return k >= 120; };
    const std::string hour1 = testing::Rinex_Text(first);
    const std::string hour2 = testing::Rinex_Text(second);
    const size_t headerLines = Lines_Of(hour1) - Lines_Of(Epochs_Of(hour1));
    struct OrderCase {
        const char* name;
        std::string text;
        std::string refusal;  // the message without force (after the path)
        int64_t epochs, repeated, backward, expected;
        size_t warnings;
    };
    const OrderCase cases[] = {
        {"an hour twice", hour1 + Epochs_Of(hour1),
         std::to_string(headerLines + 241) + ": epoch 2004-06-10T00:00:00 is before the epoch "
             "2004-06-10T00:59:30 of line " + std::to_string(headerLines + 239),
         120, 120, 0, 120, 1},
        {"two hours in the wrong order", hour2 + Epochs_Of(hour1),
         std::to_string(headerLines + 241) + ": epoch 2004-06-10T00:00:00 is before the epoch "
             "2004-06-10T01:59:30 of line " + std::to_string(headerLines + 239),
         240, 0, 1, 240, 1},
        {"one epoch written twice", hour1.substr(0, hour1.size() - Epochs_Of(hour1).size()) +
             Epochs_Of(hour1).substr(0, Epochs_Of(hour1).find("\n 04", 1) + 1) + Epochs_Of(hour1),
         std::to_string(headerLines + 3) + ": epoch 2004-06-10T00:00:00 repeats the epoch "
             "2004-06-10T00:00:00 of line " + std::to_string(headerLines + 1),
         120, 1, 0, 120, 1},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        bool ok = true;
        Check_Text(c.text, false, &error, &ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(error.rfind(c.refusal, 0), 0u) << error;
        const QcReport report = Check_Text(c.text, true, &error, &ok);
        ASSERT_TRUE(ok) << error;
        const QcResult& q = report.result;
        EXPECT_EQ(q.epochs, c.epochs);
        EXPECT_EQ(q.repeatedEpochs, c.repeated);
        EXPECT_EQ(q.backwardJumps, c.backward);
        EXPECT_EQ(q.expectedEpochs, c.expected);
        EXPECT_EQ(*q.Completeness(), 1.0);
        EXPECT_EQ(report.warnings.size(), c.warnings);
        EXPECT_EQ(q.satellites.at(0).epochsObserved, c.epochs);
    }
}

// A file that ends inside its last epoch: the whole epochs are checked and
// the warning names the line where the file ends.
TEST(QcRinex, FileEndingInsideAnEpoch) {
    FileSpec spec = Spec([](int k, std::vector<Satellite>& s) {
        s.push_back(Smooth(7, k, 0.3));
        s.push_back(Smooth(9, k, 0.3));
    });
    const std::string whole = testing::Rinex_Text(spec);
    const size_t lines = Lines_Of(whole);
    struct CutCase {
        const char* name;
        size_t linesKept;  // of the whole file
        int64_t epochs;
        const char* warning;  // nullptr: none
    };
    const CutCase cases[] = {
        {"whole", lines, 120, nullptr},
        {"last observation line missing", lines - 1, 119, "end of file inside an epoch"},
        {"only the last epoch line", lines - 2, 119, "end of file inside an epoch"},
        {"last epoch dropped whole", lines - 3, 119, nullptr},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        size_t end = 0;
        for (size_t i = 0; i < c.linesKept; ++i) end = whole.find('\n', end) + 1;
        std::string error;
        bool ok = false;
        const QcReport report = Check_Text(whole.substr(0, end), false, &error, &ok);
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(report.result.epochs, c.epochs);
        if (c.warning == nullptr) {
            EXPECT_TRUE(report.warnings.empty());
        } else {
            ASSERT_EQ(report.warnings.size(), 1u);
            EXPECT_NE(report.warnings[0].find(":" + std::to_string(c.linesKept + 1) + ": " + c.warning),
                      std::string::npos)
                << report.warnings[0];
        }
    }
}

TEST(QcRinex, OptionsNotAppliedAreWarned) {
    const std::string text = testing::Rinex_Text(Spec([](int k, std::vector<Satellite>& s) {
        s.push_back(Smooth(7, k, 0));
    }));
    struct OptionCase {
        bool mask, position;
        std::vector<std::string> warnings;
    };
    const OptionCase cases[] = {
        {false, false, {}},
        {true, false, {"--mask not applied: elevations need a navigation file (--nav)"}},
        {false, true, {"--position not applied: elevations need a navigation file (--nav)"}},
        {true, true,
         {"--mask not applied: elevations need a navigation file (--nav)",
          "--position not applied: elevations need a navigation file (--nav)"}},
    };
    testing::TempDir dir;
    const std::string path = dir.Write("plain.04o", text);
    for (const OptionCase& c : cases) {
        QcRunOptions options;
        options.observationPath = path;
        options.maskGiven = c.mask;
        if (c.position) options.position = Vector3{1, 2, 3};
        QcReport report;
        std::string error;
        ASSERT_TRUE(Run_Quality_Check(options, report, error)) << error;
        EXPECT_EQ(report.warnings, c.warnings);
    }
}

}  // namespace
}  // namespace zer2ivi::qc
