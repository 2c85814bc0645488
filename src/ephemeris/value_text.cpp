#include "ephemeris/value_text.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace zer2ivi::ephemeris_detail {
namespace {

constexpr int64_t kInt32Max = INT32_MAX;
constexpr int64_t kInt32MinMagnitude = -static_cast<int64_t>(INT32_MIN);

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// Reads an optional sign and the decimal digits after it.  The magnitude
// stops growing once it passes the int32 range, so any number of digits is
// safe.  false when no digit follows the sign.
bool Read_Saturated(const char*& cursor, int32_t& value) {
    const char* p = cursor;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (!Is_Digit(*p)) return false;
    int64_t magnitude = 0;
    for (; Is_Digit(*p); ++p) {
        if (magnitude <= kInt32MinMagnitude) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative) {
        value = magnitude >= kInt32MinMagnitude ? INT32_MIN : static_cast<int32_t>(-magnitude);
    } else {
        value = magnitude >= kInt32Max ? INT32_MAX : static_cast<int32_t>(magnitude);
    }
    cursor = p;
    return true;
}

const char* Skip_White(const char* p) {
    while (Is_White(*p)) ++p;
    return p;
}

// The decimal route of Read_Double at p (blanks already skipped), limited
// to the characters before limit; false when strtod must decide.
bool Decimal_Route(const char* p, const char* limit, double& value, const char*& stop) {
    if (p >= limit) return false;
    const bool negative = *p == '-';
    const char* body = (*p == '-' || *p == '+') ? p + 1 : p;
    if (body >= limit) return false;
    const bool hasNext = body + 1 < limit;
    // std::from_chars reads the same decimal forms, correctly rounded like
    // strtod, but takes no "+" and no "0x"; those forms, and every case
    // from_chars refuses (no digits, out of range), go to strtod.
    const bool decimal =
        (Is_Digit(*body) && !(body[0] == '0' && hasNext && (body[1] == 'x' || body[1] == 'X'))) ||
        (*body == '.' && hasNext && Is_Digit(body[1]));
    if (!decimal) return false;
    double magnitude = 0.0;
    const auto result = std::from_chars(body, limit, magnitude, std::chars_format::general);
    if (result.ec != std::errc{}) return false;
    stop = result.ptr;
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

int32_t Leading_Int32(const char* text) {
    const char* cursor = Skip_White(text);
    int32_t value = 0;
    return Read_Saturated(cursor, value) ? value : 0;
}

bool Scan_Int32(const char*& cursor, int32_t& value) {
    const char* p = Skip_White(cursor);
    if (!Read_Saturated(p, value)) return false;
    cursor = p;
    return true;
}

double Read_Double(const char* text, const char** end) {
    // strtod skips the blanks of isspace in the C locale: those of Is_White.
    const char* p = Skip_White(text);
    double value = 0.0;
    const char* stop = nullptr;
    if (Decimal_Route(p, p + std::strlen(p), value, stop)) {
        if (end != nullptr) *end = stop;
        return value;
    }
    char* strtodStop = nullptr;
    value = std::strtod(text, &strtodStop);
    if (end != nullptr) *end = strtodStop;
    return value;
}

int32_t Leading_Int32_In(const char* begin, const char* limit) {
    const char* p = begin;
    while (p < limit && Is_White(*p)) ++p;
    if (p < limit && (*p == '+' || *p == '-')) {
        // The sign and the digits after it, up to the limit.
        char text[kRangeTextLimit];
        size_t length = 0;
        for (const char* q = p; q < limit && length + 1 < sizeof text; ++q) {
            if (q != p && !Is_Digit(*q)) break;
            text[length++] = *q;
        }
        text[length] = '\0';
        return Leading_Int32(text);
    }
    int64_t magnitude = 0;
    for (; p < limit && Is_Digit(*p); ++p) {
        if (magnitude <= kInt32Max) magnitude = magnitude * 10 + (*p - '0');
    }
    return magnitude >= kInt32Max ? INT32_MAX : static_cast<int32_t>(magnitude);
}

double Read_Double_In(const char* begin, const char* limit, const char** stop) {
    const char* p = begin;
    while (p < limit && Is_White(*p)) ++p;
    double value = 0.0;
    const char* end = nullptr;
    if (Decimal_Route(p, limit, value, end)) {
        if (stop != nullptr) *stop = end;
        return value;
    }
    // strtod needs a NUL where the range ends.
    char text[kRangeTextLimit];
    const size_t span = static_cast<size_t>(limit - begin);
    const size_t length = span < sizeof text ? span : sizeof text - 1;
    std::memcpy(text, begin, length);
    text[length] = '\0';
    char* strtodStop = nullptr;
    value = std::strtod(text, &strtodStop);
    if (stop != nullptr) *stop = begin + (strtodStop - text);
    return value;
}

bool Scan_Double(const char*& cursor, double& value) {
    const char* start = Skip_White(cursor);
    const char* end = nullptr;
    const double converted = Read_Double(start, &end);
    if (end == start) return false;
    value = converted;
    cursor = end;
    return true;
}

}  // namespace zer2ivi::ephemeris_detail
