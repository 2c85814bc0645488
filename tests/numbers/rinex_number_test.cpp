#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

std::string Field_Of(double value) {
    char field[20];
    Format_Rinex_Value(field, value);
    return field;
}

std::string Field_From_Text(const char* text) {
    char field[20];
    Format_Rinex_Double(field, text);
    return field;
}

// The field made from the C library's own "%+18.11le" text.
std::string Field_Via_Printf(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%+18.11le", value);
    return Field_From_Text(text);
}

TEST(RinexNumberField, ValuesGiveTheirD19Fields) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {-1.23456789012e-5, " -.123456789012D-04"},
        {0.0, "  .000000000000D+00"},
        {-0.0, "  .000000000000D+00"},
        {0.5, "  .500000000000D+00"},
        {1160.0, "  .116000000000D+04"},
        {-2.3e-11, " -.230000000000D-10"},
        {432000.0, "  .432000000000D+06"},
        {0.99999999999999, "  .100000000000D+01"},  // the 12 digits round up
        {1.5e-99, "  .150000000000D-98"},
        {1e-100, "  .100000000000D-99"},
        // Exponents beyond two digits take the place of the "D".
        {1e99, "  .100000000000+100"},
        {-2.5e-101, " -.250000000000-100"},
        {std::numeric_limits<double>::max(), "  .179769313486+309"},
        {std::numeric_limits<double>::denorm_min(), "  .494065645841-323"},
        {inf, "                inf"},
        {-inf, "               -inf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Field_Of(c.value), c.expected) << c.value;
        EXPECT_EQ(Field_Of(c.value).size(), 19u) << c.value;
    }
}

TEST(RinexNumberField, TextShiftsThePointWithoutSecondRounding) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"-1.23456789012e-05", " -.123456789012D-04"},
        {"+0.00000000000e+00", "  .000000000000D+00"},
        {"+9.99999999999e-10", "  .999999999999D-09"},
        {"+1.00000000000e-100", "  .100000000000D-99"},
        {"+4.50000000000E+09", "  .450000000000D+10"},
        {"+1.23456789012e+99", "  .123456789012+100"},
        {"              +inf", "                inf"},
        {"              -nan", "               -nan"},
    };
    for (const Case& c : cases) EXPECT_EQ(Field_From_Text(c.text), c.expected) << c.text;
}

TEST(RinexNumberField, SameDigitsAsTheCLibraryFormat) {
    // The field is made with std::to_chars; it must give exactly what the
    // "%+18.11le" text of the C library gives, for every kind of value.
    std::mt19937_64 random(20240610);
    std::uniform_real_distribution<double> exponent(-16.0, 9.0);
    std::uniform_int_distribution<int> digits(0, 999999);
    int compared = 0;
    auto check = [&](double value) {
        const double unsignedZero = value == 0.0 ? 0.0 : value;
        ASSERT_EQ(Field_Of(value), Field_Via_Printf(unsignedZero)) << std::hexfloat << value;
        ++compared;
    };
    for (int i = 0; i < 120000; ++i) {
        // Any bit pattern: every exponent, subnormals, infinities.
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        check(value);
    }
    for (int i = 0; i < 120000; ++i) {
        // The magnitudes of broadcast ephemerides.
        const double value = std::pow(10.0, exponent(random));
        check((i % 2 == 0) ? value : -value);
    }
    for (int i = 0; i < 60000; ++i) {
        // Decimal ties and near-ties in the 13th digit, where the rounding
        // of the 12 kept digits is decided.
        const double mantissa = 1.0 + digits(random) * 1e-6 + 5e-12;
        const double scaled = mantissa * std::pow(10.0, static_cast<double>(i % 40 - 20));
        check(scaled);
        check(std::nextafter(scaled, 0.0));
        check(std::nextafter(scaled, 1e300));
    }
    for (int e = -323; e <= 308; ++e) {
        const double power = std::pow(10.0, static_cast<double>(e));
        check(power);
        check(std::nextafter(power, 0.0));
        check(-std::nextafter(power, 1e308));
    }
    EXPECT_GT(compared, 400000);
}

}  // namespace
}  // namespace zer2ivi
