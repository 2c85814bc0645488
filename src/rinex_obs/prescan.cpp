// The pre-scan: one pass over every epoch of a binary observation file that
// gathers what the RINEX observation header states about the whole file,
// then a rewind so the conversion can read the epochs again.
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/library_state.h"
#include "gpstime/gpstime.h"
#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {
namespace {

// WGS-84 ellipsoid, with the semi-minor axis to exactly these digits.
constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kSemiMinorAxis = 6356752.314;
constexpr double kPi = 3.141592653589793;
constexpr double kDegreesPerHalfTurn = 180.0;


void Count_Up(int32_t& counter) {
    if (counter < std::numeric_limits<int32_t>::max()) ++counter;
}

bool Is_Non_Zero(double value) { return value != 0.0; }

// Counts the non-zero values of one record against its satellite.
void Count_Measurement(const MeasurementRecord& record, ObsSummary& summary) {
    SatelliteObsCount& entry = summary.satellites[record.prn];
    entry.seen = 1;
    for (const ObsType& type : kObsTypes) {
        if (!Is_Non_Zero(Stored_Value(record, type))) continue;
        Count_Up(entry.*type.count);
        summary.obsTypesFound |= type.bit;
    }
}

void Position_Of(const PositionRecord& position, double& x, double& y, double& z) {
    Geodetic_To_Ecef(position.latitude, position.longitude, static_cast<double>(position.height),
                     x, y, z);
}

bool Position_Settled(const PositionRecord& position) {
    return (position.positionFlags & kPositionSettledFlag) != 0;
}

}  // namespace

void Geodetic_To_Ecef(double latitudeDeg, double longitudeDeg, double height, double& x,
                      double& y, double& z) {
    const double a = kSemiMajorAxis;
    const double b = kSemiMinorAxis;
    const double eccentricity = std::sqrt((a * a - b * b) / (a * a));
    const double latitude = latitudeDeg * kPi / kDegreesPerHalfTurn;
    const double longitude = longitudeDeg * kPi / kDegreesPerHalfTurn;
    const double sinLatitude = std::sin(latitude);
    const double primeVertical =
        a / std::sqrt(1.0 - (eccentricity * sinLatitude) * (eccentricity * sinLatitude));
    x = (primeVertical + height) * std::cos(latitude) * std::cos(longitude);
    y = (primeVertical + height) * std::cos(latitude) * std::sin(longitude);
    z = (primeVertical * (1.0 - eccentricity * eccentricity) + height) * sinLatitude;
}

int32_t Prescan_Observations(ZebFile* file, ObsSummary& summary) {
    int32_t epochCount = 0;
    int32_t weekRollovers = 0;
    double previousTimeOfWeek = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
    double sumZ = 0.0;
    bool positionSettled = false;

    PositionRecord position{};
    MeasurementRecord measurements[EPOCH_CAPACITY]{};

    // A stream that cannot be put back at its first epoch cannot be scanned.
    if (Zeb_Rewind(file) != 0) return 1;
    for (;;) {
        const int status = Zeb_Read_Epoch(file, position, measurements);
        if (status == -1) break;
        if (status != 0) {
            Zeb_Rewind(file);
            return 1;
        }
        Count_Up(epochCount);

        if (epochCount == 1) {
            summary.firstTimeOfWeek = position.timeOfWeek;
            summary.firstWeek = library.baseWeek;
            if (Position_Settled(position)) {
                Position_Of(position, summary.approxX, summary.approxY, summary.approxZ);
                positionSettled = true;
            }
        }
        if (epochCount == 3) {
            summary.interval = position.timeOfWeek - previousTimeOfWeek;
            if (summary.interval < 0.0) summary.interval += kSecondsPerWeek;
        }
        if (!positionSettled) {
            if (Position_Settled(position)) {
                // The mean of the epochs before this one; its own position
                // is not used.
                const double added = static_cast<double>(epochCount - 1);
                summary.approxX = sumX / added;
                summary.approxY = sumY / added;
                summary.approxZ = sumZ / added;
                positionSettled = true;
            } else {
                double x = 0.0;
                double y = 0.0;
                double z = 0.0;
                Position_Of(position, x, y, z);
                sumX += x;
                sumY += y;
                sumZ += z;
            }
        }

        const int count = Stored_Measurement_Count(position);
        for (int i = 0; i < count; ++i) {
            // A satellite number above the last slot has no RINEX label:
            // the file is refused like one with a bad record.
            if (measurements[i].prn >= SATELLITE_SLOTS) {
                Zeb_Rewind(file);
                return 1;
            }
            Count_Measurement(measurements[i], summary);
        }

        if (Week_Rolled_Over(previousTimeOfWeek, position.timeOfWeek)) Count_Up(weekRollovers);
        previousTimeOfWeek = position.timeOfWeek;
    }

    summary.lastTimeOfWeek = previousTimeOfWeek;
    summary.lastWeek = Add_Weeks(library.baseWeek, weekRollovers);
    summary.receiverType = file->header.receiverType;
    summary.antennaType = 0;

    bool gpsSeen = false;
    bool glonassSeen = false;
    for (int number = 0; number < SATELLITE_SLOTS; ++number) {
        if (summary.satellites[number].seen != 1) continue;
        Count_Up(summary.satelliteCount);
        if (number <= kLastGpsSatellite) {
            gpsSeen = true;
        } else {
            glonassSeen = true;
        }
    }
    summary.satelliteSystem = (gpsSeen ? SYSTEM_GPS : SYSTEM_NONE) | (glonassSeen ? SYSTEM_GLONASS : SYSTEM_NONE);

    Gps_To_Calendar(summary.firstWeek, summary.firstTimeOfWeek, summary.firstHour,
                    summary.firstMinute, summary.firstSecond, summary.firstMonth, summary.firstDay,
                    summary.firstYear);
    Gps_To_Calendar(summary.lastWeek, summary.lastTimeOfWeek, summary.lastHour,
                    summary.lastMinute, summary.lastSecond, summary.lastMonth, summary.lastDay,
                    summary.lastYear);

    if (!positionSettled) {
        // Without any epoch there is nothing to average: 0, 0, 0.
        const double added = static_cast<double>(epochCount);
        summary.approxX = epochCount > 0 ? sumX / added : 0.0;
        summary.approxY = epochCount > 0 ? sumY / added : 0.0;
        summary.approxZ = epochCount > 0 ? sumZ / added : 0.0;
    }

    // The conversion reads the epochs again from the first one.
    return Zeb_Rewind(file) == 0 ? 0 : 1;
}

}  // namespace zer2ivi
