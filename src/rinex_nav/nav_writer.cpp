// The RINEX navigation header and the eight-line record of one ephemeris,
// with the GPS week rules.
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/library_state.h"
#include "gpstime/gpstime.h"
#include "numbers/numbers.h"
#include "rinex_nav/nav_texts.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi {
namespace {

using namespace nav_text;

constexpr int kNumberFieldWidth = kRinexDoubleWidth;
constexpr int kNumberFieldSize = kNumberFieldWidth + 1;
constexpr int kDateTextSize = 20;

void Append_Number(LineBuilder& line, double value) {
    char field[kNumberFieldSize];
    Format_Rinex_Value(field, value);
    line.text(field, kNumberFieldWidth);
}

// An orbit line: the indent, then up to four D19.12 fields formatted in
// place, written with one call.
constexpr int kOrbitFieldCount = 4;

template <int Indent = kOrbitIndent, size_t Count>
bool Write_Orbit_Line(std::FILE* stream, const double (&values)[Count]) {
    static_assert(Count >= 1 && Count <= kOrbitFieldCount);
    static_assert(Indent == kOrbitIndent || Indent == kOrbitIndent3);
    char line[kOrbitIndent3 + kOrbitFieldCount * kNumberFieldWidth + 1];
    std::memset(line, ' ', Indent);
    char* field = line + Indent;
    for (const double value : values) {
        // Each field's NUL falls where the next field or the line end goes.
        Format_Rinex_Value(field, value);
        field += kNumberFieldWidth;
    }
    *field++ = '\n';
    const size_t length = static_cast<size_t>(field - line);
    return std::fwrite(line, 1, length, stream) == length;
}

}  // namespace

int32_t Write_Nav_Header(std::FILE* stream, const char* runBy) {
    LineBuilder version;
    version.field(kVersion, 20).field(kFileType, 40);
    if (!Write_Header_Line(stream, version, kLabelVersionType)) return 1;

    char date[kDateTextSize];
    Rinex_Date_Text(date);
    LineBuilder program;
    program.field(kProgram, 20).field(runBy, 20).field(date, 20);
    if (!Write_Header_Line(stream, program, kLabelRunBy)) return 1;

    LineBuilder end;
    return Write_Header_Line(stream, end, kLabelEndOfHeader) ? 0 : 1;
}

NavRecordWeeks Count_Nav_Weeks(EphemerisRecord& record, NavWeekCounter& counter) {
    // The week advance count grows each time a record's week is above the
    // week of the record before; it never goes down.
    if (record.week > counter.previousWeek &&
        counter.advanceCount < std::numeric_limits<int32_t>::max()) {
        ++counter.advanceCount;
    }
    counter.previousWeek = record.week;
    const int32_t countedWeek = Add_Weeks(counter.baseWeek, counter.advanceCount);
    NavRecordWeeks weeks;
    weeks.epochWeek = counter.weekOverride ? countedWeek : record.week;
    // Without the override a 10-bit week is raised in the record itself;
    // the conversion takes the base week from the raised value.
    weeks.weekField = static_cast<double>(countedWeek);
    if (!counter.weekOverride) {
        if (record.week < kBroadcastWeekThreshold) record.week += kBroadcastWeekOffset;
        weeks.weekField = static_cast<double>(record.week);
    }
    return weeks;
}

int32_t Write_Nav_Record(std::FILE* stream, EphemerisRecord& record) {
    NavWeekCounter counter{library.weekOverride, library.baseWeek, library.navPreviousWeek,
                           library.navWeekAdvanceCount};
    const NavRecordWeeks weeks = Count_Nav_Weeks(record, counter);
    library.navPreviousWeek = counter.previousWeek;
    library.navWeekAdvanceCount = counter.advanceCount;
    const int32_t epochWeek = weeks.epochWeek;

    int32_t hour = 0, minute = 0, month = 0, day = 0, year = 0;
    double second = 0.0;
    Gps_To_Calendar(epochWeek, static_cast<double>(record.toe), hour, minute, second, month, day,
                    year);
    // The epoch as "%2d%3d%3d%3d%3d%3d%5.1lf" prints it.
    LineBuilder clock;
    clock.integer(record.prn, 2)
        .integer(year % 100, 3)
        .integer(month, 3)
        .integer(day, 3)
        .integer(hour, 3)
        .integer(minute, 3)
        .fixed(second, 5, 1);
    Append_Number(clock, record.af0);
    Append_Number(clock, record.af1);
    Append_Number(clock, record.af2);
    if (!clock.write_to(stream)) return 1;

    const double toe = static_cast<double>(record.toe);
    const double iode = record.iode;
    if (!Write_Orbit_Line(stream, {iode, record.crs, record.deltaN, record.m0})) return 1;
    if (!Write_Orbit_Line(stream, {record.cuc, record.ecc, record.cus, record.sqrtA})) return 1;
    if (!Write_Orbit_Line(stream, {toe, record.cic, record.omega0, record.cis})) return 1;
    if (!Write_Orbit_Line(stream, {record.i0, record.crc, record.omega, record.omegaDot})) {
        return 1;
    }

    const double week = weeks.weekField;
    const double iodc = record.iodc;
    if (!Write_Orbit_Line(stream, {record.idot, 0.0, week, 0.0})) return 1;
    if (!Write_Orbit_Line(stream, {0.0, 0.0, record.tgd, iodc})) return 1;
    return Write_Orbit_Line(stream, {toe}) ? 0 : 1;
}

int32_t Write_Nav3_Header(std::FILE* stream, const char* runBy) {
    LineBuilder version;
    version.field(kVersion3, 20).field(kFileType3, 20).field(kSystem3, 20);
    if (!Write_Header_Line(stream, version, kLabelVersionType)) return 1;

    char date[kRinex3DateSize];
    Rinex3_Date_Text(date);
    LineBuilder program;
    program.field(kProgram, 20).field(runBy, 20).field(date, 20);
    if (!Write_Header_Line(stream, program, kLabelRunBy)) return 1;

    LineBuilder end;
    return Write_Header_Line(stream, end, kLabelEndOfHeader) ? 0 : 1;
}

int32_t Write_Nav3_Record(std::FILE* stream, EphemerisRecord& record, NavWeekCounter& counter) {
    // A record left out still counts for the week advances, so the records
    // after it are dated as in the version 2 file.
    const NavRecordWeeks weeks = Count_Nav_Weeks(record, counter);
    if (record.prn < 1 || record.prn > kLastTwoDigitPrn) return 2;

    int32_t hour = 0, minute = 0, month = 0, day = 0, year = 0;
    double second = 0.0;
    Gps_To_Calendar(weeks.epochWeek, static_cast<double>(record.toe), hour, minute, second, month,
                    day, year);
    // toe is whole seconds, so the epoch is too; a time beyond the calendar
    // conversion's range leaves second out of range, written as 0.
    const int32_t wholeSecond =
        second >= 0.0 && second < 60.5 ? static_cast<int32_t>(second + 0.5) : 0;
    char epoch[32];
    // A week far outside any real one still gives fields of their widths
    // (the calendar conversion's out-of-range results, cut to their digits).
    const auto digits = [](int32_t value, int32_t modulus) {
        return (value % modulus + modulus) % modulus;
    };
    std::snprintf(epoch, sizeof epoch, "G%02d %04d %02d %02d %02d %02d %02d", record.prn,
                  digits(year, 10000), digits(month, 100), digits(day, 100), digits(hour, 100),
                  digits(minute, 100), digits(wholeSecond, 100));
    LineBuilder clock;
    clock.text(epoch);
    Append_Number(clock, record.af0);
    Append_Number(clock, record.af1);
    Append_Number(clock, record.af2);
    if (!clock.write_to(stream)) return 1;

    constexpr int kIndent = kOrbitIndent3;
    const double toe = static_cast<double>(record.toe);
    const double iode = record.iode;
    const double iodc = record.iodc;
    if (!Write_Orbit_Line<kIndent>(stream, {iode, record.crs, record.deltaN, record.m0})) return 1;
    if (!Write_Orbit_Line<kIndent>(stream, {record.cuc, record.ecc, record.cus, record.sqrtA})) {
        return 1;
    }
    if (!Write_Orbit_Line<kIndent>(stream, {toe, record.cic, record.omega0, record.cis})) return 1;
    if (!Write_Orbit_Line<kIndent>(stream,
                                   {record.i0, record.crc, record.omega, record.omegaDot})) {
        return 1;
    }
    if (!Write_Orbit_Line<kIndent>(stream, {record.idot, 0.0, weeks.weekField, 0.0})) return 1;
    if (!Write_Orbit_Line<kIndent>(stream, {0.0, 0.0, record.tgd, iodc})) return 1;
    return Write_Orbit_Line<kIndent>(stream, {kUnknownTransmissionTime}) ? 0 : 1;
}

}  // namespace zer2ivi
