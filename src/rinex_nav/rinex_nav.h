// RINEX navigation output: the header, the eight-line record of one
// ephemeris with the GPS week rules, and the navigation conversion that
// joins the ephemeris readers to the writer.  The D19.12 number field is
// in numbers/numbers.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include "ephemeris/ephemeris.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// 0 when the three header lines were written, 1 as soon as a write failed.
int32_t Write_Nav_Header(std::FILE* stream, const char* runBy);

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

}  // namespace zer2ivi
