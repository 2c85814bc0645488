// Reader of the binary observation file: open and check the
// header, hand out one epoch at a time, start over, close.  Every outcome
// other than plain success leaves its message in LastErrorText.
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/library_state.h"
#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

// Every message of the reader.  The formats are arrays so that the
// compiler checks their arguments.
constexpr char kMsgNoMemoryForHandle[] = "Error: Not enough memory in header";
constexpr char kMsgFileNotFound[] = "Error: File %s not found";
constexpr char kMsgNoMemoryForBuffer[] = "Error: Not enough memory vbuf alloc";
constexpr char kMsgBufferNotSet[] = "Error: Unable to initialize file buffer";
constexpr char kMsgHeaderUnreadable[] = "Error: Unable to read header from %s";
constexpr char kMsgBadHeaderSize[] = "Error: Invalid header size in %s  Size: %d   Hsize: %d";
constexpr char kMsgEndOfFile[] = "End of file";
constexpr char kMsgBadPositionRecord[] = "Error: Bad position record in %s";
constexpr char kMsgMoreThanChannels[] = "Error: Epoch %.1lf has %d measurements %d channels in %s";
constexpr char kMsgMoreThanBuffer[] = "Error: Epoch %.1lf has more measurements than channels in %s";
constexpr char kMsgPrematureEnd[] = "Error: Pre-mature end of file in %s at epoch %.1lf";
constexpr char kMsgBadMeasurementRecord[] = "Error: Bad measurement record (1) in %s";

// Copies at most size - 1 characters of text into destination, zero-filling
// the rest of it: never reads or writes past either.
void Copy_Cut(char* destination, size_t size, const char* text) {
    const size_t length = strnlen(text, size - 1);
    std::memset(destination, 0, size);
    std::memcpy(destination, text, length);
}

// Releases what a failing Zeb_Open had obtained, in the reverse order.
ZebFile* Fail_Open(ZebFile* file, std::FILE* stream, char* buffer) {
    if (stream != nullptr) std::fclose(stream);
    std::free(buffer);
    delete file;
    return nullptr;
}

}  // namespace

ZebFile* Zeb_Open(const char* path, int bufferSize) {
    if (path == nullptr) path = "";

    ZebFile* file = new (std::nothrow) ZebFile{};
    if (file == nullptr) {
        Set_Message(kMsgNoMemoryForHandle);
        return nullptr;
    }

    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        Format_Message(kMsgFileNotFound, path);
        return Fail_Open(file, nullptr, nullptr);
    }

    char* buffer = nullptr;
    if (bufferSize != 0) {
        if (bufferSize > 0) buffer = static_cast<char*>(std::malloc(static_cast<size_t>(bufferSize)));
        if (buffer == nullptr) {
            Set_Message(kMsgNoMemoryForBuffer);
            return Fail_Open(file, stream, nullptr);
        }
        if (std::setvbuf(stream, buffer, _IOFBF, static_cast<size_t>(bufferSize)) != 0) {
            Set_Message(kMsgBufferNotSet);
            return Fail_Open(file, stream, buffer);
        }
    }

    unsigned char headerBytes[kZebHeaderSize];
    if (std::fread(headerBytes, 1, sizeof headerBytes, stream) != sizeof headerBytes) {
        Format_Message(kMsgHeaderUnreadable, path);
        return Fail_Open(file, stream, buffer);
    }
    Decode_Zeb_Header(headerBytes, file->header);
    if (file->header.headerSize != kZebHeaderSize) {
        Format_Message(kMsgBadHeaderSize, path, static_cast<int>(file->header.headerSize),
                       static_cast<int>(kZebHeaderSize));
        return Fail_Open(file, stream, buffer);
    }

    Copy_Cut(file->header.fileName, sizeof file->header.fileName, path);
    Copy_Cut(file->path, sizeof file->path, path);
    file->stream = stream;
    file->bufferSize = bufferSize;
    file->buffer = buffer;
    file->offset = static_cast<uint64_t>(kZebHeaderSize);
    file->readLimit = 0;
    return file;
}

int Zeb_Read_Epoch(ZebFile* file, PositionRecord& position,
                   MeasurementRecord (&measurements)[EPOCH_CAPACITY]) {
    unsigned char positionBytes[kPositionRecordSize];
    if (file->readLimit != 0 && file->offset >= file->readLimit) {
        Set_Message(kMsgEndOfFile);
        return -1;
    }
    if (std::fread(positionBytes, 1, sizeof positionBytes, file->stream) != sizeof positionBytes) {
        Set_Message(kMsgEndOfFile);
        return -1;
    }
    Decode_Position_Record(positionBytes, position);
    file->offset += kPositionRecordSize;
    if (position.recordSize != kPositionRecordSize) {
        Format_Message(kMsgBadPositionRecord, file->path);
        return 1;
    }

    const double timeOfWeek = position.timeOfWeek;
    const int count = position.measurementCount;
    const int channelCount = file->header.channelCount;
    if (count > channelCount) {
        Format_Message(kMsgMoreThanChannels, timeOfWeek, count, channelCount, file->path);
        return 1;
    }
    if (count == 0) return 0;
    if (count > EPOCH_CAPACITY) {
        Format_Message(kMsgMoreThanBuffer, timeOfWeek, file->path);
        return 1;
    }

    // The whole measurement block in one read.
    unsigned char block[EPOCH_CAPACITY * kMeasurementRecordSize];
    const size_t blockSize = static_cast<size_t>(count) * kMeasurementRecordSize;
    if (std::fread(block, 1, blockSize, file->stream) != blockSize) {
        Format_Message(kMsgPrematureEnd, file->path, timeOfWeek);
        return 1;
    }
    file->offset += blockSize;
    for (int i = 0; i < count; ++i) {
        MeasurementRecord& record = measurements[i];
        Decode_Measurement_Record(block + static_cast<size_t>(i) * kMeasurementRecordSize, record);
        if (record.recordSize != kMeasurementRecordSize) {
            Format_Message(kMsgBadMeasurementRecord, file->path);
            return 1;
        }
    }
    return 0;
}

int Zeb_Rewind(ZebFile* file) {
    file->offset = static_cast<uint64_t>(file->header.headerSize);
    return std::fseek(file->stream, file->header.headerSize, SEEK_SET);
}

void Zeb_Close(ZebFile* file) {
    if (file == nullptr || file->header.headerSize != kZebHeaderSize) return;
    std::fclose(file->stream);
    if (file->bufferSize != 0) std::free(file->buffer);
    delete file;
}

}  // namespace zer2ivi
