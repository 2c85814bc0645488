// Format_Fixed against snprintf over many values: random
// magnitudes across the whole fast range, exact halfway cases, carries into
// a new digit, and the edges of the integer range.  Z2I_FORMAT_TEST_VALUES
// raises the number of random values per format (a long run checks hundreds
// of millions).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

struct Format {
    int width;
    int precision;
};
// The observation writer's formats first, then others the formatter serves.
constexpr Format kFormats[] = {{14, 3}, {12, 9}, {11, 7}, {14, 0}, {8, 5}, {0, 1}};

long Random_Count() {
    const char* text = std::getenv("Z2I_FORMAT_TEST_VALUES");
    const long count = text != nullptr ? std::atol(text) : 0;
    return count > 0 ? count : 200000;
}

// Compares one value; counts and reports only the first few mismatches.
class Checker {
public:
    void check(double value, const Format& f) {
        double reference = value;
        if (reference == 0.0) reference = 0.0;
        char expected[512];
        std::snprintf(expected, sizeof expected, "%*.*f", f.width, f.precision, reference);
        char actual[512];
        const size_t length = Format_Fixed(actual, sizeof actual, value, f.width, f.precision);
        ++checked_;
        if (length != std::strlen(expected) || std::strcmp(actual, expected) != 0) {
            if (++mismatches_ <= 10) {
                ADD_FAILURE() << "%" << f.width << "." << f.precision << "f of "
                              << std::hexfloat << value << ": expected \"" << expected
                              << "\", got \"" << actual << "\"";
            }
        }
    }
    long checked() const { return checked_; }
    long mismatches() const { return mismatches_; }

private:
    long checked_ = 0;
    long mismatches_ = 0;
};

TEST(FormatFixedRandom, LogUniformMagnitudesMatchSnprintf) {
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> exponent(-12.0, 19.0);
    Checker checker;
    const long count = Random_Count();
    for (const Format& f : kFormats) {
        for (long i = 0; i < count; ++i) {
            double value = std::pow(10.0, exponent(random));
            if ((random() & 1u) != 0) value = -value;
            checker.check(value, f);
        }
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_EQ(checker.checked(), count * static_cast<long>(std::size(kFormats)));
}

TEST(FormatFixedRandom, ObservationMagnitudesMatchSnprintf) {
    // Pseudoranges, phases, Doppler, clock offsets and seconds as the
    // observation lines carry them, with random low bits.
    std::mt19937_64 random(777);
    std::uniform_real_distribution<double> range(1.9e7, 2.7e7);
    std::uniform_real_distribution<double> phase(-1.5e8, 1.5e8);
    std::uniform_real_distribution<double> doppler(-5.0e3, 5.0e3);
    std::uniform_real_distribution<double> clock(-1.0e-3, 1.0e-3);
    std::uniform_real_distribution<double> second(0.0, 60.0);
    Checker checker;
    const long count = Random_Count();
    for (long i = 0; i < count; ++i) {
        checker.check(range(random), {14, 3});
        checker.check(phase(random), {14, 3});
        checker.check(doppler(random), {14, 3});
        checker.check(clock(random), {12, 9});
        checker.check(second(random), {11, 7});
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_EQ(checker.checked(), count * 5);
}

TEST(FormatFixedRandom, HalfwayCasesRoundToEvenLikeSnprintf) {
    // value * 10^p ends in exactly .5 only for odd / 2^(p+1): every such
    // value is a tie, and its neighbours are just above and below it.
    std::mt19937_64 random(99);
    Checker checker;
    const long count = Random_Count() / 10 + 1000;
    for (const Format& f : kFormats) {
        const double scale = std::ldexp(1.0, -(f.precision + 1));
        for (long i = 0; i < count; ++i) {
            const int bits = 1 + static_cast<int>(random() % 52);
            const uint64_t odd = ((random() >> (64 - bits)) | 1u);
            const double tie = static_cast<double>(odd) * scale;
            for (double value : {tie, -tie, std::nextafter(tie, 0.0),
                                 std::nextafter(tie, std::numeric_limits<double>::infinity())}) {
                checker.check(value, f);
            }
        }
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_GT(checker.checked(), 0);
}

TEST(FormatFixedRandom, CarriesAndRangeEdgesMatchSnprintf) {
    Checker checker;
    for (const Format& f : kFormats) {
        const double unit = std::pow(10.0, -f.precision);
        for (int k = 0; k <= 19; ++k) {
            const double power = std::pow(10.0, k);
            // Just below a power of ten, where rounding carries into a new digit.
            for (double value : {power, power - 0.5 * unit, power - unit, power + 0.5 * unit}) {
                double v = value;
                for (int step = 0; step < 8; ++step) {
                    checker.check(v, f);
                    checker.check(-v, f);
                    v = std::nextafter(v, 0.0);
                }
                v = value;
                for (int step = 0; step < 8; ++step) {
                    v = std::nextafter(v, std::numeric_limits<double>::infinity());
                    checker.check(v, f);
                }
            }
        }
        // Around 2^63 / 10^p, where the integer path hands over to snprintf.
        const double limit = std::ldexp(1.0, 63) / std::pow(10.0, f.precision);
        double v = limit * 0.999999;
        for (int step = 0; step < 2000; ++step) {
            checker.check(v, f);
            v = std::nextafter(v, std::numeric_limits<double>::infinity());
        }
        v = limit;
        for (int step = 0; step < 2000; ++step) {
            checker.check(v, f);
            v = std::nextafter(v, 0.0);
        }
        for (double tiny : {std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::min(), 0.5 * unit,
                            std::nextafter(0.5 * unit, 0.0), std::nextafter(0.5 * unit, 1.0),
                            1.5 * unit, 2.5 * unit}) {
            checker.check(tiny, f);
            checker.check(-tiny, f);
        }
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_GT(checker.checked(), 0);
}

TEST(FormatFixedRandom, NarrowBuffersKeepWhatFits) {
    // However little room there is, the text is snprintf's cut to fit.
    for (size_t capacity = 1; capacity <= 20; ++capacity) {
        for (double value : {20234567.891, -120000000.5, 0.001, -0.0}) {
            double reference = value;
            if (reference == 0.0) reference = 0.0;
            char expected[64];
            std::snprintf(expected, capacity, "%14.3f", reference);
            char actual[64];
            std::memset(actual, 'x', sizeof actual);
            const size_t length = Format_Fixed(actual, capacity, value, 14, 3);
            EXPECT_STREQ(actual, expected) << value << " in " << capacity;
            EXPECT_EQ(length, std::strlen(expected));
            EXPECT_EQ(actual[capacity], 'x') << "wrote past the buffer";
        }
    }
}

}  // namespace
}  // namespace zer2ivi
