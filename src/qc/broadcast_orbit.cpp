#include "qc/broadcast_orbit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "qc/gps_clock.h"

namespace zer2ivi::qc {
namespace {

constexpr int kKeplerIterations = 30;
constexpr double kKeplerLastStep = 1e-8;
constexpr int kTransmitTimeIterations = 2;
constexpr double kDegrees = 180.0 / std::numbers::pi;

double Distance(const Vector3& a, const Vector3& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

}  // namespace

double Ephemeris_Time(const rinex::GpsEphemeris& ephemeris) {
    return Gps_Seconds(static_cast<int64_t>(std::llround(ephemeris.week)), ephemeris.toe);
}

Vector3 Satellite_Position(const rinex::GpsEphemeris& e, double t) {
    const double a = e.sqrtA * e.sqrtA;
    const double n = std::sqrt(kEarthGravity / (a * a * a)) + e.deltaN;
    const double tk = t - Ephemeris_Time(e);
    const double meanAnomaly = e.m0 + n * tk;
    // Kepler's equation M = E - e sin E by Newton's method from
    // E = M + e sin M.  Newton's error squares with each step: once a step
    // is below 1e-8 rad what remains is below e * 1e-16, under the
    // resolution of E, and the last step is carried into sin E and cos E
    // to first order (the second order is below 1e-16 too).
    double eccentricAnomaly = meanAnomaly + e.eccentricity * std::sin(meanAnomaly);
    double sinE = 0, cosE = 1;
    for (int i = 0; i < kKeplerIterations; ++i) {
        sinE = std::sin(eccentricAnomaly);
        cosE = std::cos(eccentricAnomaly);
        const double step = (eccentricAnomaly - e.eccentricity * sinE - meanAnomaly) /
                            (1.0 - e.eccentricity * cosE);
        eccentricAnomaly -= step;
        const double sinBefore = sinE;
        sinE -= cosE * step;
        cosE += sinBefore * step;
        if (std::fabs(step) < kKeplerLastStep) break;
    }
    const double trueAnomaly =
        std::atan2(std::sqrt(1.0 - e.eccentricity * e.eccentricity) * sinE, cosE - e.eccentricity);
    const double latitudeArgument = trueAnomaly + e.omega;
    const double sin2 = std::sin(2.0 * latitudeArgument);
    const double cos2 = std::cos(2.0 * latitudeArgument);
    const double u = latitudeArgument + e.cus * sin2 + e.cuc * cos2;
    const double r = a * (1.0 - e.eccentricity * cosE) + e.crs * sin2 + e.crc * cos2;
    const double inclination = e.i0 + e.cis * sin2 + e.cic * cos2 + e.idot * tk;
    const double xOrbit = r * std::cos(u);
    const double yOrbit = r * std::sin(u);
    const double node = e.omega0 + (e.omegaDot - kEarthRotation) * tk - kEarthRotation * e.toe;
    const double cosNode = std::cos(node);
    const double sinNode = std::sin(node);
    const double cosI = std::cos(inclination);
    return {xOrbit * cosNode - yOrbit * cosI * sinNode, xOrbit * sinNode + yOrbit * cosI * cosNode,
            yOrbit * std::sin(inclination)};
}

Geodetic To_Geodetic(const Vector3& p) {
    const double e2 = kWgs84Flattening * (2.0 - kWgs84Flattening);
    const double horizontal = std::hypot(p.x, p.y);
    double latitude = std::atan2(p.z, horizontal * (1.0 - e2));
    for (int i = 0; i < 10; ++i) {
        const double sinLat = std::sin(latitude);
        const double radius = kWgs84SemiMajorAxis / std::sqrt(1.0 - e2 * sinLat * sinLat);
        latitude = std::atan2(p.z + e2 * radius * sinLat, horizontal);
    }
    const double sinLat = std::sin(latitude);
    const double height = horizontal * std::cos(latitude) + p.z * sinLat -
                          kWgs84SemiMajorAxis * std::sqrt(1.0 - e2 * sinLat * sinLat);
    return {latitude, std::atan2(p.y, p.x), height};
}

Site::Site(const Vector3& ecef) : position(ecef) {
    const Geodetic geodetic = To_Geodetic(ecef);
    sinLatitude = std::sin(geodetic.latitude);
    cosLatitude = std::cos(geodetic.latitude);
    sinLongitude = std::sin(geodetic.longitude);
    cosLongitude = std::cos(geodetic.longitude);
}

LookAngles Look_At(const rinex::GpsEphemeris& ephemeris, double t, const Site& site) {
    const Vector3& receiver = site.position;
    // Two iterations from a travel time of 0: the position at t gives the
    // first travel time, the position at t minus that one the second, which
    // differs from the first by some 0.2 microseconds (under a millimetre
    // of the satellite's path).
    double travel = 0;  // seconds
    Vector3 satellite;
    for (int i = 0; i < kTransmitTimeIterations; ++i) {
        satellite = Satellite_Position(ephemeris, t - travel);
        travel = Distance(satellite, receiver) / kSpeedOfLight;
    }
    const double angle = kEarthRotation * travel;
    const Vector3 turned{satellite.x * std::cos(angle) + satellite.y * std::sin(angle),
                         -satellite.x * std::sin(angle) + satellite.y * std::cos(angle), satellite.z};
    const double dx = turned.x - receiver.x, dy = turned.y - receiver.y, dz = turned.z - receiver.z;
    const double sinLat = site.sinLatitude, cosLat = site.cosLatitude;
    const double sinLon = site.sinLongitude, cosLon = site.cosLongitude;
    const double east = -sinLon * dx + cosLon * dy;
    const double north = -sinLat * cosLon * dx - sinLat * sinLon * dy + cosLat * dz;
    const double up = cosLat * cosLon * dx + cosLat * sinLon * dy + sinLat * dz;
    double azimuth = std::atan2(east, north) * kDegrees;
    if (azimuth < 0) azimuth += 360.0;
    return {std::atan2(up, std::hypot(east, north)) * kDegrees, azimuth,
            std::sqrt(dx * dx + dy * dy + dz * dz)};
}

// ---- store ------------------------------------------------------------------

void EphemerisStore::Add(const rinex::GpsEphemeris& ephemeris) {
    if (ephemeris.prn < 1 || ephemeris.prn > kMaxPrn) return;
    std::vector<Entry>& entries = byPrn_[static_cast<size_t>(ephemeris.prn)];
    const double time = Ephemeris_Time(ephemeris);
    const auto place = std::upper_bound(entries.begin(), entries.end(), time,
                                        [](double t, const Entry& e) { return t < e.time; });
    entries.insert(place, Entry{time, ephemeris});
}

bool EphemerisStore::Load(const std::string& path, std::string& error) {
    rinex::NavReader reader;
    if (!reader.Open(path, error)) return false;
    rinex::GpsEphemeris ephemeris;
    while (true) {
        switch (reader.Next(ephemeris, error)) {
            case rinex::NavReader::Result::Record: Add(ephemeris); break;
            case rinex::NavReader::Result::End: return true;
            case rinex::NavReader::Result::Error: return false;
        }
    }
}

const rinex::GpsEphemeris* EphemerisStore::Nearest(int prn, double t) const {
    if (prn < 1 || prn > kMaxPrn) return nullptr;
    const std::vector<Entry>& entries = byPrn_[static_cast<size_t>(prn)];
    if (entries.empty()) return nullptr;
    auto after = std::lower_bound(entries.begin(), entries.end(), t,
                                  [](const Entry& e, double value) { return e.time < value; });
    const Entry* best = nullptr;
    if (after != entries.end()) best = &*after;
    if (after != entries.begin()) {
        const Entry& before = *(after - 1);
        // On a tie the earlier one: it was broadcast first.
        if (best == nullptr || t - before.time <= best->time - t) best = &before;
    }
    if (std::fabs(best->time - t) > kEphemerisReach) return nullptr;
    return &best->ephemeris;
}

size_t EphemerisStore::Size() const {
    size_t total = 0;
    for (const auto& entries : byPrn_) total += entries.size();
    return total;
}

// ---- directions -------------------------------------------------------------

BroadcastDirections::BroadcastDirections(const EphemerisStore& store, const Vector3& receiver)
    : store_(store),
      site_(receiver),
      knowsElevations_(receiver.x != 0 || receiver.y != 0 || receiver.z != 0) {}

bool BroadcastDirections::Direction(int prn, double time, double& elevationDegrees,
                                    double& azimuthDegrees) {
    const rinex::GpsEphemeris* ephemeris = store_.Nearest(prn, time);
    if (ephemeris == nullptr) return false;
    if (!knowsElevations_) return true;
    const LookAngles look = Look_At(*ephemeris, time, site_);
    // A broken ephemeris (sqrtA 0, eccentricity 1) gives no direction.
    if (!std::isfinite(look.elevation) || !std::isfinite(look.azimuth)) return false;
    elevationDegrees = look.elevation;
    azimuthDegrees = look.azimuth;
    return true;
}

}  // namespace zer2ivi::qc
