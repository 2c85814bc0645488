// The quality check as a job of the tool: INPUT is a RINEX observation file
// (plain, gzip or Compact RINEX; "-" for standard input) or a binary log,
// NAV a RINEX navigation file or an ephemeris file.  A log is converted
// first by the conversion job, and an ephemeris file by its navigation step
// alone, in a private temporary directory; the check itself (src/qc) reads
// RINEX only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "qc/qc_run.h"

namespace zer2ivi::job {

struct QcJob {
    std::string input;               // "-": standard input
    std::optional<std::string> nav;  // RINEX navigation file or ephemeris file
    double maskDegrees = qc::kDefaultMaskDegrees;
    bool maskGiven = false;
    std::optional<qc::Vector3> position;
    bool force = false;
};

struct QcJobResult {
    bool checked = false;
    std::string error;        // why not
    bool usageError = false;  // the inputs do not go together
    // The conversion's warnings; the report's own are in report.warnings.
    std::vector<std::string> warnings;
    qc::QcReport report;
};

QcJobResult Run_Qc_Job(const QcJob& job);

}  // namespace zer2ivi::job
