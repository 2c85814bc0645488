#include "zeb_header_peek.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace zer2ivi::cli {
namespace {

constexpr size_t kOffsetHeaderSize = 0;
constexpr size_t kOffsetReceiverType = 6;
constexpr size_t kOffsetChannelCount = 7;
constexpr size_t kOffsetCreatedMonth = 8;   // 0 = January
constexpr size_t kOffsetCreatedDay = 10;
constexpr size_t kOffsetCreatedYear = 12;   // years since 1900
constexpr size_t kOffsetCreatedHour = 14;
constexpr size_t kOffsetCreatedMinute = 16;
constexpr size_t kOffsetCreatedSecond = 18;

constexpr size_t kOffsetRecordSize = 0;        // of a position record
constexpr size_t kOffsetMeasurementCount = 2;
constexpr size_t kOffsetTimeOfWeek = 28;
constexpr int32_t kEpochCapacity = 24;

template <size_t N>
int32_t Load_Le16(const std::array<unsigned char, N>& bytes, size_t offset) {
    const auto value = static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
    return static_cast<int16_t>(value);
}

template <size_t N>
double Load_Le_Double(const std::array<unsigned char, N>& bytes, size_t offset) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

ZebHeaderFacts Header_Facts(const std::array<unsigned char, kZebHeaderSize>& bytes) {
    ZebHeaderFacts facts;
    facts.receiverType = bytes[kOffsetReceiverType];
    facts.channelCount = bytes[kOffsetChannelCount];
    facts.createdMonth = Load_Le16(bytes, kOffsetCreatedMonth) + 1;
    facts.createdDay = Load_Le16(bytes, kOffsetCreatedDay);
    facts.createdYear = Load_Le16(bytes, kOffsetCreatedYear) + 1900;
    facts.createdHour = Load_Le16(bytes, kOffsetCreatedHour);
    facts.createdMinute = Load_Le16(bytes, kOffsetCreatedMinute);
    facts.createdSecond = Load_Le16(bytes, kOffsetCreatedSecond);
    return facts;
}

}  // namespace

std::optional<ZebHeaderFacts> Peek_Zeb_Header(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, kZebHeaderSize> bytes{};
    if (!in.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) return std::nullopt;
    if (Load_Le16(bytes, kOffsetHeaderSize) != kZebHeaderSize) return std::nullopt;
    return Header_Facts(bytes);
}

std::optional<std::string> Scan_Zeb_Log(const std::string& path, ZebLogExtent& extent) {
    extent = ZebLogExtent{};
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::string(std::strerror(errno));
    const std::streamoff size = in.tellg();
    if (size < 0) return std::string("its size cannot be found");
    extent.fileSize = static_cast<uint64_t>(size);
    in.seekg(0);
    std::array<unsigned char, kZebHeaderSize> header{};
    if (!in.read(reinterpret_cast<char*>(header.data()), header.size()))
        return "not a binary observation log: " + std::to_string(extent.fileSize) +
               " bytes, shorter than its 202-byte header";
    const int32_t headerSize = Load_Le16(header, kOffsetHeaderSize);
    if (headerSize != kZebHeaderSize)
        return "not a binary observation log: header size word " + std::to_string(headerSize) +
               " instead of 202";
    extent.header = Header_Facts(header);

    // The records are read in order, measurements skipped through the stream's
    // buffer: no seek, so the file is read once from start to end.
    uint64_t offset = kZebHeaderSize;
    std::array<unsigned char, kZebPositionSize> position{};
    while (extent.fileSize - offset >= kZebPositionSize) {
        if (!in.read(reinterpret_cast<char*>(position.data()), position.size()))
            return std::string("read error");
        const int32_t count = position[kOffsetMeasurementCount];
        const int32_t recordSize = Load_Le16(position, kOffsetRecordSize);
        const uint64_t measurementBytes = static_cast<uint64_t>(count) * kZebMeasurementSize;
        const uint64_t end = offset + kZebPositionSize + measurementBytes;
        auto refuse = [&](const std::string& problem) {
            extent.refusal = "epoch " + std::to_string(extent.epochs + 1) + " at byte offset " +
                             std::to_string(offset) + ": " + problem;
        };
        if (recordSize != kZebPositionSize)
            refuse("record size word " + std::to_string(recordSize) + " instead of 68");
        else if (count > extent.header.channelCount || count > kEpochCapacity)
            refuse(std::to_string(count) + " measurements for " +
                   std::to_string(extent.header.channelCount) + " channels");
        else if (end > extent.fileSize)
            refuse("its measurement records are cut short by the end of the file");
        if (!extent.refusal.empty()) return std::nullopt;
        if (!in.ignore(static_cast<std::streamsize>(measurementBytes)))
            return std::string("read error");
        if (!extent.firstTimeOfWeek) extent.firstTimeOfWeek = Load_Le_Double(position, kOffsetTimeOfWeek);
        ++extent.epochs;
        offset = end;
        extent.completeEnd = end;
    }
    return std::nullopt;
}

}  // namespace zer2ivi::cli
