// The facts of an observation header that inspect and convert report, taken
// from the one observation model (rinex2/obs_reader.h, which parses the
// header), and the epoch count of the library's success message.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zer2ivi::cli {

struct EpochTime {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0.0;
};

struct GpsWeekSeconds {
    int64_t week = 0;
    double seconds = 0.0;
};

struct SatelliteCounts {
    std::string label;            // "G01": the RINEX label with its blank as '0'
    std::vector<int32_t> counts;  // one per observation type, in header order
};

struct ObsHeaderFacts {
    std::string satelliteSystem;  // "G", "R" or "M"
    std::string receiverName;
    std::string markerName;
    std::array<double, 3> approxPosition{};
    std::vector<std::string> types;       // RINEX order, as the header lists them
    std::optional<int32_t> intervalSeconds;  // no INTERVAL line: nothing
    EpochTime firstObs;
    EpochTime lastObs;
    int32_t satelliteCount = 0;
    std::vector<SatelliteCounts> satellites;
};

// The facts of a header (its text, or the file's) read by the observation
// model.  Returns the error text when a record the tool needs is missing or
// malformed ("NAME:LINE: what", or "no ... line").
std::optional<std::string> Parse_Obs_Header(std::string_view text, ObsHeaderFacts& facts);
std::optional<std::string> Read_Obs_Header(const std::string& path, ObsHeaderFacts& facts);

// The epoch count of "SUCCESS: Wrote %d epochs to RINEX file %s".
std::optional<int32_t> Success_Epoch_Count(std::string_view message);

// GPS week (since 1980-01-06, without 1024-week wraps) and seconds of week of
// a calendar time on the GPS time scale.
GpsWeekSeconds Calendar_To_Gps(const EpochTime& time);

}  // namespace zer2ivi::cli
