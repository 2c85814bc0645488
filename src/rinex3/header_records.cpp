// The header records of version 3 observation files that differ from
// version 2, built from plain values.  Every number is written from
// integers (or by the exact fixed-point writer), so no locale and no
// floating-point rounding enters the text.
#include <charconv>

#include "numbers/numbers.h"
#include "rinex3/rinex3.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi::rinex3 {
namespace {

constexpr const char* kLabelObsTypes = "SYS / # / OBS TYPES";
constexpr const char* kLabelPhaseShift = "SYS / PHASE SHIFT";
constexpr const char* kLabelFirstObs = "TIME OF FIRST OBS";
constexpr const char* kLabelLastObs = "TIME OF LAST OBS";

// Items per line of the records with continuation lines, and the columns
// the continuation lines begin with.
constexpr size_t kTypesPerLine = 13;
constexpr size_t kTypesIndent = 6;
constexpr size_t kSatellitesPerLine = 10;
constexpr size_t kSatellitesIndent = 18;

constexpr int kCountWidth = 6;
constexpr int kTicksPerMillisecond = 10'000;
constexpr int kSecondDecimals = 7;

std::string Finish(std::string content, const char* label) {
    if (content.size() < kHeaderContentWidth) content.resize(kHeaderContentWidth, ' ');
    content += label;
    return content;
}

// An integer right-aligned in width columns; wider when it does not fit.
void Append_Integer(std::string& line, int64_t value, int width, char fill = ' ') {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const size_t length = static_cast<size_t>(result.ptr - digits);
    if (length < static_cast<size_t>(width)) line.append(static_cast<size_t>(width) - length, fill);
    line.append(digits, length);
}

// " AAA" items with continuation lines: the first line's content so far is
// in line; later lines begin with indent blanks.
std::vector<std::string> Item_Lines(std::string line, const std::vector<std::string>& items,
                                    size_t perLine, size_t indent, const char* label) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && i % perLine == 0) {
            lines.push_back(Finish(std::move(line), label));
            line.assign(indent, ' ');
        }
        line += ' ';
        line += items[i].substr(0, 3);
        if (items[i].size() < 3) line.append(3 - items[i].size(), ' ');
    }
    lines.push_back(Finish(std::move(line), label));
    return lines;
}

}  // namespace

std::vector<std::string> Obs_Types_Lines(char system, const std::vector<std::string>& codes) {
    std::string line(1, system);
    line += "  ";
    Append_Integer(line, static_cast<int64_t>(codes.size()), 3);
    return Item_Lines(std::move(line), codes, kTypesPerLine, kTypesIndent, kLabelObsTypes);
}

std::vector<std::string> Phase_Shift_Lines(char system, std::string_view code,
                                           std::optional<double> cycles,
                                           const std::vector<std::string>& satellites) {
    std::string line(1, system);
    line += ' ';
    line += code.substr(0, 3);
    if (!cycles) return {Finish(std::move(line), kLabelPhaseShift)};
    line += ' ';
    char number[32];
    const size_t length = Format_Fixed(number, sizeof number, *cycles, 8, 5);
    line.append(number, length);
    if (satellites.empty()) return {Finish(std::move(line), kLabelPhaseShift)};
    line += "  ";
    Append_Integer(line, static_cast<int64_t>(satellites.size()), 2, '0');
    return Item_Lines(std::move(line), satellites, kSatellitesPerLine, kSatellitesIndent,
                      kLabelPhaseShift);
}

std::string Time_Of_Obs_Line(bool first, const RecordTime& time, std::string_view timeSystem) {
    const int64_t ticks = time.secondTicks < 0 ? 0 : time.secondTicks;
    std::string line;
    for (const int32_t field : {time.year, time.month, time.day, time.hour, time.minute})
        Append_Integer(line, field, 6);
    // F13.7: the whole seconds right-aligned in five columns, the point and
    // the seven decimals of the ticks.
    Append_Integer(line, ticks / kTicksPerSecond, 13 - 1 - kSecondDecimals);
    line += '.';
    Append_Integer(line, ticks % kTicksPerSecond, kSecondDecimals, '0');
    line += "     ";
    line += timeSystem.substr(0, 3);
    return Finish(std::move(line), first ? kLabelFirstObs : kLabelLastObs);
}

}  // namespace zer2ivi::rinex3
