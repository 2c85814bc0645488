// The quality check of whole RINEX files written by the test: each file is
// built so that its figures are known (qc_test_files.h), read back through
// the RINEX reader and checked.
#include <gtest/gtest.h>

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
            EXPECT_EQ(std::string(c.code1) == "P1" ? s.usableP1 : s.usableC1, e.usable);
            EXPECT_EQ(std::string(c.code2) == "P2" ? s.usableP2 : s.usableC2, e.usable);
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

}  // namespace
}  // namespace zer2ivi::qc
