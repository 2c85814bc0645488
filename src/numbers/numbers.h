// Exact numbers: the texts every RINEX writer prints for a double (fixed
// point as "%<width>.<precision>f", the D19.12 field from "%+18.11le") and
// the decimal readings of the ephemeris values (atoi, strtod and the
// formatted scan).  The same digits on every platform and whatever the
// host's locale: the decimal point is always '.'.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zer2ivi {

// ---- IEEE 754 double layout -------------------------------------------------

inline constexpr int kSignificandBits = 52;
inline constexpr uint64_t kExponentFieldMask = 0x7ff;
inline constexpr int kExponentBias = 1023;
// A normal double is its 53-bit integer significand times
// 2^(exponent field - kIntegerExponentBias); a subnormal one its 52-bit
// significand times 2^kSubnormalExponent.
inline constexpr int kIntegerExponentBias = kExponentBias + kSignificandBits;  // 1075
inline constexpr int kSubnormalExponent = 1 - kIntegerExponentBias;           // -1074

// "00" "01" ... "99": two decimal digits per table entry.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// ---- Writing -----------------------------------------------------------------

// Writes value as snprintf "%<width>.<precision>f" would in the C locale,
// except that a zero of either sign has no minus sign.  Returns the number
// of characters written (no NUL), or 0 when they would not fit capacity.
size_t Format_Fixed(char* destination, size_t capacity, double value, int width, int precision);

// The D19.12 field of RINEX navigation files: 19 characters and a NUL.
inline constexpr int kRinexDoubleWidth = 19;

// The field from the "%+18.11le" text of a value: the point moves one place
// left and the exponent up by one, keeping the 12 digits the text has (a
// zero keeps exponent 0).  An exponent beyond two digits takes the place of
// the "D" (" .100000000000+100"); a text that is no finite number ("inf",
// "nan") is right-aligned in the field.  destination holds at least 20
// characters.
void Format_Rinex_Double(char* destination, const char* scientificText);
// The same straight from a value; a zero of either sign has no minus sign.
void Format_Rinex_Value(char* destination, double value);

// ---- Reading -----------------------------------------------------------------
// Integers saturate at the int32 limits instead of overflowing.

// The blanks of the standard formatted scan, of strtod and of the ephemeris
// word splitter (isspace in the C locale).
constexpr bool Is_White(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading decimal integer as atoi reads it: blanks skipped, an optional
// sign, the digits that follow; 0 when there are none.
int32_t Leading_Int32(const char* text);

// One %d (or %ld) conversion of the standard formatted scan at cursor:
// blanks skipped, then an integer.  false when nothing converts; on
// success cursor moves past the characters used.
bool Scan_Int32(const char*& cursor, int32_t& value);

// Exactly what strtod gives for text in the C locale (value and end of the
// characters used), whatever the host's locale.  Plain decimal numbers take
// a fast exact route; hexadecimal, infinity, not-a-number and values out of
// range a slower one.  end may be null.
double Read_Double(const char* text, const char** end);
// The same in single precision, as strtof reads it.
float Read_Float(const char* text, const char** end);
// strtod's reading at cursor (blanks skipped); false when nothing converts.
bool Scan_Double(const char*& cursor, double& value);

// The readings of the characters from begin up to limit only, as if a NUL
// stood at limit (the range holds fewer than kRangeTextLimit characters).
// stop may be null.
inline constexpr int kRangeTextLimit = 512;
int32_t Leading_Int32_In(const char* begin, const char* limit);
double Read_Double_In(const char* begin, const char* limit, const char** stop);

// One %lf conversion of the standard formatted scan (glibc's sscanf is the
// reference) over the characters from begin up to limit, blanks already
// skipped.  The scan takes the longest prefix that could still begin a
// number, then converts it; false ("matching failure") when that prefix is
// not a whole number, even if a shorter one is ("1e" fails, where strtod
// reads 1).  On success stop is just after the characters taken.
bool Scan_Formatted_Double(const char* begin, const char* limit, double& value, const char*& stop);

}  // namespace zer2ivi
