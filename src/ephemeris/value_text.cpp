#include "ephemeris/value_text.h"

#include <cstdlib>

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

bool Scan_Double(const char*& cursor, double& value) {
    const char* start = Skip_White(cursor);
    char* end = nullptr;
    const double converted = std::strtod(start, &end);
    if (end == start) return false;
    value = converted;
    cursor = end;
    return true;
}

}  // namespace zer2ivi::ephemeris_detail
