#include "qc/qc_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace zer2ivi::qc {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at text[i], or 0.
size_t Sequence_Length(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "0";
    char text[64];
    auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return "0";
    std::string result(text, end);
    // No "-0.000".
    if (result[0] == '-' && result.find_first_not_of("-0.") == std::string::npos) result.erase(0, 1);
    return result;
}

std::string Trimmed(double value, int decimals) {
    std::string text = Fixed(value, decimals);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

std::string Valid_Utf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Sequence_Length(text, i);
        if (length == 0) {
            result += kReplacement;
            ++i;
        } else {
            result.append(text.substr(i, length));
            i += length;
        }
    }
    return result;
}

std::string Json_String(std::string_view text) {
    const std::string valid = Valid_Utf8(text);
    std::string result = "\"";
    for (char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': result += "\\\""; break;
            case '\\': result += "\\\\"; break;
            case '\n': result += "\\n"; break;
            case '\r': result += "\\r"; break;
            case '\t': result += "\\t"; break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    result += "\\u00";
                    result += kHex[byte >> 4];
                    result += kHex[byte & 0x0F];
                } else {
                    result += c;
                }
        }
    }
    result += '"';
    return result;
}

std::string Html_Text(std::string_view text) {
    const std::string valid = Valid_Utf8(text);
    std::string result;
    result.reserve(valid.size());
    for (char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&': result += "&amp;"; break;
            case '<': result += "&lt;"; break;
            case '>': result += "&gt;"; break;
            case '"': result += "&quot;"; break;
            case '\'': result += "&#39;"; break;
            default:
                // Control characters are not allowed in XML: a visible mark.
                if (byte < 0x20 && c != '\n' && c != '\t') {
                    result += "\xEF\xBF\xBD";
                } else {
                    result += c;
                }
        }
    }
    return result;
}

}  // namespace zer2ivi::qc
