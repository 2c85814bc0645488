// Reader of RINEX 2 GPS navigation files (plain or gzip-compressed): the
// header, then one broadcast ephemeris of 8 lines at a time.  Errors name
// the file as given and the line ("data/brdc1620.04n:17: ...").
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <string>

#include <string_view>

#include "textio/line_source.h"

namespace zer2ivi::rinex {

// One broadcast ephemeris, in the order and units of the RINEX record.
struct GpsEphemeris {
    int prn = 0;
    // Time of clock as written: calendar date and time, GPS time scale.
    int tocYear = 0, tocMonth = 0, tocDay = 0, tocHour = 0, tocMinute = 0;
    double tocSecond = 0;
    double af0 = 0, af1 = 0, af2 = 0;               // s, s/s, s/s^2
    double iode = 0, crs = 0, deltaN = 0, m0 = 0;   // -, m, rad/s, rad
    double cuc = 0, eccentricity = 0, cus = 0, sqrtA = 0;  // rad, -, rad, m^0.5
    double toe = 0, cic = 0, omega0 = 0, cis = 0;   // s of GPS week, rad, rad, rad
    double i0 = 0, crc = 0, omega = 0, omegaDot = 0;  // rad, m, rad, rad/s
    double idot = 0, l2Codes = 0, week = 0, l2PFlag = 0;  // rad/s, -, GPS week of toe, -
    double accuracy = 0, health = 0, tgd = 0, iodc = 0;   // m, -, s, -
    double transmissionTime = 0, fitInterval = 0;   // s of week, hours
};

// The number fields of a record in the order the file holds them: the three
// clock terms of the first line, then four per broadcast orbit line (two on
// the last).
inline constexpr size_t kNavNumberFieldCount = 29;
inline constexpr std::array<double GpsEphemeris::*, kNavNumberFieldCount> kNavNumberFields = {
    &GpsEphemeris::af0,      &GpsEphemeris::af1,          &GpsEphemeris::af2,
    &GpsEphemeris::iode,     &GpsEphemeris::crs,          &GpsEphemeris::deltaN,
    &GpsEphemeris::m0,       &GpsEphemeris::cuc,          &GpsEphemeris::eccentricity,
    &GpsEphemeris::cus,      &GpsEphemeris::sqrtA,        &GpsEphemeris::toe,
    &GpsEphemeris::cic,      &GpsEphemeris::omega0,       &GpsEphemeris::cis,
    &GpsEphemeris::i0,       &GpsEphemeris::crc,          &GpsEphemeris::omega,
    &GpsEphemeris::omegaDot, &GpsEphemeris::idot,         &GpsEphemeris::l2Codes,
    &GpsEphemeris::week,     &GpsEphemeris::l2PFlag,      &GpsEphemeris::accuracy,
    &GpsEphemeris::health,   &GpsEphemeris::tgd,          &GpsEphemeris::iodc,
    &GpsEphemeris::transmissionTime, &GpsEphemeris::fitInterval};
inline constexpr size_t kClockNumberFields = 3;  // on the first line
inline constexpr size_t kOrbitNumberFields = 4;  // per broadcast orbit line

// What a tolerant reading could not read in a record: left 0 in it.
struct RecordDamage {
    bool epochLine = false;  // the PRN or the time of clock of the first line
    uint32_t numberFields = 0;  // bit i: kNavNumberFields[i], blank or not a number

    bool Number(size_t index) const { return (numberFields >> index & 1u) != 0; }
};

class NavReader {
public:
    // Strict, for files of any producer: a field that cannot be read, or a
    // PRN outside 1-99, is an error naming the line; a blank number is 0.
    // Tolerant, for files the library wrote from whatever it was given:
    // every eight lines are a record, what cannot be read (a blank number
    // too) is left 0 and named in Damage(), and a PRN wider than its two
    // columns pushes the rest of its line right, as the library writes it.
    enum class Mode { Strict, Tolerant };

    NavReader() = default;
    NavReader(const NavReader&) = delete;
    NavReader& operator=(const NavReader&) = delete;
    ~NavReader() = default;

    // Opens the file and reads its header up to END OF HEADER.  false with
    // the message in error ("FILE:LINE: what", or "FILE: reason").
    bool Open(const std::string& path, std::string& error, Mode mode = Mode::Strict);

    enum class Result { Record, End, Error };
    // The next ephemeris; End after the last one.
    Result Next(GpsEphemeris& ephemeris, std::string& error);

    // Tolerant mode: what the last record given by Next lacks.
    const RecordDamage& Damage() const { return damage_; }

private:
    bool Read_Line(bool& atEnd);
    std::string Where() const;

    Mode mode_ = Mode::Strict;
    RecordDamage damage_;
    textio::TextSource source_;
    std::string_view line_;  // the current line, without its line end
    std::string readError_;
};

}  // namespace zer2ivi::rinex
