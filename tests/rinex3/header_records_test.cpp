// The version 3 header records, written out whole: continuation lines at
// exactly one item past a full line, blank and wide counts, times and
// intervals at their rounding edges.  Expected lines were made from the
// records' Fortran formats with Python's % operator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rinex3/rinex3.h"

namespace zer2ivi::rinex3 {
namespace {

using Lines = std::vector<std::string>;

TEST(HeaderRecords, ObsTypesWithContinuation) {
    const std::vector<std::string> fourteen = {"C1C", "L1C", "D1C", "S1C", "C1W", "C2W", "L2W",
                                               "D2W", "S2W", "C2L", "L2L", "C5X", "L5X", "D5X"};
    const std::vector<std::string> thirteen(fourteen.begin(), fourteen.end() - 1);
    struct Case {
        std::vector<std::string> codes;
        Lines expected;
    };
    const Case cases[] = {
        {{"C1C", "L1C", "D1C", "C2W", "L2W"},
         {"G    5 C1C L1C D1C C2W L2W                                  SYS / # / OBS TYPES"}},
        {thirteen,
         {"G   13 C1C L1C D1C S1C C1W C2W L2W D2W S2W C2L L2L C5X L5X  SYS / # / OBS TYPES"}},
        {fourteen,
         {"G   14 C1C L1C D1C S1C C1W C2W L2W D2W S2W C2L L2L C5X L5X  SYS / # / OBS TYPES",
          "       D5X                                                  SYS / # / OBS TYPES"}},
        {{},
         {"G    0                                                      SYS / # / OBS TYPES"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Obs_Types_Lines('G', c.codes), c.expected);
}

TEST(HeaderRecords, PhaseShift) {
    std::vector<std::string> eleven;
    for (int prn = 1; prn <= 11; ++prn) eleven.push_back((prn < 10 ? "G0" : "G") + std::to_string(prn));
    const std::vector<std::string> ten(eleven.begin(), eleven.end() - 1);
    struct Case {
        const char* code;
        std::optional<double> cycles;
        std::vector<std::string> satellites;
        Lines expected;
    };
    const Case cases[] = {
        {"L1C", std::nullopt, {},
         {"G L1C                                                       SYS / PHASE SHIFT"}},
        {"L2X", -0.25, {},
         {"G L2X -0.25000                                              SYS / PHASE SHIFT"}},
        {"L2X", -0.0, {},
         {"G L2X  0.00000                                              SYS / PHASE SHIFT"}},
        {"L2X", -0.25, ten,
         {"G L2X -0.25000  10 G01 G02 G03 G04 G05 G06 G07 G08 G09 G10  SYS / PHASE SHIFT"}},
        {"L2X", -0.25, eleven,
         {"G L2X -0.25000  11 G01 G02 G03 G04 G05 G06 G07 G08 G09 G10  SYS / PHASE SHIFT",
          "                   G11                                      SYS / PHASE SHIFT"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Phase_Shift_Lines('G', c.code, c.cycles, c.satellites), c.expected) << c.code;
}

TEST(HeaderRecords, TimesOfFirstAndLastObs) {
    struct TimeCase {
        bool first;
        RecordTime time;
        std::string expected;
    };
    const TimeCase times[] = {
        {true, {2012, 6, 8, 10, 0, 0},
         "  2012     6     8    10     0    0.0000000     GPS         TIME OF FIRST OBS"},
        {false, {2005, 4, 2, 23, 59, 599'999'999},
         "  2005     4     2    23    59   59.9999999     GPS         TIME OF LAST OBS"},
        {true, {2005, 4, 2, 0, 0, 10'000},
         "  2005     4     2     0     0    0.0010000     GPS         TIME OF FIRST OBS"},
        {true, {2016, 12, 31, 23, 59, 600'000'000},  // a leap second
         "  2016    12    31    23    59   60.0000000     GPS         TIME OF FIRST OBS"},
    };
    for (const TimeCase& c : times)
        EXPECT_EQ(Time_Of_Obs_Line(c.first, c.time, "GPS"), c.expected);
}

}  // namespace
}  // namespace zer2ivi::rinex3
