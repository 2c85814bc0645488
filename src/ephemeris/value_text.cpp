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
    const bool negative = *p == '-';
    const char* body = (*p == '-' || *p == '+') ? p + 1 : p;
    // std::from_chars reads the same decimal forms, correctly rounded like
    // strtod, but takes no "+" and no "0x"; those forms, and every case
    // from_chars refuses (no digits, out of range), go to strtod.
    const bool decimal = (Is_Digit(*body) && !(body[0] == '0' && (body[1] == 'x' || body[1] == 'X'))) ||
                         (*body == '.' && Is_Digit(body[1]));
    if (decimal) {
        double magnitude = 0.0;
        const auto result =
            std::from_chars(body, body + std::strlen(body), magnitude, std::chars_format::general);
        if (result.ec == std::errc{}) {
            if (end != nullptr) *end = result.ptr;
            return negative ? -magnitude : magnitude;
        }
    }
    char* stop = nullptr;
    const double value = std::strtod(text, &stop);
    if (end != nullptr) *end = stop;
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
