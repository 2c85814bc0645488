// The records of an observation header that the toolkit parses or writes:
// which record a line is, and one function per record that writes it.
// Each writer keeps the form of the line it replaces (columns, decimals,
// letters), so that a product's header reads like its input's.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rinex/gps_ticks.h"
#include "rinex/obs_codes.h"

namespace zer2ivi::rinex {

enum class HeaderRecord : uint8_t {
    kVersionType,
    kPgmRunByDate,
    kComment,
    kMarkerName,
    kMarkerNumber,
    kObserverAgency,
    kReceiver,
    kAntenna,
    kApproxPosition,
    kAntennaDelta,
    kWavelength,
    kTypes,
    kSysObsTypes,
    kInterval,
    kFirstObs,
    kLastObs,
    kClockApplied,
    kLeapSeconds,
    kSatelliteCount,
    kPrnObsCount,
    kEndOfHeader,
    kCount
};
inline constexpr size_t kHeaderRecordCount = static_cast<size_t>(HeaderRecord::kCount);
using HeaderRecordSet = std::bitset<kHeaderRecordCount>;

// The record of a label (columns 61-80, trailing blanks removed).
std::optional<HeaderRecord> Record_Of_Label(std::string_view label);
std::string_view Label_Of(HeaderRecord record);

// Per satellite, the observations of each type (one count per type).
struct PrnCounts {
    char system;
    uint8_t prn;
    const uint32_t* counts;
    size_t typeCount;  // the types of the satellite's system
};

// Each writer gives complete lines with lineEnd.  `original` is the line
// replaced (without its line end), empty when the record is new.
// Month to minute are written with two digits ("    03", as RINEX 3
// writers do) when `zeroPadded` says so, else when the original shows it.
std::string Write_Time_Of_Obs(HeaderRecord record, std::string_view original, Ticks time,
                              std::string_view lineEnd, bool zeroPadded = false);
// Whether a TIME OF FIRST/LAST OBS line writes a field below 10 as "0d".
bool Time_Is_Zero_Padded(std::string_view line);
std::string Write_Interval(std::string_view original, Ticks interval, std::string_view lineEnd);
std::string Write_Satellite_Count(std::string_view original, size_t count,
                                  std::string_view lineEnd);
// "PRN / # OF OBS", one record per satellite with continuation lines:
// typeCount counts each (0: each satellite's own).
std::string Write_Prn_Obs(std::string_view original, const std::vector<PrnCounts>& satellites,
                          size_t typeCount, std::string_view lineEnd);
// One COMMENT line (the text must fit 60 columns).
std::string Write_Comment(std::string_view text, std::string_view lineEnd);

}  // namespace zer2ivi::rinex
