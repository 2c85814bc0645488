// The walk of a whole log: every record read in order with the same checks
// as the reader and the pre-scan, nothing converted, the library's message
// left alone.  It finds where the whole epochs end and why the rest is not
// readable, for the conversion's report and for the tool's inspect.
#include <cstdint>
#include <cstdio>

#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

// The file, closed on every path.
class ReadStream {
public:
    explicit ReadStream(const char* path) : stream_(std::fopen(path, "rb")) {}
    ~ReadStream() {
        if (stream_ != nullptr) std::fclose(stream_);
    }
    ReadStream(const ReadStream&) = delete;
    ReadStream& operator=(const ReadStream&) = delete;
    std::FILE* get() const { return stream_; }

private:
    std::FILE* stream_;
};

template <typename... Args>
void Stop(ZebLogExtent& extent, ZebStop stop, uint64_t offset, const char* format, Args... args) {
    extent.stop = stop;
    char problem[96];
    std::snprintf(problem, sizeof problem, format, args...);
    std::snprintf(extent.stopReason, sizeof extent.stopReason, "epoch %lld at byte offset %llu: %s",
                  static_cast<long long>(extent.epochs + 1), static_cast<unsigned long long>(offset),
                  problem);
}

}  // namespace

ZebWalkResult Zeb_Walk_Log(const char* path, ZebLogExtent& extent) {
    extent = ZebLogExtent{};
    ReadStream in(path == nullptr ? "" : path);
    if (in.get() == nullptr) return ZebWalkResult::Unreadable;
    unsigned char headerBytes[kZebHeaderSize];
    const size_t headerRead = std::fread(headerBytes, 1, sizeof headerBytes, in.get());
    if (headerRead != sizeof headerBytes) {
        if (std::ferror(in.get())) return ZebWalkResult::Unreadable;
        extent.fileSize = headerRead;
        return ZebWalkResult::TooShort;
    }
    Decode_Zeb_Header(headerBytes, extent.header);
    uint64_t offset = kZebHeaderSize;
    extent.fileSize = offset;
    if (extent.header.headerSize != kZebHeaderSize) {
        // The size of the rest, for the report.
        unsigned char chunk[4096];
        while (const size_t n = std::fread(chunk, 1, sizeof chunk, in.get())) extent.fileSize += n;
        return ZebWalkResult::NotALog;
    }

    const int channels = extent.header.channelCount;
    for (;;) {
        unsigned char positionBytes[kPositionRecordSize];
        const size_t got = std::fread(positionBytes, 1, sizeof positionBytes, in.get());
        extent.fileSize = offset + got;
        if (got == 0) break;
        if (got != sizeof positionBytes) {
            if (std::ferror(in.get())) return ZebWalkResult::Unreadable;
            Stop(extent, ZebStop::CutInPosition, offset,
                 "the file ends inside its position record (%zu of %d bytes)", got,
                 static_cast<int>(kPositionRecordSize));
            break;
        }
        PositionRecord position{};
        Decode_Position_Record(positionBytes, position);
        const int count = position.measurementCount;
        if (position.recordSize != kPositionRecordSize) {
            Stop(extent, ZebStop::BadPositionSize, offset, "record size word %d instead of %d",
                 static_cast<int>(position.recordSize), static_cast<int>(kPositionRecordSize));
        } else if (count > channels || count > EPOCH_CAPACITY) {
            Stop(extent, ZebStop::TooManyMeasurements, offset, "%d measurements for %d channels",
                 count, channels);
        } else {
            unsigned char block[EPOCH_CAPACITY * kMeasurementRecordSize];
            const size_t blockSize = static_cast<size_t>(count) * kMeasurementRecordSize;
            const size_t read = std::fread(block, 1, blockSize, in.get());
            extent.fileSize = offset + got + read;
            if (read != blockSize) {
                if (std::ferror(in.get())) return ZebWalkResult::Unreadable;
                Stop(extent, ZebStop::CutInMeasurements, offset,
                     "the file ends inside its measurement records (%zu of %zu bytes)", read,
                     blockSize);
            }
            for (int i = 0; extent.stop == ZebStop::EndOfFile && i < count; ++i) {
                MeasurementRecord record{};
                Decode_Measurement_Record(block + static_cast<size_t>(i) * kMeasurementRecordSize,
                                          record);
                if (record.recordSize != kMeasurementRecordSize)
                    Stop(extent, ZebStop::BadMeasurementSize, offset,
                         "measurement record %d: size word %d instead of %d", i + 1,
                         static_cast<int>(record.recordSize),
                         static_cast<int>(kMeasurementRecordSize));
                else if (record.prn > kLastSatelliteNumber)
                    Stop(extent, ZebStop::SatelliteNumber, offset,
                         "measurement record %d: satellite number %d above %d", i + 1,
                         static_cast<int>(record.prn), kLastSatelliteNumber);
            }
        }
        if (extent.stop != ZebStop::EndOfFile) break;
        if (!extent.hasFirstTimeOfWeek) {
            extent.hasFirstTimeOfWeek = true;
            extent.firstTimeOfWeek = position.timeOfWeek;
        } else if (!(position.timeOfWeek >= extent.lastTimeOfWeek) && extent.weekRollovers < INT32_MAX) {
            ++extent.weekRollovers;
        }
        extent.lastTimeOfWeek = position.timeOfWeek;
        ++extent.epochs;
        offset += kPositionRecordSize + static_cast<uint64_t>(count) * kMeasurementRecordSize;
        extent.completeEnd = offset;
    }
    // The file's whole size, also past a refused record.
    unsigned char chunk[4096];
    while (const size_t n = std::fread(chunk, 1, sizeof chunk, in.get())) extent.fileSize += n;
    return std::ferror(in.get()) ? ZebWalkResult::Unreadable : ZebWalkResult::Walked;
}

}  // namespace zer2ivi
