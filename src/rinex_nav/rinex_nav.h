// RINEX navigation output: the header, the eight-line record of one
// ephemeris with the GPS week rules, and the navigation conversion that
// joins the ephemeris readers to the writer.  The D19.12 number field is
// in numbers/numbers.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include <string>

#include "base/library_state.h"
#include "ephemeris/ephemeris.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// 0 when the three header lines were written, 1 as soon as a write failed.
int32_t Write_Nav_Header(std::FILE* stream, const char* runBy);

// The GPS week rules of the navigation records.  The week advance count
// grows each time a record's week is above the week of the record before.
// Under the week override every record is dated in the base week plus the
// advance count; without it in its own week, and a 10-bit week (below 500)
// is raised by 1024 in the record itself.
struct NavWeekCounter {
    bool weekOverride = false;
    int32_t baseWeek = 0;
    int32_t previousWeek = kNavPreviousWeekAtLoad;  // no record yet: the first never advances
    int32_t advanceCount = 0;
};
struct NavRecordWeeks {
    int32_t epochWeek = 0;  // the week of the record's epoch (toc)
    double weekField = 0.0;  // the GPS week field of the fifth orbit line
};
NavRecordWeeks Count_Nav_Weeks(EphemerisRecord& record, NavWeekCounter& counter);

// 0 when the eight lines were written, 1 as soon as a write failed.  May
// raise record.week below 500 by 1024; keeps the week advance count.
int32_t Write_Nav_Record(std::FILE* stream, EphemerisRecord& record);

// 0 success, 1 refused or unreadable input, -1 the navigation file could not
// be written completely.
int32_t Convert_Nav(const NavSettings& settings);
int32_t Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath, const char* runBy);
// As above, or 2 when the first line does not begin with "$EPHREC".
int32_t Tagged_Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath,
                                const char* runBy);
int32_t Plain_Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath,
                               const char* runBy);

// ---- RINEX 3.04 GPS navigation files ---------------------------------------
// The same orbit and clock values as the version 2 file, satellites "G01",
// the epoch with a four-digit year and whole seconds, orbit lines indented
// by four; transmission time 0.999900000000D+09 (unknown), fit interval
// blank, accuracy and health as the version 2 file writes them (0).

// 0 when the header lines were written, 1 as soon as a write failed.
int32_t Write_Nav3_Header(std::FILE* stream, const char* runBy);
// 0 when the eight lines were written, 1 as soon as a write failed; 2 (and
// nothing written, the week still counted) when the PRN has no two-digit
// "Gnn" form (1 to 99).
int32_t Write_Nav3_Record(std::FILE* stream, EphemerisRecord& record, NavWeekCounter& weeks);

struct Nav3Options {
    const char* runBy = "";
    // The week rules (weekOverride, baseWeek); the counter starts afresh for
    // each file, as the first navigation file of a process is written.
    NavWeekCounter weeks;
};
struct Nav3Result {
    int32_t status = 0;   // 0 written, 1 unreadable input, -1 output not written
    int32_t records = 0;  // records written
    int32_t skipped = 0;  // records left out: PRN outside 1 to 99
    std::string message;  // why it failed, or what was left out
};
// Converts an ephemeris file (tagged or plain form, chosen from its first
// line) into a RINEX 3.04 navigation file.  The file appears complete or
// not at all (written beside the destination, then renamed).  Touches no
// library-wide state except the ephemeris readers' working area.
Nav3Result Ephemeris_To_Nav3(const char* ephemerisPath, const char* navPath,
                             const Nav3Options& options);

}  // namespace zer2ivi
