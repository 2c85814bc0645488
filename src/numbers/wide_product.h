// The exact integer arithmetic behind both number formatters (internal to
// this folder): a double split into its integer significand and binary
// exponent, and one 64 x 64-bit product divided by a power of two with
// what is needed to round it.  The product is one 128-bit integer where the
// compiler has one and otherwise (32-bit targets, or the test build with
// ZER2IVI_WORD_PAIR_PRODUCTS) a pair of 64-bit words; both give the same
// results.
#pragma once

#include <cstdint>
#include <cstring>

#include "numbers/numbers.h"

namespace zer2ivi::numbers_detail {

// value = significand * 2^exponent exactly; exponentField is the biased
// exponent as stored (0 for zeros and subnormals, 0x7ff for the others).
struct DoubleParts {
    uint64_t significand;
    int exponent;
    int exponentField;
    bool negative;
};

inline DoubleParts Split_Double(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int field = static_cast<int>((bits >> kSignificandBits) & kExponentFieldMask);
    uint64_t significand = bits & ((uint64_t{1} << kSignificandBits) - 1);
    int exponent = kSubnormalExponent;
    if (field != 0) {
        significand |= uint64_t{1} << kSignificandBits;
        exponent = field - kIntegerExponentBias;
    }
    return {significand, exponent, field, (bits >> 63) != 0};
}

// a * b / 2^shift (shift 1..127): the integer part and where the fraction
// stands.  fits is false when the integer part needs more than 64 bits
// (floor is then not meaningful).
struct Scaled {
    uint64_t floor;
    bool aboveHalf;    // the fraction is above one half
    bool exactlyHalf;  // the fraction is exactly one half
    bool nonzero;      // the fraction is not zero
    bool fits;
};

// The integer part rounded to nearest, ties to even.
inline uint64_t Rounded(const Scaled& scaled) {
    return scaled.floor +
           ((scaled.aboveHalf || (scaled.exactlyHalf && (scaled.floor & 1u) != 0)) ? 1u : 0u);
}

#if defined(__SIZEOF_INT128__) && !defined(ZER2IVI_WORD_PAIR_PRODUCTS)
__extension__ typedef unsigned __int128 Wide128;

inline Scaled Scale(uint64_t a, uint64_t b, int shift) {
    const Wide128 product = static_cast<Wide128>(a) * b;
    // The fraction's bits moved to the top: one half is the top bit alone.
    const Wide128 fraction = product << (128 - shift);
    const Wide128 half = static_cast<Wide128>(1) << 127;
    const Wide128 quotient = product >> shift;
    return {static_cast<uint64_t>(quotient), fraction > half, fraction == half, fraction != 0,
            (quotient >> 64) == 0};
}
#else
struct Wide {
    uint64_t hi;
    uint64_t lo;
};

inline Wide Multiply_64_64(uint64_t a, uint64_t b) {
    const uint64_t aLo = a & 0xffffffffu;
    const uint64_t aHi = a >> 32;
    const uint64_t bLo = b & 0xffffffffu;
    const uint64_t bHi = b >> 32;
    const uint64_t lowLow = aLo * bLo;
    const uint64_t lowHigh = aLo * bHi;
    const uint64_t highLow = aHi * bLo;
    const uint64_t highHigh = aHi * bHi;
    const uint64_t middle = (lowLow >> 32) + (lowHigh & 0xffffffffu) + (highLow & 0xffffffffu);
    return {highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32),
            (middle << 32) | (lowLow & 0xffffffffu)};
}

inline Scaled Scale(uint64_t a, uint64_t b, int shift) {
    const Wide x = Multiply_64_64(a, b);
    uint64_t quotient;
    bool fits;
    Wide rest;
    Wide half;
    if (shift >= 64) {
        const int high = shift - 64;
        quotient = high == 0 ? x.hi : x.hi >> high;
        fits = true;
        rest = {high == 0 ? 0 : x.hi & ((uint64_t{1} << high) - 1), x.lo};
        half = high == 0 ? Wide{0, uint64_t{1} << 63} : Wide{uint64_t{1} << (high - 1), 0};
    } else {
        quotient = (x.lo >> shift) | (x.hi << (64 - shift));
        fits = (x.hi >> shift) == 0;
        rest = {0, x.lo & ((uint64_t{1} << shift) - 1)};
        half = {0, uint64_t{1} << (shift - 1)};
    }
    return {quotient, rest.hi != half.hi ? rest.hi > half.hi : rest.lo > half.lo,
            rest.hi == half.hi && rest.lo == half.lo, (rest.hi | rest.lo) != 0, fits};
}
#endif

}  // namespace zer2ivi::numbers_detail
