#include "rinex/nav_reader.h"

#include <cstdint>

#include "rinex/fields.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

namespace zer2ivi::rinex {
namespace {

constexpr std::string_view kLabelVersionType = "RINEX VERSION / TYPE";
constexpr std::string_view kLabelEndOfHeader = "END OF HEADER";
constexpr size_t kLabelColumn = 60;
constexpr size_t kFieldWidth = 19;       // D19.12
constexpr size_t kOrbitFieldsStart = 3;  // broadcast orbit lines: 3X, 4D19.12
constexpr size_t kClockFieldsStart = 22; // first line: I2, 5I3, F5.1, then 3D19.12
constexpr int kOrbitLines = 7;
// The first line: I2, 5I3, F5.1, 3D19.12.
constexpr size_t kClockLineLength = kClockFieldsStart + 3 * kFieldWidth;

// A Fortran number ("-.386250000000D+02", "  12"): blank is 0.
bool Parse_Real(std::string_view field, double& value) {
    value = 0;
    if (Is_Blank(field)) return true;
    const auto parsed = Parse_Decimal(field);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

bool Parse_Int(std::string_view field, int& value) {
    value = 0;
    const auto parsed = Parse_Integer(field);
    if (!parsed || *parsed < INT32_MIN || *parsed > INT32_MAX) return false;
    value = static_cast<int>(*parsed);
    return true;
}

}  // namespace

std::string NavReader::Where() const {
    return source_.path() + ":" + std::to_string(source_.lineNumber()) + ": ";
}

// false on a read error (the line source's message in readError_).
bool NavReader::Read_Line(bool& atEnd) {
    atEnd = false;
    std::string_view raw;
    switch (source_.next(line_, raw)) {
        case textio::LineSource::Status::kLine: return true;
        case textio::LineSource::Status::kEnd: atEnd = true; return true;
        case textio::LineSource::Status::kError: break;
    }
    readError_ = source_.error();
    return false;
}

bool NavReader::Open(const std::string& path, std::string& error, Mode mode) {
    mode_ = mode;
    if (!source_.open(path)) {
        error = source_.error();
        return false;
    }
    bool atEnd = false;
    bool first = true;
    while (true) {
        if (!Read_Line(atEnd)) {
            error = readError_;
            return false;
        }
        if (atEnd) {
            error = Where() + "no END OF HEADER";
            return false;
        }
        const std::string_view line = line_;
        const std::string_view label = Trim(Columns(line, kLabelColumn, 20));
        if (first) {
            first = false;
            if (label != kLabelVersionType) {
                error = Where() + "not a RINEX file (no RINEX VERSION / TYPE)";
                return false;
            }
            const std::string_view version = Trim(Columns(line, 0, 9));
            const std::string_view type = Columns(line, 20, 1);
            if (version.empty() || version[0] != '2') {
                error = Where() + "RINEX version " + std::string(version) + ", not 2";
                return false;
            }
            if (type != "N") {
                error = Where() + "not a GPS navigation file (type '" + std::string(type) + "')";
                return false;
            }
            continue;
        }
        if (label == kLabelEndOfHeader) return true;
    }
}

NavReader::Result NavReader::Next(GpsEphemeris& ephemeris, std::string& error) {
    bool atEnd = false;
    // Skip blank lines between records (some files end with one).
    do {
        if (!Read_Line(atEnd)) {
            error = readError_;
            return Result::Error;
        }
        if (atEnd) return Result::End;
    } while (Is_Blank(line_));

    ephemeris = GpsEphemeris{};
    damage_ = RecordDamage{};
    const bool tolerant = mode_ == Mode::Tolerant;
    std::string_view line = line_;
    // A PRN wider than I2 moves the rest of the line right.
    const size_t shift =
        tolerant && line_.size() > kClockLineLength ? line_.size() - kClockLineLength : 0;
    int year = 0;
    const bool epochOk = Parse_Int(Columns(line, 0, 2 + shift), ephemeris.prn) &&
                         Parse_Int(Columns(line, shift + 2, 3), year) &&
                         Parse_Int(Columns(line, shift + 5, 3), ephemeris.tocMonth) &&
                         Parse_Int(Columns(line, shift + 8, 3), ephemeris.tocDay) &&
                         Parse_Int(Columns(line, shift + 11, 3), ephemeris.tocHour) &&
                         Parse_Int(Columns(line, shift + 14, 3), ephemeris.tocMinute) &&
                         Parse_Real(Columns(line, shift + 17, 5), ephemeris.tocSecond);
    if (tolerant) {
        damage_.epochLine = !epochOk || line_.size() < kClockLineLength;
    } else if (!epochOk) {
        error = Where() + "malformed PRN / EPOCH / SV CLK line";
        return Result::Error;
    } else if (ephemeris.prn < 1 || ephemeris.prn > 99) {
        error = Where() + "PRN " + std::to_string(ephemeris.prn) + " out of range";
        return Result::Error;
    }
    ephemeris.tocYear = year < 100 ? Four_Digit_Year(year) : year;
    // Reads number field `field` from columns at start of the line; false
    // when the strict reading stops there.
    const auto number = [&](size_t field, size_t start) {
        const std::string_view text = Columns(line, start, kFieldWidth);
        double& value = ephemeris.*kNavNumberFields[field];
        if (Parse_Real(text, value) && !(tolerant && Trim(text).empty())) return true;
        value = 0;
        if (!tolerant) {
            error = Where() + "malformed number in column " + std::to_string(start + 1);
            return false;
        }
        damage_.numberFields |= 1u << field;
        return true;
    };
    size_t field = 0;
    for (size_t column = 0; column < kClockNumberFields; ++column, ++field)
        if (!number(field, shift + kClockFieldsStart + column * kFieldWidth)) return Result::Error;
    for (int orbitLine = 0; orbitLine < kOrbitLines; ++orbitLine) {
        if (!Read_Line(atEnd)) {
            error = readError_;
            return Result::Error;
        }
        if (atEnd) {
            error = Where() + "file ends inside an ephemeris (" + std::to_string(orbitLine + 1) +
                    " of 8 lines)";
            return Result::Error;
        }
        line = line_;
        for (size_t column = 0; column < kOrbitNumberFields && field < kNavNumberFields.size();
             ++column, ++field)
            if (!number(field, kOrbitFieldsStart + column * kFieldWidth)) return Result::Error;
    }
    return Result::Record;
}

}  // namespace zer2ivi::rinex
