// The few facts the tool reads straight from the 202-byte header of a binary
// observation file: the library's RINEX output does not carry the channel
// count or the receiver type code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zer2ivi::cli {

struct ZebHeaderFacts {
    int32_t receiverType = 0;
    int32_t channelCount = 0;
    // Creation date as the file states it (year with century, month 1-12).
    int32_t createdYear = 0, createdMonth = 0, createdDay = 0;
};

inline constexpr int32_t kZebHeaderSize = 202;

// Reads the header of the file at path.  Nothing when the file cannot be
// read or its first size word is not 202.
std::optional<ZebHeaderFacts> Peek_Zeb_Header(const std::string& path);

}  // namespace zer2ivi::cli
