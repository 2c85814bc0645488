// Read_Double must give exactly strtod's value (to the bit) and stop where
// strtod stops, for every text: numbers as ephemeris files write them,
// random digit strings, decimal midpoints between neighbouring doubles, and
// the forms that take strtod's own route.  Z2I_READ_DOUBLE_TEST_VALUES
// raises the number of random texts.
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
    const char* text = std::getenv("Z2I_READ_DOUBLE_TEST_VALUES");
    const long count = text != nullptr ? std::atol(text) : 0;
    return count > 0 ? count : 200000;
}

class Checker {
public:
    void check(const char* text) {
        char* expectedEnd = nullptr;
        const double expected = std::strtod(text, &expectedEnd);
        const char* actualEnd = nullptr;
        const double actual = Read_Double(text, &actualEnd);
        ++checked_;
        const bool same = std::memcmp(&expected, &actual, sizeof expected) == 0 ||
                          (std::isnan(expected) && std::isnan(actual));
        if (!same || actualEnd != expectedEnd) {
            if (++mismatches_ <= 10) {
                ADD_FAILURE() << "\"" << text << "\": strtod " << std::hexfloat << expected
                              << " after " << (expectedEnd - text) << " characters, got "
                              << actual << " after " << (actualEnd - text);
            }
        }
        // The end pointer is optional.
        const double again = Read_Double(text, nullptr);
        if (std::memcmp(&again, &actual, sizeof again) != 0 && !std::isnan(actual)) ++mismatches_;
    }
    void check(const std::string& text) { check(text.c_str()); }
    long mismatches() const { return mismatches_; }
    long checked() const { return checked_; }

private:
    long checked_ = 0;
    long mismatches_ = 0;
};

TEST(ReadDouble, PrintedDoublesMatchStrtod) {
    std::mt19937_64 random(4242);
    std::uniform_real_distribution<double> exponent(-30.0, 30.0);
    const char* formats[] = {"%.11e", "%.12E", "%.17g", "%.3f", "%.10e", "%g", "%.20e", "%.0f"};
    Checker checker;
    const long count = Random_Count();
    for (long i = 0; i < count; ++i) {
        double value = std::pow(10.0, exponent(random));
        if ((random() & 1u) != 0) value = -value;
        char text[512];
        std::snprintf(text, sizeof text, formats[i % std::size(formats)], value);
        checker.check(text);
    }
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_EQ(checker.checked(), count);
}

TEST(ReadDouble, RandomBitPatternsRoundTripLikeStrtod) {
    std::mt19937_64 random(31337);
    Checker checker;
    const long count = Random_Count();
    for (long i = 0; i < count; ++i) {
        const uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        char text[512];
        std::snprintf(text, sizeof text, (i & 1) != 0 ? "%.17g" : "%.25e", value);
        checker.check(text);
    }
    EXPECT_EQ(checker.mismatches(), 0);
}

TEST(ReadDouble, MidpointsBetweenNeighboursRoundLikeStrtod) {
    // The exact decimal text of the point halfway between two neighbouring
    // doubles, and texts just above and below it: the hardest roundings.
    std::mt19937_64 random(2718);
    std::uniform_real_distribution<double> exponent(-12.0, 15.0);
    Checker checker;
    const long count = Random_Count() / 4 + 1000;
    for (long i = 0; i < count; ++i) {
        const double low = std::pow(10.0, exponent(random));
        const double high = std::nextafter(low, std::numeric_limits<double>::infinity());
        const long double middle = (static_cast<long double>(low) + high) / 2;
        char text[1024];
        std::snprintf(text, sizeof text, "%.70Le", middle);
        checker.check(text);
        std::snprintf(text, sizeof text, "%.30Le", middle);
        checker.check(text);
        std::snprintf(text, sizeof text, "%.70Le", std::nextafter(middle, 0.0L));
        checker.check(text);
        std::snprintf(text, sizeof text, "%.70Le", std::nextafter(middle, 10.0L * high));
        checker.check(text);
    }
    EXPECT_EQ(checker.mismatches(), 0);
}

TEST(ReadDouble, RandomDigitStringsMatchStrtod) {
    std::mt19937_64 random(161803);
    const char alphabet[] = "0123456789012345678901234567890123456789..eE+-+- \t,x\"";
    Checker checker;
    const long count = Random_Count();
    for (long i = 0; i < count; ++i) {
        char text[48];
        const size_t length = 1 + random() % 40;
        for (size_t k = 0; k < length; ++k) text[k] = alphabet[random() % (sizeof alphabet - 1)];
        text[length] = '\0';
        checker.check(text);
    }
    EXPECT_EQ(checker.mismatches(), 0);
}

TEST(ReadDouble, SpecialFormsMatchStrtod) {
    Checker checker;
    const char* texts[] = {
        "", " ", "+", "-", ".", "-.", "+.5", "-.5", ".5", "5.", "1e", "1e+", "1e-", "1.5e",
        "1.5e+3x", "1.5E-3", "  \t 42", "\v\f\r\n7", "+-1", "-+1", "--1", "- 1", "0x1p3",
        "0X1.8P1", "-0x10", "0x", "0xg", "inf", "-inf", "+INF", "infinity", "Infinity!",
        "nan", "-nan", "NAN(123)", "nanx", "1e308", "1e309", "-1e309", "2e-308", "4e-320",
        "1e-400", "-1e-400", "0", "-0", "+0", "0.0", "-0.0e5", "000000000000000000000001",
        "1234567890123456789012345678901234567890", "0.000000000000000000000000000001",
        "9007199254740993", "9007199254740992.5", "2.2250738585072011e-308",
        "2.2250738585072012e-308", "1.7976931348623157e308", "1.7976931348623158e308",
        "1.7976931348623159e308", "4.9406564584124654e-324", "2.4703282292062327e-324",
        "2.4703282292062328e-324", "1,5", "1.14646643591e-08 ", "\"1.5\"", "1e0000000000000005",
        "1e-99999999999999999999", "1e99999999999999999999", "0e99999999999999999999",
        "-1.23456789012e-05", "5.15350563474e+03", "432000", "1.2.3", "1..2", "e5", ".e5",
        // Forms std::from_chars reads differently from strtod.
        "1e+-3", "1e-+3", "0xCp+-03", "0x1p-+2", "0xinf", "-0xnan", "0x.p1", "0x.8", "0xp3",
    };
    for (const char* text : texts) checker.check(text);
    EXPECT_EQ(checker.mismatches(), 0);
    EXPECT_EQ(checker.checked(), static_cast<long>(std::size(texts)));
}

TEST(ReadDouble, ScanDoubleUsesTheSameReading) {
    const char* text = "  -1.25e-3 7";
    const char* cursor = text;
    double value = 0.0;
    ASSERT_TRUE(Scan_Double(cursor, value));
    EXPECT_EQ(value, -1.25e-3);
    EXPECT_EQ(cursor, text + 10);
    const char* none = "  x";
    cursor = none;
    value = 9.0;
    EXPECT_FALSE(Scan_Double(cursor, value));
    EXPECT_EQ(value, 9.0);
    EXPECT_EQ(cursor, none);
}

}  // namespace
// The range readers see only the characters before their limit: whatever
// follows (digits, an exponent, a sign) must change nothing.  Each text is
// read with a tail after it and compared with strtod and Leading_Int32 on
// the text alone.
TEST(ReadDouble, RangeReadersIgnoreWhatFollowsTheLimit) {
    std::mt19937_64 random(8080);
    std::uniform_real_distribution<double> exponent(-30.0, 30.0);
    const char* formats[] = {"%.11e", "%.12E", "%.17g", "%.3f", "%g", "%.0f", "%+.5e"};
    const char* tails[] = {"", "5", "e5", "E-3", ".25", " 7", ",1", "x", "\t", "0x1p3"};
    const char* fixed[] = {"", " ", "-", "+", ".", "-.", "1.", ".5", "1e", "1e+", "1e-5", "0x",
                           "0x1p4", "inf", "-nan", "  \v12", "\r-3", "+.7e2", "00012",
                           "99999999999999999999", "-2147483649", "+2147483647", "1e400",
                           "4.9e-324", "2.4703282292062327e-324", "9007199254740993"};
    long checked = 0;
    long mismatches = 0;
    auto check = [&](const std::string& text) {
        for (const char* tail : tails) {
            const std::string joined = text + tail;
            const char* begin = joined.c_str();
            const char* limit = begin + text.size();
            char* expectedEnd = nullptr;
            const double expected = std::strtod(text.c_str(), &expectedEnd);
            const char* actualEnd = nullptr;
            const double actual = Read_Double_In(begin, limit, &actualEnd);
            const bool same = std::memcmp(&expected, &actual, sizeof expected) == 0 ||
                              (std::isnan(expected) && std::isnan(actual));
            const bool sameInt = Leading_Int32(text.c_str()) == Leading_Int32_In(begin, limit);
            ++checked;
            if (!same || !sameInt || actualEnd - begin != expectedEnd - text.c_str()) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << "\"" << text << "\" + \"" << tail << "\"";
                }
            }
        }
    };
    for (const char* text : fixed) check(text);
    const long count = Random_Count() / 4;
    for (long i = 0; i < count; ++i) {
        double value = std::pow(10.0, exponent(random));
        if ((random() & 1u) != 0) value = -value;
        char text[512];
        std::snprintf(text, sizeof text, formats[i % std::size(formats)], value);
        check(text);
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(random() >> (random() % 64)));
        check(text);
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(checked, count);
}

}  // namespace zer2ivi
