// Writes a binary observation file whose values are hard to print the same
// way everywhere, for comparing the Windows DLL's output with the Linux
// build's: epochs of 13 to 24 satellites (a satellite list with a
// continuation line), GPS and GLONASS numbers, zeros of both signs, values
// far too large for their 14 columns, infinities, subnormal numbers, values
// that lie exactly on a rounding boundary of the third decimal, a large
// pseudo-random sweep of magnitudes, lock counters that rise, stay, drop and
// wrap, an epoch without satellites, clock offsets that do not fit their 12
// columns and a time of week that wraps into the next week.
//
//   z2i_make_stress_zeb OUTPUT
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "zebfile/zebfile.h"

namespace {

using zer2ivi::EPOCH_CAPACITY;
using zer2ivi::MeasurementRecord;
using zer2ivi::PositionRecord;

constexpr uint8_t kReceiverType = 6;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Deterministic pseudo-random numbers (64-bit linear congruential), so the
// file is the same on every run.
struct Sequence {
    uint64_t state;
    uint64_t next() {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return state;
    }
    // A finite double of any sign with a decimal magnitude between 10^-6 and
    // 10^18: a random significand under a random binary exponent.
    double any_magnitude() {
        const uint64_t bits = next();
        const int exponent = static_cast<int>((bits >> 8) % 81) - 20;  // 2^-20 .. 2^60
        const double significand =
            1.0 + static_cast<double>(bits >> 12) / 4503599627370496.0;  // [1, 2)
        const double value = std::ldexp(significand, exponent);
        return (bits & 1u) != 0 ? -value : value;
    }
    // A value with exactly three decimals as a text would give it: k/1000.
    double thousandths(double scale) {
        const uint64_t bits = next();
        const double whole = std::floor(static_cast<double>(bits >> 11) / 9007199254740992.0 * scale);
        return whole + static_cast<double>((bits >> 3) % 1000) / 1000.0;
    }
};

PositionRecord Position(double timeOfWeek, uint8_t count, double clockOffset) {
    PositionRecord position{};
    position.measurementCount = count;
    position.positionFlags = zer2ivi::kPositionSettledFlag;
    position.latitude = 26.2091;   // degrees
    position.longitude = 50.6081;  // degrees
    position.height = -17.25f;     // metres
    position.timeOfWeek = timeOfWeek;
    position.clockOffset = clockOffset;
    return position;
}

MeasurementRecord Measurement(uint8_t prn, uint8_t lockCount, double c1, double l1, double d1,
                              double p2, double l2) {
    MeasurementRecord record{};
    record.prn = prn;
    record.lockCount = lockCount;
    record.c1 = c1;
    record.l1 = l1;
    record.d1 = d1;
    record.p2 = p2;
    record.l2 = l2;
    return record;
}

// Satellite numbers: GPS 1..32, then GLONASS 33..64.
uint8_t Satellite(int index) { return static_cast<uint8_t>(index < 16 ? 2 + index : 24 + index); }

bool Write(zer2ivi::ZebWriter& writer, const PositionRecord& position,
           const MeasurementRecord* measurements) {
    if (zer2ivi::Zeb_Write_Epoch(writer, position, measurements)) return true;
    std::fprintf(stderr, "writing the epoch at %.1f failed\n", position.timeOfWeek);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: z2i_make_stress_zeb OUTPUT\n");
        return 2;
    }
    zer2ivi::ZebWriter writer;
    if (!zer2ivi::Zeb_Create(writer, argv[1], kReceiverType, EPOCH_CAPACITY)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    MeasurementRecord records[EPOCH_CAPACITY];
    double timeOfWeek = 345600.0;
    bool ok = true;

    // 1: 13 satellites, ordinary values, zeros of both signs in every type.
    for (int i = 0; i < 13; ++i) {
        const double base = 2.0e7 + 1234567.891 * i;
        records[i] = Measurement(Satellite(i), static_cast<uint8_t>(10 + i), base,
                                 -base / 0.190293672798, -1234.567 + 250.5 * i, base + 3.25,
                                 -base / 0.244210213425);
    }
    records[3] = Measurement(Satellite(3), 13, 0.0, -0.0, -0.0, 0.0, -0.0);
    records[4].l1 = 0.0;
    records[4].l2 = -0.0;
    records[5].d1 = -0.0;
    ok = ok && Write(writer, Position(timeOfWeek, 13, -0.0), records);

    // 2: 16 satellites, magnitudes past the 14 columns and past what a
    // 64-bit integer holds after scaling, infinities and subnormals.
    const double huge[][5] = {
        {1.0e10, -1.0e10, 9999999999.9995, -9999999999.9995, 12345678901.2345},
        {9.2233720368547e15, -9.2233720368548e15, 9.3e15, 1.0e16, -1.8446744073709552e19},
        {1.0e20, -1.0e22, 1.0e300, -1.0e300, std::numeric_limits<double>::max()},
        {-std::numeric_limits<double>::max(), kInfinity, -kInfinity, 4.0e18, -3.5e17},
        {std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min(),
         std::numeric_limits<double>::min(), -1.0e-300, 4.9999999999999996e-4},
        {0.0005, -0.0005, 0.0015, -0.0025, 1.0005},
        {2.5e-3, 1234.5675, -1234.5665, 0.1 + 0.2, 1e15 + 0.125},
        {8.589934592e9, 4294967296.0005, -2147483648.4995, 2251799813685248.5, 4503599627370495.5},
    };
    for (int i = 0; i < 16; ++i) {
        const double* row = huge[i % 8];
        const int shift = i / 8;
        records[i] = Measurement(Satellite(i), static_cast<uint8_t>(i < 8 ? 11 + i : 0),
                                 row[shift % 5], row[(shift + 1) % 5], row[(shift + 2) % 5],
                                 row[(shift + 3) % 5], row[(shift + 4) % 5]);
    }
    timeOfWeek += 1.0;
    ok = ok && Write(writer, Position(timeOfWeek, 16, 1.0e12), records);

    // 3..42: full epochs of pseudo-random values of every magnitude, lock
    // counters that climb, hold, drop and wrap; the clock offset sweeps too.
    Sequence sequence{0x5a45425a45425a45u};
    uint8_t lockCounts[EPOCH_CAPACITY] = {};
    for (int epoch = 0; epoch < 40; ++epoch) {
        const int count = 13 + epoch % 12;
        for (int i = 0; i < count; ++i) {
            const uint64_t step = sequence.next() % 8;
            lockCounts[i] = static_cast<uint8_t>(step == 0 ? lockCounts[i] - 7 : lockCounts[i] + step);
            if (epoch % 2 == 0) {
                records[i] = Measurement(Satellite((i + epoch) % 24), lockCounts[i],
                                         sequence.any_magnitude(), sequence.any_magnitude(),
                                         sequence.any_magnitude(), sequence.any_magnitude(),
                                         sequence.any_magnitude());
            } else {
                records[i] = Measurement(Satellite((i + epoch) % 24), lockCounts[i],
                                         sequence.thousandths(3.0e7), -sequence.thousandths(1.5e8),
                                         sequence.thousandths(5000.0) - 2500.0,
                                         sequence.thousandths(3.0e7), sequence.thousandths(1.2e8));
            }
        }
        timeOfWeek += 0.5;
        ok = ok && Write(writer, Position(timeOfWeek, static_cast<uint8_t>(count),
                                          sequence.any_magnitude() * 1.0e-6),
                         records);
    }

    // 43: no satellites at all.
    timeOfWeek += 1.0;
    ok = ok && Write(writer, Position(timeOfWeek, 0, 299.792458), nullptr);

    // 44, 45: the time of week wraps into the next week.
    for (int i = 0; i < 14; ++i) {
        records[i] = Measurement(Satellite(23 - i), static_cast<uint8_t>(200 - i),
                                 2.2e7 + 0.0005 * i, -1.0e8 - 0.0015 * i, -0.0, 2.2e7 + 0.0025 * i,
                                 0.0);
    }
    ok = ok && Write(writer, Position(604799.5, 14, -1.0e-3), records);
    for (int i = 0; i < 14; ++i) records[i].lockCount = static_cast<uint8_t>(3 + i);
    ok = ok && Write(writer, Position(0.5, 14, -299792458.0 * 1.0e5), records);

    if (!zer2ivi::Zeb_Finish(writer)) {
        std::fprintf(stderr, "finishing %s failed\n", argv[1]);
        return 1;
    }
    return ok ? 0 : 1;
}
