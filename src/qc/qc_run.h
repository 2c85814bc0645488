// The quality check of one RINEX observation file (2, 3 or 4): the file's epochs read
// one at a time and handed to the engine, with the header's choices (codes,
// interval, position) gathered for the report.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "qc/broadcast_orbit.h"
#include "qc/qc_engine.h"

namespace zer2ivi::qc {

struct QcRunOptions {
    std::string observationPath;
    std::string inputName;                     // what the report calls the input
    const EphemerisStore* ephemerides = nullptr;  // none: no navigation file
    std::optional<Vector3> position;           // --position; else the header's
    double maskDegrees = kDefaultMaskDegrees;
    bool maskGiven = false;   // --mask was given
    // Epochs out of order or repeated are checked (repeats dropped, backward
    // jumps listed as gaps) rather than refused.
    bool force = false;
};

// The codes of GPS observations a value is chosen from, in order of
// preference: RINEX 2 P1 C1 / P2 C2 / L1 / L2, RINEX 3 C1W C1C / C2W C2L
// C2X C2S / L1C L1W / the L2 phase of code 2's attribute (phase2[i] goes
// with code2[i]).  SatelliteFigures counts usable epochs by these indices.
struct CodeChoices {
    std::vector<std::string> code1, code2, phase1, phase2;
};

// Where the receiver position came from.
enum class PositionSource { kNone, kOption, kHeader };

struct QcReport {
    std::string inputName;
    std::string markerName;
    // The codes the file's types offer per frequency, in order of preference
    // ("P1", "C1"); an observation uses the first one present.
    std::vector<std::string> codes1;
    std::vector<std::string> codes2;
    CodeChoices choices;  // of the file's version
    bool intervalFromHeader = false;
    bool intervalKnown = false;
    bool navigation = false;
    bool elevationsKnown = false;
    PositionSource positionSource = PositionSource::kNone;
    Vector3 position;
    double maskDegrees = kDefaultMaskDegrees;
    size_t ephemerides = 0;
    QcResult result;
    // What the reader of the report must know: figures left out or not
    // applied, and why.
    std::vector<std::string> warnings;
};

// Reads the whole file (twice when its header gives no interval).  false
// with the reader's message ("PATH:LINE: what"); a file that ends inside an
// epoch is checked up to there, with a warning.
bool Run_Quality_Check(const QcRunOptions& options, QcReport& report, std::string& error);

}  // namespace zer2ivi::qc
