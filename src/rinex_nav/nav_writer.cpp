// The RINEX navigation header and the eight-line record of one ephemeris,
// with the GPS week rules.
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
constexpr int kOrbitLineSize = kOrbitIndent + kOrbitFieldCount * kNumberFieldWidth + 1;

template <size_t Count>
bool Write_Orbit_Line(std::FILE* stream, const double (&values)[Count]) {
    static_assert(Count >= 1 && Count <= kOrbitFieldCount);
    char line[kOrbitLineSize];
    std::memset(line, ' ', kOrbitIndent);
    char* field = line + kOrbitIndent;
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

int32_t Write_Nav_Record(std::FILE* stream, EphemerisRecord& record) {
    // The week advance count grows each time a record's week is above the
    // week of the record before; it never goes down.
    if (record.week > library.navPreviousWeek &&
        library.navWeekAdvanceCount < std::numeric_limits<int32_t>::max()) {
        ++library.navWeekAdvanceCount;
    }
    library.navPreviousWeek = record.week;
    const int32_t countedWeek = Add_Weeks(library.baseWeek, library.navWeekAdvanceCount);
    const int32_t epochWeek = library.weekOverride ? countedWeek : record.week;

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

    // Without the override a 10-bit week is raised in the record itself;
    // the conversion takes the base week from the raised value.
    double week = static_cast<double>(countedWeek);
    if (!library.weekOverride) {
        if (record.week < kBroadcastWeekThreshold) record.week += kBroadcastWeekOffset;
        week = static_cast<double>(record.week);
    }
    const double iodc = record.iodc;
    if (!Write_Orbit_Line(stream, {record.idot, 0.0, week, 0.0})) return 1;
    if (!Write_Orbit_Line(stream, {0.0, 0.0, record.tgd, iodc})) return 1;
    return Write_Orbit_Line(stream, {toe}) ? 0 : 1;
}

}  // namespace zer2ivi
