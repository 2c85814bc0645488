// Fixed-column fields of RINEX 2 lines: cutting them out, reading numbers
// from them and writing numbers into them, with '.' as the decimal point
// whatever the locale.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zer2ivi::rinex {

// Columns [first, first + width) of a line (0-based); shorter or empty when
// the line ends before.
std::string_view Columns(std::string_view line, size_t first, size_t width);
std::string_view Trim(std::string_view text);
std::string_view Trim_Right(std::string_view text);
bool Is_Blank(std::string_view text);

// A whole field as an integer (blanks around allowed, a '-' sign); nothing
// for a blank field or any other text.
std::optional<long long> Parse_Integer(std::string_view field);
// A whole field or option as a decimal number: an optional sign, digits
// with at most one point, an optional exponent written with E or, as
// Fortran writers do, D ("12.5", "-.25", "1.0D+03", "1D3").  Nothing for a
// blank field, hexadecimal, infinities or any other text.  The one number
// rule of the toolkit: header fields, observation fields and the options of
// every command go through it.
std::optional<double> Parse_Decimal(std::string_view field);

// A two-digit year of a RINEX line as four digits: 80-99 are 1980-1999,
// 00-79 are 2000-2079 (GPS time begins in 1980).
inline constexpr int kTwoDigitYearPivot = 80;
inline int Four_Digit_Year(int twoDigits) {
    return twoDigits + (twoDigits >= kTwoDigitYearPivot ? 1900 : 2000);
}

// "a,b,c": three numbers separated by commas (options such as --position).
std::optional<std::array<double, 3>> Parse_Triple(std::string_view text);

// Appends value right-aligned in width columns with `decimals` decimals
// (Fortran Fw.d).  false, and nothing appended, when it does not fit.
bool Append_Fixed(std::string& line, double value, size_t width, int decimals);
// Appends an integer right-aligned in width columns (Fortran Iw).
bool Append_Integer(std::string& line, long long value, size_t width);
// Appends text left-aligned and padded with blanks to width columns.
bool Append_Text(std::string& line, std::string_view text, size_t width);
// Pads the line to column 60 and appends the label: a complete header line
// without its line end.
void Append_Label(std::string& line, std::string_view label);

}  // namespace zer2ivi::rinex
