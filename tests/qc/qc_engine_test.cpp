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
    std::function<double(int k)> time = [](int k) { return kStart + k * kInterval; };
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
        engine.Add({scene.time(k), 0, satellites});
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
        EXPECT_EQ(result.noEphemeris, 10);  // epochs 90 to 99
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

// The combinations worked out from the carrier frequencies written here,
// not from the engine's constants.
TEST(QcEngine, CombinationsFromTheCarrierFrequencies) {
    const double c = 299792458.0;
    const double f1 = 1575.42e6, f2 = 1227.60e6;
    const double lambda1 = c / f1, lambda2 = c / f2, lambdaW = c / (f1 - f2);
    const double alpha = (1575.42 / 1227.60) * (1575.42 / 1227.60);
    struct Case {
        double code1, l1, l2, code2;
    };
    const Case cases[] = {
        {2.2e7, 2.2e7 / lambda1, 2.2e7 / lambda2, 2.2e7},
        {2.0e7 + 1.5, 1.05e8 + 0.25, 8.2e7 - 3.5, 2.0e7 - 0.75},
        {2.5e7, 1.3e8, 1.0e8, 2.5e7 + 12.0},
    };
    for (const Case& k : cases) {
        const double l1 = k.l1 * lambda1, l2 = k.l2 * lambda2;
        const double mp1 = k.code1 - (1 + 2 / (alpha - 1)) * l1 + (2 / (alpha - 1)) * l2;
        const double mp2 = k.code2 - (2 * alpha / (alpha - 1)) * l1 + (2 * alpha / (alpha - 1) - 1) * l2;
        const double nw = (k.l1 - k.l2) - (f1 * k.code1 + f2 * k.code2) / ((f1 + f2) * lambdaW);
        const Combinations got = Combine(k.code1, k.l1, k.l2, k.code2);
        EXPECT_NEAR(got.mp1, mp1, 1e-6);
        EXPECT_NEAR(got.mp2, mp2, 1e-6);
        EXPECT_NEAR(got.gf, l1 - l2, 1e-6);
        EXPECT_NEAR(Wide_Lane(k.code1, k.l1, k.l2, k.code2), nw, 1e-6);
    }
}

// Each rule that starts an arc, at its edges: a change at epoch 50 of the
// satellite, seen in the letters of its second arc start.
TEST(QcEngine, ArcRulesAtTheirEdges) {
    constexpr double lambda1 = 299792458.0 / 1575.42e6, lambda2 = 299792458.0 / 1227.60e6;
    struct Case {
        const char* name;
        double step;      // seconds between epochs
        double l1Cycles;  // added to L1 from epoch 50 on
        double l2Cycles;  // added to L2 from epoch 50 on
        bool lossOfLock;  // LLI on L2 at epoch 50
        double pause;     // extra seconds before epoch 50
        const char* rules;  // of the arc start at epoch 50; nullptr: none
        int64_t slips;
    };
    const Case cases[] = {
        {"GF 0.155 m in 30 s is no slip", 30, 0, -0.155 / lambda2, false, 0, nullptr, 0},
        {"GF 0.165 m in 30 s is one", 30, 0, -0.165 / lambda2, false, 0, "c", 1},
        {"GF 0.69 m in 300 s is no slip", 300, 0, -0.69 / lambda2, false, 0, nullptr, 0},
        {"GF 0.71 m in 300 s is one", 300, 0, -0.71 / lambda2, false, 0, "c", 1},
        {"77 and 60 cycles keep GF: the wide lane finds them", 30, 77, 60, false, 0, "d", 1},
        {"4 cycles on L1: GF only", 30, 4, 0, false, 0, "c", 1},
        {"6 cycles on L1: GF and wide lane", 30, 6, 0, false, 0, "cd", 1},
        {"loss of lock alone", 30, 0, 0, true, 0, "a", 1},
        {"loss of lock and a jump", 30, 6, 0, true, 0, "acd", 1},
        {"a step of exactly 1.5 intervals starts no arc", 30, 0, 0, false, 15, nullptr, 0},
        {"a step just above 1.5 intervals does, without a slip", 30, 0, 0, false, 15.001, "b", 0},
        {"a jump after a long step is no slip", 30, 6, 0, false, 60, "bcd", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        scene.amplitude = 0.3;
        scene.time = [&c](int k) { return kStart + k * c.step + (k >= 50 ? c.pause : 0.0); };
        scene.edit = [&c](int k, SatelliteObservation& o) {
            // The range moves with the epoch's time, whatever the step.
            const double range = 2.2e7 + 350.0 * (k * c.step + (k >= 50 ? c.pause : 0.0)) / kInterval;
            o.code2 = range + 1.0;
            o.code1 = o.code1 - (2.2e7 + 350.0 * k) + range;
            o.l1 = range / lambda1 + 1234567.0 + (k >= 50 ? c.l1Cycles : 0.0);
            o.l2 = range / lambda2 - 7654321.0 + (k >= 50 ? c.l2Cycles : 0.0);
            if (k == 50 && c.lossOfLock) o.lliL2 = 1;
        };
        QcSettings settings;
        settings.interval = c.step;
        const QcResult result = Run_Scene(scene, settings);
        const SatelliteFigures& s = result.satellites[0];
        ASSERT_FALSE(s.arcStarts.empty());
        EXPECT_EQ(s.arcStarts[0].time, kStart);
        EXPECT_EQ(Rule_Letters(s.arcStarts[0].rules), "");
        if (c.rules == nullptr) {
            EXPECT_EQ(s.arcStarts.size(), 1u);
        } else {
            ASSERT_EQ(s.arcStarts.size(), 2u);
            EXPECT_EQ(s.arcStarts[1].time, kStart + 50 * c.step + c.pause);
            EXPECT_EQ(Rule_Letters(s.arcStarts[1].rules), c.rules);
        }
        EXPECT_EQ(s.slips, c.slips);
        EXPECT_EQ(s.arcs, static_cast<int64_t>(s.arcStarts.size()));
    }
}

// Arcs of exactly 10 usable epochs count in the multipath figures; of 9 not.
TEST(QcEngine, ArcOfTenEpochsIsKept) {
    struct Case {
        int secondArcStart;  // loss of lock there
        int64_t kept;
    };
    const Case cases[] = {{10, 20}, {11, 11}, {9, 11}};
    for (const Case& c : cases) {
        Scene scene;
        scene.epochs = 20;
        scene.edit = [&c](int k, SatelliteObservation& o) {
            if (k == c.secondArcStart) o.lliL1 = 1;
        };
        const QcResult result = Run_Scene(scene);
        EXPECT_EQ(result.satellites[0].arcs, 2) << c.secondArcStart;
        EXPECT_EQ(result.satellites[0].keptPoints, c.kept) << c.secondArcStart;
    }
}

// Gaps by the step between epochs; the missing time is the step less one
// interval.
TEST(QcEngine, GapsAndTheirMissingTime) {
    struct Case {
        std::vector<double> times;  // seconds after kStart
        int64_t gaps;
        double missing;
        int64_t expected;
    };
    const Case cases[] = {
        {{0, 30, 75, 105}, 0, 0, 5},                 // exactly 1.5 intervals: no gap
        {{0, 30, 75.001, 105}, 1, 15.001, 5},        // just above: a gap
        {{36000, 43230}, 1, 7200, 242},              // 10:00:00 to 12:00:30
        {{0, 30, 120, 150, 300}, 2, 60 + 120, 11},
    };
    for (const Case& c : cases) {
        QcEngine engine({});
        const SatelliteObservation one = Clean(0, 0);
        for (double t : c.times) engine.Add({kStart + t, 0, std::span<const SatelliteObservation>(&one, 1)});
        const QcResult result = engine.Finish();
        EXPECT_EQ(result.gapCount, c.gaps) << c.times.size();
        EXPECT_NEAR(result.missingSeconds, c.missing, 1e-6);
        EXPECT_EQ(result.expectedEpochs, c.expected);
    }
}

// Epochs out of order: repeats dropped, backward jumps listed as gaps, the
// span from the earliest to the latest epoch.
TEST(QcEngine, RepeatedAndBackwardEpochs) {
    const auto hour = [](double from) {
        std::vector<double> times;
        for (int k = 0; k < 120; ++k) times.push_back(from + 30.0 * k);
        return times;
    };
    const auto join = [](std::vector<std::vector<double>> parts) {
        std::vector<double> all;
        for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Case {
        const char* name;
        std::vector<double> times;
        int64_t epochs, repeated, backward, gaps, expected;
    };
    const Case cases[] = {
        {"in order", hour(0), 120, 0, 0, 0, 120},
        {"one epoch twice", {0, 30, 30, 60}, 3, 1, 0, 0, 3},
        {"an hour twice", join({hour(0), hour(0)}), 120, 120, 0, 0, 120},
        {"two hours in the wrong order", join({hour(3600), hour(0)}), 240, 0, 1, 1, 240},
        {"wrong order, then the second hour again", join({hour(3600), hour(0), hour(3600)}), 240, 120, 1, 1, 240},
        {"back into a stretch already read", {0, 30, 60, 90, 45, 60, 120}, 5, 2, 0, 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QcEngine engine(QcSettings{kInterval});
        std::vector<SatelliteObservation> one(1);
        for (size_t i = 0; i < c.times.size(); ++i) {
            one[0] = Clean(static_cast<int>(c.times[i] / kInterval), 0.3);
            engine.Add({kStart + c.times[i], 0, one});
        }
        const QcResult result = engine.Finish();
        EXPECT_EQ(result.epochs, c.epochs);
        EXPECT_EQ(result.repeatedEpochs, c.repeated);
        EXPECT_EQ(result.backwardJumps, c.backward);
        EXPECT_EQ(result.gapCount, c.gaps);
        EXPECT_EQ(result.expectedEpochs, c.expected);
        EXPECT_EQ(result.satellites[0].epochsObserved, c.epochs);
        EXPECT_LE(result.first, result.last);
        for (const Stretch& st : result.plots[0].observed) EXPECT_LE(st.start, st.end);
    }
}

// A tracking bar ends at the last epoch before a gap.
TEST(QcEngine, StretchesEndAtGaps) {
    Scene scene;
    scene.present = [](int k) { return k < 30 || k >= 34; };
    const QcResult result = Run_Scene(scene);
    const std::vector<Stretch>& observed = result.plots[0].observed;
    ASSERT_EQ(observed.size(), 2u);
    EXPECT_EQ(observed[0].end, kStart + 29 * kInterval);
    EXPECT_EQ(observed[1].start, kStart + 34 * kInterval);
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
