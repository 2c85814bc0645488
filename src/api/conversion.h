// The conversion API beneath the two exports: per-call options in, a typed
// error and a structured result out.  A call leaves the library's process
// state (message, week override, week counters) as it found it, prints
// nothing, and reports what the time code would have printed as a warning.
// Calls must not overlap (the library's state is borrowed for the call).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi::api {

enum class ErrorCode {
    None,
    InvalidRequest,     // a path or text does not fit its settings field
    CannotOpenOutput,   // an output file cannot be created
    CannotOpenInput,    // an input file cannot be opened or read
    NotALog,            // shorter than a log header, or its size word is not 202
    DamagedLog,         // a record the reader refuses (also a cut, unless kept)
    EmptyEphemeris,     // the ephemeris file holds nothing
    EphemerisRefused,   // the ephemeris readers refused the file
    WriteFailed,        // the output could not be written completely
};

struct Error {
    ErrorCode code = ErrorCode::None;
    // The library's message, as Get_Error_Str would give it.
    std::string message;
    std::string file;         // the file the error is about
    int64_t byteOffset = -1;  // where in it, when known
    explicit operator bool() const { return code != ErrorCode::None; }
};

struct HeaderTexts {
    std::string runBy, marker, observer, agency;
    double antennaHeight = 0.0;
};

struct ObservationRequest {
    std::string log;     // binary observation log
    std::string output;  // RINEX observation file
    uint32_t types = OBS_C1 | OBS_L1 | OBS_L2 | OBS_P2 | OBS_D1;
    HeaderTexts texts;
    // GPS week of the first epoch; without it the week of a navigation
    // conversion of the same call, else 0 (read as 1024).
    std::optional<int32_t> gpsWeek;
    // A log cut inside an epoch: convert the whole epochs before the cut
    // (with a warning) instead of failing.
    bool keepEpochsBeforeCut = false;
};

struct GpsTime {
    int32_t week = 0;  // as dated in the file (a week below 500 plus 1024)
    double secondsOfWeek = 0.0;
    // Seconds since 1980-01-06 00:00:00 on the GPS time scale.
    double gpsSeconds() const { return week * 604800.0 + secondsOfWeek; }
};

struct SatelliteCounts {
    int32_t number = 0;  // 1-32 GPS, 33-64 GLONASS slots of the log
    std::string label;   // as the RINEX file labels it ("G 4")
    // Non-zero values of each type over the whole log, in the order
    // C1, L1, L2, P2, D1.
    std::array<int32_t, 5> values{};
};

// How much of the log was converted.
struct LogExtent {
    uint64_t fileSize = 0;
    uint64_t bytesConverted = 0;  // header and whole epochs
    // The bytes from bytesConverted to fileSize were not converted, and why
    // (empty when every byte was).
    std::string notConvertedReason;
};

struct ObservationResult {
    Error error;
    int32_t epochsWritten = 0;
    GpsTime first, last;
    double interval = 0.0;        // as the header states it (0 when unknown)
    uint32_t typesInLog = 0;      // ObsTypeMask bits with any value in the log
    uint32_t typesWritten = 0;    // those of the request
    std::vector<SatelliteCounts> satellites;  // the satellites seen, by number
    LogExtent extent;
    ZebHeader logHeader{};        // the log's header as read (creation time...)
    // What the RINEX header states: receiver, satellite system letter,
    // approximate position.
    std::string receiverName;
    std::string systemLetter;
    std::array<double, 3> approxPosition{};
    std::vector<std::string> warnings;
    // The library's final message of a success, naming the output file.
    std::string message;
};

struct NavigationRequest {
    std::string ephemeris;  // tagged or plain form
    std::string output;     // RINEX navigation file
    std::string runBy;
};

struct NavigationResult {
    Error error;
    // The week of the file's fourth ephemeris, by which the epochs of a log
    // of the same day are dated; nothing when the file holds fewer.
    std::optional<int32_t> datingWeek;
    std::vector<std::string> warnings;
    std::string message;
};

// The navigation file alone, its records dated by their own weeks.
NavigationResult Convert_Navigation(const NavigationRequest& request);

// The observation file alone.
ObservationResult Convert_Observations(const ObservationRequest& request);

// Both, as one export call would make them, except that the GPS week of
// the observation request dates the observation epochs only: without it
// they are dated by the navigation file's dating week.
struct ConversionResult {
    NavigationResult navigation;
    ObservationResult observations;  // not run when the navigation failed
};
ConversionResult Convert(const NavigationRequest& navigation, ObservationRequest observations);

}  // namespace zer2ivi::api
