// The RINEX navigation header and the eight-line record of one ephemeris,
// with the GPS week rules and the D19.12 number field.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "api/library_state.h"
#include "gpstime/gpstime.h"
#include "rinex_nav/nav_texts.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {
namespace {

using namespace nav_text;

constexpr int kNumberFieldWidth = 19;
constexpr int kNumberFieldSize = kNumberFieldWidth + 1;
// "%+18.11le": sign, digit, point, 11 digits, "e", exponent sign, digits.
constexpr int kScientificWidth = 18;
constexpr int kScientificDigits = 11;
constexpr int kScientificTextSize = 40;
constexpr int32_t kBroadcastWeekThreshold = 500;
constexpr int32_t kBroadcastWeekOffset = 1024;
constexpr int kEpochTextSize = 96;
constexpr int kDateTextSize = 20;

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

int32_t Add_Saturating(int32_t value, int32_t amount) {
    const int64_t sum = int64_t{value} + amount;
    if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(sum);
}

// The text snprintf("%+18.11le") gives for value, made with std::to_chars so
// that every platform prints the same digits.
void Scientific_Text(char (&text)[kScientificTextSize], double value) {
    char body[kScientificTextSize];
    body[0] = std::signbit(value) ? '-' : '+';
    const auto result = std::to_chars(body + 1, body + sizeof body - 1, std::fabs(value),
                                      std::chars_format::scientific, kScientificDigits);
    const size_t length = static_cast<size_t>(result.ptr - body);
    // Only "inf" and "nan" are shorter than the width; they are right-aligned.
    const size_t padding = length < kScientificWidth ? kScientificWidth - length : 0;
    std::memset(text, ' ', padding);
    std::memcpy(text + padding, body, length);
    text[padding + length] = '\0';
}

// A text that is no finite number ("inf", "nan") right-aligned in the field,
// without a plus sign.
void Other_Number_Field(char* destination, const char* text) {
    while (*text == ' ') ++text;
    if (*text == '+') ++text;
    const size_t length = strnlen(text, kNumberFieldWidth);
    const size_t padding = kNumberFieldWidth - length;
    std::memset(destination, ' ', padding);
    std::memcpy(destination + padding, text, length);
    destination[kNumberFieldWidth] = '\0';
}

void Append_Number(LineBuilder& line, double value) {
    char field[kNumberFieldSize];
    Format_Rinex_Value(field, value);
    line.text(field, kNumberFieldWidth);
}

LineBuilder Orbit_Line(double a, double b, double c, double d) {
    LineBuilder line;
    line.field("", kOrbitIndent);
    Append_Number(line, a);
    Append_Number(line, b);
    Append_Number(line, c);
    Append_Number(line, d);
    return line;
}

}  // namespace

void Format_Rinex_Double(char* destination, const char* scientificText) {
    const char* s = scientificText;
    bool wellFormed = (s[0] == '+' || s[0] == '-') && Is_Digit(s[1]) && s[2] == '.';
    for (int i = 3; wellFormed && i < 3 + kScientificDigits; ++i) wellFormed = Is_Digit(s[i]);
    wellFormed = wellFormed && (s[14] == 'e' || s[14] == 'E') && (s[15] == '+' || s[15] == '-') &&
                 Is_Digit(s[16]);
    if (!wellFormed) {
        Other_Number_Field(destination, s);
        return;
    }
    int exponent = 0;
    for (const char* p = s + 16; Is_Digit(*p) && exponent < 100000; ++p) {
        exponent = exponent * 10 + (*p - '0');
    }
    if (s[15] == '-') exponent = -exponent;
    // The point moves one place left; a zero keeps exponent 0.
    exponent = (s[1] == '0') ? 0 : exponent + 1;
    destination[0] = ' ';
    destination[1] = (s[0] == '-') ? '-' : ' ';
    destination[2] = '.';
    destination[3] = s[1];
    std::memcpy(destination + 4, s + 3, kScientificDigits);
    const char sign = exponent < 0 ? '-' : '+';
    int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude <= 99) {
        destination[15] = 'D';
        destination[16] = sign;
        destination[17] = static_cast<char>('0' + magnitude / 10);
        destination[18] = static_cast<char>('0' + magnitude % 10);
    } else {
        // Three exponent digits take the place of the "D", as FORTRAN writes
        // a D19.12 field whose exponent is beyond 99.
        if (magnitude > 999) magnitude = 999;
        destination[15] = sign;
        destination[16] = static_cast<char>('0' + magnitude / 100);
        destination[17] = static_cast<char>('0' + magnitude / 10 % 10);
        destination[18] = static_cast<char>('0' + magnitude % 10);
    }
    destination[kNumberFieldWidth] = '\0';
}

void Format_Rinex_Value(char* destination, double value) {
    if (value == 0.0) value = 0.0;  // a zero of either sign prints unsigned
    char text[kScientificTextSize];
    Scientific_Text(text, value);
    Format_Rinex_Double(destination, text);
}

int32_t Write_Nav_Header(std::FILE* stream, const char* runBy) {
    LineBuilder version;
    version.field(kVersion, 20).field(kFileType, 40).label(kLabelVersionType);
    if (!version.write_to(stream)) return 1;

    char date[kDateTextSize];
    Rinex_Date_Text(date);
    LineBuilder program;
    program.field(kProgram, 20).field(runBy, 20).field(date, 20).label(kLabelRunBy);
    if (!program.write_to(stream)) return 1;

    LineBuilder end;
    end.field("", 60).label(kLabelEndOfHeader);
    return end.write_to(stream) ? 0 : 1;
}

int32_t Write_Nav_Record(std::FILE* stream, EphemerisRecord& record) {
    // The week advance count grows each time a record's week is above the
    // week of the record before; it never goes down.
    if (record.week > library.navPreviousWeek &&
        library.navWeekAdvanceCount < std::numeric_limits<int32_t>::max()) {
        ++library.navWeekAdvanceCount;
    }
    library.navPreviousWeek = record.week;
    const int32_t countedWeek = Add_Saturating(library.baseWeek, library.navWeekAdvanceCount);
    const int32_t epochWeek = library.weekOverride ? countedWeek : record.week;

    int32_t hour = 0, minute = 0, month = 0, day = 0, year = 0;
    double second = 0.0;
    Gps_To_Calendar(epochWeek, static_cast<double>(record.toe), hour, minute, second, month, day,
                    year);
    char epoch[kEpochTextSize];
    std::snprintf(epoch, sizeof epoch, kFormatEpoch, record.prn, year % 100, month, day, hour,
                  minute, second);
    LineBuilder clock;
    clock.text(epoch);
    Append_Number(clock, record.af0);
    Append_Number(clock, record.af1);
    Append_Number(clock, record.af2);
    if (!clock.write_to(stream)) return 1;

    const double toe = static_cast<double>(record.toe);
    if (!Orbit_Line(record.iode, record.crs, record.deltaN, record.m0).write_to(stream)) return 1;
    if (!Orbit_Line(record.cuc, record.ecc, record.cus, record.sqrtA).write_to(stream)) return 1;
    if (!Orbit_Line(toe, record.cic, record.omega0, record.cis).write_to(stream)) return 1;
    if (!Orbit_Line(record.i0, record.crc, record.omega, record.omegaDot).write_to(stream)) {
        return 1;
    }

    // Without the override a 10-bit week is raised in the record itself;
    // the conversion takes the base week from the raised value.
    double week = static_cast<double>(countedWeek);
    if (!library.weekOverride) {
        if (record.week < kBroadcastWeekThreshold) record.week += kBroadcastWeekOffset;
        week = static_cast<double>(record.week);
    }
    if (!Orbit_Line(record.idot, 0.0, week, 0.0).write_to(stream)) return 1;
    if (!Orbit_Line(0.0, 0.0, record.tgd, record.iodc).write_to(stream)) return 1;

    LineBuilder transmission;
    transmission.field("", kOrbitIndent);
    Append_Number(transmission, toe);
    return transmission.write_to(stream) ? 0 : 1;
}

}  // namespace zer2ivi
