// The writer: header and epoch images checked
// byte for byte, refusals, appending, and round trips through the reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "support/test_support.h"
#include "zeb_images.h"
#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

// Packed record fields are misaligned: the checks below copy them out with a
// unary plus, since gtest would bind a reference to them.

using testing::Bytes;
using testing::Hex;
using testing::Read_File;
using testing::TempDir;

unsigned Byte_At(const std::string& bytes, size_t offset) {
    return static_cast<unsigned char>(bytes.at(offset));
}

int Int16_At(const std::string& bytes, size_t offset) {
    return static_cast<int16_t>(Byte_At(bytes, offset) | (Byte_At(bytes, offset + 1) << 8));
}

PositionRecord Position(uint8_t count, double timeOfWeek) {
    PositionRecord record{};
    record.recordSize = 0;  // the writer sets it
    record.measurementCount = count;
    record.positionFlags = 2;
    record.latitude = 1.0;
    record.longitude = -2.0;
    record.height = 1.01f;
    record.timeOfWeek = timeOfWeek;
    record.clockOffset = 299792.458;
    for (int i = 0; i < 4; ++i) record.unread4[i] = static_cast<uint8_t>(0x11 + i);
    for (int i = 0; i < 8; ++i) record.unread36[i] = static_cast<uint8_t>(0x21 + i);
    for (int i = 0; i < 16; ++i) record.unread52[i] = static_cast<uint8_t>(0x31 + i);
    return record;
}

MeasurementRecord Measurement(uint8_t prn) {
    MeasurementRecord record{};
    record.recordSize = -7;  // the writer sets it
    record.prn = prn;
    record.lockCount = 200;
    record.c1 = 20000000.125;
    record.l1 = -1234.5;
    record.d1 = 0.5;
    record.p2 = -0.0;
    record.l2 = 123.25;
    return record;
}

class ZebWriterTest : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }
    void TearDown() override { Zeb_Finish(writer_); }

    TempDir dir_;
    ZebWriter writer_;
};

TEST_F(ZebWriterTest, HeaderImage) {
    const std::string path = dir_.file("new.zeb");
    const std::time_t start = std::time(nullptr);
    const std::tm before = *std::localtime(&start);
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 9, 12, 0x12345678));
    const std::time_t end = std::time(nullptr);
    EXPECT_NE(writer_.stream, nullptr);
    EXPECT_EQ(writer_.channelCount, 12);
    ASSERT_TRUE(Zeb_Finish(writer_));
    EXPECT_EQ(writer_.stream, nullptr);

    const std::string bytes = Read_File(path);
    ASSERT_EQ(bytes.size(), 202u);
    EXPECT_EQ(Hex(bytes.substr(0, 8)), "ca 00 ae 47 81 3f 09 0c ");  // 202, 1.01f, 9, 12
    EXPECT_EQ(Hex(bytes.substr(20, 4)), "78 56 34 12 ");
    EXPECT_EQ(std::string(bytes.data() + 24), path);
    EXPECT_EQ(bytes.substr(24 + path.size(), 168 + 34 - 24 - path.size()),
              std::string(168 + 34 - 24 - path.size(), '\0'));

    // Creation fields: local time, month 0..11, year - 1900, between the
    // times taken before and after.
    std::tm created{};
    created.tm_mon = Int16_At(bytes, 8);
    created.tm_mday = Int16_At(bytes, 10);
    created.tm_year = Int16_At(bytes, 12);
    created.tm_hour = Int16_At(bytes, 14);
    created.tm_min = Int16_At(bytes, 16);
    created.tm_sec = Int16_At(bytes, 18);
    EXPECT_GE(created.tm_mon, 0);
    EXPECT_LE(created.tm_mon, 11);
    EXPECT_GE(created.tm_mday, 1);
    EXPECT_LE(created.tm_mday, 31);
    EXPECT_GE(created.tm_year, before.tm_year);
    created.tm_isdst = -1;
    const std::time_t when = std::mktime(&created);
    EXPECT_GE(when, start - 1);
    EXPECT_LE(when, end + 1);
}

TEST_F(ZebWriterTest, NegativeCreatorWordAndLongPathCutTo143) {
    const std::string name(200 - (dir_.path().string().size() + 1), 'n');
    const std::string path = dir_.file(name);
    ASSERT_EQ(path.size(), 200u);
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 0, 255, -2));
    ASSERT_TRUE(Zeb_Finish(writer_));
    const std::string bytes = Read_File(path);
    ASSERT_EQ(bytes.size(), 202u);
    EXPECT_EQ(Byte_At(bytes, 6), 0u);
    EXPECT_EQ(Byte_At(bytes, 7), 255u);
    EXPECT_EQ(Hex(bytes.substr(20, 4)), "fe ff ff ff ");
    EXPECT_EQ(bytes.substr(24, 143), path.substr(0, 143));
    EXPECT_EQ(bytes.substr(167), std::string(202 - 167, '\0'));
}

TEST_F(ZebWriterTest, EpochImageMatchesTheHandBuiltImage) {
    const std::string path = dir_.file("epoch.zeb");
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 1, 2));
    const MeasurementRecord measurements[2] = {Measurement(17), Measurement(33)};
    ASSERT_TRUE(Zeb_Write_Epoch(writer_, Position(2, 345600.5), measurements));
    ASSERT_TRUE(Zeb_Finish(writer_));

    const std::string position =
        Bytes({0x44, 0x00, 0x02, 0x02, 0x11, 0x12, 0x13, 0x14,
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,
               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,
               0xAE, 0x47, 0x81, 0x3F,
               0x00, 0x00, 0x00, 0x00, 0x02, 0x18, 0x15, 0x41,
               0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,
               0xB6, 0xF3, 0xFD, 0xD4, 0x41, 0x4C, 0x12, 0x41,
               0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38,
               0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40});
    auto measurement = [](unsigned prn) {
        return Bytes({0x2C, 0x00, prn, 0xC8,
                      0x00, 0x00, 0x00, 0x02, 0xD0, 0x12, 0x73, 0x41,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x4A, 0x93, 0xC0,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0xD0, 0x5E, 0x40});
    };
    const std::string bytes = Read_File(path);
    ASSERT_EQ(bytes.size(), 202u + 68u + 2u * 44u);
    EXPECT_EQ(Hex(bytes.substr(202, 68)), Hex(position));
    EXPECT_EQ(Hex(bytes.substr(270, 44)), Hex(measurement(17)));
    EXPECT_EQ(Hex(bytes.substr(314, 44)), Hex(measurement(33)));
    // timeOfWeek at offset 28 of the position record, clockOffset at 44.
    EXPECT_EQ(Hex(bytes.substr(202 + 28, 8)), "00 00 00 00 02 18 15 41 ");
    EXPECT_EQ(Hex(bytes.substr(202 + 44, 8)), "b6 f3 fd d4 41 4c 12 41 ");
}

TEST_F(ZebWriterTest, CountAboveChannelCountIsRefusedAndNothingWritten) {
    struct Case {
        uint8_t channelCount;
        uint8_t count;
        bool accepted;
    };
    const Case cases[] = {
        {0, 0, true}, {0, 1, false}, {4, 4, true}, {4, 5, false}, {24, 24, true},
        {24, 25, false}, {254, 255, false}, {255, 255, true},
    };
    std::vector<MeasurementRecord> measurements(255, Measurement(5));
    for (const Case& c : cases) {
        const std::string path = dir_.file("refuse.zeb");
        ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 1, c.channelCount));
        EXPECT_EQ(Zeb_Write_Epoch(writer_, Position(c.count, 1.0), measurements.data()), c.accepted)
            << int(c.channelCount) << " " << int(c.count);
        ASSERT_TRUE(Zeb_Finish(writer_));
        const size_t expected = 202u + (c.accepted ? 68u + 44u * c.count : 0u);
        EXPECT_EQ(Read_File(path).size(), expected) << int(c.channelCount) << " " << int(c.count);
    }
}

TEST_F(ZebWriterTest, MissingStreamOrRecordsAreRefused) {
    const MeasurementRecord one[1] = {Measurement(3)};
    EXPECT_FALSE(Zeb_Write_Epoch(writer_, Position(0, 1.0), one));  // nothing open
    const std::string path = dir_.file("null.zeb");
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 1, 4));
    EXPECT_FALSE(Zeb_Write_Epoch(writer_, Position(1, 1.0), nullptr));
    EXPECT_TRUE(Zeb_Write_Epoch(writer_, Position(0, 1.0), nullptr));
    EXPECT_FALSE(Zeb_Create(writer_, path.c_str(), 1, 4));  // already holds a file
    EXPECT_FALSE(Zeb_Append(writer_, path.c_str(), 4));
    ASSERT_TRUE(Zeb_Finish(writer_));
    EXPECT_EQ(Read_File(path).size(), 202u + 68u);
    EXPECT_TRUE(Zeb_Finish(writer_));  // nothing open: nothing to fail
}

TEST_F(ZebWriterTest, CreateAndAppendFailuresLeaveTheWriterEmpty) {
    const std::string nowhere = dir_.file("no/such/dir.zeb");
    EXPECT_FALSE(Zeb_Create(writer_, nowhere.c_str(), 1, 4));
    EXPECT_EQ(writer_.stream, nullptr);
    const std::string missing = dir_.file("missing.zeb");
    EXPECT_FALSE(Zeb_Append(writer_, missing.c_str(), 4));
    EXPECT_EQ(writer_.stream, nullptr);
    EXPECT_FALSE(std::filesystem::exists(missing));  // appending never creates
}

TEST_F(ZebWriterTest, FinishReportsACloseFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    // The header waits in the stream buffer; flushing it on close fails.
    ASSERT_TRUE(Zeb_Create(writer_, "/dev/full", 1, 4));
    EXPECT_FALSE(Zeb_Finish(writer_));
    EXPECT_EQ(writer_.stream, nullptr);
}

// ---- Round trips through the reader -----------------------------------------

constexpr uint8_t kCapacityChannels = static_cast<uint8_t>(EPOCH_CAPACITY);

struct Epoch {
    PositionRecord position;
    std::vector<MeasurementRecord> measurements;
};

std::vector<Epoch> Sample_Epochs() {
    std::vector<Epoch> epochs;
    const double values[] = {0.0, -0.0, 1e-310, -1e300, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(), 22345678.901, -0.5};
    for (int countValue : {0, 1, 24, 7, 0, 24, 12}) {
        const auto count = static_cast<uint8_t>(countValue);
        Epoch epoch;
        epoch.position = Position(count, 604790.0 + 10.0 * static_cast<double>(epochs.size()));
        epoch.position.positionFlags = static_cast<uint8_t>(epochs.size());
        epoch.position.height = -static_cast<float>(epochs.size()) * 0.25f;
        for (uint8_t i = 0; i < count; ++i) {
            MeasurementRecord record = Measurement(static_cast<uint8_t>(i + 1 + 3 * epochs.size()));
            record.lockCount = static_cast<uint8_t>(255 - i);
            record.c1 = values[i % 8];
            record.l1 = values[(i + 1) % 8];
            record.d1 = values[(i + 2) % 8];
            record.p2 = values[(i + 3) % 8];
            record.l2 = values[(i + 5) % 8];
            epoch.measurements.push_back(record);
        }
        epochs.push_back(epoch);
    }
    return epochs;
}

void Expect_Read_Back(ZebFile* file, const Epoch& epoch, size_t index) {
    PositionRecord position{};
    MeasurementRecord measurements[EPOCH_CAPACITY]{};
    ASSERT_EQ(Zeb_Read_Epoch(file, position, measurements), 0) << index;
    PositionRecord expected = epoch.position;
    expected.recordSize = 68;
    EXPECT_EQ(std::memcmp(&position, &expected, sizeof position), 0) << index;
    for (size_t i = 0; i < epoch.measurements.size(); ++i) {
        MeasurementRecord record = epoch.measurements[i];
        record.recordSize = 44;
        EXPECT_EQ(std::memcmp(&measurements[i], &record, sizeof record), 0) << index << " " << i;
    }
}

TEST_F(ZebWriterTest, EpochsRoundTripThroughTheReader) {
    const std::string path = dir_.file("round.zeb");
    const std::vector<Epoch> epochs = Sample_Epochs();
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 4, kCapacityChannels, 99));
    for (const Epoch& epoch : epochs) {
        ASSERT_TRUE(Zeb_Write_Epoch(writer_, epoch.position, epoch.measurements.data()));
    }
    ASSERT_TRUE(Zeb_Finish(writer_));

    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr) << library.LastErrorText;
    EXPECT_EQ(file->header.receiverType, 4);
    EXPECT_EQ(file->header.channelCount, EPOCH_CAPACITY);
    EXPECT_EQ(+file->header.creatorWord, 99);
    EXPECT_EQ(+file->header.formatVersion, 1.01f);
    for (size_t i = 0; i < epochs.size(); ++i) Expect_Read_Back(file, epochs[i], i);
    PositionRecord position{};
    MeasurementRecord measurements[EPOCH_CAPACITY]{};
    EXPECT_EQ(Zeb_Read_Epoch(file, position, measurements), -1);
    EXPECT_STREQ(library.LastErrorText, "End of file");
    Zeb_Close(file);
}

TEST_F(ZebWriterTest, AppendAddsEpochsAfterTheExistingOnes) {
    const std::string path = dir_.file("append.zeb");
    const std::vector<Epoch> epochs = Sample_Epochs();
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 4, kCapacityChannels));
    ASSERT_TRUE(Zeb_Write_Epoch(writer_, epochs[0].position, epochs[0].measurements.data()));
    ASSERT_TRUE(Zeb_Finish(writer_));
    const std::string header = Read_File(path).substr(0, 202);
    for (size_t i = 1; i < epochs.size(); ++i) {
        ASSERT_TRUE(Zeb_Append(writer_, path.c_str(), kCapacityChannels));
        ASSERT_TRUE(Zeb_Write_Epoch(writer_, epochs[i].position, epochs[i].measurements.data()));
        ASSERT_TRUE(Zeb_Finish(writer_));
    }
    EXPECT_EQ(Read_File(path).substr(0, 202), header);  // not rewritten

    ZebFile* file = Zeb_Open(path.c_str(), 0);
    ASSERT_NE(file, nullptr);
    for (size_t i = 0; i < epochs.size(); ++i) Expect_Read_Back(file, epochs[i], i);
    Zeb_Close(file);
}

TEST_F(ZebWriterTest, HostileEpochsForTheReaderCanBeWritten) {
    // channelCount 255 lets the writer produce counts the reader refuses.
    const std::string path = dir_.file("hostile.zeb");
    std::vector<MeasurementRecord> measurements(255, Measurement(9));
    ASSERT_TRUE(Zeb_Create(writer_, path.c_str(), 1, 255));
    ASSERT_TRUE(Zeb_Write_Epoch(writer_, Position(255, 7.0), measurements.data()));
    ASSERT_TRUE(Zeb_Finish(writer_));
    EXPECT_EQ(Read_File(path).size(), 202u + 68u + 255u * 44u);
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    PositionRecord position{};
    MeasurementRecord records[EPOCH_CAPACITY]{};
    EXPECT_EQ(Zeb_Read_Epoch(file, position, records), 1);
    EXPECT_EQ(std::string(library.LastErrorText),
              "Error: Epoch 7.0 has more measurements than channels in " + path);
    Zeb_Close(file);
}

}  // namespace
}  // namespace zer2ivi
