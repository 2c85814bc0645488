// RINEX observation output: the pre-scan that gathers the header facts of a
// binary observation file, the observation header and the epoch blocks.
// The line helpers they build with are in rinex_text/rinex_text.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "rinex_text/rinex_text.h"
#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// ---- Header facts ---------------------------------------------------------

// Every antenna type yields the empty text.
void Antenna_Type_Name(char* destination, int32_t antennaType);

// ---- Pre-scan -------------------------------------------------------------

inline constexpr int SATELLITE_SLOTS = 65;  // numbers 0..64

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
    int32_t satelliteSystem;  // 0 none, 1 GPS, 2 GLONASS, 3 both
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

// The order in which observation types are listed in the header and written
// in every observation line; it is not the order of their mask bits.
inline constexpr int kObsTypeCount = 5;
inline constexpr uint32_t kObsTypeOrder[kObsTypeCount] = {OBS_C1, OBS_L1, OBS_L2, OBS_P2,
                                                          OBS_D1};

// The types set in obsTypes, in that order, into selected; returns how many.
int Selected_Obs_Types(uint32_t obsTypes, uint32_t (&selected)[kObsTypeCount]);

void Receiver_Type_Name(char* destination, int32_t receiverType);

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
