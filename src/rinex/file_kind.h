// What kind of text file a path holds, told by its first line (read through
// zlib, so a gzip file shows its text).
#pragma once

#include <string>

namespace zer2ivi::rinex {

// The first line is a RINEX "RINEX VERSION / TYPE" record, or a Compact
// RINEX "CRINEX VERS   / TYPE" record.
bool Is_Rinex_File(const std::string& path);

}  // namespace zer2ivi::rinex
