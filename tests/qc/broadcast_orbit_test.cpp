// Satellite directions from broadcast ephemerides against RTKLIB's, computed
// independently from the same navigation files (tests/data/qc/README.md).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <fstream>
#include <sstream>
#include <string>

#include "qc/broadcast_orbit.h"
#include "qc/gps_clock.h"

namespace zer2ivi::qc {
namespace {

const std::string kData = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/";

// RTKLIB prints its angles to 0.1 degree and looks from its own epoch-wise
// position (some 15 m off the header's) at a transmit time taken from the
// pseudorange: half a step of its rounding and a little more.
constexpr double kToleranceDegrees = 0.06;

struct Case {
    const char* navigation;
    const char* reference;
    Vector3 receiver;  // the observation file's APPROX POSITION XYZ
    size_t minimumLines;
};

TEST(BroadcastOrbit, LookAnglesMatchRtklib) {
    const Case cases[] = {
        {"real/bahr1620.04n", "qc/rtklib_azel_bahr1620.txt", {3633909.1016, 4425275.5033, 2799861.2736}, 80},
        {"real/07590920.05n", "qc/rtklib_azel_07590920.txt", {-3976219.5082, 3382372.5671, 3652512.9849}, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reference);
        EphemerisStore store;
        std::string error;
        ASSERT_TRUE(store.Load(kData + c.navigation, error)) << error;
        const Site site(c.receiver);
        std::ifstream reference(kData + c.reference);
        ASSERT_TRUE(reference) << c.reference;
        std::string line;
        size_t compared = 0;
        double worstElevation = 0, worstAzimuth = 0;
        while (std::getline(reference, line)) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            int week = 0;
            double tow = 0, azimuth = 0, elevation = 0;
            std::string satellite;
            ASSERT_TRUE(fields >> week >> tow >> satellite >> azimuth >> elevation) << line;
            const int prn = std::stoi(satellite.substr(1));
            const double t = Gps_Seconds(week, tow);
            const rinex::GpsEphemeris* ephemeris = store.Nearest(prn, t);
            ASSERT_NE(ephemeris, nullptr) << line;
            const LookAngles look = Look_At(*ephemeris, t, site);
            double azimuthStep = std::fabs(look.azimuth - azimuth);
            if (azimuthStep > 180) azimuthStep = 360 - azimuthStep;
            // An azimuth error matters as much as the arc it spans.
            azimuthStep *= std::cos(elevation * std::numbers::pi / 180);
            EXPECT_NEAR(look.elevation, elevation, kToleranceDegrees) << line;
            EXPECT_LE(azimuthStep, kToleranceDegrees) << line;
            worstElevation = std::max(worstElevation, std::fabs(look.elevation - elevation));
            worstAzimuth = std::max(worstAzimuth, azimuthStep);
            ++compared;
        }
        EXPECT_GE(compared, c.minimumLines);
        std::printf("%s: %zu directions, largest differences %.3f deg elevation, %.3f deg azimuth\n",
                    c.reference, compared, worstElevation, worstAzimuth);
    }
}

// The nearest ephemeris by (week, toe), and none beyond 4 hours.
TEST(BroadcastOrbit, NearestEphemerisWithinFourHours) {
    EphemerisStore store;
    for (double toe : {345600.0, 352800.0, 360000.0}) {
        rinex::GpsEphemeris e;
        e.prn = 5;
        e.week = 1274;
        e.toe = toe;
        store.Add(e);
    }
    struct Probe {
        double secondsOfWeek;
        double expectedToe;  // 0: none
    };
    const Probe probes[] = {
        {345600.0 - 4 * 3600, 345600.0},      // exactly 4 h before the first
        {345600.0 - 4 * 3600 - 1, 0.0},       // beyond
        {349200.0, 345600.0},                 // halfway: the earlier one
        {349201.0, 352800.0},
        {360000.0 + 4 * 3600, 360000.0},
        {360000.0 + 4 * 3600 + 0.5, 0.0},
    };
    for (const Probe& p : probes) {
        const rinex::GpsEphemeris* found = store.Nearest(5, Gps_Seconds(1274, p.secondsOfWeek));
        if (p.expectedToe == 0) {
            EXPECT_EQ(found, nullptr) << p.secondsOfWeek;
        } else {
            ASSERT_NE(found, nullptr) << p.secondsOfWeek;
            EXPECT_EQ(found->toe, p.expectedToe) << p.secondsOfWeek;
        }
    }
    EXPECT_EQ(store.Nearest(6, Gps_Seconds(1274, 345600.0)), nullptr);
}

TEST(BroadcastOrbit, GeodeticOfKnownPoints) {
    struct Point {
        Vector3 ecef;
        double latitudeDegrees, longitudeDegrees, height;
    };
    const Point points[] = {
        {{6378137.0, 0, 0}, 0, 0, 0},
        {{0, 0, 6356752.314245 + 100}, 90, 0, 100},
        // 45 N 90 E on the ellipsoid: N = a / sqrt(1 - e^2 / 2).
        {{0, 4517590.878848932, 4487348.408865919}, 45, 90, 0},
    };
    for (const Point& p : points) {
        const Geodetic g = To_Geodetic(p.ecef);
        EXPECT_NEAR(g.latitude * 180 / std::numbers::pi, p.latitudeDegrees, 1e-9);
        EXPECT_NEAR(g.longitude * 180 / std::numbers::pi, p.longitudeDegrees, 1e-9);
        EXPECT_NEAR(g.height, p.height, 1e-4);
    }
}

}  // namespace
}  // namespace zer2ivi::qc
