// The D19.12 field of Format_Rinex_Value against the field made from the C
// library's own "%+18.11le" text, over many values: random bit patterns,
// random magnitudes across the integer fast range and beyond it, exact
// decimal ties in the 13th digit and their neighbours, carries into the
// next power of ten, and the edges of the fast range.
// Z2I_FORMAT_TEST_VALUES raises the number of random values per kind (a
// long run checks hundreds of millions).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

long Random_Count() {
    const char* text = std::getenv("Z2I_FORMAT_TEST_VALUES");
    const long count = text != nullptr ? std::atol(text) : 0;
    return count > 0 ? count : 200000;
}

// Compares one value; counts and reports only the first few mismatches.
class Checker {
public:
    void check(double value) {
        char got[20];
        Format_Rinex_Value(got, value);
        double reference = value;
        if (reference == 0.0) reference = 0.0;
        char text[40];
        std::snprintf(text, sizeof text, "%+18.11le", reference);
        char expected[20];
        Format_Rinex_Double(expected, text);
        ++compared_;
        if (std::strcmp(got, expected) != 0) {
            if (++mismatches_ <= 10) {
                ADD_FAILURE() << std::hexfloat << value << std::defaultfloat << " (" << text
                              << "): got \"" << got << "\", expected \"" << expected << "\"";
            }
        }
    }
    long compared() const { return compared_; }
    long mismatches() const { return mismatches_; }

private:
    long compared_ = 0;
    long mismatches_ = 0;
};

double From_Bits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(RinexNumberRandom, RandomMagnitudesMatchTheCLibrary) {
    const long count = Random_Count();
    std::mt19937_64 random(0x5eed1234u);
    Checker checker;
    // Binary exponents from well below to well above the fast range.
    std::uniform_int_distribution<int> binaryExponent(-70, 50);
    for (long i = 0; i < count; ++i) {
        const uint64_t significand = random() & ((uint64_t{1} << 52) - 1);
        const int exponent = binaryExponent(random);
        const uint64_t bits = (uint64_t{i % 2 == 0 ? 0u : 1u} << 63) |
                              (static_cast<uint64_t>(exponent + 1023) << 52) | significand;
        checker.check(From_Bits(bits));
    }
    // Any bit pattern: every exponent, subnormals, infinities, not-a-number.
    for (long i = 0; i < count / 4; ++i) checker.check(From_Bits(random()));
    // Decimal magnitudes of broadcast ephemerides, with few digits, as
    // ephemeris files give them.
    std::uniform_int_distribution<int> decimalExponent(-20, 12);
    std::uniform_int_distribution<int64_t> mantissa(1, 999999999999999);
    for (long i = 0; i < count; ++i) {
        const double scale = std::pow(10.0, static_cast<double>(decimalExponent(random)));
        const double value = static_cast<double>(mantissa(random) % 10000000) * scale;
        checker.check(i % 2 == 0 ? value : -value);
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_GE(checker.compared(), 2 * count);
}

TEST(RinexNumberRandom, ExactTiesAndTheirNeighbours) {
    // value * 10^p ends in exactly .5 when value = j / 2^(p + 1) with j odd;
    // such values in [10^k, 10^(k+1)), p = 11 - k, are the ties of the 12th
    // significant digit.  Their neighbours one unit in the last place away
    // must round away from the tie.
    const long count = Random_Count() / 20 + 1;
    std::mt19937_64 random(77);
    Checker checker;
    long ties = 0;
    for (int k = -16; k <= 11; ++k) {
        const int p = 11 - k;
        const double low = std::ldexp(std::pow(10.0, k), p + 1);
        const double high = std::ldexp(std::pow(10.0, k + 1), p + 1);
        if (high > 9007199254740992.0 || high < 4.0) continue;  // j must fit 53 bits
        std::uniform_int_distribution<uint64_t> pick(static_cast<uint64_t>(low),
                                                     static_cast<uint64_t>(high) - 1);
        for (long i = 0; i < count; ++i) {
            const uint64_t j = pick(random) | 1u;
            const double value = std::ldexp(static_cast<double>(j), -(p + 1));
            checker.check(value);
            checker.check(-value);
            checker.check(std::nextafter(value, 0.0));
            checker.check(std::nextafter(value, 1e300));
            ++ties;
        }
    }
    EXPECT_GT(ties, 1000);
    EXPECT_EQ(checker.mismatches(), 0);
}

TEST(RinexNumberRandom, PowersOfTenCarriesAndRangeEdges) {
    Checker checker;
    for (int e = -324; e <= 309; ++e) {
        const double power = std::pow(10.0, static_cast<double>(e));
        double around = power;
        for (int step = 0; step < 8; ++step) around = std::nextafter(around, 0.0);
        for (int step = 0; step < 16; ++step) {
            checker.check(around);
            checker.check(-around);
            around = std::nextafter(around, std::numeric_limits<double>::infinity());
        }
        // Just below the carry into the next power of ten: 9.99999999999|5.
        const double carry = 9.999999999995 * std::pow(10.0, static_cast<double>(e - 1));
        double near = carry;
        for (int step = 0; step < 4; ++step) near = std::nextafter(near, 0.0);
        for (int step = 0; step < 8; ++step) {
            checker.check(near);
            near = std::nextafter(near, std::numeric_limits<double>::infinity());
        }
    }
    // The edges of every binary exponent the fast route may take, and of
    // those just outside it.
    for (int exponent = -60; exponent <= 45; ++exponent) {
        const double edge = std::ldexp(1.0, exponent);
        checker.check(edge);
        checker.check(std::nextafter(edge, 0.0));
        checker.check(std::nextafter(edge, 1e300));
        checker.check(-std::nextafter(std::ldexp(1.0, exponent + 1), 0.0));
    }
    const double specials[] = {0.0,
                               -0.0,
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(),
                               1.0,
                               -1.0,
                               0.5,
                               99999999999.5,
                               999999999999.5,
                               0.1,
                               1e-16,
                               1e11,
                               1e12};
    for (double value : specials) checker.check(value);
    EXPECT_GT(checker.compared(), 10000);
    EXPECT_EQ(checker.mismatches(), 0);
}

}  // namespace
}  // namespace zer2ivi
