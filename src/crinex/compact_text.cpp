#include "crinex/compact_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace zer2ivi::crinex {

bool Has_Label(std::string_view line, std::string_view label) {
    return line.size() > kLabelColumn && Trim_Right(line.substr(kLabelColumn)) == label;
}

std::string_view Trim_Right(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return text.substr(0, end);
}

bool Is_Event_Flag(char flag) { return flag >= '2' && flag <= '5'; }

void Append_Text_Difference(std::string& out, std::string_view old, std::string_view now) {
    const size_t begin = out.size();
    for (size_t i = 0; i < now.size(); ++i) {
        const char before = i < old.size() ? old[i] : ' ';
        out.push_back(now[i] == before ? ' ' : now[i] == ' ' ? kArcMark : now[i]);
    }
    for (size_t i = now.size(); i < old.size(); ++i) out.push_back(old[i] == ' ' ? ' ' : kArcMark);
    size_t end = out.size();
    while (end > begin && out[end - 1] == ' ') --end;
    out.resize(end);
}

void Apply_Text_Difference(std::string& text, std::string_view difference) {
    if (text.size() < difference.size()) text.resize(difference.size(), ' ');
    for (size_t i = 0; i < difference.size(); ++i) {
        if (difference[i] == kArcMark) {
            text[i] = ' ';
        } else if (difference[i] != ' ') {
            text[i] = difference[i];
        }
    }
    text.resize(Trim_Right(text).size());
}

bool Is_Compact_First_Line(std::string_view line) { return Has_Label(line, kLabelCompactVersion); }

bool Parse_Integer(std::string_view text, int64_t& value) {
    if (text.empty() || text[0] == '+') return false;
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && stop == end;
}

bool Parse_Scaled(std::string_view text, int decimals, int64_t& value) {
    size_t begin = 0;
    while (begin < text.size() && text[begin] == ' ') ++begin;
    text = Trim_Right(text.substr(begin));
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int64_t magnitude = 0;
    int fraction = -1;  // digits after the point, -1 before it
    bool digits = false;
    for (const char c : text) {
        if (c == '.' && fraction < 0) {
            fraction = 0;
            continue;
        }
        if (c < '0' || c > '9') return false;
        if (fraction >= 0 && ++fraction > decimals) return false;
        if (__builtin_mul_overflow(magnitude, 10, &magnitude) ||
            __builtin_add_overflow(magnitude, c - '0', &magnitude))
            return false;
        digits = true;
    }
    if (!digits) return false;
    for (int scale = std::max(fraction, 0); scale < decimals; ++scale)
        if (__builtin_mul_overflow(magnitude, 10, &magnitude)) return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

void Append_Integer(std::string& out, int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

bool Append_Scaled(std::string& out, int64_t value, int decimals, size_t width) {
    // The magnitude as unsigned, so the most negative value has one too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, magnitude);
    auto length = static_cast<size_t>(result.ptr - digits);
    const auto places = static_cast<size_t>(decimals);
    // At least one digit before the point.
    const size_t whole = length > places ? length - places : 1;
    const size_t total = (value < 0 ? 1 : 0) + whole + 1 + places;
    if (total > width) return false;
    out.append(width - total, ' ');
    if (value < 0) out.push_back('-');
    if (length > places) {
        out.append(digits, whole);
    } else {
        out.push_back('0');
    }
    out.push_back('.');
    if (length < places) out.append(places - length, '0');
    out.append(digits + (length > places ? whole : 0), std::min(length, places));
    return true;
}

size_t TypeCounts::maximum() const {
    if (rinexMajor < 3) return all;
    return *std::max_element(bySystem.begin(), bySystem.end());
}

bool TypeCounts::take(std::string_view line, std::string& what) {
    if (Has_Label(line, kLabelRinexVersion)) {
        if (rinexMajor != 0) {
            what = "a second RINEX VERSION / TYPE";
            return false;
        }
        const size_t begin = line.find_first_not_of(' ');
        rinexMajor = begin < 9 ? line[begin] - '0' : 0;
        if (rinexMajor < 1 || rinexMajor > 9) {
            what = "RINEX VERSION / TYPE: no version number";
            return false;
        }
        return true;
    }
    const bool types2 = Has_Label(line, kLabelTypes2);
    const bool types3 = Has_Label(line, kLabelTypes3);
    if (!types2 && !types3) return true;
    // Continuation lines leave the count (and system) blank.
    const std::string_view countText = types2 ? line.substr(0, 6) : line.substr(3, 3);
    if (Trim_Right(countText).empty()) return true;
    int64_t count = 0;
    if (!Parse_Scaled(countText, 0, count) || count < 0 || count > static_cast<int64_t>(kMaxTypes)) {
        what = std::string(types2 ? kLabelTypes2 : kLabelTypes3) + ": count not a number of at most " +
               std::to_string(kMaxTypes);
        return false;
    }
    if (types2) {
        all = static_cast<uint16_t>(count);
    } else {
        const auto system = static_cast<unsigned char>(line[0]);
        if (system == ' ' || system >= bySystem.size()) {
            what = std::string(kLabelTypes3) + ": no system letter";
            return false;
        }
        bySystem[system] = static_cast<uint16_t>(count);
    }
    return true;
}

size_t TypeCounts::of(char system) const {
    if (rinexMajor < 3) return all;
    const auto index = static_cast<unsigned char>(system);
    return index < bySystem.size() ? bySystem[index] : 0;
}

void Arc::start(int arcOrder, int64_t value) {
    order = static_cast<uint8_t>(arcOrder);
    steps = 0;
    active = true;
    d[0] = value;
}

bool Arc::apply(int64_t difference) {
    const int k = std::min(steps + 1, static_cast<int>(order));
    d[static_cast<size_t>(k)] = difference;
    for (int j = k - 1; j >= 0; --j) {
        const auto at = static_cast<size_t>(j);
        if (__builtin_add_overflow(d[at], d[at + 1], &d[at])) return false;
    }
    steps = static_cast<uint8_t>(k);
    return true;
}

bool Arc::difference(int64_t value, int64_t& out) const {
    const int k = std::min(steps + 1, static_cast<int>(order));
    out = value;
    for (int j = 0; j < k; ++j)
        if (__builtin_sub_overflow(out, d[static_cast<size_t>(j)], &out)) return false;
    return true;
}

void EpochState::reset(size_t fieldStride) {
    count = 0;
    stride = fieldStride;
    clock = Arc{};
}

bool EpochState::add(std::string_view id, size_t types, const EpochState& previous, size_t& hint) {
    if (count >= kMaxSatellites) return false;
    const size_t at = count++;
    if (ids.size() < count) {
        ids.resize(count);
        typeCount.resize(count);
        from.resize(count);
    }
    // The stride grows when an event record brings more types.
    if (arcs.size() < count * stride) {
        arcs.resize(count * stride);
        flags.resize(count * 2 * stride);
        present.resize(count * stride);
        values.resize(count * stride);
    }
    std::memcpy(ids[at].data(), id.data(), kIdWidth);
    typeCount[at] = static_cast<uint16_t>(types);
    size_t found = previous.count;
    if (previous.stride == stride) {
        auto same = [&](size_t index) {
            return std::memcmp(previous.ids[index].data(), id.data(), kIdWidth) == 0 &&
                   previous.typeCount[index] == types;
        };
        if (hint < previous.count && same(hint)) {
            found = hint;
        } else {
            for (size_t index = 0; index < previous.count; ++index)
                if (same(index)) {
                    found = index;
                    break;
                }
        }
    }
    Arc* arcsHere = arcsOf(at);
    char* flagsHere = flagsOf(at);
    if (found < previous.count) {
        std::copy_n(previous.arcs.data() + found * stride, types, arcsHere);
        std::copy_n(previous.flags.data() + found * 2 * stride, 2 * types, flagsHere);
        hint = found + 1;
        from[at] = found;
    } else {
        from[at] = kNew;
        std::fill_n(arcsHere, types, Arc{});
        std::fill_n(flagsHere, 2 * types, ' ');
    }
    return true;
}

}  // namespace zer2ivi::crinex
