// The decimal readings of the ephemeris values: atoi, strtod and the
// formatted scan's %lf, in the C locale whatever the host's locale.
#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

constexpr int64_t kInt32Max = INT32_MAX;
constexpr int64_t kInt32MinMagnitude = -static_cast<int64_t>(INT32_MIN);
// An exponent beyond this many decimal (or binary) places is out of range
// whatever its digits.
constexpr int64_t kExponentCap = 100000;

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }
bool Is_Hex_Digit(char c) {
    return Is_Digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

// The end of the longest prefix of digits (hexadecimal ones when hex) that
// strtod takes as a number: digits with at most one point, at least one
// digit, then an exponent (mark, optional sign, digits) only when complete.
// p itself when there is no digit.
const char* Subject_End(const char* p, const char* limit, bool hex) {
    auto digit = [hex](char c) { return hex ? Is_Hex_Digit(c) : Is_Digit(c); };
    const char* q = p;
    bool any = false;
    while (q < limit && digit(*q)) {
        ++q;
        any = true;
    }
    if (q < limit && *q == '.') {
        ++q;
        while (q < limit && digit(*q)) {
            ++q;
            any = true;
        }
    }
    if (!any) return p;
    const char mark = hex ? 'p' : 'e';
    if (q < limit && Lower(*q) == mark) {
        const char* e = q + 1;
        if (e < limit && (*e == '+' || *e == '-')) ++e;
        if (e < limit && Is_Digit(*e)) {
            while (e < limit && Is_Digit(*e)) ++e;
            q = e;
        }
    }
    return q;
}

// The decimal route of Read_Double at p (blanks already skipped), limited
// to the characters before limit; false when the full reading must decide.
bool Decimal_Route(const char* p, const char* limit, double& value, const char*& stop) {
    if (p >= limit) return false;
    const bool negative = *p == '-';
    const char* body = (*p == '-' || *p == '+') ? p + 1 : p;
    if (body >= limit) return false;
    const bool hasNext = body + 1 < limit;
    // std::from_chars reads the same decimal forms, correctly rounded like
    // strtod, but takes no "+" and no "0x"; those forms, and every case
    // from_chars refuses (no digits, out of range), take the full reading.
    const bool decimal =
        (Is_Digit(*body) && !(body[0] == '0' && hasNext && (body[1] == 'x' || body[1] == 'X'))) ||
        (*body == '.' && hasNext && Is_Digit(body[1]));
    if (!decimal) return false;
    double magnitude = 0.0;
    const auto result = std::from_chars(body, limit, magnitude, std::chars_format::general);
    if (result.ec != std::errc{}) return false;
    // An exponent is taken only with its digits; anything else (a mark with
    // two signs, say) is left to the full reading.
    for (const char* q = body; q < result.ptr; ++q) {
        if (*q != 'e' && *q != 'E') continue;
        const char* e = (q[1] == '+' || q[1] == '-') ? q + 2 : q + 1;
        if (e >= result.ptr || !Is_Digit(*e)) return false;
    }
    stop = result.ptr;
    value = negative ? -magnitude : magnitude;
    return true;
}

// Whether a number that from_chars found out of range is too large (as
// opposed to too small): the place of its first nonzero digit plus its
// exponent, in digits of its base, is above zero.
bool Too_Large(const char* digits, const char* end, bool hex) {
    const char exponentMark = hex ? 'p' : 'e';
    int64_t place = 0;
    bool seenNonzero = false;
    bool afterPoint = false;
    const char* p = digits;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '.') {
            afterPoint = true;
        } else if (Lower(c) == exponentMark) {
            break;
        } else if (!seenNonzero) {
            if (c != '0') {
                seenNonzero = true;
                if (!afterPoint) place = 1;
            } else if (afterPoint) {
                --place;
            }
        } else if (!afterPoint && place < kExponentCap) {
            ++place;
        }
    }
    int64_t exponent = 0;
    if (p < end) {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+')) ++p;
        for (; p < end && Is_Digit(*p); ++p) {
            if (exponent < kExponentCap) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    // Hexadecimal places count four binary places each.
    return (hex ? place * 4 : place) + exponent > 0;
}

// What strtod gives in the C locale for the characters from text up to
// limit, for the forms the decimal route leaves: a sign, then "0x" and a
// hexadecimal number, infinity, not-a-number, or a number out of range.
// std::from_chars knows every one of these forms and never looks at the
// locale.  end is text itself when nothing converts.
template <typename Real>
Real Full_Reading(const char* text, const char* limit, const char** end) {
    const char* p = text;
    while (p < limit && Is_White(*p)) ++p;
    const bool negative = p < limit && *p == '-';
    const char* body = (p < limit && (*p == '-' || *p == '+')) ? p + 1 : p;
    const bool hex = limit - body >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X');
    const char* digits = hex ? body + 2 : body;
    Real magnitude = 0;
    // from_chars is given exactly the characters strtod takes as a number:
    // it takes a "-" of its own, "inf" after "0x", and exponents with two
    // signs, where strtod does not.  Words ("inf", "nan(...)") it reads as
    // strtod does.
    const bool word = !hex && digits < limit && !Is_Digit(*digits) && *digits != '.' &&
                      *digits != '-' && *digits != '+';
    const char* subjectEnd = word ? limit : Subject_End(digits, limit, hex);
    const auto result =
        subjectEnd == digits
            ? std::from_chars_result{digits, std::errc::invalid_argument}
            : std::from_chars(digits, subjectEnd, magnitude,
                              hex ? std::chars_format::hex : std::chars_format::general);
    const char* stop = result.ptr;
    if (result.ec == std::errc::invalid_argument) {
        if (!hex) {
            if (end != nullptr) *end = text;
            return 0;
        }
        // "0x" without hexadecimal digits: the "0" alone is the number.
        magnitude = 0;
        stop = body + 1;
    } else if (result.ec == std::errc::result_out_of_range) {
        magnitude = Too_Large(digits, stop, hex) ? std::numeric_limits<Real>::infinity() : Real{0};
    }
    if (end != nullptr) *end = stop;
    return negative ? -magnitude : magnitude;
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
    const char* limit = p + std::strlen(p);
    if (Decimal_Route(p, limit, value, stop)) {
        if (end != nullptr) *end = stop;
        return value;
    }
    return Full_Reading<double>(text, limit, end);
}

float Read_Float(const char* text, const char** end) {
    return Full_Reading<float>(text, text + std::strlen(text), end);
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
    return Full_Reading<double>(begin, limit, stop);
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

// The formatted scan first gathers the characters that may still belong to
// a number, one at a time, without looking back: an optional sign; "nan",
// "inf" or "infinity" (any case), where a partial word is a matching
// failure; or digits with at most one point, then an exponent mark after a
// digit, a sign right after the mark, and digits ("0x" switches to
// hexadecimal digits and the mark "p").  What was gathered is then read as
// strtod reads it; the scan fails when strtod takes nothing of it, or when
// it is "0x" alone after the sign.
bool Scan_Formatted_Double(const char* begin, const char* limit, double& value, const char*& stop) {
    // A plain decimal number that takes the whole value: the gathering
    // below would take the same characters.
    const char* decimalStop = nullptr;
    if (Decimal_Route(begin, limit, value, decimalStop) && decimalStop == limit) {
        stop = limit;
        return true;
    }
    const char* p = begin;
    auto at = [&](const char* q) { return q < limit ? *q : '\0'; };
    const bool sign = at(p) == '+' || at(p) == '-';
    if (sign) ++p;
    const char first = Lower(at(p));
    if (first == 'n' || first == 'i') {
        const char* word = first == 'n' ? "nan" : "inf";
        for (int i = 0; i < 3; ++i, ++p) {
            if (Lower(at(p)) != word[i]) return false;
        }
        if (first == 'i' && Lower(at(p)) == 'i') {
            for (const char* rest = "inity"; *rest != '\0'; ++rest, ++p) {
                if (Lower(at(p)) != *rest) return false;
            }
        }
    } else {
        bool hex = false;
        bool digit = false;
        bool point = false;
        bool exponent = false;
        if (at(p) == '0') {
            ++p;
            if (Lower(at(p)) == 'x') {
                hex = true;
                ++p;
            } else {
                digit = true;
            }
        }
        const char mark = hex ? 'p' : 'e';
        for (;; ++p) {
            const char c = at(p);
            if (Is_Digit(c) || (hex && !exponent && Is_Hex_Digit(c))) {
                digit = true;
            } else if (exponent && Lower(p[-1]) == mark && (c == '+' || c == '-')) {
            } else if (digit && !exponent && Lower(c) == mark) {
                exponent = true;
                point = true;
            } else if (!point && c == '.') {
                point = true;
            } else {
                break;
            }
        }
        // Only the "0x" after the sign: no number.
        if (hex && p - begin == (sign ? 3 : 2)) return false;
    }
    const char* end = nullptr;
    const double converted = Read_Double_In(begin, p, &end);
    if (end == begin) return false;
    value = converted;
    stop = p;
    return true;
}

}  // namespace zer2ivi
