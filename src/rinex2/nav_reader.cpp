#include "rinex2/nav_reader.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

namespace zer2ivi::rinex2 {
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

std::string_view Columns(std::string_view line, size_t start, size_t width) {
    if (start >= line.size()) return {};
    return line.substr(start, width);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A Fortran number ("-.386250000000D+02", "  12"): blank is 0.
bool Parse_Real(std::string_view field, double& value) {
    field = Trim(field);
    value = 0;
    if (field.empty()) return true;
    char text[40];
    if (field.size() >= sizeof text) return false;
    size_t n = 0;
    for (char c : field) text[n++] = (c == 'D' || c == 'd') ? 'E' : c;
    const char* begin = text;
    if (*begin == '+') ++begin;
    const auto [end, error] = std::from_chars(begin, text + n, value);
    return error == std::errc() && end == text + n;
}

bool Parse_Int(std::string_view field, int& value) {
    field = Trim(field);
    value = 0;
    if (field.empty()) return false;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size();
}

}  // namespace

NavReader::~NavReader() {
    if (file_ != nullptr) gzclose(file_);
}

std::string NavReader::Where() const { return path_ + ":" + std::to_string(lineNumber_) + ": "; }

bool NavReader::Read_Line(bool& atEnd) {
    atEnd = false;
    if (gzgets(file_, line_, sizeof line_) == nullptr) {
        atEnd = true;
        int code = 0;
        gzerror(file_, &code);
        return code == Z_OK || code == Z_STREAM_END;
    }
    ++lineNumber_;
    lineLength_ = std::strlen(line_);
    const bool complete = lineLength_ > 0 && line_[lineLength_ - 1] == '\n';
    if (!complete && !gzeof(file_)) {
        // A line longer than any RINEX line: skip the rest of it.
        char rest[128];
        while (gzgets(file_, rest, sizeof rest) != nullptr) {
            const size_t n = std::strlen(rest);
            if (n > 0 && rest[n - 1] == '\n') break;
        }
    }
    while (lineLength_ > 0 && (line_[lineLength_ - 1] == '\n' || line_[lineLength_ - 1] == '\r'))
        line_[--lineLength_] = '\0';
    return true;
}

bool NavReader::Open(const std::string& path, std::string& error, Mode mode) {
    path_ = path;
    mode_ = mode;
    errno = 0;
    file_ = gzopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        error = path_ + ": " + (errno != 0 ? std::strerror(errno) : "cannot be opened");
        return false;
    }
    bool atEnd = false;
    bool first = true;
    while (true) {
        if (!Read_Line(atEnd)) {
            error = Where() + "read error";
            return false;
        }
        if (atEnd) {
            error = Where() + "no END OF HEADER";
            return false;
        }
        const std::string_view line(line_, lineLength_);
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
            error = Where() + "read error";
            return Result::Error;
        }
        if (atEnd) return Result::End;
    } while (Trim(std::string_view(line_, lineLength_)).empty());

    ephemeris = GpsEphemeris{};
    damage_ = RecordDamage{};
    const bool tolerant = mode_ == Mode::Tolerant;
    std::string_view line(line_, lineLength_);
    // A PRN wider than I2 moves the rest of the line right.
    const size_t shift =
        tolerant && lineLength_ > kClockLineLength ? lineLength_ - kClockLineLength : 0;
    int year = 0;
    const bool epochOk = Parse_Int(Columns(line, 0, 2 + shift), ephemeris.prn) &&
                         Parse_Int(Columns(line, shift + 2, 3), year) &&
                         Parse_Int(Columns(line, shift + 5, 3), ephemeris.tocMonth) &&
                         Parse_Int(Columns(line, shift + 8, 3), ephemeris.tocDay) &&
                         Parse_Int(Columns(line, shift + 11, 3), ephemeris.tocHour) &&
                         Parse_Int(Columns(line, shift + 14, 3), ephemeris.tocMinute) &&
                         Parse_Real(Columns(line, shift + 17, 5), ephemeris.tocSecond);
    if (tolerant) {
        damage_.epochLine = !epochOk || lineLength_ < kClockLineLength;
    } else if (!epochOk) {
        error = Where() + "malformed PRN / EPOCH / SV CLK line";
        return Result::Error;
    } else if (ephemeris.prn < 1 || ephemeris.prn > 99) {
        error = Where() + "PRN " + std::to_string(ephemeris.prn) + " out of range";
        return Result::Error;
    }
    ephemeris.tocYear = year < 100 ? (year >= 80 ? 1900 + year : 2000 + year) : year;
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
            error = Where() + "read error";
            return Result::Error;
        }
        if (atEnd) {
            error = Where() + "file ends inside an ephemeris (" + std::to_string(orbitLine + 1) +
                    " of 8 lines)";
            return Result::Error;
        }
        line = std::string_view(line_, lineLength_);
        for (size_t column = 0; column < kOrbitNumberFields && field < kNavNumberFields.size();
             ++column, ++field)
            if (!number(field, kOrbitFieldsStart + column * kFieldWidth)) return Result::Error;
    }
    return Result::Record;
}

}  // namespace zer2ivi::rinex2
