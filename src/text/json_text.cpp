#include "text/json_text.h"

#include <array>

namespace zer2ivi::text {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kHexDigits = "0123456789abcdef";

}  // namespace

size_t Utf8_Sequence_Length(std::string_view text) {
    if (text.empty()) return 0;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;  // allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) length = 2;
    else if (lead == 0xe0) length = 3, low = 0xa0;
    else if (lead == 0xed) length = 3, high = 0x9f;
    else if (lead >= 0xe1 && lead <= 0xef) length = 3;
    else if (lead == 0xf0) length = 4, low = 0x90;
    else if (lead >= 0xf1 && lead <= 0xf3) length = 4;
    else if (lead == 0xf4) length = 4, high = 0x8f;
    else return 0;
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xbf) return 0;
    return length;
}

std::string Valid_Utf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    while (!text.empty()) {
        const size_t length = Utf8_Sequence_Length(text);
        if (length == 0) {
            result += kReplacement;
            text.remove_prefix(1);
        } else {
            result += text.substr(0, length);
            text.remove_prefix(length);
        }
    }
    return result;
}

std::string Json_String(std::string_view text) {
    std::string result = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const size_t length = Utf8_Sequence_Length(text);
        if (length == 0) {
            result += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            result += text.substr(0, length);
            text.remove_prefix(length);
            continue;
        }
        text.remove_prefix(1);
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': result += "\\\""; break;
            case '\\': result += "\\\\"; break;
            case '\n': result += "\\n"; break;
            case '\t': result += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    result += "\\u00";
                    result += kHexDigits[byte >> 4];
                    result += kHexDigits[byte & 0x0f];
                } else {
                    result += c;
                }
        }
    }
    return result + "\"";
}

}  // namespace zer2ivi::text
