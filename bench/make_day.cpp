// Writes a day of a station's binary observation log whose satellites fly
// the real broadcast orbits of a RINEX navigation file: the satellites in
// view above 5 degrees (at most 12, highest first), ranges from their
// positions, a receiver clock, ionosphere, code multipath that grows toward
// the horizon, lock counters that restart on rising and now and then on a
// cycle slip, and a receiver outage of four minutes.  Its quality check then
// looks like that of a real station; the benchmark and the quality-check
// report of a whole day use it.  Everything comes from a fixed seed.
//
//   z2i_bench_make_day NAVFILE OUTPUT INTERVAL_SECONDS
//
// The station is BAHR (the position of the repository's bahr1620 files) and
// the day is the day of those files, 2004-06-10, so NAVFILE is
// tests/data/real/bahr1620.04n and its ephemeris file bahr1620.tagged.eph.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "qc/broadcast_orbit.h"
#include "qc/gps_clock.h"
#include "random.h"
#include "zebfile/zebfile.h"

namespace {

using zer2ivi::MeasurementRecord;
using zer2ivi::PositionRecord;
namespace qc = zer2ivi::qc;

constexpr qc::Vector3 kStation{3633909.1016, 4425275.5033, 2799861.2736};
constexpr int kWeek = 1274;
constexpr double kDayStart = 345600.0;  // 2004-06-10 00:00 GPS, Thursday
constexpr double kDayLength = 86400.0;
constexpr double kOutageStart = 13 * 3600.0, kOutageEnd = 13 * 3600.0 + 240.0;
constexpr double kTrackingMask = 5.0;  // degrees
constexpr int kChannels = 12;
constexpr int kMaxPrn = 32;

using zer2ivi::bench::Random;

struct Track {
    bool tracked = false;
    uint8_t lockCount = 0;
    double ambiguity1 = 0, ambiguity2 = 0;  // cycles
    double multipathPhase = 0;              // radians
    double multipathPeriod = 400;           // seconds
    double previousRange = 0;
};

void Store_Le16(std::FILE* file, long offset, int value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value & 0xFF),
                                    static_cast<unsigned char>((value >> 8) & 0xFF)};
    std::fseek(file, offset, SEEK_SET);
    std::fwrite(bytes, 1, 2, file);
}

}  // namespace

int main(int argc, char** argv) {
    double interval = 0;
    if (argc != 4 || std::from_chars(argv[3], argv[3] + std::strlen(argv[3]), interval).ec != std::errc() ||
        interval <= 0) {
        std::fprintf(stderr, "usage: %s NAVFILE OUTPUT INTERVAL_SECONDS\n", argv[0]);
        return 2;
    }
    qc::EphemerisStore store;
    std::string error;
    if (!store.Load(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const qc::Site site(kStation);
    const qc::Geodetic geodetic = qc::To_Geodetic(kStation);

    zer2ivi::ZebWriter writer;
    if (!zer2ivi::Zeb_Create(writer, argv[2], 6, kChannels, 0)) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    Random random{20040610};
    Track tracks[kMaxPrn + 1];
    PositionRecord position{};
    position.positionFlags = zer2ivi::kPositionSettledFlag;
    position.latitude = geodetic.latitude * 180 / std::numbers::pi;
    position.longitude = geodetic.longitude * 180 / std::numbers::pi;
    position.height = static_cast<float>(geodetic.height);
    MeasurementRecord measurements[kChannels]{};
    double clock = 2500.0;  // metres
    struct InView {
        int prn;
        double elevation, range;
    };
    std::vector<InView> inView;
    const long epochs = static_cast<long>(std::floor(kDayLength / interval));
    const double slipPerEpoch = interval / 20000.0;  // about one slip per satellite and 5.5 h

    for (long e = 0; e < epochs; ++e) {
        const double secondsOfDay = static_cast<double>(e) * interval;
        const double t = qc::Gps_Seconds(kWeek, kDayStart + secondsOfDay);
        clock += 0.05 * interval + 0.02 * std::sqrt(interval) * random.normal();
        const bool outage = secondsOfDay >= kOutageStart && secondsOfDay < kOutageEnd;
        inView.clear();
        for (int prn = 1; prn <= kMaxPrn; ++prn) {
            const zer2ivi::rinex::GpsEphemeris* ephemeris = store.Nearest(prn, t);
            if (ephemeris == nullptr) continue;
            const qc::LookAngles look = qc::Look_At(*ephemeris, t, site);
            if (look.elevation >= kTrackingMask) inView.push_back({prn, look.elevation, look.range});
        }
        std::sort(inView.begin(), inView.end(),
                  [](const InView& a, const InView& b) { return a.elevation > b.elevation; });
        if (inView.size() > kChannels) inView.resize(kChannels);
        bool seen[kMaxPrn + 1] = {};
        for (const InView& v : inView) seen[v.prn] = true;
        for (int prn = 1; prn <= kMaxPrn; ++prn)
            if (!seen[prn] || outage) tracks[prn].tracked = false;
        if (outage) continue;

        // Vertical ionosphere: 2 m at night, 8 m in the afternoon (local time
        // about UTC + 3 h at this station).
        const double localHours = std::fmod(secondsOfDay / 3600.0 + 3.4, 24.0);
        const double verticalIono = 2.0 + 6.0 * std::max(0.0, std::cos((localHours - 14.0) / 24.0 * 2 * std::numbers::pi));
        int count = 0;
        for (const InView& v : inView) {
            Track& track = tracks[v.prn];
            if (!track.tracked) {
                track.tracked = true;
                track.lockCount = 0;
                track.ambiguity1 = std::round(random.unit() * 2e6 - 1e6);
                track.ambiguity2 = std::round(random.unit() * 2e6 - 1e6);
                track.multipathPhase = random.unit() * 2 * std::numbers::pi;
                track.multipathPeriod = 250 + 500 * random.unit();
                track.previousRange = v.range;
            } else if (random.unit() < slipPerEpoch * (1 + 6 * std::exp(-v.elevation / 12))) {
                // A cycle slip: the counter starts again and the phases jump.
                track.lockCount = 0;
                track.ambiguity1 += std::round(random.unit() * 40 - 20);
                track.ambiguity2 += std::round(random.unit() * 40 - 20);
            } else if (track.lockCount < 255) {
                ++track.lockCount;
            }
            const double elevation = v.elevation * std::numbers::pi / 180;
            const double mapping = 1.0 / std::sqrt(1 - std::pow(0.94 * std::cos(elevation), 2));
            const double iono1 = verticalIono * mapping;
            const double iono2 = iono1 * qc::kAlpha;
            const double weight = std::exp(-v.elevation / 18.0);
            const double multipath = (0.08 + 1.1 * weight) *
                                     std::sin(2 * std::numbers::pi * secondsOfDay / track.multipathPeriod +
                                              track.multipathPhase);
            const double noise = 0.12 + 0.5 * weight;
            const double range = v.range + clock;
            MeasurementRecord& m = measurements[count++];
            m.prn = static_cast<uint8_t>(v.prn);
            m.lockCount = track.lockCount;
            m.c1 = range + iono1 + multipath + noise * random.normal();
            m.p2 = range + iono2 + 0.8 * multipath + 1.3 * noise * random.normal();
            // Stored with the sign opposite to RINEX.
            m.l1 = -((range - iono1) / qc::kWavelengthL1 + track.ambiguity1 + 0.004 * random.normal());
            m.l2 = -((range - iono2) / qc::kWavelengthL2 + track.ambiguity2 + 0.004 * random.normal());
            m.d1 = -(v.range - track.previousRange) / interval / qc::kWavelengthL1;
            track.previousRange = v.range;
        }
        position.measurementCount = static_cast<uint8_t>(count);
        position.timeOfWeek = kDayStart + secondsOfDay;
        position.clockOffset = clock;
        if (!zer2ivi::Zeb_Write_Epoch(writer, position, measurements)) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            zer2ivi::Zeb_Finish(writer);
            return 1;
        }
    }
    if (!zer2ivi::Zeb_Finish(writer)) return 1;
    // Created on the day it holds (month 0..11, year - 1900).
    std::FILE* file = std::fopen(argv[2], "r+b");
    if (file == nullptr) return 1;
    Store_Le16(file, 8, 5);
    Store_Le16(file, 10, 10);
    Store_Le16(file, 12, 104);
    Store_Le16(file, 14, 0);
    Store_Le16(file, 16, 0);
    Store_Le16(file, 18, 0);
    return std::fclose(file) == 0 ? 0 : 1;
}
