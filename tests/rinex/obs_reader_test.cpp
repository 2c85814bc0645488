#include <gtest/gtest.h>

#include <zlib.h>

#include "rinex/obs_reader.h"
#include "rinex/rinex_test_files.h"
#include "support/test_support.h"

namespace zer2ivi::rinex {
namespace {

using testing::Header_Line;
using testing::Obs;
using testing::Small_Header;

// Everything the reader kept as text, header and epochs, in file order.
std::string Read_Back(const std::string& path, size_t& epochs, std::string& error) {
    ObsReader reader;
    epochs = 0;
    if (!reader.open(path)) {
        error = reader.error();
        return {};
    }
    std::string text;
    for (const HeaderLine& line : reader.header().lines) text += line.raw;
    ObsEpoch epoch;
    while (reader.next(epoch) == ObsReader::Status::kEpoch) {
        text += epoch.text();
        ++epochs;
    }
    error = reader.error();
    return text;
}

TEST(ObsReader, RealFilesOfOtherProducersReadBackByteForByte) {
    struct Case {
        const char* name;
        size_t epochs;
        size_t types;
    };
    for (const Case& c : {Case{"bahr1620.04o", 120, 9}, Case{"07590920.05o", 123, 4}}) {
        SCOPED_TRACE(c.name);
        const std::string path = testing::Real_Data(c.name);
        size_t epochs = 0;
        std::string error;
        EXPECT_EQ(Read_Back(path, epochs, error), testing::Read_File(path));
        EXPECT_EQ(error, "");
        EXPECT_EQ(epochs, c.epochs);
    }
}

TEST(ObsReader, RealFileValuesLliAndStrength) {
    ObsReader reader;
    ASSERT_TRUE(reader.open(testing::Real_Data("bahr1620.04o"))) << reader.error();
    const ObsHeader& header = reader.header();
    EXPECT_EQ(header.versionText, "2.10");
    EXPECT_EQ(header.markerName, "BAHR");
    EXPECT_EQ(header.typeIndex("P1"), 3);
    EXPECT_EQ(header.interval, 30 * kTicksPerSecond);
    ASSERT_TRUE(header.approxPosition);
    EXPECT_DOUBLE_EQ((*header.approxPosition)[0], 3633909.1016);
    ASSERT_TRUE(header.antennaDelta);
    EXPECT_DOUBLE_EQ((*header.antennaDelta)[0], 3.122);

    ObsEpoch epoch;
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch);
    EXPECT_EQ(Format_Iso8601(epoch.time), "2004-06-10T00:00:00");
    ASSERT_EQ(epoch.satelliteCount(), 8u);
    EXPECT_EQ(epoch.satellite(7).prn, 30);
    ASSERT_TRUE(epoch.clockOffset);
    EXPECT_EQ(*epoch.clockOffset, 0.0);
    // "  -4163185.462 7  -3221253.335 7  24236698.057    24236698.474    24236701.852"
    const ObsValue& l1 = epoch.value(0, 0);
    EXPECT_TRUE(l1.present);
    EXPECT_DOUBLE_EQ(l1.value, -4163185.462);
    EXPECT_EQ(l1.lli, 0);
    EXPECT_EQ(l1.strength, 7);
    EXPECT_DOUBLE_EQ(epoch.value(0, 8).value, 36.240);  // S2 on the second line
}

// 14 satellites (two satellite lines), 7 types (two observation lines),
// an event with special records, new types from an event epoch, CR LF.
TEST(ObsReader, ContinuationLinesEventsAndNewTypes) {
    testing::TempDir dir;
    std::string file = Small_Header("", "     7    C1    L1    L2    P2    D1    S1    S2");
    std::string sats;
    for (int prn = 1; prn <= 14; ++prn) sats += (prn < 10 ? "G0" : "G") + std::to_string(prn);
    file += " 05  1 20  1  0  0.0000000  0 14" + sats.substr(0, 36) + " -.000123456\n";
    file += std::string(32, ' ') + sats.substr(36) + "\n";
    for (int prn = 1; prn <= 14; ++prn) {
        file += Obs(std::to_string(prn) + ".125", prn == 3 ? '1' : ' ', '8') + Obs("2.000") +
                Obs("") + Obs("4.000", '5') + Obs("5.000") + "\n";
        file += Obs("6.000") + Obs("7.000", ' ', '9') + "\n";
    }
    file += std::string(28, ' ') + "2  1\n";
    file += Header_Line("ANTENNA MOVED", "COMMENT");
    file += " 05  1 20  1  0  1.0000000  4  2\n";
    file += Header_Line("     1    L1", "# / TYPES OF OBSERV");
    file += Header_Line("NEW TYPES", "COMMENT");
    file += " 05  1 20  1  0  2.5000000  1  1G05\n";
    file += Obs("9.500", '2') + "\n";
    std::string crlf;
    for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    for (const std::string& content : {file, crlf}) {
        const std::string path = dir.file("events.05o");
        testing::Write_File(path, content);
        ObsReader reader;
        ASSERT_TRUE(reader.open(path)) << reader.error();
        EXPECT_EQ(reader.header().lineEnd, content == crlf ? "\r\n" : "\n");
        ObsEpoch epoch;
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        ASSERT_EQ(epoch.satelliteCount(), 14u);
        EXPECT_EQ(epoch.satellite(13).prn, 14);
        EXPECT_DOUBLE_EQ(*epoch.clockOffset, -0.000123456);
        EXPECT_DOUBLE_EQ(epoch.value(12, 0).value, 13.125);
        EXPECT_EQ(epoch.value(2, 0).lli, 1);
        EXPECT_FALSE(epoch.value(4, 2).present);
        EXPECT_EQ(epoch.value(4, 3).lli, 5);
        EXPECT_DOUBLE_EQ(epoch.value(13, 5).value, 6.0);
        EXPECT_EQ(epoch.value(13, 6).strength, 9);

        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        EXPECT_FALSE(epoch.hasTime);
        EXPECT_EQ(epoch.flag, 2);
        EXPECT_EQ(epoch.satelliteCount(), 0u);
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        EXPECT_EQ(epoch.flag, 4);
        EXPECT_EQ(reader.typeCount(), 1u);
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        EXPECT_EQ(epoch.typeCount, 1u);
        EXPECT_EQ(epoch.flag, 1);
        EXPECT_EQ(epoch.time % kTicksPerSecond, kTicksPerSecond / 2);
        EXPECT_DOUBLE_EQ(epoch.value(0, 0).value, 9.5);
        EXPECT_EQ(reader.next(epoch), ObsReader::Status::kEnd);
        EXPECT_EQ(reader.error(), "");

        size_t epochs = 0;
        std::string error;
        EXPECT_EQ(Read_Back(path, epochs, error), content);
    }
}

TEST(ObsReader, GzipFileReadsAsThePlainOne) {
    testing::TempDir dir;
    const std::string plain = testing::Read_File(testing::Real_Data("07590920.05o"));
    const std::string path = dir.file("07590920.05o.gz");
    gzFile out = gzopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(gzwrite(out, plain.data(), static_cast<unsigned>(plain.size())),
              static_cast<int>(plain.size()));
    ASSERT_EQ(gzclose(out), Z_OK);
    size_t epochs = 0;
    std::string error;
    EXPECT_EQ(Read_Back(path, epochs, error), plain);
    EXPECT_EQ(error, "");

    // Cut inside the compressed stream: an error, not a shorter file.
    const std::string packed = testing::Read_File(path);
    testing::Write_File(path, packed.substr(0, packed.size() / 2));
    Read_Back(path, epochs, error);
    EXPECT_NE(error.find("07590920.05o.gz:"), std::string::npos) << error;
}

TEST(ObsReader, LossOfLockIsSetInTheTextEvenOnShortLines) {
    testing::TempDir dir;
    const std::string path = dir.file("short.05o");
    const std::string header = Small_Header("", "     3    C1    L1    L2");
    // L1 of G01 has LLI '4'; G02's line ends right after its L1 value.
    testing::Write_File(path, header + " 05  1 20  1  0  0.0000000  0  2G01G02\n" +
                                  Obs("1.000") + Obs("2.000", '4') + "\n" +
                                  Obs("1.000") + "         2.000\n");
    ObsReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    ObsEpoch epoch;
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
    epoch.setLossOfLock(1, 1);
    epoch.setLossOfLock(0, 1);
    epoch.setLossOfLock(0, 0);
    EXPECT_EQ(epoch.text(), " 05  1 20  1  0  0.0000000  0  2G01G02\n" + Obs("1.000", '1') +
                                Obs("2.000", '5') + "\n" + Obs("1.000") + "         2.0001\n");
    EXPECT_EQ(epoch.value(0, 1).lli, 5);
}

TEST(ObsReader, MalformedFilesNameFileAndLine) {
    const std::string header = Small_Header();  // 4 lines
    const std::string epoch = " 05  1 20  1  0  0.0000000  0  1G01\n";
    struct Case {
        std::string content;
        std::string error;  // after "PATH:"
    };
    const Case cases[] = {
        {"", " empty file"},
        {"hello world\n", "1: not a RINEX file (no RINEX VERSION / TYPE on the first line)"},
        {Header_Line("     5.00           OBSERVATION DATA    M", "RINEX VERSION / TYPE"),
         "1: RINEX version '5.00' is not 2.xx, 3.0x or 4.0x"},
        {Header_Line("     2.11           N: GPS NAV DATA", "RINEX VERSION / TYPE"),
         "1: a RINEX 2 navigation file, not an observation file"},
        {header.substr(0, header.rfind("  ")), "5: end of file inside the header (no END OF HEADER)"},
        {Small_Header("", "     3    C1    L1"), "3: # / TYPES OF OBSERV: type 3 missing or not two characters"},
        {Small_Header(Header_Line("  30x", "INTERVAL")), "4: INTERVAL: '30x' is not a number of seconds"},
        {header + epoch, "6: end of file inside an epoch (observations missing)"},
        {header + epoch + Obs("1.0x"), "6: observation 1 of G1: '          1.0x' is not a number"},
        {header + epoch + Obs("1.000", 'x'), "6: observation 1: LLI or signal strength 'x' is not a digit"},
        {header + epoch + Obs("1.0") + Obs("2.0") + Obs("3.0") + "\n",
         "6: observation line: text after the 2 observations of the line"},
        {header + " 05  1 20  1  0  0.0000000  0  2G01\n", "5: epoch line: 2 satellites announced, 1 listed"},
        {header + " 05  1 20  1  0  0.0000000  0  1G01G02\n",
         "5: epoch line: more satellites listed than the 1 announced"},
        {header + " 05  1 20  1  0  0.0000000  0  1X01\n", "5: epoch line: satellite 'X01': unknown system letter"},
        {header + " 05  1 20  1  0  0.0000000  0  1G00\n", "5: epoch line: satellite 'G00': number is not 1 to 99"},
        {header + " 05  2 30  1  0  0.0000000  0  1G01\n",
         "5: epoch line: ' 05  2 30  1  0  0.0000000' is not a valid date and time"},
        {header + " 05  1 20  1  0  0.0000000  7  1G01\n", "5: epoch flag 7 is not 0 to 6"},
        {header + std::string(28, ' ') + "0  0\n", "5: epoch line without a date"},
        {header + " 05  1 20  1  0  0.0000000  0200\n", "5: epoch line: 200 satellites, more than 128"},
        {header + std::string(28, ' ') + "3  2\n" + Header_Line("X", "COMMENT"),
         "7: end of file inside an event epoch (special records missing)"},
        {header + "  garbage\n", "5: epoch line expected (flag in column 29, count in columns 30-32)"},
        {header + std::string(4096, ' ') + "\n", "5: line longer than 4095 characters"},
    };
    testing::TempDir dir;
    const std::string path = dir.file("bad.05o");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        testing::Write_File(path, c.content);
        size_t epochs = 0;
        std::string error;
        Read_Back(path, epochs, error);
        EXPECT_EQ(error, path + ":" + c.error);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex
