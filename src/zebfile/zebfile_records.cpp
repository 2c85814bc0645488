// Byte images <-> records of the binary observation file.  Every
// field is assembled from, or split into, its little-endian bytes, so the
// host's byte order and alignment rules never matter.  The offsets come from
// the packed records, whose layout zebfile.h pins with static_asserts.
#include <bit>
#include <cstddef>
#include <cstring>

#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

uint16_t Load_Le16(const unsigned char* p) {
    return static_cast<uint16_t>(static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8));
}

uint32_t Load_Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t Load_Le64(const unsigned char* p) {
    return static_cast<uint64_t>(Load_Le32(p)) | (static_cast<uint64_t>(Load_Le32(p + 4)) << 32);
}

int16_t Load_I16(const unsigned char* p) { return static_cast<int16_t>(Load_Le16(p)); }
int32_t Load_I32(const unsigned char* p) { return static_cast<int32_t>(Load_Le32(p)); }
float Load_F32(const unsigned char* p) { return std::bit_cast<float>(Load_Le32(p)); }
double Load_F64(const unsigned char* p) { return std::bit_cast<double>(Load_Le64(p)); }

void Store_Le16(unsigned char* p, uint16_t value) {
    p[0] = static_cast<unsigned char>(value & 0xFFu);
    p[1] = static_cast<unsigned char>(value >> 8);
}

void Store_Le32(unsigned char* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
}

void Store_Le64(unsigned char* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
}

void Store_I16(unsigned char* p, int16_t value) { Store_Le16(p, static_cast<uint16_t>(value)); }
void Store_I32(unsigned char* p, int32_t value) { Store_Le32(p, static_cast<uint32_t>(value)); }
void Store_F32(unsigned char* p, float value) { Store_Le32(p, std::bit_cast<uint32_t>(value)); }
void Store_F64(unsigned char* p, double value) { Store_Le64(p, std::bit_cast<uint64_t>(value)); }

}  // namespace

#define Z2I_AT(Record, field) (bytes + offsetof(Record, field))

void Decode_Zeb_Header(const unsigned char (&bytes)[202], ZebHeader& header) {
    header.headerSize = Load_I16(Z2I_AT(ZebHeader, headerSize));
    header.formatVersion = Load_F32(Z2I_AT(ZebHeader, formatVersion));
    header.receiverType = *Z2I_AT(ZebHeader, receiverType);
    header.channelCount = *Z2I_AT(ZebHeader, channelCount);
    header.createdMonth = Load_I16(Z2I_AT(ZebHeader, createdMonth));
    header.createdDay = Load_I16(Z2I_AT(ZebHeader, createdDay));
    header.createdYear = Load_I16(Z2I_AT(ZebHeader, createdYear));
    header.createdHour = Load_I16(Z2I_AT(ZebHeader, createdHour));
    header.createdMinute = Load_I16(Z2I_AT(ZebHeader, createdMinute));
    header.createdSecond = Load_I16(Z2I_AT(ZebHeader, createdSecond));
    header.creatorWord = Load_I32(Z2I_AT(ZebHeader, creatorWord));
    std::memcpy(header.fileName, Z2I_AT(ZebHeader, fileName), sizeof header.fileName);
    std::memcpy(header.openState, Z2I_AT(ZebHeader, openState), sizeof header.openState);
    std::memcpy(header.zero, Z2I_AT(ZebHeader, zero), sizeof header.zero);
}

void Encode_Zeb_Header(const ZebHeader& header, unsigned char (&bytes)[202]) {
    Store_I16(Z2I_AT(ZebHeader, headerSize), header.headerSize);
    Store_F32(Z2I_AT(ZebHeader, formatVersion), header.formatVersion);
    *Z2I_AT(ZebHeader, receiverType) = header.receiverType;
    *Z2I_AT(ZebHeader, channelCount) = header.channelCount;
    Store_I16(Z2I_AT(ZebHeader, createdMonth), header.createdMonth);
    Store_I16(Z2I_AT(ZebHeader, createdDay), header.createdDay);
    Store_I16(Z2I_AT(ZebHeader, createdYear), header.createdYear);
    Store_I16(Z2I_AT(ZebHeader, createdHour), header.createdHour);
    Store_I16(Z2I_AT(ZebHeader, createdMinute), header.createdMinute);
    Store_I16(Z2I_AT(ZebHeader, createdSecond), header.createdSecond);
    Store_I32(Z2I_AT(ZebHeader, creatorWord), header.creatorWord);
    std::memcpy(Z2I_AT(ZebHeader, fileName), header.fileName, sizeof header.fileName);
    std::memcpy(Z2I_AT(ZebHeader, openState), header.openState, sizeof header.openState);
    std::memcpy(Z2I_AT(ZebHeader, zero), header.zero, sizeof header.zero);
}

void Decode_Position_Record(const unsigned char* bytes, PositionRecord& record) {
    record.recordSize = Load_I16(Z2I_AT(PositionRecord, recordSize));
    record.measurementCount = *Z2I_AT(PositionRecord, measurementCount);
    record.positionFlags = *Z2I_AT(PositionRecord, positionFlags);
    std::memcpy(record.unread4, Z2I_AT(PositionRecord, unread4), sizeof record.unread4);
    record.latitude = Load_F64(Z2I_AT(PositionRecord, latitude));
    record.longitude = Load_F64(Z2I_AT(PositionRecord, longitude));
    record.height = Load_F32(Z2I_AT(PositionRecord, height));
    record.timeOfWeek = Load_F64(Z2I_AT(PositionRecord, timeOfWeek));
    std::memcpy(record.unread36, Z2I_AT(PositionRecord, unread36), sizeof record.unread36);
    record.clockOffset = Load_F64(Z2I_AT(PositionRecord, clockOffset));
    std::memcpy(record.unread52, Z2I_AT(PositionRecord, unread52), sizeof record.unread52);
}

void Encode_Position_Record(const PositionRecord& record, unsigned char* bytes) {
    Store_I16(Z2I_AT(PositionRecord, recordSize), record.recordSize);
    *Z2I_AT(PositionRecord, measurementCount) = record.measurementCount;
    *Z2I_AT(PositionRecord, positionFlags) = record.positionFlags;
    std::memcpy(Z2I_AT(PositionRecord, unread4), record.unread4, sizeof record.unread4);
    Store_F64(Z2I_AT(PositionRecord, latitude), record.latitude);
    Store_F64(Z2I_AT(PositionRecord, longitude), record.longitude);
    Store_F32(Z2I_AT(PositionRecord, height), record.height);
    Store_F64(Z2I_AT(PositionRecord, timeOfWeek), record.timeOfWeek);
    std::memcpy(Z2I_AT(PositionRecord, unread36), record.unread36, sizeof record.unread36);
    Store_F64(Z2I_AT(PositionRecord, clockOffset), record.clockOffset);
    std::memcpy(Z2I_AT(PositionRecord, unread52), record.unread52, sizeof record.unread52);
}

void Decode_Measurement_Record(const unsigned char* bytes, MeasurementRecord& record) {
    record.recordSize = Load_I16(Z2I_AT(MeasurementRecord, recordSize));
    record.prn = *Z2I_AT(MeasurementRecord, prn);
    record.lockCount = *Z2I_AT(MeasurementRecord, lockCount);
    record.c1 = Load_F64(Z2I_AT(MeasurementRecord, c1));
    record.l1 = Load_F64(Z2I_AT(MeasurementRecord, l1));
    record.d1 = Load_F64(Z2I_AT(MeasurementRecord, d1));
    record.p2 = Load_F64(Z2I_AT(MeasurementRecord, p2));
    record.l2 = Load_F64(Z2I_AT(MeasurementRecord, l2));
}

void Encode_Measurement_Record(const MeasurementRecord& record, unsigned char* bytes) {
    Store_I16(Z2I_AT(MeasurementRecord, recordSize), record.recordSize);
    *Z2I_AT(MeasurementRecord, prn) = record.prn;
    *Z2I_AT(MeasurementRecord, lockCount) = record.lockCount;
    Store_F64(Z2I_AT(MeasurementRecord, c1), record.c1);
    Store_F64(Z2I_AT(MeasurementRecord, l1), record.l1);
    Store_F64(Z2I_AT(MeasurementRecord, d1), record.d1);
    Store_F64(Z2I_AT(MeasurementRecord, p2), record.p2);
    Store_F64(Z2I_AT(MeasurementRecord, l2), record.l2);
}

#undef Z2I_AT

}  // namespace zer2ivi
