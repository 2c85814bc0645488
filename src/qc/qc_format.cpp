#include "qc/qc_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "text/json_text.h"

namespace zer2ivi::qc {

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

std::string Valid_Utf8(std::string_view text) { return text::Valid_Utf8(text); }

std::string Json_String(std::string_view text) { return text::Json_String(text); }

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
