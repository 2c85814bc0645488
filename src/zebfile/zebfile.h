// The binary observation file: a 202-byte ZebHeader, then per epoch one
// 68-byte PositionRecord followed by measurementCount 44-byte
// MeasurementRecords.  Packed, little-endian; every record begins with its
// own size as an int16.  This header declares the records, the reader and
// the writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zer2ivi {

inline constexpr int16_t kZebHeaderSize = 202;
inline constexpr int16_t kPositionRecordSize = 68;
inline constexpr int16_t kMeasurementRecordSize = 44;
// Measurement records one epoch buffer holds.
inline constexpr int EPOCH_CAPACITY = 24;
inline constexpr int kZebFileNameSize = 144;

#pragma pack(push, 1)

struct ZebHeader {
    int16_t headerSize;          // always 202
    float formatVersion;         // 1.01 from our writer; not checked
    uint8_t receiverType;
    uint8_t channelCount;        // largest measurementCount of any epoch
    int16_t createdMonth;        // 0..11
    int16_t createdDay;          // 1..31
    int16_t createdYear;         // years since 1900
    int16_t createdHour;
    int16_t createdMinute;
    int16_t createdSecond;
    int32_t creatorWord;
    char fileName[kZebFileNameSize];
    uint8_t openState[10];       // meaningless on disk
    uint8_t zero[24];
};

struct PositionRecord {
    int16_t recordSize;          // always 68
    uint8_t measurementCount;
    uint8_t positionFlags;       // bit value 2: position settled
    uint8_t unread4[4];
    double latitude;             // degrees, WGS-84
    double longitude;            // degrees, east positive
    float height;                // metres above the ellipsoid
    double timeOfWeek;           // GPS seconds of week
    uint8_t unread36[8];
    double clockOffset;          // receiver clock offset, metres
    uint8_t unread52[16];
};

struct MeasurementRecord {
    int16_t recordSize;          // always 44
    uint8_t prn;                 // 1..32 GPS, 33..64 GLONASS
    uint8_t lockCount;
    double c1;                   // metres
    double l1;                   // cycles, sign opposite to RINEX
    double d1;                   // hertz
    double p2;                   // metres
    double l2;                   // cycles, sign opposite to RINEX
};

#pragma pack(pop)

static_assert(sizeof(ZebHeader) == 202);
static_assert(offsetof(ZebHeader, headerSize) == 0);
static_assert(offsetof(ZebHeader, formatVersion) == 2);
static_assert(offsetof(ZebHeader, receiverType) == 6);
static_assert(offsetof(ZebHeader, channelCount) == 7);
static_assert(offsetof(ZebHeader, createdMonth) == 8);
static_assert(offsetof(ZebHeader, createdDay) == 10);
static_assert(offsetof(ZebHeader, createdYear) == 12);
static_assert(offsetof(ZebHeader, createdHour) == 14);
static_assert(offsetof(ZebHeader, createdMinute) == 16);
static_assert(offsetof(ZebHeader, createdSecond) == 18);
static_assert(offsetof(ZebHeader, creatorWord) == 20);
static_assert(offsetof(ZebHeader, fileName) == 24);
static_assert(offsetof(ZebHeader, openState) == 168);
static_assert(offsetof(ZebHeader, zero) == 178);

static_assert(sizeof(PositionRecord) == 68);
static_assert(offsetof(PositionRecord, recordSize) == 0);
static_assert(offsetof(PositionRecord, measurementCount) == 2);
static_assert(offsetof(PositionRecord, positionFlags) == 3);
static_assert(offsetof(PositionRecord, latitude) == 8);
static_assert(offsetof(PositionRecord, longitude) == 16);
static_assert(offsetof(PositionRecord, height) == 24);
static_assert(offsetof(PositionRecord, timeOfWeek) == 28);
static_assert(offsetof(PositionRecord, clockOffset) == 44);

static_assert(sizeof(MeasurementRecord) == 44);
static_assert(offsetof(MeasurementRecord, recordSize) == 0);
static_assert(offsetof(MeasurementRecord, prn) == 2);
static_assert(offsetof(MeasurementRecord, lockCount) == 3);
static_assert(offsetof(MeasurementRecord, c1) == 4);
static_assert(offsetof(MeasurementRecord, l1) == 12);
static_assert(offsetof(MeasurementRecord, d1) == 20);
static_assert(offsetof(MeasurementRecord, p2) == 28);
static_assert(offsetof(MeasurementRecord, l2) == 36);

inline constexpr uint8_t kPositionSettledFlag = 2;

// The measurement records an epoch buffer holds for position: its count,
// at most EPOCH_CAPACITY.
inline int Stored_Measurement_Count(const PositionRecord& position) {
    return position.measurementCount < EPOCH_CAPACITY ? position.measurementCount : EPOCH_CAPACITY;
}

// Byte images <-> records, little-endian whatever the host.  The byte
// pointers need no alignment: every field is assembled byte by byte.  The
// Position and Measurement forms read or write exactly 68 or 44 bytes.
// Every byte is carried over (unread fields included), so encoding a
// decoded image gives the same image back.
void Decode_Zeb_Header(const unsigned char (&bytes)[202], ZebHeader& header);
void Encode_Zeb_Header(const ZebHeader& header, unsigned char (&bytes)[202]);
void Decode_Position_Record(const unsigned char* bytes, PositionRecord& record);
void Encode_Position_Record(const PositionRecord& record, unsigned char* bytes);
void Decode_Measurement_Record(const unsigned char* bytes, MeasurementRecord& record);
void Encode_Measurement_Record(const MeasurementRecord& record, unsigned char* bytes);

// ---- Reader -------------------------------------------------------------

inline constexpr int kZebPathSize = 256;

// An open binary observation file.  The format reserves room for this state
// in the header image (openState); here it sits beside it, so nothing depends on
// the width of a pointer:
//   header      the 202-byte header as read, fileName replaced by the path
//               opened (at most 143 characters, the rest of the field zero);
//               openState keeps the meaningless bytes read from the file;
//   path        the path as opened, at most 255 characters and the NUL (a
//               longer path is cut); every message of the reader names it;
//   stream      the input stream, opened "rb";
//   bufferSize  the stream buffer size the opener requested, 0 for none;
//   buffer      the stream buffer (malloc'd), owned by the handle, or null;
//   offset      byte offset of the next record to read;
//   readLimit   0, or the offset at which the epochs end for the reader:
//               an epoch beginning there or later is read as the end of
//               the file (set it to keep only the whole epochs before a
//               cut).
// A handle is valid while header.headerSize is 202.
struct ZebFile {
    ZebHeader header;
    char path[kZebPathSize];
    std::FILE* stream;
    int32_t bufferSize;
    char* buffer;
    uint64_t offset;
    uint64_t readLimit;
};

// Opens path for binary reading and checks the header; nullptr on failure
// (message set, everything obtained released).  bufferSize 0 keeps the
// stream's default buffering; any other value asks for a malloc'd buffer of
// that many bytes and full buffering (a negative size cannot be obtained:
// "Error: Not enough memory vbuf alloc").  A null path is taken as "".
ZebFile* Zeb_Open(const char* path, int bufferSize);
// 0 an epoch was read, 1 the file is bad (message set), -1 end of file
// ("End of file").  Stores the position record and at most
// position.measurementCount measurement records, never more.
int Zeb_Read_Epoch(ZebFile* file, PositionRecord& position,
                   MeasurementRecord (&measurements)[EPOCH_CAPACITY]);
// 0 when positioned at the first epoch again, non-zero when the seek failed.
int Zeb_Rewind(ZebFile* file);
// Closes the stream, releases the buffer and the handle; acts only on a
// handle whose header.headerSize is 202 (nullptr is accepted and ignored).
void Zeb_Close(ZebFile* file);

// ---- Walk of a whole log --------------------------------------------------

// Where and why the records of a log stop being readable.
enum class ZebStop {
    EndOfFile,           // every byte belongs to a whole epoch
    CutInPosition,       // the file ends inside a position record
    CutInMeasurements,   // the file ends inside an epoch's measurement records
    BadPositionSize,     // a position record's size word is not 68
    TooManyMeasurements, // more measurements than the header's channels (or 24)
    BadMeasurementSize,  // a measurement record's size word is not 44
    SatelliteNumber,     // a satellite number above 64
};

// The record layout of a log, walked without converting anything and
// without touching the library's message.
struct ZebLogExtent {
    ZebHeader header{};
    uint64_t fileSize = 0;
    // Offset just after the last whole epoch (202 when there is none).
    uint64_t completeEnd = kZebHeaderSize;
    int64_t epochs = 0;
    bool hasFirstTimeOfWeek = false;
    double firstTimeOfWeek = 0.0;
    double lastTimeOfWeek = 0.0;
    // Epochs whose time of week is not at or after the one before (each
    // starts a new week).
    int32_t weekRollovers = 0;
    ZebStop stop = ZebStop::EndOfFile;
    // The epoch (1 for the first) at which the walk stopped and why, e.g.
    // "epoch 12 at byte offset 1234: record size word 3 instead of 68";
    // empty at the end of the file.
    char stopReason[160] = {};
};

// Satellite numbers a record may carry (0..64).
inline constexpr int kLastSatelliteNumber = 64;

enum class ZebWalkResult { Walked, Unreadable, TooShort, NotALog };

// Walks the log at path record by record.  Unreadable: the file cannot be
// opened or read; TooShort: it ends before its 202-byte header; NotALog:
// the header's size word is not 202.
ZebWalkResult Zeb_Walk_Log(const char* path, ZebLogExtent& extent);

// Whether the walk stopped because the file was cut inside an epoch: the
// epochs before completeEnd are whole, nothing after it is.
inline bool Zeb_Log_Is_Cut(const ZebLogExtent& extent) {
    return extent.stop == ZebStop::CutInPosition || extent.stop == ZebStop::CutInMeasurements;
}

// ---- Writer -------------------------------------------------------------

// Produces files of this format: a header, then epochs appended one by one.
// Internal (tests, fuzz seeds, examples, benchmarks); not used by the
// conversion.
struct ZebWriter {
    std::FILE* stream = nullptr;
    uint8_t channelCount = 0;
};

// Largest epoch the writer accepts: a full 8-bit measurementCount (the
// reader refuses more than EPOCH_CAPACITY, which hostile files need).
inline constexpr int kZebMaxEpochBytes = kPositionRecordSize + 255 * kMeasurementRecordSize;

// Creates (truncates) path and writes its header: headerSize 202,
// formatVersion 1.01f, receiverType, channelCount and creatorWord as given,
// the path in fileName (cut to 143 characters), the creation fields from
// the local time (month 0..11, year - 1900), the rest zero.  false when the
// writer already holds a file, or the file cannot be created or written.
bool Zeb_Create(ZebWriter& writer, const char* path, uint8_t receiverType,
                uint8_t channelCount, int32_t creatorWord = 0);
// Opens an existing file for appending epochs, with the header's
// channelCount as given; the header is not read or rewritten.  false when
// the writer already holds a file or path does not exist.
bool Zeb_Append(ZebWriter& writer, const char* path, uint8_t channelCount);
// Appends one epoch: the position record and its measurementCount
// measurement records, in one write.  Refused (false, nothing written) when
// the count exceeds channelCount, or when measurements is null for a count
// above 0.  The size words (68, 44) are set by the writer whatever the
// records hold.  false also when the write failed.
bool Zeb_Write_Epoch(ZebWriter& writer, const PositionRecord& position,
                     const MeasurementRecord* measurements);
// Closes the file; false when closing (flushing) failed or an earlier write
// had failed.  true when the writer holds no file.
bool Zeb_Finish(ZebWriter& writer);

}  // namespace zer2ivi
