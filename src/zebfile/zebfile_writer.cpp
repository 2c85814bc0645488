// Writer of the binary observation file (in writing order): a header,
// then epochs appended one by one.  Used by tests, fuzz seeds, examples and
// benchmarks; the conversion itself only reads.
#include <cstring>
#include <ctime>

#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

inline constexpr float kZebFormatVersion = 1.01f;  // bit pattern 0x3F8147AE

void Fill_Creation_Time(ZebHeader& header) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &now) != 0) return;
#else
    if (localtime_r(&now, &local) == nullptr) return;
#endif
    header.createdMonth = static_cast<int16_t>(local.tm_mon);
    header.createdDay = static_cast<int16_t>(local.tm_mday);
    header.createdYear = static_cast<int16_t>(local.tm_year);
    header.createdHour = static_cast<int16_t>(local.tm_hour);
    header.createdMinute = static_cast<int16_t>(local.tm_min);
    header.createdSecond = static_cast<int16_t>(local.tm_sec);
}

}  // namespace

bool Zeb_Create(ZebWriter& writer, const char* path, uint8_t receiverType,
                uint8_t channelCount, int32_t creatorWord) {
    if (writer.stream != nullptr || path == nullptr) return false;

    ZebHeader header{};
    header.headerSize = kZebHeaderSize;
    header.formatVersion = kZebFormatVersion;
    header.receiverType = receiverType;
    header.channelCount = channelCount;
    header.creatorWord = creatorWord;
    std::memcpy(header.fileName, path, strnlen(path, sizeof header.fileName - 1));
    Fill_Creation_Time(header);

    unsigned char bytes[kZebHeaderSize];
    Encode_Zeb_Header(header, bytes);

    std::FILE* stream = std::fopen(path, "wb");
    if (stream == nullptr) return false;
    if (std::fwrite(bytes, 1, sizeof bytes, stream) != sizeof bytes) {
        std::fclose(stream);
        return false;
    }
    writer.stream = stream;
    writer.channelCount = channelCount;
    return true;
}

bool Zeb_Append(ZebWriter& writer, const char* path, uint8_t channelCount) {
    if (writer.stream != nullptr || path == nullptr) return false;
    std::FILE* probe = std::fopen(path, "rb");  // appending never creates
    if (probe == nullptr) return false;
    std::fclose(probe);
    std::FILE* stream = std::fopen(path, "ab");
    if (stream == nullptr) return false;
    writer.stream = stream;
    writer.channelCount = channelCount;
    return true;
}

bool Zeb_Write_Epoch(ZebWriter& writer, const PositionRecord& position,
                     const MeasurementRecord* measurements) {
    if (writer.stream == nullptr) return false;
    const size_t count = position.measurementCount;
    if (count > writer.channelCount) return false;
    if (count > 0 && measurements == nullptr) return false;

    // Position record and measurement block, contiguous, in one write.
    unsigned char bytes[kZebMaxEpochBytes];
    PositionRecord sized = position;
    sized.recordSize = kPositionRecordSize;
    Encode_Position_Record(sized, bytes);
    for (size_t i = 0; i < count; ++i) {
        MeasurementRecord record = measurements[i];
        record.recordSize = kMeasurementRecordSize;
        Encode_Measurement_Record(record, bytes + kPositionRecordSize + i * kMeasurementRecordSize);
    }
    const size_t total = kPositionRecordSize + count * kMeasurementRecordSize;
    return std::fwrite(bytes, 1, total, writer.stream) == total;
}

bool Zeb_Finish(ZebWriter& writer) {
    if (writer.stream == nullptr) return true;
    const bool writeFailed = std::ferror(writer.stream) != 0;
    const bool closed = std::fclose(writer.stream) == 0;
    writer.stream = nullptr;
    writer.channelCount = 0;
    return closed && !writeFailed;
}

}  // namespace zer2ivi
