// Reader of RINEX 2 GPS navigation files (plain or gzip-compressed): the
// header, then one broadcast ephemeris of 8 lines at a time.  Errors name
// the file as given and the line ("data/brdc1620.04n:17: ...").
#pragma once

#include <cstdio>
#include <string>

#include <zlib.h>

namespace zer2ivi::rinex2 {

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

class NavReader {
public:
    NavReader() = default;
    NavReader(const NavReader&) = delete;
    NavReader& operator=(const NavReader&) = delete;
    ~NavReader();

    // Opens the file and reads its header up to END OF HEADER.  false with
    // the message in error ("FILE:LINE: what", or "FILE: reason").
    bool Open(const std::string& path, std::string& error);

    enum class Result { Record, End, Error };
    // The next ephemeris; End after the last one.
    Result Next(GpsEphemeris& ephemeris, std::string& error);

private:
    bool Read_Line(bool& atEnd);
    std::string Where() const;

    gzFile file_ = nullptr;
    std::string path_;
    long lineNumber_ = 0;
    char line_[128] = {};
    size_t lineLength_ = 0;
};

}  // namespace zer2ivi::rinex2
