// One RINEX 2 observation epoch block: the epoch line with up to twelve
// satellite labels and the receiver clock offset, a continuation line for
// the thirteenth satellite on, then one 80-column observation line per
// measurement record.  Every line is built in a fixed buffer and written in
// one piece; nothing is allocated.
#include "gpstime/gpstime.h"
#include "rinex_obs/rinex_obs.h"

namespace zer2ivi {
namespace {

constexpr double kSpeedOfLight = 299792458.0;  // metres per second

// Epoch text: year % 100, month, day, hour, minute in three columns each,
// the second in eleven with seven decimals, the epoch flag and the
// satellite count in three columns each: 32 columns in all.
constexpr int kEpochFieldWidth = 3;
constexpr int kSecondWidth = 11;
constexpr int kSecondPrecision = 7;
constexpr int kEpochTextWidth = 32;
constexpr int32_t kEpochFlagOk = 0;
constexpr int kLabelsPerLine = 12;
constexpr int kSatelliteListEnd = 68;
constexpr int kClockWidth = 12;
constexpr int kClockPrecision = 9;
constexpr int kLabelSize = 8;

// Observation line: per type the value in fourteen columns with three
// decimals, the loss-of-lock digit and the signal-strength digit (always 0).
constexpr int kValueWidth = 14;
constexpr int kValuePrecision = 3;
constexpr const char* kLossOfLockDigits = "10";
constexpr const char* kLockKeptDigits = "00";
constexpr size_t kDigitsLength = 2;
constexpr int kObservationLineWidth = 80;

// Loss of lock unless the satellite was in the previous epoch and its lock
// counter has not dropped since (the first record of that satellite counts).
bool Lost_Lock(const MeasurementRecord& record, const MeasurementRecord* previous,
               int previousCount) {
    for (int i = 0; i < previousCount; ++i) {
        if (previous[i].prn == record.prn) return record.lockCount < previous[i].lockCount;
    }
    return true;
}

void Add_Labels(LineBuilder& line, const MeasurementRecord* records, int first, int end) {
    for (int i = first; i < end; ++i) {
        char label[kLabelSize];
        Satellite_Label(label, records[i].prn);
        line.text(label);
    }
}

}  // namespace

int32_t Write_Obs_Epoch(std::FILE* stream, const PositionRecord& current,
                        const MeasurementRecord* currentMeasurements,
                        const PositionRecord& previous,
                        const MeasurementRecord* previousMeasurements, uint32_t obsTypes,
                        int32_t gpsWeek) {
    int32_t hour = 0;
    int32_t minute = 0;
    double second = 0.0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t year = 0;
    Gps_To_Calendar(gpsWeek, current.timeOfWeek, hour, minute, second, month, day, year);

    const int count = Stored_Measurement_Count(current);
    const int previousCount = Stored_Measurement_Count(previous);

    {
        LineBuilder line;
        line.integer(year % 100, kEpochFieldWidth)
            .integer(month, kEpochFieldWidth)
            .integer(day, kEpochFieldWidth)
            .integer(hour, kEpochFieldWidth)
            .integer(minute, kEpochFieldWidth)
            .fixed(second, kSecondWidth, kSecondPrecision)
            .integer(kEpochFlagOk, kEpochFieldWidth)
            .integer(current.measurementCount, kEpochFieldWidth)
            .pad_to(kEpochTextWidth);
        Add_Labels(line, currentMeasurements, 0, count < kLabelsPerLine ? count : kLabelsPerLine);
        // A clock value wider than its twelve columns makes the line longer
        // than 80; the builder still keeps it inside its buffer.
        line.pad_to(kSatelliteListEnd)
            .fixed(current.clockOffset / kSpeedOfLight, kClockWidth, kClockPrecision);
        if (!line.write_to(stream)) return 1;
    }
    if (count > kLabelsPerLine) {
        LineBuilder line;
        line.pad_to(kEpochTextWidth);
        Add_Labels(line, currentMeasurements, kLabelsPerLine, count);
        if (!line.write_to(stream)) return 1;
    }

    const ObsType* selected[kObsTypeCount];
    const int selectedCount = Selected_Obs_Types(obsTypes, selected);

    for (int i = 0; i < count; ++i) {
        const MeasurementRecord& record = currentMeasurements[i];
        const char* digits = Lost_Lock(record, previousMeasurements, previousCount)
                                 ? kLossOfLockDigits
                                 : kLockKeptDigits;
        LineBuilder line;
        for (int t = 0; t < selectedCount; ++t) {
            line.fixed(Rinex_Value(record, *selected[t]), kValueWidth, kValuePrecision)
                .text(digits, kDigitsLength);
        }
        // A value wider than its fourteen columns pushes the rest out: the
        // line is still cut to exactly 80 columns.
        line.pad_to(kObservationLineWidth);
        if (!line.write_to(stream)) return 1;
    }
    return 0;
}

}  // namespace zer2ivi
