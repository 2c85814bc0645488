// The reader: every message it writes, produced from a file
// built to provoke it and compared character for character.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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

using testing::Epoch_Image;
using testing::Header_Image;
using testing::kSampleTimeOfWeek;
using testing::Measurement_Image;
using testing::Position_Image;
using testing::TempDir;
using testing::Write_File;

std::string Message() { return library.LastErrorText; }

class ZebReaderTest : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }

    // Writes content to a fresh file of the temporary directory.
    std::string Make(const std::string& content, const std::string& name = "obs.zeb") {
        const std::string path = dir_.file(name);
        Write_File(path, content);
        return path;
    }

    TempDir dir_;
    PositionRecord position_{};
    MeasurementRecord measurements_[EPOCH_CAPACITY]{};
};

// ---- Zeb_Open -------------------------------------------------------------

TEST_F(ZebReaderTest, OpenFailuresNameThePathAndReturnNone) {
    struct Case {
        const char* label;
        bool create;
        std::string content;
        std::string messageBeforePath;
        std::string messageAfterPath;
    };
    const std::string header = Header_Image(12);
    const std::vector<Case> cases = {
        {"missing file", false, "", "Error: File ", " not found"},
        {"empty file", true, "", "Error: Unable to read header from ", ""},
        {"100 bytes", true, std::string(100, 'x'), "Error: Unable to read header from ", ""},
        {"201 bytes", true, header.substr(0, 201), "Error: Unable to read header from ", ""},
        {"headerSize 200", true, Header_Image(12, 200) + Epoch_Image(1),
         "Error: Invalid header size in ", "  Size: 200   Hsize: 202"},
        {"headerSize -54", true, Header_Image(12, -54), "Error: Invalid header size in ",
         "  Size: -54   Hsize: 202"},
        {"headerSize 458", true, Header_Image(12, 458), "Error: Invalid header size in ",
         "  Size: 458   Hsize: 202"},
        {"headerSize 0", true, std::string(202, '\0'), "Error: Invalid header size in ",
         "  Size: 0   Hsize: 202"},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = dir_.file("case" + std::to_string(index++) + ".zeb");
        if (c.create) Write_File(path, c.content);
        for (int bufferSize : {0, 256}) {
            Set_Message("previous");
            EXPECT_EQ(Zeb_Open(path.c_str(), bufferSize), nullptr) << c.label;
            EXPECT_EQ(Message(), c.messageBeforePath + path + c.messageAfterPath) << c.label;
        }
    }
}

TEST_F(ZebReaderTest, HeaderSize200MessageHasTwoAndThreeBlanks) {
    const std::string path = Make(Header_Image(12, 200));
    EXPECT_EQ(Zeb_Open(path.c_str(), 256), nullptr);
    EXPECT_EQ(Message(), "Error: Invalid header size in " + path + "  Size: 200   Hsize: 202");
}

TEST_F(ZebReaderTest, NegativeBufferSizeCannotBeObtained) {
    const std::string path = Make(Header_Image(12));
    EXPECT_EQ(Zeb_Open(path.c_str(), -1), nullptr);
    EXPECT_EQ(Message(), "Error: Not enough memory vbuf alloc");
}

TEST_F(ZebReaderTest, OpenKeepsHeaderPathStreamAndBuffer) {
    const std::string path = Make(Header_Image(12) + Epoch_Image(2));
    Set_Message("previous");
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Message(), "previous");  // success writes no message
    EXPECT_EQ(+file->header.headerSize, 202);
    EXPECT_EQ(+file->header.formatVersion, 1.01f);
    EXPECT_EQ(file->header.receiverType, 3);
    EXPECT_EQ(file->header.channelCount, 12);
    EXPECT_EQ(+file->header.createdMonth, 4);
    EXPECT_EQ(+file->header.createdDay, 17);
    EXPECT_EQ(+file->header.createdYear, 124);
    EXPECT_EQ(+file->header.createdHour, 13);
    EXPECT_EQ(+file->header.createdMinute, 45);
    EXPECT_EQ(+file->header.createdSecond, 9);
    EXPECT_EQ(+file->header.creatorWord, 7);
    EXPECT_EQ(std::string(file->path), path);
    // fileName holds the path opened, not the one stored on disk.
    EXPECT_EQ(std::string(file->header.fileName), path);
    EXPECT_NE(file->stream, nullptr);
    EXPECT_EQ(file->bufferSize, 256);
    EXPECT_NE(file->buffer, nullptr);
    EXPECT_EQ(std::ftell(file->stream), 202);  // at the first epoch
    Zeb_Close(file);
}

TEST_F(ZebReaderTest, BufferSizeZeroObtainsNoBuffer) {
    const std::string path = Make(Header_Image(12) + Epoch_Image(2));
    ZebFile* file = Zeb_Open(path.c_str(), 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->bufferSize, 0);
    EXPECT_EQ(file->buffer, nullptr);
    EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    EXPECT_EQ(position_.measurementCount, 2);
    Zeb_Close(file);  // releases no buffer (the leak checker watches the rest)
}

TEST_F(ZebReaderTest, EveryBufferSizeReadsTheSameEpochs) {
    std::string content = Header_Image(24);
    for (unsigned i = 0; i < 30; ++i) content += Epoch_Image(i % 25, 1000.0 + i);
    const std::string path = Make(content);
    for (int bufferSize : {0, 1, 7, 44, 68, 256, 1000, 65536, 100000}) {
        ZebFile* file = Zeb_Open(path.c_str(), bufferSize);
        ASSERT_NE(file, nullptr) << bufferSize;
        EXPECT_EQ(file->bufferSize, bufferSize);
        for (unsigned i = 0; i < 30; ++i) {
            ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0) << bufferSize << " " << i;
            EXPECT_EQ(+position_.timeOfWeek, 1000.0 + i);
            ASSERT_EQ(position_.measurementCount, i % 25);
            for (unsigned k = 0; k < i % 25; ++k) EXPECT_EQ(measurements_[k].prn, k + 1);
        }
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), -1);
        Zeb_Close(file);
    }
}

// ---- Paths ----------------------------------------------------------------

// Creates directories under base so that base/.../name has exactly length
// characters; returns that path.
std::string Path_Of_Length(const std::filesystem::path& base, size_t length) {
    std::string path = base.string();
    while (length - path.size() > 201) {
        path += "/" + std::string(150, 'd');
        std::filesystem::create_directory(path);
    }
    path += "/";
    path += std::string(length - path.size(), 'f');
    return path;
}

TEST_F(ZebReaderTest, PathOf255CharactersIsKeptWholeAndCutIn_fileName) {
    const std::string path = Path_Of_Length(dir_.path(), 255);
    ASSERT_EQ(path.size(), 255u);
    Write_File(path, Header_Image(12) + Position_Image(0, 1.0, 67));
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::string(file->path), path);
    EXPECT_EQ(std::string(file->header.fileName), path.substr(0, 143));
    EXPECT_EQ(file->header.fileName[143], '\0');
    EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1);
    EXPECT_EQ(Message(), ("Error: Bad position record in " + path).substr(0, 255));
    Zeb_Close(file);
}

TEST_F(ZebReaderTest, LongerPathsAreOpenedButKeptCutAt255) {
#if defined(_WIN32)
    GTEST_SKIP() << "paths beyond MAX_PATH";
#endif
    for (size_t length : {256u, 300u, 600u}) {
        const std::string path = Path_Of_Length(dir_.path(), length);
        ASSERT_EQ(path.size(), length);
        Write_File(path, Header_Image(12));
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        ASSERT_NE(file, nullptr) << length;
        EXPECT_EQ(std::string(file->path), path.substr(0, 255));
        EXPECT_EQ(std::string(file->header.fileName), path.substr(0, 143));
        Zeb_Close(file);

        const std::string missing = path + "x";
        EXPECT_EQ(Zeb_Open(missing.c_str(), 256), nullptr);
        EXPECT_EQ(Message(), ("Error: File " + missing + " not found").substr(0, 255));
        Write_File(path, Header_Image(12, 200));
        EXPECT_EQ(Zeb_Open(path.c_str(), 256), nullptr);
        EXPECT_EQ(Message(), ("Error: Invalid header size in " + path).substr(0, 255));
    }
}

// ---- Zeb_Read_Epoch ---------------------------------------------------------

struct EpochCase {
    const char* label;
    unsigned channelCount;
    std::string epochs;            // everything after the header
    std::vector<int> results;      // of successive Zeb_Read_Epoch calls
    std::string messageBeforePath; // message after the last call ...
    std::string messageAfterPath;  // ... around the path, or "End of file"
};

std::string With_Size_Word(std::string image, size_t offset, unsigned low, unsigned high) {
    image[offset] = static_cast<char>(low);
    image[offset + 1] = static_cast<char>(high);
    return image;
}

TEST_F(ZebReaderTest, EpochOutcomesAndMessages) {
    const std::string three = Epoch_Image(3);
    const std::vector<EpochCase> cases = {
        {"header only", 12, "", {-1, -1}, "End of file", ""},
        {"count equal to channelCount", 4, Epoch_Image(4), {0, -1}, "End of file", ""},
        {"count 0", 4, Epoch_Image(0) + Epoch_Image(1), {0, 0, -1}, "End of file", ""},
        {"count one above channelCount", 4, Epoch_Image(5), {1},
         "Error: Epoch 345600.5 has 5 measurements 4 channels in ", ""},
        {"count above channelCount and above 24", 10, Epoch_Image(30), {1},
         "Error: Epoch 345600.5 has 30 measurements 10 channels in ", ""},
        {"count above channelCount, records missing", 2, Position_Image(3), {1},
         "Error: Epoch 345600.5 has 3 measurements 2 channels in ", ""},
        {"count 24 of channelCount 255", 255, Epoch_Image(24), {0, -1}, "End of file", ""},
        {"count 25 of channelCount 255, records missing", 255, Position_Image(25), {1},
         "Error: Epoch 345600.5 has more measurements than channels in ", ""},
        {"measurements 10 bytes short", 12, Epoch_Image(2) + three.substr(0, three.size() - 10),
         {0, 1}, "Error: Pre-mature end of file in ", " at epoch 345600.5"},
        {"measurements missing", 12, Position_Image(3), {1},
         "Error: Pre-mature end of file in ", " at epoch 345600.5"},
        {"second measurement size 45", 12,
         Position_Image(3) + Measurement_Image(1) + Measurement_Image(2, 45) + Measurement_Image(3),
         {1}, "Error: Bad measurement record (1) in ", ""},
        {"last measurement size 300", 12,
         Position_Image(3) + Measurement_Image(1) + Measurement_Image(2) + Measurement_Image(3, 300),
         {1}, "Error: Bad measurement record (1) in ", ""},
        {"measurement size 44+256", 12, With_Size_Word(Epoch_Image(1), 68, 0x2C, 0x01), {1},
         "Error: Bad measurement record (1) in ", ""},
        {"measurement size -212", 12, With_Size_Word(Epoch_Image(1), 68, 0x2C, 0xFF), {1},
         "Error: Bad measurement record (1) in ", ""},
        {"position size 67", 12, Position_Image(0, kSampleTimeOfWeek, 67), {1},
         "Error: Bad position record in ", ""},
        {"position size 68+256", 12, With_Size_Word(Epoch_Image(1), 0, 0x44, 0x01), {1},
         "Error: Bad position record in ", ""},
        {"position size -188", 12, With_Size_Word(Epoch_Image(1), 0, 0x44, 0xFF), {1},
         "Error: Bad position record in ", ""},
        {"second position size 0", 12, Epoch_Image(1) + std::string(68, '\0'), {0, 1},
         "Error: Bad position record in ", ""},
        {"bad position size before count above channelCount", 4,
         Position_Image(9, kSampleTimeOfWeek, 60), {1}, "Error: Bad position record in ", ""},
        {"50 bytes of rubbish after the last epoch", 12, Epoch_Image(2) + std::string(50, 'r'),
         {0, -1, -1}, "End of file", ""},
        {"67 bytes after the last epoch", 12, Epoch_Image(2) + Epoch_Image(3).substr(0, 67),
         {0, -1}, "End of file", ""},
        {"1 byte after the last epoch", 12, Epoch_Image(2) + "\x44", {0, -1}, "End of file", ""},
    };
    int index = 0;
    for (const EpochCase& c : cases) {
        const std::string path =
            Make(Header_Image(c.channelCount) + c.epochs, "epoch" + std::to_string(index++) + ".zeb");
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        ASSERT_NE(file, nullptr) << c.label;
        Set_Message("previous");
        for (size_t call = 0; call < c.results.size(); ++call) {
            EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), c.results[call])
                << c.label << ", call " << call;
        }
        const std::string expected = c.messageBeforePath == "End of file"
                                         ? std::string("End of file")
                                         : c.messageBeforePath + path + c.messageAfterPath;
        EXPECT_EQ(Message(), expected) << c.label;
        Zeb_Close(file);
    }
}

TEST_F(ZebReaderTest, EveryCountFrom25To255IsRefusedWithChannelCount255) {
    for (unsigned count = 25; count <= 255; ++count) {
        const std::string path = Make(Header_Image(255) + Epoch_Image(count), "many.zeb");
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1) << count;
        EXPECT_EQ(Message(),
                  "Error: Epoch 345600.5 has more measurements than channels in " + path)
            << count;
        Zeb_Close(file);
    }
}

TEST_F(ZebReaderTest, CountEqualToEveryChannelCountIsRead) {
    for (unsigned channels = 0; channels <= EPOCH_CAPACITY; ++channels) {
        const std::string path = Make(Header_Image(channels) + Epoch_Image(channels) +
                                      Epoch_Image(channels + 1), "equal.zeb");
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0) << channels;
        EXPECT_EQ(position_.measurementCount, channels);
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1) << channels;
        EXPECT_EQ(Message(), "Error: Epoch 345600.5 has " + std::to_string(channels + 1) +
                                 " measurements " + std::to_string(channels) + " channels in " +
                                 path);
        Zeb_Close(file);
    }
}

TEST_F(ZebReaderTest, TimeOfWeekIsPrintedWithOneDecimalWhateverItHolds) {
    struct Case {
        double timeOfWeek;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.0"},
        {-1.0, "-1.0"},
        {604799.75, "604799.8"},
        {1e20, "100000000000000000000.0"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const Case& c : cases) {
        const std::string path =
            Make(Header_Image(4) + Epoch_Image(5, c.timeOfWeek) + Epoch_Image(1, c.timeOfWeek) +
                 Position_Image(2, c.timeOfWeek), "tow.zeb");
        ZebFile* file = Zeb_Open(path.c_str(), 256);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1);
        EXPECT_EQ(Message(), std::string("Error: Epoch ") + c.text +
                                 " has 5 measurements 4 channels in " + path);
        Zeb_Close(file);

        const std::string premature = Make(Header_Image(4) + Position_Image(2, c.timeOfWeek),
                                           "tow2.zeb");
        file = Zeb_Open(premature.c_str(), 0);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1);
        EXPECT_EQ(Message(),
                  "Error: Pre-mature end of file in " + premature + " at epoch " + c.text);
        Zeb_Close(file);
    }
}

TEST_F(ZebReaderTest, EpochFieldsArePassedAsTheyAre) {
    std::string content = Header_Image(3) + Position_Image(3, 604790.0);
    content += Measurement_Image(200);  // outside the format: passes unchecked
    content += testing::LeImage()
                   .i16(44).u8(7).u8(0)
                   .f64(std::numeric_limits<double>::quiet_NaN()).f64(-0.0).f64(1e300)
                   .f64(std::numeric_limits<double>::denorm_min()).f64(-1e-300)
                   .str();
    content += Measurement_Image(64);
    const std::string path = Make(content);
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    EXPECT_EQ(+position_.recordSize, 68);
    EXPECT_EQ(position_.measurementCount, 3);
    EXPECT_EQ(position_.positionFlags, 2);
    EXPECT_EQ(position_.unread4[3], 0x11);
    EXPECT_EQ(+position_.latitude, 52.5);
    EXPECT_EQ(+position_.longitude, -1.25);
    EXPECT_EQ(+position_.height, 123.5f);
    EXPECT_EQ(+position_.timeOfWeek, 604790.0);
    EXPECT_EQ(position_.unread36[7], 0x22);
    EXPECT_EQ(+position_.clockOffset, 299792.458);
    EXPECT_EQ(position_.unread52[15], 0x33);

    EXPECT_EQ(measurements_[0].prn, 200);
    EXPECT_EQ(measurements_[0].lockCount, (200 + 100) & 0xFF);
    EXPECT_EQ(+measurements_[0].c1, 20000200.0);
    EXPECT_EQ(+measurements_[0].l1, -1234.5 * 200);
    EXPECT_EQ(+measurements_[0].d1, -500.25);
    EXPECT_EQ(+measurements_[0].p2, 20000210.0);
    EXPECT_EQ(+measurements_[0].l2, 987.5);
    EXPECT_EQ(+measurements_[1].recordSize, 44);
    EXPECT_TRUE(std::isnan(measurements_[1].c1));
    EXPECT_TRUE(std::signbit(measurements_[1].l1));
    EXPECT_EQ(+measurements_[1].d1, 1e300);
    EXPECT_EQ(+measurements_[1].p2, std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(+measurements_[1].l2, -1e-300);
    EXPECT_EQ(measurements_[2].prn, 64);
    Zeb_Close(file);
}

TEST_F(ZebReaderTest, NoMoreRecordsAreStoredThanTheEpochAnnounces) {
    const std::string path = Make(Header_Image(12) + Epoch_Image(2) + Position_Image(3) +
                                  Measurement_Image(5) + Measurement_Image(6, 0) +
                                  Measurement_Image(7));
    MeasurementRecord sentinel{};
    sentinel.prn = 99;
    for (auto& record : measurements_) record = sentinel;
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    EXPECT_EQ(measurements_[0].prn, 1);
    EXPECT_EQ(measurements_[1].prn, 2);
    for (int i = 2; i < EPOCH_CAPACITY; ++i) EXPECT_EQ(measurements_[i].prn, 99) << i;
    // A bad record stops the decoding: nothing after it is stored.
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 1);
    EXPECT_EQ(measurements_[0].prn, 5);
    EXPECT_EQ(measurements_[2].prn, 99);
    Zeb_Close(file);
}

// ---- Zeb_Rewind -------------------------------------------------------------

TEST_F(ZebReaderTest, RewindYieldsTheSameFirstEpoch) {
    const std::string path =
        Make(Header_Image(12) + Epoch_Image(3, 100.0) + Epoch_Image(0, 101.0) + Epoch_Image(5, 102.0));
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    PositionRecord first{};
    MeasurementRecord firstMeasurements[EPOCH_CAPACITY]{};
    ASSERT_EQ(Zeb_Read_Epoch(file, first, firstMeasurements), 0);
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    EXPECT_EQ(+position_.timeOfWeek, 101.0);

    auto expectFirst = [&](const char* when) {
        PositionRecord again{};
        MeasurementRecord againMeasurements[EPOCH_CAPACITY]{};
        ASSERT_EQ(Zeb_Read_Epoch(file, again, againMeasurements), 0) << when;
        EXPECT_EQ(std::memcmp(&again, &first, sizeof again), 0) << when;
        EXPECT_EQ(std::memcmp(againMeasurements, firstMeasurements, sizeof againMeasurements), 0)
            << when;
        EXPECT_EQ(+again.timeOfWeek, 100.0) << when;
    };
    EXPECT_EQ(Zeb_Rewind(file), 0);
    expectFirst("after a partial read");

    while (Zeb_Read_Epoch(file, position_, measurements_) == 0) {
    }
    EXPECT_EQ(Message(), "End of file");
    EXPECT_EQ(Zeb_Rewind(file), 0);
    expectFirst("after the end of the file");
    EXPECT_EQ(Zeb_Rewind(file), 0);
    EXPECT_EQ(Zeb_Rewind(file), 0);
    expectFirst("after two rewinds");
    Zeb_Close(file);
}

TEST_F(ZebReaderTest, RewindOfAHeaderOnlyFileEndsAgain) {
    const std::string path = Make(Header_Image(12));
    ZebFile* file = Zeb_Open(path.c_str(), 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), -1);
    EXPECT_EQ(Zeb_Rewind(file), 0);
    EXPECT_EQ(Zeb_Read_Epoch(file, position_, measurements_), -1);
    EXPECT_EQ(Message(), "End of file");
    Zeb_Close(file);
}

// ---- Zeb_Close --------------------------------------------------------------

TEST_F(ZebReaderTest, CloseAcceptsNullAndLeavesForeignHandlesAlone) {
    Zeb_Close(nullptr);
    ZebFile foreign{};  // headerSize 0, on the stack: must not be released
    foreign.header.headerSize = 0;
    Zeb_Close(&foreign);

    const std::string path = Make(Header_Image(12) + Epoch_Image(1) + Epoch_Image(2));
    ZebFile* file = Zeb_Open(path.c_str(), 256);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    file->header.headerSize = 201;
    Zeb_Close(file);  // left alone: still readable
    ASSERT_EQ(Zeb_Read_Epoch(file, position_, measurements_), 0);
    EXPECT_EQ(position_.measurementCount, 2);
    file->header.headerSize = 202;
    Zeb_Close(file);
}

}  // namespace
}  // namespace zer2ivi
