// Header labels of RINEX 2 observation files (columns 61-80), and the
// columns of the records the toolkit reads or writes.
#pragma once

#include <cstddef>
#include <string_view>

namespace zer2ivi::rinex {

inline constexpr std::string_view kLabelVersionType = "RINEX VERSION / TYPE";
inline constexpr std::string_view kLabelPgmRunByDate = "PGM / RUN BY / DATE";
inline constexpr std::string_view kLabelComment = "COMMENT";
inline constexpr std::string_view kLabelMarkerName = "MARKER NAME";
inline constexpr std::string_view kLabelMarkerNumber = "MARKER NUMBER";
inline constexpr std::string_view kLabelObserverAgency = "OBSERVER / AGENCY";
inline constexpr std::string_view kLabelReceiver = "REC # / TYPE / VERS";
inline constexpr std::string_view kLabelAntenna = "ANT # / TYPE";
inline constexpr std::string_view kLabelApproxPosition = "APPROX POSITION XYZ";
inline constexpr std::string_view kLabelAntennaDelta = "ANTENNA: DELTA H/E/N";
inline constexpr std::string_view kLabelWavelength = "WAVELENGTH FACT L1/2";
inline constexpr std::string_view kLabelTypes = "# / TYPES OF OBSERV";
inline constexpr std::string_view kLabelSysObsTypes = "SYS / # / OBS TYPES";  // RINEX 3 and 4
inline constexpr std::string_view kLabelInterval = "INTERVAL";
inline constexpr std::string_view kLabelFirstObs = "TIME OF FIRST OBS";
inline constexpr std::string_view kLabelLastObs = "TIME OF LAST OBS";
inline constexpr std::string_view kLabelClockApplied = "RCV CLOCK OFFS APPL";
inline constexpr std::string_view kLabelLeapSeconds = "LEAP SECONDS";
inline constexpr std::string_view kLabelSatelliteCount = "# OF SATELLITES";
inline constexpr std::string_view kLabelPrnObsCount = "PRN / # OF OBS";
inline constexpr std::string_view kLabelEndOfHeader = "END OF HEADER";

// The order in which RINEX 2.11 writers put the header records; a record
// added to a header goes where this order puts it.
inline constexpr std::string_view kUsualOrder[] = {
    kLabelVersionType, kLabelPgmRunByDate, kLabelComment,   kLabelMarkerName,
    kLabelMarkerNumber, kLabelObserverAgency, kLabelReceiver, kLabelAntenna,
    kLabelApproxPosition, kLabelAntennaDelta, kLabelWavelength, kLabelTypes,
    kLabelSysObsTypes, kLabelInterval, kLabelFirstObs, kLabelLastObs, kLabelClockApplied,
    kLabelLeapSeconds, kLabelSatelliteCount, kLabelPrnObsCount, kLabelEndOfHeader,
};

inline constexpr size_t kLabelColumn = 60;  // 0-based start of the label
inline constexpr size_t kLineColumns = 80;

// "# / TYPES OF OBSERV": I6 count, then 9 x (4X,A2) per line.
inline constexpr size_t kTypesPerHeaderLine = 9;
// "PRN / # OF OBS": 3X,A1,I2, then 9 x I6 per line.
inline constexpr size_t kCountsPerHeaderLine = 9;
// "SYS / # / OBS TYPES": A1,2X,I3, then 13 x (1X,A3) per line.
inline constexpr size_t kCodesPerHeaderLine = 13;
// RINEX 3 epoch record: '>', the date from column 3, flag in column 32,
// count in 33-35, receiver clock offset (F15.12) from column 42.
inline constexpr size_t kEpoch3FlagColumn = 31;    // 0-based
inline constexpr size_t kEpoch3ClockColumn = 41;   // 0-based
// RINEX 3 observation line: the satellite (A1,I2.2), then the fields.
inline constexpr size_t kSatelliteIdWidth = 3;
// Epoch line: 12 satellites (A1,I2) from column 33.
inline constexpr size_t kSatellitesPerEpochLine = 12;
inline constexpr size_t kEpochSatelliteColumn = 32;  // 0-based
inline constexpr size_t kEpochClockColumn = 68;      // 0-based, F12.9
// Observation field: F14.3, LLI I1, signal strength I1.
inline constexpr size_t kObsFieldWidth = 16;
inline constexpr size_t kObsValueWidth = 14;

}  // namespace zer2ivi::rinex
