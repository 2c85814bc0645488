// Writes the benchmark's inputs: a binary observation file made with the
// library's own writer, and ephemeris text files in the tagged and the plain
// form.  Everything is derived from a fixed seed, so every run of the
// benchmark converts the same bytes.
//
//   z2i_bench_make_input obs    PATH EPOCHS SATELLITES
//   z2i_bench_make_input tagged PATH COUNT
//   z2i_bench_make_input plain  PATH COUNT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "random.h"
#include "zebfile/zebfile.h"

namespace {

using zer2ivi::MeasurementRecord;
using zer2ivi::PositionRecord;

using zer2ivi::bench::Random;

constexpr double kL1Wavelength = 299792458.0 / 1575.42e6;
constexpr double kL2Wavelength = 299792458.0 / 1227.60e6;
constexpr int kMaxSatellites = 24;
constexpr double kStartTimeOfWeek = 345600.0;  // Thursday 00:00
constexpr double kSecondsPerWeek = 604800.0;

// One tracked satellite: a range that changes smoothly, and a lock counter.
struct Track {
    uint8_t prn;
    uint8_t lockCount;
    double range;      // metres
    double rate;       // metres per second
    double acceleration;
    double phaseBias1; // cycles
    double phaseBias2;
};

void New_Track(Track& track, uint8_t prn, Random& random) {
    track.prn = prn;
    track.lockCount = 0;
    track.range = random.between(2.0e7, 2.55e7);
    track.rate = random.between(-800.0, 800.0);
    track.acceleration = random.between(-0.1, 0.1);
    track.phaseBias1 = random.between(-5.0e6, 5.0e6);
    track.phaseBias2 = random.between(-5.0e6, 5.0e6);
}

int Write_Observations(const char* path, long epochs, int satellites) {
    if (satellites < 1 || satellites > kMaxSatellites || epochs < 0) {
        std::fprintf(stderr, "bad observation size\n");
        return 2;
    }
    zer2ivi::ZebWriter writer;
    if (!zer2ivi::Zeb_Create(writer, path, 3, static_cast<uint8_t>(satellites), 0)) {
        std::fprintf(stderr, "cannot create %s\n", path);
        return 1;
    }
    Random random{20240611};
    Track tracks[kMaxSatellites];
    bool inUse[33] = {};
    uint8_t nextPrn = 1;
    for (int s = 0; s < satellites; ++s) {
        New_Track(tracks[s], nextPrn, random);
        inUse[nextPrn] = true;
        nextPrn = static_cast<uint8_t>(nextPrn % 32 + 1);
    }

    PositionRecord position{};
    position.positionFlags = zer2ivi::kPositionSettledFlag;
    position.latitude = 47.3769;
    position.longitude = 8.5417;
    position.height = 408.0f;
    MeasurementRecord measurements[kMaxSatellites]{};
    double clock = 1234.5678;  // metres

    for (long e = 0; e < epochs; ++e) {
        // Every half hour one satellite sets and another rises in its slot.
        if (e > 0 && e % 1800 == 0) {
            const int slot = static_cast<int>((e / 1800) % satellites);
            while (inUse[nextPrn]) nextPrn = static_cast<uint8_t>(nextPrn % 32 + 1);
            inUse[tracks[slot].prn] = false;
            New_Track(tracks[slot], nextPrn, random);
            inUse[nextPrn] = true;
        }
        position.measurementCount = static_cast<uint8_t>(satellites);
        position.timeOfWeek = std::fmod(kStartTimeOfWeek + static_cast<double>(e), kSecondsPerWeek);
        clock += random.between(-0.5, 0.5);
        position.clockOffset = clock;
        for (int s = 0; s < satellites; ++s) {
            Track& track = tracks[s];
            track.rate += track.acceleration;
            track.range += track.rate;
            // A lock counter grows and holds at its top; now and then a
            // cycle slip starts it again.
            if (random.next() % 6000 == 0) {
                track.lockCount = 0;
            } else if (track.lockCount < 255) {
                ++track.lockCount;
            }
            const double noise = random.between(-1.5, 1.5);
            MeasurementRecord& m = measurements[s];
            m.prn = track.prn;
            m.lockCount = track.lockCount;
            m.c1 = track.range + noise;
            m.p2 = track.range + noise + random.between(-3.0, 3.0);
            // Stored with the sign opposite to RINEX.
            m.l1 = -(track.range / kL1Wavelength + track.phaseBias1 + random.between(-0.01, 0.01));
            m.l2 = -(track.range / kL2Wavelength + track.phaseBias2 + random.between(-0.01, 0.01));
            m.d1 = -track.rate / kL1Wavelength + random.between(-0.5, 0.5);
        }
        if (!zer2ivi::Zeb_Write_Epoch(writer, position, measurements)) {
            std::fprintf(stderr, "cannot write %s\n", path);
            zer2ivi::Zeb_Finish(writer);
            return 1;
        }
    }
    return zer2ivi::Zeb_Finish(writer) ? 0 : 1;
}

// The 26 fields of one ephemeris as the text forms carry them.
struct Ephemeris {
    int prn, week, aux1;
    double tgd;
    int iodc, aux2;
    double af2, af1, af0;
    int iode;
    double crs, deltaN, m0, cuc, ecc, cus, sqrtA;
    int toe;
    double cic, omega0, cis, i0, crc, omega, omegaDot, idot;
};

// Ephemeris number n: 32 satellites, a new set every two hours.
Ephemeris Make_Ephemeris(long n, Random& random) {
    Ephemeris e{};
    const long set = n / 32;
    const long secondsSinceStart = set * 7200;
    e.prn = static_cast<int>(n % 32) + 1;
    e.week = 2190 + static_cast<int>(secondsSinceStart / 604800);
    e.toe = static_cast<int>(secondsSinceStart % 604800);
    e.aux1 = 0;
    e.tgd = random.between(-2.0e-8, 2.0e-8);
    e.iodc = static_cast<int>(set % 1024);
    e.aux2 = 0;
    e.af2 = 0.0;
    e.af1 = random.between(-1.0e-11, 1.0e-11);
    e.af0 = random.between(-5.0e-4, 5.0e-4);
    e.iode = static_cast<int>(set % 256);
    e.crs = random.between(-150.0, 150.0);
    e.deltaN = random.between(3.0e-9, 6.0e-9);
    e.m0 = random.between(-3.14159, 3.14159);
    e.cuc = random.between(-8.0e-6, 8.0e-6);
    e.ecc = random.between(1.0e-4, 2.0e-2);
    e.cus = random.between(-8.0e-6, 8.0e-6);
    e.sqrtA = random.between(5153.5, 5153.8);
    e.cic = random.between(-3.0e-7, 3.0e-7);
    e.omega0 = random.between(-3.14159, 3.14159);
    e.cis = random.between(-3.0e-7, 3.0e-7);
    e.i0 = random.between(0.93, 0.99);
    e.crc = random.between(150.0, 350.0);
    e.omega = random.between(-3.14159, 3.14159);
    e.omegaDot = random.between(-8.5e-9, -7.5e-9);
    e.idot = random.between(-5.0e-10, 5.0e-10);
    return e;
}

int Write_Ephemerides(const char* path, long count, bool tagged) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "cannot create %s\n", path);
        return 1;
    }
    Random random{19800106};
    if (tagged) std::fprintf(out, "$EPHREC 1.0 benchmark ephemerides\n");
    for (long n = 0; n < count; ++n) {
        const Ephemeris e = Make_Ephemeris(n, random);
        if (tagged) {
            std::fprintf(out,
                         "GpsEph {\n"
                         "  Prn: %d\n"
                         "  El1: %d %d %.11e %d %d\n"
                         "  El2: %.11e %.11e %.11e\n"
                         "  El3: %d %.11e %.11e %.11e\n"
                         "  El4: %.11e %.11e %.11e %.11e\n"
                         "  El5: %d %.11e %.11e %.11e\n"
                         "  El6: %.11e %.11e %.11e %.11e %.11e\n"
                         "}\n",
                         e.prn, e.week, e.aux1, e.tgd, e.iodc, e.aux2, e.af2, e.af1, e.af0,
                         e.iode, e.crs, e.deltaN, e.m0, e.cuc, e.ecc, e.cus, e.sqrtA, e.toe,
                         e.cic, e.omega0, e.cis, e.i0, e.crc, e.omega, e.omegaDot, e.idot);
        } else {
            std::fprintf(out,
                         "%d %d %d %.11e %d %d\n"
                         "%.11e %.11e %.11e\n"
                         "%d %.11e %.11e %.11e\n"
                         "%.11e %.11e %.11e %.11e\n"
                         "%d %.11e %.11e %.11e\n"
                         "%.11e %.11e %.11e %.11e %.11e\n",
                         e.prn, e.week, e.aux1, e.tgd, e.iodc, e.aux2, e.af2, e.af1, e.af0,
                         e.iode, e.crs, e.deltaN, e.m0, e.cuc, e.ecc, e.cus, e.sqrtA, e.toe,
                         e.cic, e.omega0, e.cis, e.i0, e.crc, e.omega, e.omegaDot, e.idot);
        }
    }
    const bool written = std::ferror(out) == 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "obs") == 0) {
        return Write_Observations(argv[2], std::atol(argv[3]), std::atoi(argv[4]));
    }
    if (argc == 4 && std::strcmp(argv[1], "tagged") == 0) {
        return Write_Ephemerides(argv[2], std::atol(argv[3]), true);
    }
    if (argc == 4 && std::strcmp(argv[1], "plain") == 0) {
        return Write_Ephemerides(argv[2], std::atol(argv[3]), false);
    }
    std::fprintf(stderr,
                 "usage: %s obs PATH EPOCHS SATELLITES | tagged PATH COUNT | plain PATH COUNT\n",
                 argv[0]);
    return 2;
}
