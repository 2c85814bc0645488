// Text pieces of the reports: numbers written with '.' whatever the locale
// (std::to_chars), and texts made safe for JSON strings and HTML.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zer2ivi::qc {

// value with exactly `decimals` decimals ("0.3536").
std::string Fixed(double value, int decimals);
// value with at most `decimals` decimals, trailing zeros and point dropped
// ("30", "0.5", "150.25").
std::string Trimmed(double value, int decimals);

// Texts from files may hold any bytes: invalid UTF-8 becomes U+FFFD.
std::string Valid_Utf8(std::string_view text);
// A JSON string literal with its quotes.
std::string Json_String(std::string_view text);
// Text for HTML element content and attribute values.
std::string Html_Text(std::string_view text);

}  // namespace zer2ivi::qc
