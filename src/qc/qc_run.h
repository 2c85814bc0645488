// The quality check of one RINEX 2 observation file: the file's epochs read
// one at a time and handed to the engine, with the header's choices (codes,
// interval, position) gathered for the report.
#pragma once

#include <optional>
#include <string>

#include "qc/broadcast_orbit.h"
#include "qc/qc_engine.h"

namespace zer2ivi::qc {

struct QcRunOptions {
    std::string observationPath;
    std::string inputName;                     // what the report calls the input
    const EphemerisStore* ephemerides = nullptr;  // none: no navigation file
    std::optional<Vector3> position;           // --position; else the header's
    double maskDegrees = kDefaultMaskDegrees;
};

// Where the receiver position came from.
enum class PositionSource { kNone, kOption, kHeader };

struct QcReport {
    std::string inputName;
    std::string markerName;
    std::string code1;  // "P1" or "C1"; empty when the file has neither
    std::string code2;  // "P2" or "C2"; empty when the file has neither
    bool intervalFromHeader = false;
    bool intervalKnown = false;
    bool navigation = false;
    bool elevationsKnown = false;
    PositionSource positionSource = PositionSource::kNone;
    Vector3 position;
    double maskDegrees = kDefaultMaskDegrees;
    size_t ephemerides = 0;
    QcResult result;
};

// Reads the whole file (twice when its header gives no interval).  false
// with the reader's message ("PATH:LINE: what").
bool Run_Quality_Check(const QcRunOptions& options, QcReport& report, std::string& error);

}  // namespace zer2ivi::qc
