// Texts of the toolkit's JSON and HTML output, the one writer of JSON
// strings: whatever bytes a file name or a header holds, the output stays
// valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zer2ivi::text {

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when
// it is not one (overlong forms, surrogates and values above U+10FFFF are
// not well-formed).
size_t Utf8_Sequence_Length(std::string_view text);

// text with each byte that does not start a well-formed sequence replaced
// by U+FFFD.
std::string Valid_Utf8(std::string_view text);

// A JSON string literal with its quotes: quotes, backslashes and control
// characters escaped, each byte that is not well-formed UTF-8 written as
// \ufffd, so that the literal is ASCII or valid UTF-8.
std::string Json_String(std::string_view text);

}  // namespace zer2ivi::text
