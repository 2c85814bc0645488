// The conversion interface inside the library: the observation conversion
// driver (the navigation one lives with its writer) and the entry point.
#pragma once

#include <cstdint>

#include "zer2ivi/zer2ivi.h"

namespace zer2ivi {

// 0 when the RINEX observation file was written to the end of the binary
// file, 1 on any failure; exactly one final message is left.
int32_t Convert_Observations(const ObsSettings& settings);

}  // namespace zer2ivi
