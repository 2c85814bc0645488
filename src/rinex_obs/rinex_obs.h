// RINEX observation output: the fixed-width line helpers shared by every
// RINEX writer of the library, the pre-scan that gathers the header facts of
// a binary observation file, the observation header and the epoch blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// ---- Line helpers ---------------------------------------------------------

// Every line is built in a buffer of this size (80 columns at most, except
// an epoch line whose clock value does not fit its 12 columns).
inline constexpr int kLineBufferSize = 128;
inline constexpr int kHeaderContentWidth = 60;

// Copies source into destination cut or blank-padded to exactly width
// characters, then a NUL (destination holds width + 1).
void Pad_Field(char* destination, const char* source, int32_t width);

// "G%2d" for numbers up to 32, "R%2d" above (destination: 8 characters).
void Satellite_Label(char* destination, int32_t satelliteNumber);

// The creation-date text "%2d-%s-%2d %2d:%02d" (day, month name, year % 100,
// hour, minute) of the current UTC time, 15 characters (destination: 20).
void Rinex_Date_Text(char* destination);
// The same for a given UTC time (tests pass a fixed one).
void Rinex_Date_Text_At(char* destination, const std::tm& utc);
// The clock the header writers use; tests may fix it.  nullptr restores the
// system clock.
using UtcClock = std::tm (*)();
void Set_Utc_Clock(UtcClock clock);

// Every antenna type yields the empty text.
void Antenna_Type_Name(char* destination, int32_t antennaType);

// A line built column by column in a fixed buffer.  field() appends a text
// cut or padded to its width; text() appends as it stands; label() appends
// the header label after the 60 content columns.  Nothing is ever written
// past the buffer: what does not fit is cut.
class LineBuilder {
public:
    LineBuilder() { buffer_[0] = '\0'; }
    LineBuilder& field(const char* text, int width);
    LineBuilder& text(const char* text);
    LineBuilder& text(const char* text, size_t length);
    LineBuilder& fixed(double value, int width, int precision);
    LineBuilder& integer(int32_t value, int width);
    // Brings the line so far to exactly width characters.
    LineBuilder& pad_to(int width);
    LineBuilder& label(const char* label) { return text(label); }
    const char* c_str() const { return buffer_; }
    size_t length() const { return length_; }
    // Writes the line and a line end with one call; false when it failed.
    bool write_to(std::FILE* stream);

private:
    char buffer_[kLineBufferSize + 2];  // room for the line end and NUL
    size_t length_ = 0;
};

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
