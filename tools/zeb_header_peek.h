// The few facts the tool reads straight from a binary observation log: the
// header's channel count, receiver type and creation time, which the
// library's RINEX output does not carry, and where the log's last complete
// epoch ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zer2ivi::cli {

struct ZebHeaderFacts {
    int32_t receiverType = 0;
    int32_t channelCount = 0;
    // Creation time as the file states it, local time (year with century,
    // month 1-12).
    int32_t createdYear = 0, createdMonth = 0, createdDay = 0;
    int32_t createdHour = 0, createdMinute = 0, createdSecond = 0;
};

inline constexpr int32_t kZebHeaderSize = 202;
inline constexpr int32_t kZebPositionSize = 68;
inline constexpr int32_t kZebMeasurementSize = 44;

// Reads the header of the file at path.  Nothing when the file cannot be
// read or its first size word is not 202.
std::optional<ZebHeaderFacts> Peek_Zeb_Header(const std::string& path);

// The record layout of a whole log, walked by the size words and counts
// alone: position records are read, measurement records skipped.
struct ZebLogExtent {
    ZebHeaderFacts header;
    uint64_t fileSize = 0;
    // Offset just after the last complete epoch (202 when there is none).
    uint64_t completeEnd = kZebHeaderSize;
    int64_t epochs = 0;
    std::optional<double> firstTimeOfWeek;
    // Why the walk stopped at a record the library refuses (a wrong size
    // word, more measurements than channels, measurement records cut short);
    // empty when it did not.  The conversion fails there.
    std::string refusal;
};

// Walks the log at path.  The reason when it is no binary observation log
// at all (too short for a header, header size word not 202) or cannot be
// read.
std::optional<std::string> Scan_Zeb_Log(const std::string& path, ZebLogExtent& extent);

}  // namespace zer2ivi::cli
