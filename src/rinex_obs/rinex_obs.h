// RINEX observation output: the pre-scan that gathers the header facts of a
// binary observation file, the observation header and the epoch blocks.
// The line helpers they build with are in rinex_text/rinex_text.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "rinex_text/rinex_text.h"
#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// ---- Header facts ---------------------------------------------------------

// Every antenna type yields the empty text.
void Antenna_Type_Name(char* destination, int32_t antennaType);

// ---- Pre-scan -------------------------------------------------------------

inline constexpr int SATELLITE_SLOTS = 65;  // numbers 0..64

// The satellite systems seen in a file, as bits: GPS for numbers up to
// kLastGpsSatellite, GLONASS above; both make a mixed file.
enum SatelliteSystem : int32_t {
    SYSTEM_NONE = 0,
    SYSTEM_GPS = 1,
    SYSTEM_GLONASS = 2,
    SYSTEM_MIXED = SYSTEM_GPS | SYSTEM_GLONASS,
};

struct SatelliteObsCount {
    int32_t seen;
    int32_t c1Count;
    int32_t l1Count;
    int32_t l2Count;
    int32_t p2Count;
    int32_t d1Count;
};

// The header facts of a whole binary observation file.
struct ObsSummary {
    int32_t receiverType;
    int32_t antennaType;
    int32_t satelliteSystem;  // SatelliteSystem bits of the satellites seen
    double approxX;
    double approxY;
    double approxZ;
    uint32_t obsTypesFound;
    double interval;
    int32_t firstDay;
    int32_t firstMonth;
    int32_t firstYear;
    int32_t firstHour;
    int32_t firstMinute;
    int32_t firstWeek;
    double firstSecond;
    double firstTimeOfWeek;
    int32_t lastDay;
    int32_t lastMonth;
    int32_t lastYear;
    int32_t lastHour;
    int32_t lastMinute;
    int32_t lastWeek;
    double lastSecond;
    double lastTimeOfWeek;
    int32_t satelliteCount;
    SatelliteObsCount satellites[SATELLITE_SLOTS];
};

// An epoch whose time of week is not at or after the one before starts a
// new GPS week (also when either time is not a number).
inline bool Week_Rolled_Over(double previousTimeOfWeek, double timeOfWeek) {
    return !(timeOfWeek >= previousTimeOfWeek);
}

// Reads every epoch once into the zero-filled summary and rewinds.
// 0 at the end of the file, 1 when a record could not be read.
int32_t Prescan_Observations(ZebFile* file, ObsSummary& summary);

void Geodetic_To_Ecef(double latitudeDeg, double longitudeDeg, double height, double& x,
                      double& y, double& z);

// ---- Header and epochs ----------------------------------------------------

// The five observation types, declared once: each type's mask bit, its
// header label (six columns of the types line), where a measurement record
// keeps its value, where the pre-scan counts it, and whether RINEX gives it
// the sign opposite to the stored one (the carrier phases).  Listed in the
// order the header names them and every observation line writes them,
// which is not the order of their mask bits.
struct ObsType {
    uint32_t bit;
    const char* label;
    size_t recordOffset;  // of the value's double in MeasurementRecord
    int32_t SatelliteObsCount::*count;
    bool opposite;
};

inline constexpr int kObsTypeCount = 5;
inline constexpr ObsType kObsTypes[kObsTypeCount] = {
    {OBS_C1, "    C1", offsetof(MeasurementRecord, c1), &SatelliteObsCount::c1Count, false},
    {OBS_L1, "    L1", offsetof(MeasurementRecord, l1), &SatelliteObsCount::l1Count, true},
    {OBS_L2, "    L2", offsetof(MeasurementRecord, l2), &SatelliteObsCount::l2Count, true},
    {OBS_P2, "    P2", offsetof(MeasurementRecord, p2), &SatelliteObsCount::p2Count, false},
    {OBS_D1, "    D1", offsetof(MeasurementRecord, d1), &SatelliteObsCount::d1Count, false},
};

// The value of a type as the record stores it (the record is packed: the
// double is copied out, never read in place).
inline double Stored_Value(const MeasurementRecord& record, const ObsType& type) {
    double value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + type.recordOffset,
                sizeof value);
    return value;
}

// The value with the sign RINEX gives it.
inline double Rinex_Value(const MeasurementRecord& record, const ObsType& type) {
    const double value = Stored_Value(record, type);
    return type.opposite ? -value : value;
}

// The types set in obsTypes, in the table's order, into selected; returns
// how many.
int Selected_Obs_Types(uint32_t obsTypes, const ObsType* (&selected)[kObsTypeCount]);

void Receiver_Type_Name(char* destination, int32_t receiverType);

// The header's letter for the SatelliteSystem bits: G, R, or M (also for
// none).
const char* System_Letter(int32_t satelliteSystem);

// 0 when every header line was written, 1 as soon as a write failed.
int32_t Write_Obs_Header(std::FILE* stream, const ObsSettings& settings,
                         const ObsSummary& summary, uint32_t obsTypes);

// 0 when the whole epoch block was written, 1 as soon as a write failed.
int32_t Write_Obs_Epoch(std::FILE* stream, const PositionRecord& current,
                        const MeasurementRecord* currentMeasurements,
                        const PositionRecord& previous,
                        const MeasurementRecord* previousMeasurements, uint32_t obsTypes,
                        int32_t gpsWeek);

}  // namespace zer2ivi
