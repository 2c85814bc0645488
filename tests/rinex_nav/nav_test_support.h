// Helpers of the navigation tests: the header written on the fixed creation
// date of support/test_support.h, a complete ephemeris record with its
// eight expected RINEX lines, and the same ephemeris in both text forms.
#pragma once

#include <string>
#include <vector>

#include "ephemeris/ephemeris.h"

namespace zer2ivi::testing {

inline const std::vector<std::string> kExpectedHeader = {
    "     2              NAVIGATION DATA                         RINEX VERSION / TYPE",
    "DID2ARE Beta        tester               6-DEC-26 16:33     PGM / RUN BY / DATE",
    "                                                            END OF HEADER",
};

inline EphemerisRecord Example_Record() {
    EphemerisRecord r{};
    r.prn = 5;
    r.week = 1160;
    r.toe = 432000;
    r.af0 = -1.23456789012e-5;
    r.af1 = -4.5474735089e-13;
    r.af2 = 0.0;
    r.iode = 90;
    r.crs = -38.625;
    r.deltaN = 5.01449458811e-09;
    r.m0 = 2.37108733125;
    r.cuc = -2.17743217945e-06;
    r.ecc = 5.2654898027e-03;
    r.cus = 1.09504908323e-05;
    r.sqrtA = 5153.76806831;
    r.cic = -5.40167093277e-08;
    r.omega0 = -1.52094815689;
    r.cis = -9.12696123123e-08;
    r.i0 = 0.935617824444;
    r.crc = 151.375;
    r.omega = 0.833656182315;
    r.omegaDot = -8.15033949435e-09;
    r.idot = -1.242908915e-10;
    r.tgd = -4.19095158577e-09;
    r.iodc = 346;
    return r;
}

inline const std::vector<std::string> kExampleRecordLines = {
    " 5  2  4  5  0  0  0.0 -.123456789012D-04 -.454747350890D-12  .000000000000D+00",
    "     .900000000000D+02 -.386250000000D+02  .501449458811D-08  .237108733125D+01",
    "    -.217743217945D-05  .526548980270D-02  .109504908323D-04  .515376806831D+04",
    "     .432000000000D+06 -.540167093277D-07 -.152094815689D+01 -.912696123123D-07",
    "     .935617824444D+00  .151375000000D+03  .833656182315D+00 -.815033949435D-08",
    "    -.124290891500D-09  .000000000000D+00  .116000000000D+04  .000000000000D+00",
    "     .000000000000D+00  .000000000000D+00 -.419095158577D-08  .346000000000D+03",
    "     .432000000000D+06",
};

// Example_Record's values (with its PRN, week and toe) in the tagged form
// (a block, without the file's first line) and in the plain form.
inline std::string Tagged_Block(int prn, int week, int toe = 432000) {
    return "GpsEph {\n"
           "  Prn: " + std::to_string(prn) + "\n"
           "  El1: " + std::to_string(week) + " 0 -4.19095158577e-09 346 0\n"
           "  El2: 0.0 -4.5474735089e-13 -1.23456789012e-05\n"
           "  El3: 90 -38.625 5.01449458811e-09 2.37108733125\n"
           "  El4: -2.17743217945e-06 5.2654898027e-03 1.09504908323e-05 5153.76806831\n"
           "  El5: " + std::to_string(toe) + " -5.40167093277e-08 -1.52094815689 -9.12696123123e-08\n"
           "  El6: 0.935617824444 151.375 0.833656182315 -8.15033949435e-09 -1.242908915e-10\n"
           "}\n";
}

inline std::string Plain_Lines(int prn, int week, int toe = 432000) {
    return std::to_string(prn) + " " + std::to_string(week) + " 0 -4.19095158577e-09 346 0\n"
           "0.0 -4.5474735089e-13 -1.23456789012e-05\n"
           "90 -38.625 5.01449458811e-09 2.37108733125\n"
           "-2.17743217945e-06 5.2654898027e-03 1.09504908323e-05 5153.76806831\n" +
           std::to_string(toe) + " -5.40167093277e-08 -1.52094815689 -9.12696123123e-08\n"
           "0.935617824444 151.375 0.833656182315 -8.15033949435e-09 -1.242908915e-10\n";
}

}  // namespace zer2ivi::testing
