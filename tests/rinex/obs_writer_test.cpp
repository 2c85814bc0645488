#include <gtest/gtest.h>

#include "rinex/obs_reader.h"
#include "rinex/obs_writer.h"
#include "rinex/rinex_test_files.h"

namespace zer2ivi::rinex {
namespace {

using testing::Header_Line;
using testing::Obs;

// Every epoch of a file in memory, written by the writer.
struct Written {
    std::string text;
    uint64_t omitted = 0;
    std::vector<std::string> dropped;
    std::string header;
};
Written Write_All(const std::string& file, int version, const std::string& omit = "") {
    ObsReader reader;
    Written written;
    if (!reader.openMemory("test.obs", file)) {
        ADD_FAILURE() << reader.error();
        return written;
    }
    const OutputTypes types = version == 3 ? Plan_Version3(reader.header(), omit)
                                           : Plan_Version2(reader.header());
    written.dropped = types.dropped;
    EpochWriter writer(types);
    ObsEpoch epoch;
    std::string text;
    while (reader.next(epoch) == ObsReader::Status::kEpoch) {
        writer.write(epoch, text);
        written.text += text;
    }
    EXPECT_EQ(reader.error(), "");
    written.omitted = writer.omittedRecords();
    for (const HeaderLine& line : Convert_Header(reader.header().lines, types, "GR", "\n"))
        written.header += line.raw;
    return written;
}

const std::string kMixed2 =
    Header_Line("     2.11           OBSERVATION DATA    M (MIXED)", "RINEX VERSION / TYPE") +
    Header_Line("TEST PGM            TESTER              7-DEC-26 20:18", "PGM / RUN BY / DATE") +
    Header_Line("     1     1", "WAVELENGTH FACT L1/2") +
    Header_Line("     4    P2    L1    C1    L2", "# / TYPES OF OBSERV") +
    Header_Line("", "END OF HEADER");

// 13 satellites, one of GLONASS: the list goes on a second line.
const std::string kThirteen =
    " 05  4  2  0  0 30.0000000  0 13G01G02G03G04G05G06G07G08G09G10G11R12-0.123456789\n"
    "                                G13\n";

std::string Thirteen_Values() {
    std::string lines;
    for (int s = 1; s <= 13; ++s)
        lines += Obs(std::to_string(s) + "00.125", ' ', '7') + Obs("-12345678.901", '1', '6') +
                 Obs("") + Obs(std::to_string(s) + ".5", '4') + "\n";
    return lines;
}

TEST(EpochWriter, VersionTwoToThreeCopiesFieldsAndLeavesOutASystem) {
    const Written written = Write_All(kMixed2 + kThirteen + Thirteen_Values(), 3, "R");
    const std::string lines = written.text;
    struct Case {
        size_t line;
        std::string expected;
    };
    // Types ordered by band: C1C L1C C2W L2W from C1 L1 P2 L2.
    const Case cases[] = {
        {0, "> 2005 04 02 00 00 30.0000000  0 12      -0.123456789000"},
        {1, "G01                 -12345678.90116       100.125 7           1.54"},
        {12, "G13                 -12345678.90116      1300.125 7          13.54"},
    };
    std::vector<std::string> split;
    for (size_t at = 0, next; (next = lines.find('\n', at)) != std::string::npos; at = next + 1)
        split.push_back(lines.substr(at, next - at));
    ASSERT_EQ(split.size(), 13u) << lines;
    for (const Case& c : cases) EXPECT_EQ(split[c.line], c.expected) << c.line;
    EXPECT_EQ(written.omitted, 1u);  // R12
    // Not left out, GLONASS gets its codes and records.
    const Written all = Write_All(kMixed2 + kThirteen + Thirteen_Values(), 3);
    EXPECT_EQ(all.omitted, 0u);
    EXPECT_NE(all.header.find("R    4 C1C L1C C2P L2P"), std::string::npos) << all.header;
    EXPECT_NE(all.header.find("GLONASS SLOT / FRQ #"), std::string::npos);
    EXPECT_NE(all.text.find("\nR12 "), std::string::npos);
}

TEST(EpochWriter, VersionThreeToTwoWrapsTheSatelliteListAndPlacesTheClock) {
    // The version 3 file of the same epoch: writing it in version 2 gives
    // the list of 12 then the 13th, the clock in columns 69-80.
    const std::string file3 =
        Header_Line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
        Header_Line("G    5 C1C L1C L1W C2W L2W", "SYS / # / OBS TYPES") +
        Header_Line("R    2 C1C L1C", "SYS / # / OBS TYPES") + Header_Line("", "END OF HEADER");
    std::string epochs = "> 2005 04 02 00 00 30.0000000  0 13      -0.123456789000\n";
    for (int s = 1; s <= 13; ++s) {
        if (s == 12)
            epochs += "R12" + Obs("7.250", ' ', '5') + Obs("8.5") + "\n";
        else
            epochs += std::string(s < 10 ? "G0" : "G") + std::to_string(s) + Obs("1.000") +
                      Obs("2.000", '1') + Obs("3.000") + Obs("4.000") + Obs("5.000", '2', '9') +
                      "\n";
    }
    const Written written = Write_All(file3 + epochs, 2);
    const std::string expected_start =
        " 05  4  2  0  0 30.0000000  0 13G01G02G03G04G05G06G07G08G09G10G11R12-0.123456789\n"
        "                                G13\n"
        "         1.000           2.0001          4.000           5.00029\n";
    EXPECT_EQ(written.text.substr(0, expected_start.size()), expected_start);
    // R12: C1 and L1 of GLONASS; no P2 or L2 values.
    EXPECT_NE(written.text.find("\n         7.250 5           8.5\n"), std::string::npos);
    const std::vector<std::string> dropped{"G L1W"};
    EXPECT_EQ(written.dropped, dropped);  // L1 is L1C
    EXPECT_NE(written.header.find("     4    C1    L1    P2    L2"), std::string::npos)
        << written.header;
    EXPECT_NE(written.header.find("M (MIXED)"), std::string::npos);
    EXPECT_EQ(written.header.find("SYS / # / OBS TYPES"), std::string::npos);
}

TEST(EpochWriter, EventsKeepTheirFlagColumnAndRecords) {
    struct Case {
        int version;
        std::string epochLine;  // of the event with a blank date
    };
    const std::string input =
        kMixed2 + " 05  4  2  0  0 30.0000000  0  1G01\n" + Obs("1.000") + "\n" +
        "                            4  1\n" + Header_Line("AN EVENT", "COMMENT");
    for (const Case& c : {Case{3, ">                              4  1"},
                          Case{2, "                            4  1"}}) {
        SCOPED_TRACE(c.version);
        const Written written = Write_All(input, c.version);
        const size_t at = written.text.find(c.epochLine + "\n");
        ASSERT_NE(at, std::string::npos) << written.text;
        EXPECT_EQ(written.text.substr(at + c.epochLine.size() + 1),
                  Header_Line("AN EVENT", "COMMENT"));
    }
}

TEST(ConvertHeader, VersionThreeRecordsReplaceVersionTwoOnes) {
    const Written written = Write_All(kMixed2 + kThirteen + Thirteen_Values(), 3, "R");
    struct Case {
        std::string text;
        bool present;
    };
    const Case cases[] = {
        {"     3.04           OBSERVATION DATA    G                   RINEX VERSION / TYPE\n"
         "TEST PGM            TESTER              ",
         true},  // G only (R left out); PGM second
        {"G    4 C1C L1C C2W L2W", true},
        {"G L1C                                                       SYS / PHASE SHIFT", true},
        {"G L2W                                                       SYS / PHASE SHIFT", true},
        {"WAVELENGTH FACT L1/2", false},
        {"# / TYPES OF OBSERV", false},
        {"R    4", false},
        {"GLONASS SLOT / FRQ #", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written.header.find(c.text) != std::string::npos, c.present)
            << c.text << "\n" << written.header;
}

}  // namespace
}  // namespace zer2ivi::rinex
