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

TEST(HeaderRecords, PrnObsCounts) {
    struct Case {
        char system;
        int32_t prn;
        std::vector<int64_t> counts;
        Lines expected;
    };
    const Case cases[] = {
        {'G', 5, {120, 120, 0, 118, 118},
         {"   G05   120   120     0   118   118                        PRN / # OF OBS"}},
        {'R', 24, {1, -1, 999999},
         {"   R24     1      999999                                    PRN / # OF OBS"}},
        {'G', 32, {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008},
         {"   G32  1000  1001  1002  1003  1004  1005  1006  1007  1008PRN / # OF OBS"}},
        {'G', 32, {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009},
         {"   G32  1000  1001  1002  1003  1004  1005  1006  1007  1008PRN / # OF OBS",
          "        1009                                                PRN / # OF OBS"}},
        // Too wide for I6: written whole, never cut to other digits.
        {'E', 1, {1234567},
         {"   E011234567                                               PRN / # OF OBS"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Prn_Obs_Count_Lines(c.system, c.prn, c.counts), c.expected) << c.prn;
}

TEST(HeaderRecords, TimesIntervalAndSatelliteCount) {
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

    struct IntervalCase {
        int64_t ticks;
        std::string expected;
    };
    const IntervalCase intervals[] = {
        {300'000'000, "    30.000                                                  INTERVAL"},
        {299'996'000, "    30.000                                                  INTERVAL"},
        {299'995'000, "    30.000                                                  INTERVAL"},
        {299'994'999, "    29.999                                                  INTERVAL"},
        {1'000, "     0.000                                                  INTERVAL"},
        {5'000, "     0.001                                                  INTERVAL"},
        {864'000'000'000, " 86400.000                                                  INTERVAL"},
    };
    for (const IntervalCase& c : intervals) EXPECT_EQ(Interval_Line(c.ticks), c.expected) << c.ticks;

    EXPECT_EQ(Satellite_Count_Line(12),
              "    12                                                      # OF SATELLITES");
}

}  // namespace
}  // namespace zer2ivi::rinex3
