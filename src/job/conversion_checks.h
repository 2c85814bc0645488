// The checks convert makes on what a conversion produced before it trusts
// it: whether an ephemeris can be a GPS broadcast ephemeris, whether the
// epochs are dated near the log's creation, whether the ephemerides belong
// to the epochs' time, and the week a log without ephemerides is dated by.
// Times are seconds on the GPS time scale since 1980-01-06 00:00.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "rinex/nav_reader.h"
#include "zebfile/zebfile.h"

namespace zer2ivi::job {

inline constexpr int64_t kMinPrn = 1, kMaxPrn = 32;
inline constexpr double kMinSqrtA = 5000.0, kMaxSqrtA = 5300.0;  // m^1/2
inline constexpr double kMinEccentricity = 0.0, kMaxEccentricity = 0.1;
inline constexpr double kMinToe = 0.0, kMaxToe = 604800.0;       // s
inline constexpr double kSecondsPerWeek = 604800.0;
inline constexpr double kSecondsPerDay = 86400.0;
// How far the first epoch may lie from the log's creation time.
inline constexpr double kMaxCreationDistance = 2 * kSecondsPerDay;
// How far outside the epochs' span an ephemeris may lie and still count.
inline constexpr double kMaxEphemerisDistance = 6 * 3600.0;
// Ephemerides the library needs to take a week from the file.
inline constexpr int64_t kEphemeridesForWeek = 4;

// Calls visit for every record of a navigation file the library wrote, read
// tolerantly: its number (1 for the file's first), its fields and what of
// them could not be read.  The reason when the file cannot be read or ends
// inside a record.
using WrittenRecordVisitor =
    std::function<void(int64_t index, const rinex::GpsEphemeris&, const rinex::RecordDamage&)>;
std::optional<std::string> Read_Written_Nav(const std::string& path,
                                            const WrittenRecordVisitor& visit);

// Why a record cannot be a GPS broadcast ephemeris, e.g. "PRN 3215 is
// outside 1-32", or its orbit line 2 holds no number where sqrtA stands;
// nothing when it can.
std::optional<std::string> Record_Problem(const rinex::GpsEphemeris& record,
                                          const rinex::RecordDamage& damage);

// The time of an ephemeris: its week and toe.
double Ephemeris_Time(const rinex::GpsEphemeris& record);

// The creation time in the log's header, taken as if it were GPS time
// (it is local time: the checks allow for that).
double Creation_Seconds(const ZebHeader& header);

// Distance of t from the interval [first, last]; 0 inside it.
double Distance_Outside(double t, double first, double last);

// The GPS week that puts an epoch at timeOfWeek closest to the time near.
int32_t Week_Closest_To(double near, double timeOfWeek);

// "2004-06-10 00:59:30" (seconds rounded down).
std::string Gps_Time_Text(double seconds);

}  // namespace zer2ivi::job
