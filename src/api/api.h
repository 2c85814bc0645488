// The conversion interface inside the library: the observation conversion
// driver (the navigation one lives with its writer) and the entry point.
#pragma once

#include <cstdint>

#include "rinex_obs/rinex_obs.h"
#include "zebfile/zebfile.h"
#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// Where an observation conversion stopped.
enum class ObsFailure { None, WrongStructSize, CannotOpenOutput, CannotOpenLog, ScanFailed, ReadFailed, DiskFull };

// What an observation conversion did, for the conversion API.
struct ObsReport {
    ObsFailure failure = ObsFailure::None;
    ObsSummary summary{};       // the pre-scan's facts (zero before it ran)
    ZebHeader logHeader{};
    int32_t epochsWritten = 0;
    uint64_t bytesRead = 0;     // offset after the last epoch read
};

// 0 when the RINEX observation file was written to the end of the binary
// file (or to readLimit, when not 0: see ZebFile), 1 on any failure;
// exactly one final message is left.  The epochs are dated from
// library.baseWeek.
int32_t Convert_Observations(const ObsSettings& settings, uint64_t readLimit = 0,
                             ObsReport* report = nullptr);

}  // namespace zer2ivi
