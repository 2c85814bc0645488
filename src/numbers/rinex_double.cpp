// The D19.12 field of RINEX navigation files: "%+18.11le" of a double with
// the point moved one place left, exact, from the integer arithmetic of
// wide_product.h, and std::to_chars outside the range it covers.
#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/numbers.h"
#include "numbers/wide_product.h"

namespace zer2ivi {
namespace {

using numbers_detail::DoubleParts;
using numbers_detail::Scaled;

constexpr int kNumberFieldWidth = kRinexDoubleWidth;
constexpr int kNumberFieldSize = kNumberFieldWidth + 1;
// "%+18.11le": sign, digit, point, 11 digits, "e", exponent sign, digits.
constexpr int kScientificWidth = 18;
constexpr int kScientificDigits = 11;
constexpr int kScientificTextSize = 40;
constexpr char kZeroField[kNumberFieldSize] = "  .000000000000D+00";

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// The text snprintf("%+18.11le") gives for value, made with std::to_chars so
// that every platform prints the same digits.
void Scientific_Text(char (&text)[kScientificTextSize], double value) {
    char body[kScientificTextSize];
    body[0] = std::signbit(value) ? '-' : '+';
    const auto result = std::to_chars(body + 1, body + sizeof body - 1, std::fabs(value),
                                      std::chars_format::scientific, kScientificDigits);
    const size_t length = static_cast<size_t>(result.ptr - body);
    // Only "inf" and "nan" are shorter than the width; they are right-aligned.
    const size_t padding = length < kScientificWidth ? kScientificWidth - length : 0;
    std::memset(text, ' ', padding);
    std::memcpy(text + padding, body, length);
    text[padding + length] = '\0';
}

// A text that is no finite number ("inf", "nan") right-aligned in the field,
// without a plus sign.
void Other_Number_Field(char* destination, const char* text) {
    while (*text == ' ') ++text;
    if (*text == '+') ++text;
    const size_t length = strnlen(text, kNumberFieldWidth);
    const size_t padding = kNumberFieldWidth - length;
    std::memset(destination, ' ', padding);
    std::memcpy(destination + padding, text, length);
    destination[kNumberFieldWidth] = '\0';
}

// ---- exact D19.12 digits ----------------------------------------------------
//
// "%.11e" prints the exact binary value rounded to 12 significant digits,
// ties to even.  For 10^k <= |value| < 10^(k+1) with -16 <= k <= 11 the 12
// digits are round(value * 10^p), p = 11 - k, and with value = m * 2^e
// that is round(m * 5^p / 2^-(e + p)): 5^p fits 64 bits for p <= 27, the
// product of the 53-bit m and 5^p fits 128 bits, kept in one 128-bit
// integer or a pair of words (wide_product.h).  k is estimated from the binary exponent, exactly
// or one too low; one too low gives 13 digits, whose last one then joins
// the fraction.  -(e + p) lies between 15 and 78 in the range taken.

constexpr uint64_t kPowersOfFive[28] = {
    1ULL,
    5ULL,
    25ULL,
    125ULL,
    625ULL,
    3125ULL,
    15625ULL,
    78125ULL,
    390625ULL,
    1953125ULL,
    9765625ULL,
    48828125ULL,
    244140625ULL,
    1220703125ULL,
    6103515625ULL,
    30517578125ULL,
    152587890625ULL,
    762939453125ULL,
    3814697265625ULL,
    19073486328125ULL,
    95367431640625ULL,
    476837158203125ULL,
    2384185791015625ULL,
    11920928955078125ULL,
    59604644775390625ULL,
    298023223876953125ULL,
    1490116119384765625ULL,
    7450580596923828125ULL,
};
constexpr int kMaxFastPower = 27;
constexpr uint64_t kTwelveDigitsLow = 100000000000ULL;   // 10^11
constexpr uint64_t kTwelveDigitsHigh = 1000000000000ULL;  // 10^12
// Binary exponents whose decimal exponent estimate lies in -16..10.
constexpr int kFastBinaryExponentLow = -53;
constexpr int kFastBinaryExponentHigh = 36;

// The twelve digits of value (below 10^12) at destination, two at a time.
void Write_Twelve_Digits(char* destination, uint64_t value) {
    const auto high = static_cast<uint32_t>(value / 100000000);
    const auto low = static_cast<uint32_t>(value - uint64_t{high} * 100000000);
    const uint32_t parts[3] = {high, low / 10000, low % 10000};
    for (const uint32_t part : parts) {
        std::memcpy(destination, kDigitPairs + 2 * (part / 100), 2);
        std::memcpy(destination + 2, kDigitPairs + 2 * (part % 100), 2);
        destination += 4;
    }
}

// The D19.12 field of a nonzero finite value straight from its bits; false
// (nothing written) outside the range the integer arithmetic covers.
bool Fast_Rinex_Field(char* destination, double value) {
    const DoubleParts parts = numbers_detail::Split_Double(value);
    const int binaryExponent = parts.exponentField - kExponentBias;
    if (parts.exponentField == 0 || binaryExponent < kFastBinaryExponentLow ||
        binaryExponent > kFastBinaryExponentHigh) {
        return false;
    }
    // floor(binaryExponent * log10(2)): the decimal exponent or one less.
    int decimalExponent = (binaryExponent * 78913) >> 18;
    const int power = 11 - decimalExponent;
    if (power < 0 || power > kMaxFastPower) return false;
    const int shift = -parts.exponent - power;
    const Scaled scaled = numbers_detail::Scale(parts.significand, kPowersOfFive[power], shift);
    if (scaled.floor < kTwelveDigitsLow) return false;  // the estimate is never too high here
    // Thirteen digits when the estimate was one low: the last digit then
    // joins the fraction.  Both cases are worked out and one is chosen.
    const bool thirteen = scaled.floor >= kTwelveDigitsHigh;
    const uint64_t twelve = scaled.floor / 10;
    const uint64_t dropped = scaled.floor - twelve * 10;
    const bool aboveHalf = thirteen ? dropped > 5 || (dropped == 5 && scaled.nonzero)
                                    : scaled.aboveHalf;
    const bool exactlyHalf = thirteen ? dropped == 5 && !scaled.nonzero : scaled.exactlyHalf;
    uint64_t digits = thirteen ? twelve : scaled.floor;
    decimalExponent += thirteen ? 1 : 0;
    // Ties go to the even neighbour.
    digits += (aboveHalf || (exactlyHalf && (digits & 1u) != 0)) ? 1 : 0;
    if (digits == kTwelveDigitsHigh) {
        // 9.99999999999|5... rounds up to the next power of ten.
        digits = kTwelveDigitsLow;
        ++decimalExponent;
    }
    destination[0] = ' ';
    destination[1] = parts.negative ? '-' : ' ';
    destination[2] = '.';
    Write_Twelve_Digits(destination + 3, digits);
    // The field's exponent is one above the scientific one: .ddd x 10^(k+1).
    const int fieldExponent = decimalExponent + 1;
    const int magnitude = fieldExponent < 0 ? -fieldExponent : fieldExponent;
    destination[15] = 'D';
    destination[16] = fieldExponent < 0 ? '-' : '+';
    std::memcpy(destination + 17, kDigitPairs + 2 * magnitude, 2);
    destination[kNumberFieldWidth] = '\0';
    return true;
}

}  // namespace

void Format_Rinex_Double(char* destination, const char* scientificText) {
    const char* s = scientificText;
    bool wellFormed = (s[0] == '+' || s[0] == '-') && Is_Digit(s[1]) && s[2] == '.';
    for (int i = 3; wellFormed && i < 3 + kScientificDigits; ++i) wellFormed = Is_Digit(s[i]);
    wellFormed = wellFormed && (s[14] == 'e' || s[14] == 'E') && (s[15] == '+' || s[15] == '-') &&
                 Is_Digit(s[16]);
    if (!wellFormed) {
        Other_Number_Field(destination, s);
        return;
    }
    int exponent = 0;
    for (const char* p = s + 16; Is_Digit(*p) && exponent < 100000; ++p) {
        exponent = exponent * 10 + (*p - '0');
    }
    if (s[15] == '-') exponent = -exponent;
    // The point moves one place left; a zero keeps exponent 0.
    exponent = (s[1] == '0') ? 0 : exponent + 1;
    destination[0] = ' ';
    destination[1] = (s[0] == '-') ? '-' : ' ';
    destination[2] = '.';
    destination[3] = s[1];
    std::memcpy(destination + 4, s + 3, kScientificDigits);
    const char sign = exponent < 0 ? '-' : '+';
    int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude <= 99) {
        destination[15] = 'D';
        destination[16] = sign;
        destination[17] = static_cast<char>('0' + magnitude / 10);
        destination[18] = static_cast<char>('0' + magnitude % 10);
    } else {
        // Three exponent digits take the place of the "D", as FORTRAN writes
        // a D19.12 field whose exponent is beyond 99.
        if (magnitude > 999) magnitude = 999;
        destination[15] = sign;
        destination[16] = static_cast<char>('0' + magnitude / 100);
        destination[17] = static_cast<char>('0' + magnitude / 10 % 10);
        destination[18] = static_cast<char>('0' + magnitude % 10);
    }
    destination[kNumberFieldWidth] = '\0';
}

void Format_Rinex_Value(char* destination, double value) {
    if (value == 0.0) {
        // A zero of either sign prints unsigned.
        std::memcpy(destination, kZeroField, sizeof kZeroField);
        return;
    }
    if (Fast_Rinex_Field(destination, value)) return;
    char text[kScientificTextSize];
    Scientific_Text(text, value);
    Format_Rinex_Double(destination, text);
}

}  // namespace zer2ivi
