// Fixed-width text helpers shared by every RINEX writer of the library, and
// the exact fixed-point number formatter the observation lines use.
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "base/library_state.h"
#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {

namespace {

// [1] "JAN" .. [12] "DEC".
constexpr const char* kMonthAbbreviations[13] = {"",    "JAN", "FEB", "MAR", "APR",
                                                 "MAY", "JUN", "JUL", "AUG", "SEP",
                                                 "OCT", "NOV", "DEC"};

constexpr const char* kRinexDateFormat = "%2d-%s-%2d %2d:%02d";
constexpr int kRinexDateSize = 20;

std::tm System_Utc_Now() {
    std::tm utc{};
#if defined(_WIN32)
    SYSTEMTIME now;
    GetSystemTime(&now);
    utc.tm_year = now.wYear - 1900;
    utc.tm_mon = now.wMonth - 1;
    utc.tm_mday = now.wDay;
    utc.tm_hour = now.wHour;
    utc.tm_min = now.wMinute;
    utc.tm_sec = now.wSecond;
#else
    const std::time_t now = std::time(nullptr);
    gmtime_r(&now, &utc);
#endif
    return utc;
}

// Infinity and not-a-number as the C library of a Linux host prints them
// ("inf", "-inf", "nan", "-nan"), so every platform writes the same text.
size_t Format_Non_Finite(char* destination, size_t capacity, double value, int width) {
    const char* text = std::isnan(value) ? (std::signbit(value) ? "-nan" : "nan")
                                         : (std::signbit(value) ? "-inf" : "inf");
    const int written = std::snprintf(destination, capacity, "%*s", width, text);
    if (written < 0) {
        destination[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

// ---- exact fixed-point formatting -----------------------------------------
//
// snprintf("%.Nf") prints the exact binary value rounded to N decimals, ties
// to even.  For |value| * 10^N below 2^63 the same result comes from integer
// arithmetic on the value's 53-bit significand: N decimals of m * 2^e are
// round(m * 10^N / 2^-e).  The product needs at most 83 bits, kept here as a
// pair of 64-bit words so the routine works on 32-bit targets too.

struct Wide {
    uint64_t hi;
    uint64_t lo;
};

Wide Multiply_64_32(uint64_t a, uint32_t b) {
    const uint64_t low = (a & 0xffffffffu) * b;
    const uint64_t mid = (a >> 32) * b;
    const uint64_t lo = low + (mid << 32);
    return {(mid >> 32) + (lo < low ? 1u : 0u), lo};
}

// floor(x / 2^shift) and whether to round it up (ties to even); shift 1..127.
uint64_t Shift_Round(Wide x, int shift) {
    uint64_t quotient;
    Wide rest;
    if (shift >= 64) {
        quotient = shift == 64 ? x.hi : x.hi >> (shift - 64);
        rest = {shift == 64 ? 0 : x.hi & ((uint64_t{1} << (shift - 64)) - 1), x.lo};
    } else {
        quotient = (x.lo >> shift) | (x.hi << (64 - shift));
        rest = {0, x.lo & ((uint64_t{1} << shift) - 1)};
    }
    const Wide half = shift - 1 >= 64 ? Wide{uint64_t{1} << (shift - 1 - 64), 0}
                                      : Wide{0, uint64_t{1} << (shift - 1)};
    const bool above = rest.hi != half.hi ? rest.hi > half.hi : rest.lo > half.lo;
    const bool tie = rest.hi == half.hi && rest.lo == half.lo;
    if (above || (tie && (quotient & 1u) != 0)) ++quotient;
    return quotient;
}

constexpr uint32_t kPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                       100000, 1000000, 10000000, 100000000, 1000000000};

// Scaled and rounded magnitude, or false when the fast path does not apply.
bool Scaled_Magnitude(double value, int precision, uint64_t& scaled) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int exponentField = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t significand = bits & ((uint64_t{1} << 52) - 1);
    int exponent;
    if (exponentField == 0) {
        exponent = -1074;
    } else {
        significand |= uint64_t{1} << 52;
        exponent = exponentField - 1075;
    }
    const uint32_t power = kPowersOfTen[precision];
    if (exponent >= 0) {
        // An integer; it must stay below 2^63 once scaled.
        if (exponent > 10) return false;
        const uint64_t whole = significand << exponent;
        if (whole > (uint64_t{1} << 63) / power) return false;
        scaled = whole * power;
        return true;
    }
    const Wide product = Multiply_64_32(significand, power);
    const int shift = -exponent;
    if (shift >= 128) {
        scaled = 0;  // far below half a unit of the last decimal
        return true;
    }
    if (shift <= 63 && (product.hi >> shift) != 0) return false;  // 2^63 or more
    scaled = Shift_Round(product, shift);
    return scaled < (uint64_t{1} << 63);
}

// "00" "01" ... "99": two decimal digits per table entry.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

}  // namespace

size_t Format_Fixed(char* destination, size_t capacity, double value, int width, int precision) {
    if (capacity == 0) return 0;
    if (value == 0.0) value = 0.0;  // a zero of either sign prints unsigned
    if (!std::isfinite(value)) return Format_Non_Finite(destination, capacity, value, width);
    uint64_t scaled = 0;
    if (precision < 0 || precision > 9 || !Scaled_Magnitude(value, precision, scaled)) {
        const int written = std::snprintf(destination, capacity, "%*.*f", width, precision, value);
        if (written < 0) {
            destination[0] = '\0';
            return 0;
        }
        return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
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
    const size_t length = (negative ? 1 : 0) + digitCount + (fractionDigits > 0 ? 1 : 0);
    const size_t padding =
        width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (padding + length < capacity) {
        char* out = destination;
        std::memset(out, ' ', padding);
        out += padding;
        if (negative) *out++ = '-';
        std::memcpy(out, p, wholeDigits);
        out += wholeDigits;
        if (fractionDigits > 0) {
            *out++ = '.';
            std::memcpy(out, p + wholeDigits, fractionDigits);
            out += fractionDigits;
        }
        *out = '\0';
        return padding + length;
    }
    // Does not fit: as much of the text as there is room for.
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
    size_t out = 0;
    for (size_t i = 0; i < padding && out + 1 < capacity; ++i) destination[out++] = ' ';
    for (size_t i = 0; i < n && out + 1 < capacity; ++i) destination[out++] = text[i];
    destination[out] = '\0';
    return out;
}

void Pad_Field(char* destination, const char* source, int32_t width) {
    if (width < 0) width = 0;
    const size_t length = strnlen(source, static_cast<size_t>(width));
    std::memcpy(destination, source, length);
    std::memset(destination + length, ' ', static_cast<size_t>(width) - length);
    destination[width] = '\0';
}

void Satellite_Label(char* destination, int32_t satelliteNumber) {
    if (satelliteNumber >= 0 && satelliteNumber <= 99) {
        // What the formats below give for one or two digits, without them.
        destination[0] = satelliteNumber <= 32 ? 'G' : 'R';
        destination[1] = satelliteNumber < 10 ? ' ' : static_cast<char>('0' + satelliteNumber / 10);
        destination[2] = static_cast<char>('0' + satelliteNumber % 10);
        destination[3] = '\0';
        return;
    }
    std::snprintf(destination, 8, satelliteNumber <= 32 ? "G%2d" : "R%2d", satelliteNumber);
}

void Rinex_Date_Text_At(char* destination, const std::tm& utc) {
    const int month = utc.tm_mon >= 0 && utc.tm_mon <= 11 ? utc.tm_mon + 1 : 1;
    std::snprintf(destination, kRinexDateSize, kRinexDateFormat, utc.tm_mday,
                  kMonthAbbreviations[month], (utc.tm_year + 1900) % 100, utc.tm_hour, utc.tm_min);
}

void Rinex_Date_Text(char* destination) {
    const std::tm now = library.utcClock != nullptr ? library.utcClock() : System_Utc_Now();
    Rinex_Date_Text_At(destination, now);
}

void Set_Utc_Clock(UtcClock clock) { library.utcClock = clock; }

void Antenna_Type_Name(char* destination, int32_t /*antennaType*/) { destination[0] = '\0'; }

// ---- LineBuilder ------------------------------------------------------------

LineBuilder& LineBuilder::text(const char* source, size_t length) {
    const size_t room = kLineBufferSize - length_;
    const size_t kept = length < room ? length : room;
    std::memcpy(buffer_ + length_, source, kept);
    length_ += kept;
    buffer_[length_] = '\0';
    return *this;
}

LineBuilder& LineBuilder::text(const char* source) {
    return text(source, strnlen(source, kLineBufferSize - length_));
}

LineBuilder& LineBuilder::field(const char* source, int width) {
    if (width <= 0) return *this;
    const size_t wanted = static_cast<size_t>(width);
    const size_t length = strnlen(source, wanted);
    text(source, length);
    const size_t room = kLineBufferSize - length_;
    const size_t blanks = wanted - length < room ? wanted - length : room;
    std::memset(buffer_ + length_, ' ', blanks);
    length_ += blanks;
    buffer_[length_] = '\0';
    return *this;
}

LineBuilder& LineBuilder::fixed(double value, int width, int precision) {
    length_ += Format_Fixed(buffer_ + length_, kLineBufferSize + 1 - length_, value, width, precision);
    return *this;
}

LineBuilder& LineBuilder::integer(int32_t value, int width) {
    // Most integers of a line (dates, times, counts) are 0..99 in a field of
    // two or three columns: written straight into the buffer.
    if (value >= 0 && value < 100 && width >= 2 && width <= 3 &&
        length_ + static_cast<size_t>(width) <= kLineBufferSize) {
        char* out = buffer_ + length_;
        if (width == 3) *out++ = ' ';
        std::memcpy(out, kDigitPairs + 2 * value, 2);
        if (value < 10) out[0] = ' ';
        length_ += static_cast<size_t>(width);
        buffer_[length_] = '\0';
        return *this;
    }
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const size_t length = static_cast<size_t>(result.ptr - digits);
    if (width > 0 && static_cast<size_t>(width) > length) {
        field("", width - static_cast<int>(length));
    }
    return text(digits, length);
}

LineBuilder& LineBuilder::pad_to(int width) {
    const size_t wanted = width < 0 ? 0 : static_cast<size_t>(width);
    const size_t target = wanted < kLineBufferSize ? wanted : kLineBufferSize;
    if (length_ < target) {
        std::memset(buffer_ + length_, ' ', target - length_);
    }
    length_ = target;
    buffer_[length_] = '\0';
    return *this;
}

bool LineBuilder::write_to(std::FILE* stream) {
    buffer_[length_] = '\n';
    const size_t written = std::fwrite(buffer_, 1, length_ + 1, stream);
    buffer_[length_] = '\0';
    return written == length_ + 1;
}

}  // namespace zer2ivi
