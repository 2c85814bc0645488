// The ephemeris layout, declared once for both forms of the file (internal
// to this folder): the 26 record members in the order the file gives them,
// line by line.  The tagged form names each line with a tag ("Prn:" and
// "El1:" share the plain form's first line); the plain form gives the same
// values as six lines of bare numbers.  Each value's conversion follows the
// member's type: an int32_t member reads an integer (%d), a double member a
// floating-point number (%lf), so no format can store into the wrong type.
#pragma once

#include <cstdint>

#include "ephemeris/ephemeris.h"

namespace zer2ivi {

// One value of a line: the record member it is stored in.
struct EphemerisField {
    int32_t EphemerisRecord::*integer = nullptr;
    double EphemerisRecord::*real = nullptr;
    constexpr EphemerisField() = default;
    constexpr EphemerisField(int32_t EphemerisRecord::*member) : integer(member) {}
    constexpr EphemerisField(double EphemerisRecord::*member) : real(member) {}
    bool is_integer() const { return integer != nullptr; }
};

inline constexpr int kMaxFieldsPerLine = 6;

// One tagged line: its tag, the plain-form line (1..6) its values stand
// on, and its values in order; a tagged line yields an ephemeris only with
// exactly fieldCount values.
struct EphemerisLine {
    const char* tag;
    int plainLine;
    int fieldCount;
    EphemerisField fields[kMaxFieldsPerLine];
};

inline constexpr int kEphemerisLineCount = 7;
inline constexpr int kPlainLineCount = 6;

inline constexpr EphemerisLine kEphemerisLines[kEphemerisLineCount] = {
    {"Prn:", 1, 1, {&EphemerisRecord::prn}},
    {"El1:", 1, 5,
     {&EphemerisRecord::week, &EphemerisRecord::aux1, &EphemerisRecord::tgd,
      &EphemerisRecord::iodc, &EphemerisRecord::aux2}},
    {"El2:", 2, 3, {&EphemerisRecord::af2, &EphemerisRecord::af1, &EphemerisRecord::af0}},
    {"El3:", 3, 4,
     {&EphemerisRecord::iode, &EphemerisRecord::crs,
      &EphemerisRecord::deltaN, &EphemerisRecord::m0}},
    {"El4:", 4, 4,
     {&EphemerisRecord::cuc, &EphemerisRecord::ecc,
      &EphemerisRecord::cus, &EphemerisRecord::sqrtA}},
    {"El5:", 5, 4,
     {&EphemerisRecord::toe, &EphemerisRecord::cic,
      &EphemerisRecord::omega0, &EphemerisRecord::cis}},
    {"El6:", 6, 5,
     {&EphemerisRecord::i0, &EphemerisRecord::crc, &EphemerisRecord::omega,
      &EphemerisRecord::omegaDot, &EphemerisRecord::idot}},
};

// Every member once.
inline constexpr int kEphemerisFieldCount = 26;
static_assert([] {
    int total = 0;
    for (const EphemerisLine& line : kEphemerisLines) total += line.fieldCount;
    return total;
}() == kEphemerisFieldCount);

}  // namespace zer2ivi
