// Fixed-point text: "%<width>.<precision>f" of a double, exact, from the
// integer arithmetic of wide_product.h, with std::to_chars where the value
// is too large for it.
#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/numbers.h"
#include "numbers/wide_product.h"

namespace zer2ivi {
namespace {

using numbers_detail::DoubleParts;
using numbers_detail::Scaled;

constexpr int kMaxFastPrecision = 9;
constexpr uint32_t kPowersOfTen[kMaxFastPrecision + 1] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
// Largest binary exponent of an integer value taken by the integer route.
constexpr int kMaxWholeExponent = 10;
constexpr uint64_t kScaledLimit = uint64_t{1} << 63;

// Copies text (length characters) right-aligned in width, cut to capacity
// with its NUL; returns the characters written.
size_t Place_Right(char* destination, size_t capacity, const char* text, size_t length, int width) {
    const size_t padding =
        width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    const size_t room = capacity - 1;
    const size_t blanks = padding < room ? padding : room;
    std::memset(destination, ' ', blanks);
    const size_t kept = length < room - blanks ? length : room - blanks;
    std::memcpy(destination + blanks, text, kept);
    destination[blanks + kept] = '\0';
    return blanks + kept;
}

// Infinity and not-a-number as the C library of a Linux host prints them
// ("inf", "-inf", "nan", "-nan"), so every platform writes the same text.
size_t Format_Non_Finite(char* destination, size_t capacity, double value, int width) {
    const char* text = std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan")
                                         : (std::signbit(value) ? "-inf" : "inf");
    return Place_Right(destination, capacity, text, std::strlen(text), width);
}

// Any finite value with any precision: std::to_chars gives the digits
// printf gives in the C locale (the exact value rounded, ties to even),
// with '.' whatever the host's locale.
size_t Format_Any_Fixed(char* destination, size_t capacity, double value, int width,
                        int precision) {
    // The largest double has 309 whole digits.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                                      precision < 0 ? 6 : precision);
    if (result.ec != std::errc{}) {
        destination[0] = '\0';
        return 0;
    }
    return Place_Right(destination, capacity, text, static_cast<size_t>(result.ptr - text), width);
}

// snprintf("%.Nf") prints the exact binary value rounded to N decimals, ties
// to even.  For |value| * 10^N below 2^63 the same result comes from integer
// arithmetic on the value's 53-bit significand: N decimals of m * 2^e are
// round(m * 10^N / 2^-e).  Scaled and rounded magnitude, or false when this
// route does not apply.
bool Scaled_Magnitude(double value, int precision, uint64_t& scaled) {
    const DoubleParts parts = numbers_detail::Split_Double(value);
    const uint32_t power = kPowersOfTen[precision];
    if (parts.exponent >= 0) {
        // An integer; it must stay below 2^63 once scaled.
        if (parts.exponent > kMaxWholeExponent) return false;
        const uint64_t whole = parts.significand << parts.exponent;
        if (whole > kScaledLimit / power) return false;
        scaled = whole * power;
        return true;
    }
    const int shift = -parts.exponent;
    if (shift >= 128) {
        scaled = 0;  // far below half a unit of the last decimal
        return true;
    }
    const Scaled product = numbers_detail::Scale(parts.significand, power, shift);
    if (!product.fits) return false;
    scaled = numbers_detail::Rounded(product);
    return scaled < kScaledLimit;
}

}  // namespace

size_t Format_Fixed(char* destination, size_t capacity, double value, int width, int precision) {
    if (capacity == 0) return 0;
    if (value == 0.0) value = 0.0;  // a zero of either sign prints unsigned
    if (!std::isfinite(value)) return Format_Non_Finite(destination, capacity, value, width);
    uint64_t scaled = 0;
    if (precision < 0 || precision > kMaxFastPrecision ||
        !Scaled_Magnitude(value, precision, scaled)) {
        return Format_Any_Fixed(destination, capacity, value, width, precision);
    }
    // The decimal digits of the scaled magnitude, two at a time from the
    // right, with leading zeros up to one digit before the point.
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = end;
    uint64_t rest = scaled;
    while (rest >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (rest % 100), 2);
        rest /= 100;
    }
    if (rest >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * rest, 2);
    } else {
        *--p = static_cast<char>('0' + rest);
    }
    const size_t fractionDigits = static_cast<size_t>(precision);
    while (static_cast<size_t>(end - p) < fractionDigits + 1) *--p = '0';
    const size_t digitCount = static_cast<size_t>(end - p);
    const size_t wholeDigits = digitCount - fractionDigits;
    const bool negative = std::signbit(value);
    // The text without padding: sign, whole digits, point, fraction.
    char text[48];
    size_t n = 0;
    if (negative) text[n++] = '-';
    std::memcpy(text + n, p, wholeDigits);
    n += wholeDigits;
    if (fractionDigits > 0) {
        text[n++] = '.';
        std::memcpy(text + n, p + wholeDigits, fractionDigits);
        n += fractionDigits;
    }
    return Place_Right(destination, capacity, text, n, width);
}

}  // namespace zer2ivi
