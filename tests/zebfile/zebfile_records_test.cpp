// Records <-> little-endian byte images, checked against images
// written out byte by byte from the format tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "zebfile/zebfile.h"
#include "zeb_images.h"

namespace zer2ivi {
namespace {

// Packed record fields are misaligned: the checks below copy them out with a
// unary plus, since gtest would bind a reference to them.

using testing::Bytes;
using testing::Hex;

PositionRecord Sample_Position() {
    PositionRecord record{};
    record.recordSize = 68;
    record.measurementCount = 5;
    record.positionFlags = 2;
    for (int i = 0; i < 4; ++i) record.unread4[i] = static_cast<uint8_t>(0x11 + i);
    record.latitude = 1.0;
    record.longitude = -2.0;
    record.height = 1.01f;
    record.timeOfWeek = 345600.5;
    for (int i = 0; i < 8; ++i) record.unread36[i] = static_cast<uint8_t>(0x21 + i);
    record.clockOffset = 299792.458;
    for (int i = 0; i < 16; ++i) record.unread52[i] = static_cast<uint8_t>(0x31 + i);
    return record;
}

// Sample_Position as the format lays it out, written by hand.
const std::string kPositionImage =
    Bytes({0x44, 0x00,                                        // 0 recordSize 68
           0x05, 0x02,                                        // 2 count, 3 flags
           0x11, 0x12, 0x13, 0x14,                            // 4 unread
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,    // 8 latitude 1.0
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,    // 16 longitude -2.0
           0xAE, 0x47, 0x81, 0x3F,                            // 24 height 1.01f
           0x00, 0x00, 0x00, 0x00, 0x02, 0x18, 0x15, 0x41,    // 28 timeOfWeek 345600.5
           0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,    // 36 unread
           0xB6, 0xF3, 0xFD, 0xD4, 0x41, 0x4C, 0x12, 0x41,    // 44 clockOffset 299792.458
           0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38,    // 52 unread
           0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40});

MeasurementRecord Sample_Measurement() {
    MeasurementRecord record{};
    record.recordSize = 44;
    record.prn = 17;
    record.lockCount = 200;
    record.c1 = 20000000.125;
    record.l1 = -1234.5;
    record.d1 = 0.5;
    record.p2 = -0.0;
    record.l2 = 123.25;
    return record;
}

const std::string kMeasurementImage =
    Bytes({0x2C, 0x00,                                        // 0 recordSize 44
           0x11, 0xC8,                                        // 2 prn 17, 3 lockCount 200
           0x00, 0x00, 0x00, 0x02, 0xD0, 0x12, 0x73, 0x41,    // 4 c1 20000000.125
           0x00, 0x00, 0x00, 0x00, 0x00, 0x4A, 0x93, 0xC0,    // 12 l1 -1234.5
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F,    // 20 d1 0.5
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,    // 28 p2 -0.0
           0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x5E, 0x40});  // 36 l2 123.25

ZebHeader Sample_Header() {
    ZebHeader header{};
    header.headerSize = 202;
    header.formatVersion = 1.01f;
    header.receiverType = 9;
    header.channelCount = 12;
    header.createdMonth = 11;
    header.createdDay = 31;
    header.createdYear = 124;
    header.createdHour = 23;
    header.createdMinute = 59;
    header.createdSecond = 58;
    header.creatorWord = 0x12345678;
    std::memcpy(header.fileName, "ab", 3);
    for (int i = 0; i < 10; ++i) header.openState[i] = static_cast<uint8_t>(0xA0 + i);
    return header;
}

std::string Header_Sample_Image() {
    std::string image = Bytes({0xCA, 0x00,                 // 0 headerSize 202
                               0xAE, 0x47, 0x81, 0x3F,     // 2 formatVersion 1.01f
                               0x09, 0x0C,                 // 6 receiverType, 7 channels
                               0x0B, 0x00, 0x1F, 0x00,     // 8 month 11, 10 day 31
                               0x7C, 0x00, 0x17, 0x00,     // 12 year 124, 14 hour 23
                               0x3B, 0x00, 0x3A, 0x00,     // 16 minute 59, 18 second 58
                               0x78, 0x56, 0x34, 0x12,     // 20 creatorWord
                               'a', 'b'});                 // 24 fileName
    image.append(168 - image.size(), '\0');
    image += Bytes({0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9});
    image.append(24, '\0');
    return image;
}

template <typename Record>
bool Same_Bytes(const Record& a, const Record& b) {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;  // packed: no padding
}

std::string As_String(const unsigned char* bytes, size_t size) {
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

TEST(ZebRecords, HandBuiltImagesHaveTheRecordSizes) {
    EXPECT_EQ(kPositionImage.size(), 68u);
    EXPECT_EQ(kMeasurementImage.size(), 44u);
    EXPECT_EQ(Header_Sample_Image().size(), 202u);
}

TEST(ZebRecords, PositionRecordEncodesToTheHandBuiltImage) {
    unsigned char bytes[68];
    std::memset(bytes, 0xEE, sizeof bytes);
    Encode_Position_Record(Sample_Position(), bytes);
    EXPECT_EQ(Hex(As_String(bytes, 68)), Hex(kPositionImage));
    // Unaligned float64 fields land where the format puts them.
    EXPECT_EQ(Hex(As_String(bytes + 28, 8)), "00 00 00 00 02 18 15 41 ");
    EXPECT_EQ(Hex(As_String(bytes + 44, 8)), "b6 f3 fd d4 41 4c 12 41 ");
}

TEST(ZebRecords, PositionRecordDecodesFromTheHandBuiltImage) {
    PositionRecord record{};
    Decode_Position_Record(reinterpret_cast<const unsigned char*>(kPositionImage.data()), record);
    EXPECT_EQ(+record.recordSize, 68);
    EXPECT_EQ(record.measurementCount, 5);
    EXPECT_EQ(record.positionFlags, 2);
    EXPECT_EQ(+record.latitude, 1.0);
    EXPECT_EQ(+record.longitude, -2.0);
    EXPECT_EQ(+record.height, 1.01f);
    EXPECT_EQ(+record.timeOfWeek, 345600.5);
    EXPECT_EQ(+record.clockOffset, 299792.458);
    EXPECT_TRUE(Same_Bytes(record, Sample_Position()));  // unread bytes kept too
}

TEST(ZebRecords, MeasurementRecordEncodesToTheHandBuiltImage) {
    unsigned char bytes[44];
    std::memset(bytes, 0xEE, sizeof bytes);
    Encode_Measurement_Record(Sample_Measurement(), bytes);
    EXPECT_EQ(Hex(As_String(bytes, 44)), Hex(kMeasurementImage));
}

TEST(ZebRecords, MeasurementRecordDecodesFromTheHandBuiltImage) {
    MeasurementRecord record{};
    Decode_Measurement_Record(reinterpret_cast<const unsigned char*>(kMeasurementImage.data()),
                              record);
    EXPECT_EQ(+record.recordSize, 44);
    EXPECT_EQ(record.prn, 17);
    EXPECT_EQ(record.lockCount, 200);
    EXPECT_EQ(+record.c1, 20000000.125);
    EXPECT_EQ(+record.l1, -1234.5);
    EXPECT_EQ(+record.d1, 0.5);
    EXPECT_EQ(+record.p2, 0.0);
    EXPECT_TRUE(std::signbit(record.p2));
    EXPECT_EQ(+record.l2, 123.25);
}

TEST(ZebRecords, HeaderEncodesToAndDecodesFromTheHandBuiltImage) {
    unsigned char bytes[202];
    std::memset(bytes, 0xEE, sizeof bytes);
    Encode_Zeb_Header(Sample_Header(), bytes);
    EXPECT_EQ(Hex(As_String(bytes, 202)), Hex(Header_Sample_Image()));

    ZebHeader header{};
    Decode_Zeb_Header(bytes, header);
    EXPECT_TRUE(Same_Bytes(header, Sample_Header()));
    EXPECT_EQ(+header.formatVersion, 1.01f);
    EXPECT_EQ(+header.creatorWord, 0x12345678);
}

TEST(ZebRecords, SizeWordsAreSigned16Bit) {
    struct Case {
        unsigned low, high;
        int expected;
    };
    const Case cases[] = {
        {0x44, 0x00, 68}, {0x44, 0x01, 324}, {0xFE, 0xFF, -2}, {0x00, 0x80, -32768},
        {0xFF, 0x7F, 32767},
    };
    for (const Case& c : cases) {
        std::string image = kMeasurementImage;
        image[0] = static_cast<char>(c.low);
        image[1] = static_cast<char>(c.high);
        MeasurementRecord record{};
        Decode_Measurement_Record(reinterpret_cast<const unsigned char*>(image.data()), record);
        EXPECT_EQ(+record.recordSize, c.expected) << c.low << " " << c.high;
    }
}

TEST(ZebRecords, DecodeAndEncodeWorkAtEveryAlignment) {
    for (size_t shift = 0; shift < 8; ++shift) {
        unsigned char buffer[80 + 8] = {};
        std::memcpy(buffer + shift, kPositionImage.data(), 68);
        PositionRecord position{};
        Decode_Position_Record(buffer + shift, position);
        EXPECT_TRUE(Same_Bytes(position, Sample_Position())) << shift;

        std::memset(buffer, 0, sizeof buffer);
        Encode_Measurement_Record(Sample_Measurement(), buffer + shift);
        EXPECT_EQ(Hex(As_String(buffer + shift, 44)), Hex(kMeasurementImage)) << shift;
        // Nothing before or after the record is touched.
        for (size_t i = 0; i < shift; ++i) EXPECT_EQ(buffer[i], 0) << shift;
        for (size_t i = shift + 44; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0) << shift;
    }
}

// Any byte image survives decoding and encoding unchanged (unread fields
// included).  The top exponent bit of every floating-point field is cleared
// so no value is a NaN, whose signalling bit an x87 copy could change.
TEST(ZebRecords, AnyImageRoundTripsByteForByte) {
    uint32_t state = 12345;
    auto next = [&state]() {
        state = state * 1103515245u + 12345u;
        return static_cast<unsigned char>(state >> 16);
    };
    const size_t positionFloatEnds[] = {15, 23, 27, 35, 51};
    const size_t measurementFloatEnds[] = {11, 19, 27, 35, 43};
    for (int round = 0; round < 200; ++round) {
        unsigned char position[68], measurement[44], header[202];
        for (auto& byte : position) byte = next();
        for (auto& byte : measurement) byte = next();
        for (auto& byte : header) byte = next();
        for (size_t end : positionFloatEnds) position[end] &= 0xBF;
        for (size_t end : measurementFloatEnds) measurement[end] &= 0xBF;
        header[5] &= 0xBF;

        unsigned char again[202];
        PositionRecord p{};
        Decode_Position_Record(position, p);
        Encode_Position_Record(p, again);
        EXPECT_EQ(std::memcmp(again, position, 68), 0) << round;
        MeasurementRecord m{};
        Decode_Measurement_Record(measurement, m);
        Encode_Measurement_Record(m, again);
        EXPECT_EQ(std::memcmp(again, measurement, 44), 0) << round;
        ZebHeader h{};
        Decode_Zeb_Header(header, h);
        Encode_Zeb_Header(h, again);
        EXPECT_EQ(std::memcmp(again, header, 202), 0) << round;
    }
}

}  // namespace
}  // namespace zer2ivi
