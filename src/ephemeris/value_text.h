// Number readings shared by the two ephemeris readers (internal to this
// folder).  Integers saturate at the int32 limits instead of overflowing.
#pragma once

#include <cstdint>

// Where the processor has SSE2 the readers look at 16 characters at a time;
// ZER2IVI_NO_SIMD (a test build) keeps them to one character at a time.
#if defined(__SSE2__) && !defined(ZER2IVI_NO_SIMD)
#define ZER2IVI_SSE2 1
#include <emmintrin.h>
#endif

namespace zer2ivi::ephemeris_detail {

// The blanks of the standard formatted scan and of the word splitter.
constexpr bool Is_White(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading decimal integer as atoi reads it: blanks skipped, an optional
// sign, the digits that follow; 0 when there are none.
int32_t Leading_Int32(const char* text);

// One conversion of the standard formatted scan at cursor: blanks skipped,
// then an integer (%d, %ld) or a double (%lf).  false when nothing converts;
// on success cursor moves past the characters used.
bool Scan_Int32(const char*& cursor, int32_t& value);

// Exactly what strtod gives for text (value and end of the characters
// used), in the C locale.  Plain decimal numbers take a fast exact route;
// anything else (hexadecimal, infinity, not-a-number, out of range) goes to
// strtod itself.  end may be null.
double Read_Double(const char* text, const char** end);
bool Scan_Double(const char*& cursor, double& value);

// The same readings of the characters from begin up to limit only, as if a
// NUL stood at limit (the range holds fewer than kRangeTextLimit
// characters).  stop may be null.
inline constexpr int kRangeTextLimit = 512;
int32_t Leading_Int32_In(const char* begin, const char* limit);
double Read_Double_In(const char* begin, const char* limit, const char** stop);

}  // namespace zer2ivi::ephemeris_detail
