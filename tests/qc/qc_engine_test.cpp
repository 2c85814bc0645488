// The quality check engine on epochs built so that every figure is known:
// code 1 carries a sine of known amplitude over a geometry that the phases
// follow exactly, so MP1 less its arc mean is that sine and MP2 and GF are
// constant unless a case changes them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <functional>
#include <vector>

#include "qc/qc_engine.h"

namespace zer2ivi::qc {
namespace {

constexpr double kStart = 1400000000.0;  // GPS seconds
constexpr double kInterval = 30.0;
constexpr int kPeriod = 10;  // epochs of the sine; arcs of whole periods keep its RMS

struct Scene {
    int epochs = 100;
    double amplitude = 0.5;  // metres, on code 1
    // Changes one satellite's values in epoch k (after the clean values).
    std::function<void(int k, SatelliteObservation&)> edit;
    std::function<bool(int k)> present = [](int) { return true; };
    std::vector<SatelliteObservation> extra;  // other satellites in every epoch
};

SatelliteObservation Clean(int k, double amplitude) {
    SatelliteObservation o;
    o.system = 'G';
    o.prn = 7;
    const double range = 2.2e7 + 350.0 * k;
    o.hasCode1 = o.hasL1 = o.hasL2 = o.hasCode2 = true;
    o.code1 = range + amplitude * std::sin(2 * std::numbers::pi * k / kPeriod);
    o.code2 = range + 1.0;
    o.l1 = range / kWavelengthL1 + 1234567.0;
    o.l2 = range / kWavelengthL2 - 7654321.0;
    o.lliL1 = 0;
    o.lliL2 = -1;
    return o;
}

QcResult Run_Scene(const Scene& scene, QcSettings settings = QcSettings{kInterval}) {
    QcEngine engine(settings);
    std::vector<SatelliteObservation> satellites;
    for (int k = 0; k < scene.epochs; ++k) {
        if (!scene.present(k)) continue;
        satellites.assign(1, Clean(k, scene.amplitude));
        if (scene.edit) scene.edit(k, satellites[0]);
        satellites.insert(satellites.end(), scene.extra.begin(), scene.extra.end());
        engine.Add({kStart + k * kInterval, 0, satellites});
    }
    return engine.Finish();
}

using Edit = std::function<void(int k, SatelliteObservation&)>;
using Presence = std::function<bool(int k)>;

bool Always(int) { return true; }
bool Gap_40_To_44(int k) { return k < 40 || k >= 45; }

struct Case {
    const char* name;
    double amplitude;
    Edit edit;
    Presence present;
    int64_t usable, arcs, slips, keptPoints;
    double mp1Rms;  // < 0: not checked
};

TEST(QcEngine, ArcsSlipsAndMultipathOfBuiltEpochs) {
    const double a = 0.5;
    const double sineRms = a / std::sqrt(2.0);
    const Case cases[] = {
        {"sine alone gives its RMS", a, nullptr, Always, 100, 1, 0, 100, sineRms},
        {"LLI on L1 starts an arc and is a slip", a,
         [](int k, SatelliteObservation& o) { if (k == 50) o.lliL1 = 1; }, Always, 100, 2, 1, 100, sineRms},
        {"LLI bit 0 on L2 counts too, other bits do not", a,
         [](int k, SatelliteObservation& o) { o.lliL2 = k == 50 ? 5 : (k == 30 ? 4 : 0); }, Always,
         100, 2, 1, 100, sineRms},
        {"a one-cycle jump of L1 (0.19 m of GF) is a slip", a,
         [](int k, SatelliteObservation& o) { if (k >= 50) o.l1 += 1; }, Always, 100, 2, 1, 100, sineRms},
        {"a jump of 0.14 m of GF is none", 0,
         [](int k, SatelliteObservation& o) { if (k >= 50) o.l2 -= 0.14 / kWavelengthL2; }, Always,
         100, 1, 0, 100, -1},
        {"a missing L2 makes the epoch unusable; the step over it is no slip", a,
         [](int k, SatelliteObservation& o) { if (k == 50) { o.lliL1 = 1; o.hasL2 = false; } }, Always,
         99, 2, 0, 99, -1},
        {"a zero value is missing, and the step over it starts an arc", a,
         [](int k, SatelliteObservation& o) { if (k == 50) o.code2 = 0; }, Always, 99, 2, 0, 99, -1},
        {"a gap of 6 intervals starts an arc without a slip", a, nullptr, Gap_40_To_44, 95, 2, 0, 95, -1},
        {"LLI right after a gap is no slip", a,
         [](int k, SatelliteObservation& o) { if (k == 45) o.lliL1 = 1; }, Gap_40_To_44, 95, 2, 0, 95, -1},
        {"an arc of 9 epochs is left out, one of 10 kept", a,
         [](int k, SatelliteObservation& o) { if (k == 81 || k == 91) o.lliL1 = 1; }, Always,
         100, 3, 2, 91, -1},
        {"LLI on the first usable epoch is no slip", a,
         [](int k, SatelliteObservation& o) { if (k == 0) o.lliL1 = 1; }, Always, 100, 1, 0, 100, sineRms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        scene.amplitude = c.amplitude;
        scene.edit = c.edit;
        scene.present = c.present;
        const QcResult result = Run_Scene(scene);
        ASSERT_EQ(result.satellites.size(), 1u);
        const SatelliteFigures& g = result.satellites[0];
        EXPECT_EQ(g.Name(), "G07");
        EXPECT_EQ(g.usableEpochs, c.usable);
        EXPECT_EQ(g.arcs, c.arcs);
        EXPECT_EQ(g.slips, c.slips);
        EXPECT_EQ(g.keptPoints, c.keptPoints);
        EXPECT_EQ(result.slips, c.slips);
        if (c.mp1Rms >= 0) {
            ASSERT_TRUE(g.Mp1_Rms());
            EXPECT_NEAR(*g.Mp1_Rms(), c.mp1Rms, 1e-6);
            EXPECT_NEAR(*result.Mp1_Rms(), c.mp1Rms, 1e-6);
            EXPECT_NEAR(*g.Mp2_Rms(), 0.0, 1e-6);
        }
        if (c.slips > 0) {
            EXPECT_DOUBLE_EQ(*result.Observations_Per_Slip(),
                             static_cast<double>(c.usable) / static_cast<double>(c.slips));
        } else {
            EXPECT_FALSE(result.Observations_Per_Slip());
        }
    }
}

// Loss of lock on an epoch that is not usable reaches the next usable one,
// when the step between the usable ones is short enough not to start an arc
// anyway (here the nominal interval is twice the data's).
TEST(QcEngine, LossOfLockOnUnusableEpochIsCarried) {
    for (const bool lossOfLock : {false, true}) {
        Scene scene;
        scene.edit = [lossOfLock](int k, SatelliteObservation& o) {
            if (k == 50) {
                o.hasL2 = false;
                o.lliL1 = lossOfLock ? 1 : 0;
            }
        };
        QcSettings settings;
        settings.interval = 2 * kInterval;
        const QcResult result = Run_Scene(scene, settings);
        EXPECT_EQ(result.satellites[0].usableEpochs, 99);
        EXPECT_EQ(result.satellites[0].slips, lossOfLock ? 1 : 0);
        EXPECT_EQ(result.satellites[0].arcs, lossOfLock ? 2 : 1);
    }
}

// A sine in a left-out arc does not reach the RMS: a huge one in 9 epochs.
TEST(QcEngine, ShortArcDoesNotReachRms) {
    Scene scene;
    scene.edit = [](int k, SatelliteObservation& o) {
        if (k == 91) o.lliL1 = 1;
        if (k >= 91) o.code1 += 50.0 * ((k % 2) ? 1 : -1);
    };
    const QcResult result = Run_Scene(scene);
    EXPECT_EQ(result.satellites[0].keptPoints, 91);
    // 91 epochs are 9 whole periods and one sample (k = 90, sine 0).
    EXPECT_NEAR(*result.Mp1_Rms(), 0.5 * std::sqrt(45.0 / 91.0), 1e-6);
}

TEST(QcEngine, EpochsGapsAndCompleteness) {
    Scene scene;
    scene.present = [](int k) { return !(k >= 10 && k < 13) && k != 50 && k != 60 && k != 61; };
    const QcResult result = Run_Scene(scene);
    EXPECT_EQ(result.epochs, 94);
    EXPECT_EQ(result.expectedEpochs, 100);
    EXPECT_DOUBLE_EQ(*result.Completeness(), 0.94);
    // A single missing epoch is a step of 2 intervals, above 1.5: a gap.
    ASSERT_EQ(result.gapCount, 3);
    ASSERT_EQ(result.gaps.size(), 3u);
    const double expected[3][2] = {{9, 13}, {49, 51}, {59, 62}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(result.gaps[i].before, kStart + expected[i][0] * kInterval);
        EXPECT_DOUBLE_EQ(result.gaps[i].after, kStart + expected[i][1] * kInterval);
    }
    EXPECT_DOUBLE_EQ(result.first, kStart);
    EXPECT_DOUBLE_EQ(result.last, kStart + 99 * kInterval);
}

TEST(QcEngine, OnlyFlagsZeroAndOneAreEpochs) {
    QcEngine engine({});
    const SatelliteObservation one = Clean(0, 0);
    for (int flag = 0; flag <= 6; ++flag)
        engine.Add({kStart + flag * 30.0, flag, std::span<const SatelliteObservation>(&one, 1)});
    const QcResult result = engine.Finish();
    EXPECT_EQ(result.epochs, 2);
    EXPECT_EQ(result.satellites[0].epochsObserved, 2);
    EXPECT_EQ(result.expectedEpochs, 2);
}

TEST(QcEngine, OtherSystemsAreCountedButNotChecked) {
    Scene scene;
    SatelliteObservation glonass = Clean(0, 0);
    glonass.system = 'R';
    glonass.prn = 3;
    SatelliteObservation blank = Clean(0, 0);
    blank.system = ' ';
    blank.prn = 12;
    scene.extra = {glonass, blank};
    const QcResult result = Run_Scene(scene);
    ASSERT_EQ(result.satellites.size(), 3u);
    EXPECT_EQ(result.satellites[0].Name(), "G07");
    EXPECT_EQ(result.satellites[1].Name(), "G12");  // blank is GPS
    EXPECT_EQ(result.satellites[1].usableEpochs, 100);
    const SatelliteFigures& r = result.satellites[2];
    EXPECT_EQ(r.Name(), "R03");
    EXPECT_FALSE(r.gps);
    EXPECT_EQ(r.epochsObserved, 100);
    EXPECT_EQ(r.usableEpochs, 0);
    EXPECT_FALSE(r.Mp1_Rms());
    EXPECT_EQ(result.usableEpochs, 200);
}

// Directions decide usability: below the mask or without an ephemeris an
// epoch is not usable.
class FakeDirections : public SatelliteDirections {
public:
    bool elevations = true;
    bool Knows_Elevations() const override { return elevations; }
    bool Direction(int, double time, double& elevation, double& azimuth) override {
        const double k = (time - kStart) / kInterval;
        if (k >= 90) return false;  // no ephemeris
        elevation = k < 20 ? 5.0 : 40.0;
        azimuth = 100.0;
        return true;
    }
};

TEST(QcEngine, MaskAndMissingEphemeris) {
    struct MaskCase {
        bool elevations;
        double mask;
        int64_t usable;
    };
    const MaskCase cases[] = {{true, 10.0, 70}, {true, 5.0, 90}, {true, 5.001, 70}, {false, 10.0, 90}};
    for (const MaskCase& c : cases) {
        FakeDirections directions;
        directions.elevations = c.elevations;
        QcSettings settings;
        settings.directions = &directions;
        settings.maskDegrees = c.mask;
        const QcResult result = Run_Scene(Scene{}, settings);
        EXPECT_EQ(result.satellites[0].usableEpochs, c.usable) << c.mask << " " << c.elevations;
        EXPECT_EQ(result.plots[0].sky.empty(), !c.elevations);
    }
}

TEST(QcEngine, IntervalIsTheMostFrequentStepSmallestOnTie) {
    struct IntervalCase {
        std::vector<double> times;
        double interval;  // < 0: none
    };
    const IntervalCase cases[] = {
        {{0, 30, 60, 90, 150}, 30},
        {{0, 1, 2, 4, 6}, 1},            // tie 1 and 2: the smaller
        {{0, 2, 4, 5, 6}, 1},            // 2 twice, 1 twice
        {{0, 30.0004, 60.0001, 90}, 30},  // rounded to the millisecond
        {{0.001, 30.002, 60.001}, 29.999},
        {{5}, -1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        IntervalFinder finder;
        for (double t : cases[i].times) finder.Add(t);
        const auto found = finder.Interval();
        const double expected = cases[i].interval;
        if (expected < 0) {
            EXPECT_FALSE(found) << i;
        } else {
            ASSERT_TRUE(found) << i;
            EXPECT_DOUBLE_EQ(*found, expected) << i;
        }
    }
}

// The plots stay bounded whatever the length: a day at 1 Hz of 12 satellites.
TEST(QcEngine, PlotPointsStayBounded) {
    QcSettings settings;
    settings.interval = 1.0;
    QcEngine engine(settings);
    std::vector<SatelliteObservation> satellites(12);
    for (int k = 0; k < 86400; ++k) {
        for (int s = 0; s < 12; ++s) {
            satellites[static_cast<size_t>(s)] = Clean(k, 0.3);
            satellites[static_cast<size_t>(s)].prn = s + 1;
            // Half of them drop out every 7th epoch: many stretches.
            if (s >= 6 && (k + s) % 7 == 0) satellites[static_cast<size_t>(s)].prn = 40 + s;
        }
        engine.Add({kStart + k, 0, satellites});
    }
    const QcResult result = engine.Finish();
    size_t multipath = 0;
    for (const SatellitePlot& plot : result.plots) {
        multipath += plot.multipath.size();
        EXPECT_LE(plot.observed.size(), QcEngine::kMaxStretches);
    }
    EXPECT_LE(multipath, QcEngine::kMaxMultipathPoints);
    EXPECT_GE(multipath, QcEngine::kMaxMultipathPoints / 4);
}

}  // namespace
}  // namespace zer2ivi::qc
