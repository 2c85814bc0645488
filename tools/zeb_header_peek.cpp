#include "zeb_header_peek.h"

#include <array>
#include <fstream>

namespace zer2ivi::cli {
namespace {

constexpr size_t kOffsetHeaderSize = 0;
constexpr size_t kOffsetReceiverType = 6;
constexpr size_t kOffsetChannelCount = 7;
constexpr size_t kOffsetCreatedMonth = 8;   // 0 = January
constexpr size_t kOffsetCreatedDay = 10;
constexpr size_t kOffsetCreatedYear = 12;   // years since 1900

int32_t Load_Le16(const std::array<unsigned char, kZebHeaderSize>& bytes, size_t offset) {
    const auto value = static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
    return static_cast<int16_t>(value);
}

}  // namespace

std::optional<ZebHeaderFacts> Peek_Zeb_Header(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, kZebHeaderSize> bytes{};
    if (!in.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) return std::nullopt;
    if (Load_Le16(bytes, kOffsetHeaderSize) != kZebHeaderSize) return std::nullopt;
    ZebHeaderFacts facts;
    facts.receiverType = bytes[kOffsetReceiverType];
    facts.channelCount = bytes[kOffsetChannelCount];
    facts.createdMonth = Load_Le16(bytes, kOffsetCreatedMonth) + 1;
    facts.createdDay = Load_Le16(bytes, kOffsetCreatedDay);
    facts.createdYear = Load_Le16(bytes, kOffsetCreatedYear) + 1900;
    return facts;
}

}  // namespace zer2ivi::cli
