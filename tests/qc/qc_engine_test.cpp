// The quality check engine on epochs built in memory: what files cannot
// easily show (qc_rinex_test.cpp checks the figures of whole files).  Code 1
// carries a sine over a geometry that the phases follow exactly.
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
