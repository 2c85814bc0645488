#include "rinex/fields.h"

#include <array>
#include <charconv>
#include <cmath>

#include "rinex/obs_labels.h"

namespace zer2ivi::rinex {

std::string_view Columns(std::string_view line, size_t first, size_t width) {
    if (first >= line.size()) return {};
    return line.substr(first, width);
}

std::string_view Trim_Right(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = Trim_Right(text);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

bool Is_Blank(std::string_view text) { return Trim(text).empty(); }

std::optional<long long> Parse_Integer(std::string_view field) {
    field = Trim(field);
    if (field.empty()) return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size()) return std::nullopt;
    return value;
}

std::optional<double> Parse_Decimal(std::string_view field) {
    field = Trim(field);
    if (field.empty() || field.size() > 40) return std::nullopt;
    // After one sign, a digit or the point: no second sign, no "inf".
    const size_t first = field.front() == '-' || field.front() == '+' ? 1 : 0;
    if (first >= field.size() || !((field[first] >= '0' && field[first] <= '9') || field[first] == '.'))
        return std::nullopt;
    if (field.front() == '+') field.remove_prefix(1);
    std::array<char, 40> text{};
    for (size_t i = 0; i < field.size(); ++i)
        text[i] = (field[i] == 'D' || field[i] == 'd') ? 'E' : field[i];
    double value = 0.0;
    const char* last = text.data() + field.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc{} || end != last || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::array<double, 3>> Parse_Triple(std::string_view text) {
    std::array<double, 3> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == values.size() - 1)) return std::nullopt;
        const auto value = Parse_Decimal(text.substr(0, comma));
        if (!value) return std::nullopt;
        values[i] = *value;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return values;
}

bool Append_Fixed(std::string& line, double value, size_t width, int decimals) {
    std::array<char, 64> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc{}) return false;
    auto length = static_cast<size_t>(end - text.data());
    // "-0.0000" is written "0.0000" by the usual Fortran-style writers too.
    std::string_view digits(text.data(), length);
    if (digits.front() == '-' && digits.find_first_not_of("-0.") == std::string_view::npos)
        digits.remove_prefix(1);
    if (digits.size() > width) return false;
    line.append(width - digits.size(), ' ');
    line.append(digits);
    return true;
}

bool Append_Integer(std::string& line, long long value, size_t width) {
    std::array<char, 24> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    const auto length = static_cast<size_t>(end - text.data());
    if (error != std::errc{} || length > width) return false;
    line.append(width - length, ' ');
    line.append(text.data(), length);
    return true;
}

bool Append_Text(std::string& line, std::string_view text, size_t width) {
    if (text.size() > width) return false;
    line.append(text);
    line.append(width - text.size(), ' ');
    return true;
}

void Append_Label(std::string& line, std::string_view label) {
    if (line.size() < kLabelColumn) line.append(kLabelColumn - line.size(), ' ');
    line.append(label);
}

}  // namespace zer2ivi::rinex
