// Reads back the navigation file the library wrote: for each eight-line
// record the few values the tool checks (PRN, eccentricity, sqrtA, toe and
// the GPS week of the fifth orbit line).  Streams: one record at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zer2ivi::cli {

struct NavRecordFacts {
    int64_t index = 0;  // 1 for the file's first record
    int64_t prn = 0;
    double eccentricity = 0.0;
    double sqrtA = 0.0;
    double toe = 0.0;
    double week = 0.0;
    // Set when the record's lines do not hold these values where the
    // library puts them (as it happens when it formats values far out of
    // range): such a record cannot be a broadcast ephemeris.
    std::string layoutProblem;
};

// A RINEX 2 number field such as "  .116000000000D+04"; nothing when the
// text is not one.
std::optional<double> Parse_Rinex_Number(std::string_view field);

// Calls visit for every record of the navigation file at path.  The reason
// when the file cannot be read, has no header end or ends inside a record.
std::optional<std::string> Read_Nav_Records(
    const std::string& path, const std::function<void(const NavRecordFacts&)>& visit);

}  // namespace zer2ivi::cli
