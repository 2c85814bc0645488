// Fixed-width text helpers shared by every RINEX writer of the library, and
// the exact fixed-point number formatter the observation lines use.
#include <charconv>
#include <cmath>
#include <cstring>

#include "api/library_state.h"
#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {

const char* const MonthAbbreviations[13] = {"",    "JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

namespace {

constexpr const char* kRinexDateFormat = "%2d-%s-%2d %2d:%02d";
constexpr int kRinexDateSize = 20;

std::tm System_Utc_Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    return utc;
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

}  // namespace

size_t Format_Fixed(char* destination, size_t capacity, double value, int width, int precision) {
    if (capacity == 0) return 0;
    if (value == 0.0) value = 0.0;  // a zero of either sign prints unsigned
    uint64_t scaled = 0;
    if (precision < 0 || precision > 9 || !std::isfinite(value) ||
        !Scaled_Magnitude(value, precision, scaled)) {
        const int written = std::snprintf(destination, capacity, "%*.*f", width, precision, value);
        if (written < 0) {
            destination[0] = '\0';
            return 0;
        }
        return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
    }
    // Digits from the right: fraction, point, integer part, sign.
    char digits[40];
    char* end = digits + sizeof digits;
    char* p = end;
    const uint64_t power = kPowersOfTen[precision];
    uint64_t whole = scaled / power;
    uint64_t fraction = scaled % power;
    for (int i = 0; i < precision; ++i) {
        *--p = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    if (precision > 0) *--p = '.';
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (std::signbit(value)) *--p = '-';
    const size_t length = static_cast<size_t>(end - p);
    const size_t padding = width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    size_t out = 0;
    for (size_t i = 0; i < padding && out + 1 < capacity; ++i) destination[out++] = ' ';
    for (size_t i = 0; i < length && out + 1 < capacity; ++i) destination[out++] = p[i];
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
    std::snprintf(destination, 8, satelliteNumber <= 32 ? "G%2d" : "R%2d", satelliteNumber);
}

void Rinex_Date_Text_At(char* destination, const std::tm& utc) {
    const int month = utc.tm_mon >= 0 && utc.tm_mon <= 11 ? utc.tm_mon + 1 : 1;
    std::snprintf(destination, kRinexDateSize, kRinexDateFormat, utc.tm_mday,
                  MonthAbbreviations[month], (utc.tm_year + 1900) % 100, utc.tm_hour, utc.tm_min);
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
