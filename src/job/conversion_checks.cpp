#include "job/conversion_checks.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "rinex/gps_ticks.h"
#include "rinex/nav_reader.h"

namespace zer2ivi::job {
namespace {

std::string Number_Text(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

// The fields the checks read, all on orbit lines; read in this order.
constexpr std::array<double rinex::GpsEphemeris::*, 4> kCheckedFields = {
    &rinex::GpsEphemeris::eccentricity, &rinex::GpsEphemeris::sqrtA,
    &rinex::GpsEphemeris::toe, &rinex::GpsEphemeris::week};

size_t Field_Index(double rinex::GpsEphemeris::*member) {
    size_t index = 0;
    while (rinex::kNavNumberFields[index] != member) ++index;
    return index;
}

}  // namespace

std::optional<std::string> Read_Written_Nav(const std::string& path,
                                            const WrittenRecordVisitor& visit) {
    rinex::NavReader reader;
    std::string error;
    if (!reader.Open(path, error, rinex::NavReader::Mode::Tolerant)) return error;
    rinex::GpsEphemeris record;
    int64_t index = 0;
    while (true) {
        switch (reader.Next(record, error)) {
            case rinex::NavReader::Result::Record: visit(++index, record, reader.Damage()); break;
            case rinex::NavReader::Result::End: return std::nullopt;
            case rinex::NavReader::Result::Error: return error;
        }
    }
}

std::optional<std::string> Record_Problem(const rinex::GpsEphemeris& record,
                                          const rinex::RecordDamage& damage) {
    if (damage.epochLine) return "its first line holds no PRN and clock epoch";
    for (double rinex::GpsEphemeris::*checked : kCheckedFields) {
        const size_t index = Field_Index(checked);
        if (!damage.Number(index)) continue;
        // Line 0 is the first line; orbit lines hold four fields each.
        const size_t orbit = index - rinex::kClockNumberFields;
        return "its orbit line " + std::to_string(orbit / rinex::kOrbitNumberFields + 1) +
               " holds no number in field " + std::to_string(orbit % rinex::kOrbitNumberFields + 1);
    }
    if (record.prn < kMinPrn || record.prn > kMaxPrn)
        return "PRN " + std::to_string(record.prn) + " is outside 1-32";
    if (!(record.sqrtA >= kMinSqrtA && record.sqrtA <= kMaxSqrtA))
        return "sqrtA " + Number_Text(record.sqrtA) + " m^1/2 is outside 5000-5300";
    if (!(record.eccentricity >= kMinEccentricity && record.eccentricity <= kMaxEccentricity))
        return "eccentricity " + Number_Text(record.eccentricity) + " is outside 0-0.1";
    if (!(record.toe >= kMinToe && record.toe <= kMaxToe))
        return "toe " + Number_Text(record.toe) + " s is outside 0-604800";
    return std::nullopt;
}

double Ephemeris_Time(const rinex::GpsEphemeris& record) {
    return record.week * kSecondsPerWeek + record.toe;
}

double Creation_Seconds(const ZebHeader& header) {
    // The header counts months from 0 and years from 1900.
    const int64_t days = rinex::Days_From_Civil(header.createdYear + 1900,
                                                 header.createdMonth + 1, header.createdDay) -
                         rinex::kGpsEpochDays;
    return static_cast<double>(days) * kSecondsPerDay + header.createdHour * 3600.0 +
           header.createdMinute * 60.0 + header.createdSecond;
}

double Distance_Outside(double t, double first, double last) {
    if (t < first) return first - t;
    if (t > last) return t - last;
    return 0.0;
}

int32_t Week_Closest_To(double near, double timeOfWeek) {
    return static_cast<int32_t>(std::lround((near - timeOfWeek) / kSecondsPerWeek));
}

std::string Gps_Time_Text(double seconds) {
    const double whole = std::floor(seconds);
    const auto days = static_cast<int64_t>(std::floor(whole / kSecondsPerDay));
    const auto ofDay = static_cast<int64_t>(whole - static_cast<double>(days) * kSecondsPerDay);
    int64_t year = 0, month = 0, day = 0;
    rinex::Civil_From_Days(days + rinex::kGpsEpochDays, year, month, day);
    char text[160];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(ofDay / 3600),
                  static_cast<long long>(ofDay / 60 % 60), static_cast<long long>(ofDay % 60));
    return text;
}

}  // namespace zer2ivi::job
