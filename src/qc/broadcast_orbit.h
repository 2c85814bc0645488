// Satellite positions from GPS broadcast ephemerides (the algorithm of
// IS-GPS-200) and the direction in which the receiver sees
// them: elevation and azimuth in the local east-north-up frame at the
// receiver's WGS 84 geodetic latitude and longitude.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "qc/qc_engine.h"
#include "rinex/nav_reader.h"

namespace zer2ivi::qc {

inline constexpr double kEarthGravity = 3.986005e14;        // mu, m^3/s^2
inline constexpr double kEarthRotation = 7.2921151467e-5;   // Omega_e, rad/s
inline constexpr double kWgs84SemiMajorAxis = 6378137.0;    // m
inline constexpr double kWgs84Flattening = 1.0 / 298.257223563;

struct Vector3 {
    double x = 0, y = 0, z = 0;
};

// The satellite's earth-centred, earth-fixed position at GPS time t
// (seconds since 1980-01-06), in the frame of that same instant.
Vector3 Satellite_Position(const rinex::GpsEphemeris& ephemeris, double t);

// The time (week, toe) of an ephemeris as GPS seconds.
double Ephemeris_Time(const rinex::GpsEphemeris& ephemeris);

struct Geodetic {
    double latitude;   // radians
    double longitude;  // radians
    double height;     // metres
};
Geodetic To_Geodetic(const Vector3& ecef);

struct LookAngles {
    double elevation;  // degrees
    double azimuth;    // degrees, 0..360 from north through east
    double range;      // metres
};

// A receiver position with its local frame worked out once.
struct Site {
    explicit Site(const Vector3& ecef);
    Vector3 position;
    double sinLatitude, cosLatitude, sinLongitude, cosLongitude;
};

// Where the satellite is seen at reception time t: its position at the
// transmit time t - rho/c (iterated twice), turned by Omega_e * rho/c for the
// Earth's rotation during the signal's travel, seen from the site.
LookAngles Look_At(const rinex::GpsEphemeris& ephemeris, double t, const Site& site);

// The ephemerides of a navigation file, per PRN in time order; the one of
// a PRN nearest to a time, if within 4 hours.
class EphemerisStore {
public:
    void Add(const rinex::GpsEphemeris& ephemeris);
    // Reads a whole RINEX 2 navigation file.  false with the message.
    bool Load(const std::string& path, std::string& error);
    const rinex::GpsEphemeris* Nearest(int prn, double t) const;
    size_t Size() const;

private:
    struct Entry {
        double time;
        rinex::GpsEphemeris ephemeris;
    };
    static constexpr int kMaxPrn = 99;
    std::array<std::vector<Entry>, kMaxPrn + 1> byPrn_;
};

// Directions for the engine from a store and a receiver position.
class BroadcastDirections : public SatelliteDirections {
public:
    BroadcastDirections(const EphemerisStore& store, const Vector3& receiver);
    bool Knows_Elevations() const override { return knowsElevations_; }
    bool Direction(int prn, double time, double& elevationDegrees, double& azimuthDegrees) override;

private:
    const EphemerisStore& store_;
    Site site_;
    bool knowsElevations_;
};

}  // namespace zer2ivi::qc
