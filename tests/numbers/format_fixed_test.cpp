// Format_Fixed must give exactly the text snprintf gives for the same
// format, apart from the sign of a zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

std::string Reference(double value, int width, int precision) {
    if (value == 0.0) value = 0.0;
    char text[512];
    std::snprintf(text, sizeof text, "%*.*f", width, precision, value);
    return text;
}

std::string Fast(double value, int width, int precision) {
    char text[512];
    const size_t length = Format_Fixed(text, sizeof text, value, width, precision);
    EXPECT_EQ(length, std::strlen(text));
    return text;
}

struct Format {
    int width;
    int precision;
};
constexpr Format kFormats[] = {{14, 3}, {12, 9}, {11, 7}, {12, 6}, {14, 2}, {6, 0}, {1, 1}};

TEST(FormatFixed, EdgeValuesMatchSnprintf) {
    const double edges[] = {
        0.0, -0.0, 0.0005, -0.0005, 0.0015, 0.0025, 2.5e-3, 0.0625, 0.125, 0.5, 1.5, 2.5,
        9.9995, 9.99950000001, 999.9995, 99999999999.9995, 1e15, -1e15, 9.2e15, 1e16, 1e300,
        -1e300, 123456789.123456789, 0.1, 0.2, 0.3, 1e-7, 5e-8, 4.9999999e-8, 1e-10,
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
        std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN(), 4503599627370496.0, 9007199254740993.0,
        20200000.123, -120000000.5005, 0.0004999999999999999, 1e9, 1e10 - 0.0005,
        9223372036854.775807, 9223372036854775.807, 0.000000001, 0.0000000005, 0.0000000015};
    for (double value : edges) {
        for (const Format& f : kFormats) {
            EXPECT_EQ(Fast(value, f.width, f.precision), Reference(value, f.width, f.precision))
                << value << " %" << f.width << "." << f.precision << "f";
        }
    }
}

TEST(FormatFixed, NonFiniteValuesAsALinuxHostPrintsThem) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Fast(inf, 14, 3), "           inf");
    EXPECT_EQ(Fast(-inf, 14, 3), "          -inf");
    EXPECT_EQ(Fast(nan, 14, 3), "           nan");
    EXPECT_EQ(Fast(-nan, 14, 3), "          -nan");
    EXPECT_EQ(Fast(-nan, 1, 3), "-nan");
}

TEST(FormatFixed, NegativeZeroHasNoMinusButSmallNegativesKeepIt) {
    EXPECT_EQ(Fast(-0.0, 14, 3), "         0.000");
    EXPECT_EQ(Fast(-0.0001, 14, 3), "        -0.000");
    EXPECT_EQ(Fast(-1000.25, 14, 3), "     -1000.250");
}

TEST(FormatFixed, RandomValuesMatchSnprintf) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::uniform_int_distribution<int> decade(-12, 17);
    for (int i = 0; i < 300000; ++i) {
        const double value = uniform(random) * std::pow(10.0, decade(random));
        const Format& f = kFormats[static_cast<size_t>(i) % std::size(kFormats)];
        ASSERT_EQ(Fast(value, f.width, f.precision), Reference(value, f.width, f.precision))
            << std::hexfloat << value;
    }
    // Decimal halfway points and their neighbours: values that round up to
    // a new digit and ties between two outputs.
    for (int i = 0; i < 200000; ++i) {
        const double base = std::round(uniform(random) * 1e9) / 1000.0 + 0.0005;
        for (double value : {base, std::nextafter(base, 0.0), std::nextafter(base, 1e300)}) {
            ASSERT_EQ(Fast(value, 14, 3), Reference(value, 14, 3)) << std::hexfloat << value;
        }
    }
    // Any bit pattern at all.
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_EQ(Fast(value, 14, 3), Reference(value, 14, 3)) << std::hexfloat << value;
    }
}

TEST(FormatFixed, CutsToTheCapacityWithoutOverrun) {
    char text[8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(Format_Fixed(text, 5, 123456.789, 14, 3), 4u);
    EXPECT_STREQ(text, "    ");
    EXPECT_EQ(text[5], 'x');
    EXPECT_EQ(Format_Fixed(text, 5, 1e300, 14, 3), 4u);
    EXPECT_STREQ(text, "1000");
}

}  // namespace
}  // namespace zer2ivi
