// The walk of a whole log: where the whole epochs end and why the rest is
// not readable, on hand-built byte images.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/test_support.h"
#include "zebfile/zeb_images.h"
#include "zebfile/zebfile.h"

namespace zer2ivi {
namespace {

using testing::Header_Image;
using testing::Measurement_Image;
using testing::Position_Image;

std::string Epoch_Image(unsigned count, double timeOfWeek) {
    std::string epoch = Position_Image(count, timeOfWeek);
    for (unsigned i = 1; i <= count; ++i) epoch += Measurement_Image(i);
    return epoch;
}

TEST(ZebWalk, FindsTheEndOfTheWholeEpochsAndWhyTheRestIsUnread) {
    const std::string two = Header_Image(4) + Epoch_Image(2, 100.0) + Epoch_Image(3, 130.0);
    const uint64_t end1 = 202 + 68 + 2 * 44;
    const uint64_t end2 = end1 + 68 + 3 * 44;
    struct Case {
        const char* name;
        std::string bytes;
        ZebWalkResult result;
        ZebStop stop;
        int64_t epochs;
        uint64_t completeEnd;
        const char* reason;  // a part of the stop reason
    };
    const Case cases[] = {
        {"whole", two, ZebWalkResult::Walked, ZebStop::EndOfFile, 2, end2, ""},
        {"header only", Header_Image(4), ZebWalkResult::Walked, ZebStop::EndOfFile, 0, 202, ""},
        {"short header", Header_Image(4).substr(0, 201), ZebWalkResult::TooShort, ZebStop::EndOfFile, 0, 202, ""},
        {"header size word", Header_Image(4, 200) + Epoch_Image(1, 1.0), ZebWalkResult::NotALog, ZebStop::EndOfFile, 0, 202, ""},
        {"cut in a position record", two + Position_Image(1).substr(0, 67), ZebWalkResult::Walked,
         ZebStop::CutInPosition, 2, end2, "epoch 3 at byte offset 558: the file ends inside its position"},
        {"cut in measurements", two.substr(0, end2 - 1), ZebWalkResult::Walked,
         ZebStop::CutInMeasurements, 1, end1, "epoch 2 at byte offset 358: the file ends inside its measurement records (131 of 132"},
        {"position size word", two + Position_Image(0, 160.0, 67), ZebWalkResult::Walked,
         ZebStop::BadPositionSize, 2, end2, "record size word 67 instead of 68"},
        {"more than the channels", two + Epoch_Image(5, 160.0), ZebWalkResult::Walked,
         ZebStop::TooManyMeasurements, 2, end2, "5 measurements for 4 channels"},
        {"measurement size word", Header_Image(4) + Position_Image(1) + Measurement_Image(1, 43),
         ZebWalkResult::Walked, ZebStop::BadMeasurementSize, 0, 202, "measurement record 1: size word 43"},
        {"satellite number", Header_Image(4) + Position_Image(1) + Measurement_Image(65),
         ZebWalkResult::Walked, ZebStop::SatelliteNumber, 0, 202, "satellite number 65 above 64"},
    };
    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("log.zeb");
        {
            std::ofstream out(path, std::ios::binary);
            out.write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
        }
        ZebLogExtent extent;
        ASSERT_EQ(Zeb_Walk_Log(path.c_str(), extent), c.result);
        EXPECT_EQ(extent.fileSize, c.bytes.size());
        if (c.result != ZebWalkResult::Walked) continue;
        EXPECT_EQ(extent.stop, c.stop);
        EXPECT_EQ(extent.epochs, c.epochs);
        EXPECT_EQ(extent.completeEnd, c.completeEnd);
        EXPECT_EQ(Zeb_Log_Is_Cut(extent),
                  c.stop == ZebStop::CutInPosition || c.stop == ZebStop::CutInMeasurements);
        EXPECT_NE(std::string(extent.stopReason).find(c.reason), std::string::npos)
            << extent.stopReason;
        EXPECT_EQ(extent.hasFirstTimeOfWeek, c.epochs > 0);
        if (c.epochs > 0) {
            EXPECT_EQ(extent.firstTimeOfWeek, 100.0);
        }
    }
    ZebLogExtent extent;
    EXPECT_EQ(Zeb_Walk_Log(dir.file("missing.zeb").c_str(), extent), ZebWalkResult::Unreadable);
}

TEST(ZebWalk, AReadLimitEndsTheEpochsForTheReader) {
    const std::string bytes = Header_Image(4) + Epoch_Image(2, 100.0) + Epoch_Image(1, 130.0) +
                              Epoch_Image(1, 160.0);
    testing::TempDir dir;
    const std::string path = dir.file("log.zeb");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    struct Case {
        uint64_t limit;
        int epochs;
    };
    for (const Case& c : {Case{0, 3}, Case{202, 0}, Case{202 + 68 + 88, 1}, Case{202 + 68 + 88 + 1, 2}}) {
        SCOPED_TRACE(c.limit);
        ZebFile* file = Zeb_Open(path.c_str(), 0);
        ASSERT_NE(file, nullptr);
        file->readLimit = c.limit;
        PositionRecord position{};
        MeasurementRecord measurements[EPOCH_CAPACITY]{};
        int epochs = 0;
        while (Zeb_Read_Epoch(file, position, measurements) == 0) ++epochs;
        EXPECT_EQ(epochs, c.epochs);
        ASSERT_EQ(Zeb_Rewind(file), 0);
        EXPECT_EQ(file->offset, 202u);
        Zeb_Close(file);
    }
}

}  // namespace
}  // namespace zer2ivi
