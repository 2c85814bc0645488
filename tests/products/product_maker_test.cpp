#include <gtest/gtest.h>

#include <zlib.h>

#include "products/epoch_filters.h"
#include "products/product_maker.h"
#include "rinex/obs_reader.h"
#include "rinex/rinex_test_files.h"
#include "support/test_support.h"

namespace zer2ivi::products {
namespace {

using rinex::kTicksPerSecond;
using rinex::Ticks;
using testing::Obs;

// Products into a temporary directory, named by piece (or "product").
struct Maker {
    testing::TempDir dir;
    ProductRequest request;
    int temporaries = 0;

    explicit Maker(const std::string& input) {
        request.input = input;
        request.finalPath = [this](const NameFacts& facts) {
            const std::optional<Ticks> start = facts.pieceStart;
            return dir.file(start ? Piece_File_Name("test", *start, *request.pieceLength)
                                  : std::string("product"));
        };
        request.createTemporary = [this](const std::string&) -> std::optional<std::string> {
            const std::string path = dir.file("tmp" + std::to_string(temporaries++));
            testing::Write_File(path, "");
            return path;
        };
    }
    ProductOutcome run() {
        ProductOutcome outcome;
        Make_Products(request, outcome);
        return outcome;
    }
};

// Header and epochs of a RINEX file, split at END OF HEADER.
std::pair<std::string, std::string> Header_And_Body(const std::string& text) {
    const size_t end = text.find("END OF HEADER");
    const size_t body = text.find('\n', end) + 1;
    return {text.substr(0, body), text.substr(body)};
}

std::string Epoch_Line(int second, int count, const std::string& sats) {
    std::string seconds = std::to_string(second) + ".0000000";
    return " 05  1 20  1  0" + std::string(11 - seconds.size(), ' ') + seconds + "  0  " +
           std::to_string(count) + sats + "\n";
}

TEST(Decimator, EveryLossOfLockOfADroppedEpochReachesTheNextKeptValue) {
    // 1 s epochs 0..15, two satellites, C1 L1; kept every 5 s.
    //  G01 L1 slip at 3 (dropped)          -> LLI 1 on G01 L1 at 5
    //  G01 L1 LLI 4 at 4 (no slip bit)     -> nothing carried
    //  G02 L1 slip at 7, no L1 at 10       -> LLI 1 on G02 L1 at 15
    //  G02 C1 LLI 3 at 12 (bit 0 set), C1 at 15 has LLI 2 -> 3
    //  G01 C1 slip at 9, C1 0.000 at 10 (missing) -> LLI 1 on G01 C1 at 15
    std::string file = testing::Small_Header();
    std::string expected;
    for (int t = 0; t <= 15; ++t) {
        const char g1 = t == 3 ? '1' : t == 4 ? '4' : ' ';
        const char g2 = t == 7 ? '1' : ' ';
        const bool g2HasL1 = t != 10;
        const char g2c1 = t == 12 ? '3' : t == 15 ? '2' : ' ';
        const std::string g1c1 = t == 10 ? "0.000" : "1.000";
        const std::string epoch = Epoch_Line(t, 2, "G01G02") + Obs(g1c1, t == 9 ? '1' : ' ') +
                                  Obs("2.000", g1) + "\n" +
                                  Obs("3.000", g2c1) + (g2HasL1 ? Obs("4.000", g2) : "") + "\n";
        file += epoch;
        if (t % 5 != 0) continue;
        const char keptG1 = t == 5 ? '1' : ' ';
        const char keptG2 = t == 15 ? '1' : ' ';
        const char keptG2c1 = t == 15 ? '3' : ' ';
        expected += Epoch_Line(t, 2, "G01G02") + Obs(g1c1, t == 15 ? '1' : ' ') +
                    Obs("2.000", keptG1) + "\n" +
                    Obs("3.000", keptG2c1) + (g2HasL1 ? Obs("4.000", keptG2) : "") + "\n";
    }
    Maker maker("");
    const std::string input = maker.dir.file("in.05o");
    testing::Write_File(input, file);
    maker.request.input = input;
    maker.request.interval = 5 * kTicksPerSecond;
    const ProductOutcome outcome = maker.run();
    ASSERT_EQ(outcome.error, "");
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].epochs, 4u);
    EXPECT_EQ(Header_And_Body(testing::Read_File(outcome.files[0].temporary)).second, expected);
}

TEST(Decimator, GridIsTimeOfWeekWithinTheTolerance) {
    struct Case {
        const char* time;
        Ticks tolerance;
        bool kept;
    };
    // 2005-04-02 is a Saturday: its 00:00:00 is 518400 s into the week, a
    // multiple of 30 s.  The default tolerance is 5 ms, both sides.
    constexpr Ticks kDefault = 50'000;
    const Case cases[] = {
        {"2005-04-02T00:00:00.005", kDefault, true},  {"2005-04-02T00:00:00.0050001", kDefault, false},
        {"2005-04-01T23:59:59.995", kDefault, true},  {"2005-04-01T23:59:59.9949999", kDefault, false},
        {"2005-04-02T00:00:30.005", kDefault, true},  {"2005-04-02T00:00:15", kDefault, false},
        {"2005-04-02T00:00:00.001", 10'000, true},    {"2005-04-02T00:00:00.0011", 10'000, false},
        {"2005-04-02T00:00:00", 0, true},             {"2005-04-02T00:00:00.0000001", 0, false},
    };
    for (const Case& c : cases) {
        Decimator decimator(30 * kTicksPerSecond, c.tolerance);
        rinex::ObsEpoch epoch;
        epoch.hasTime = true;
        epoch.time = *rinex::Parse_Iso8601(c.time);
        EXPECT_EQ(decimator.keep(epoch), c.kept) << c.time << " within " << c.tolerance;
    }
}

TEST(Splitter, PieceNamesFollowTheRinex2Convention) {
    struct Case {
        const char* start;
        const char* length;
        const char* name;
    };
    for (const Case& c : {Case{"2005-04-02T00:00:00", "1d", "0759092" "0.05o"},
                          Case{"2005-04-02T23:00:00", "1h", "0759092x.05o"},
                          Case{"2004-12-31T13:45:00", "15m", "0759366n45.04o"}}) {
        const PieceLength length = *PieceLength::Parse(c.length);
        EXPECT_EQ(length.text(), c.length);
        const Ticks inside = *rinex::Parse_Iso8601(c.start) + length.duration() - 1;
        EXPECT_EQ(Piece_File_Name("0759", length.pieceStart(inside), length), c.name);
    }
    EXPECT_FALSE(PieceLength::Parse("30m"));
}

TEST(ProductMaker, SplitPiecesJoinedGiveBackTheOriginalEpochs) {
    struct Case {
        const char* name;
        const char* lastPiece;
    };
    for (auto [name, lastPiece] : {Case{"07590920.05o", "test092a45.05o"}, Case{"bahr1620.04o", "test162a45.04o"}}) {
        SCOPED_TRACE(name);
        Maker maker(testing::Real_Data(name));
        maker.request.pieceLength = PieceLength::Parse("15m");
        const ProductOutcome outcome = maker.run();
        ASSERT_EQ(outcome.error, "");
        ASSERT_EQ(outcome.files.size(), 4u);
        std::string joined;
        size_t epochs = 0;
        for (const ProductFile& file : outcome.files) {
            joined += Header_And_Body(testing::Read_File(file.temporary)).second;
            epochs += file.epochs;
        }
        EXPECT_EQ(joined, Header_And_Body(testing::Read_File(testing::Real_Data(name))).second);
        EXPECT_EQ(epochs, 120u);
        EXPECT_EQ(outcome.files[3].final, maker.dir.file(lastPiece));
    }
}

TEST(ProductMaker, HalfOpenWindowsJoinAndGzipHoldsThePlainProduct) {
    const std::string input = testing::Real_Data("bahr1620.04o");
    std::string joined, plain;
    for (auto [from, to] : {std::pair{"2004-06-10T00:00:00", "2004-06-10T00:20:00"},
                            std::pair{"2004-06-10T00:20:00", "2004-06-10T01:00:00"}}) {
        for (bool gzip : {false, true}) {
            Maker maker(input);
            maker.request.from = rinex::Parse_Iso8601(from);
            maker.request.to = rinex::Parse_Iso8601(to);
            maker.request.gzip = gzip;
            const ProductOutcome outcome = maker.run();
            ASSERT_EQ(outcome.error, "");
            std::string text = testing::Read_File(outcome.files[0].temporary);
            if (gzip) {
                gzFile packed = gzopen(outcome.files[0].temporary.c_str(), "rb");
                ASSERT_NE(packed, nullptr);
                std::string unpacked(1 << 20, '\0');
                const int size = gzread(packed, unpacked.data(), static_cast<unsigned>(unpacked.size()));
                gzclose(packed);
                ASSERT_GT(size, 0);
                unpacked.resize(static_cast<size_t>(size));
                EXPECT_NE(text.substr(0, 2), unpacked.substr(0, 2));  // really compressed
                EXPECT_EQ(unpacked, plain);
            } else {
                plain = text;
                joined += Header_And_Body(text).second;
            }
            EXPECT_EQ(outcome.files[0].epochs, std::string(from).ends_with("00:00:00") ? 40u : 80u);
        }
    }
    EXPECT_EQ(joined, Header_And_Body(testing::Read_File(input)).second);
}

// The fast way to a window (skipping, stopping early) and the plain one
// (every epoch read and filtered) give the same products, also around the
// undated event epochs of the GSI file (between 00:47:30 and 00:48:00).
TEST(ProductMaker, FastWindowGivesTheProductOfTheFullRead) {
    struct Case {
        std::optional<const char*> from;
        std::optional<const char*> to;
        size_t epochs;
    };
    const Case cases[] = {{"2005-04-02T00:47:00", "2005-04-02T00:48:30", 3},
                          {"2005-04-02T00:47:45", std::nullopt, 24},
                          {std::nullopt, "2005-04-02T00:48:00.004", 96},
                          {"2005-04-02T00:48:00.004", "2005-04-02T00:48:00.0041", 1}};
    for (const Case& c : cases) {
        std::string products[2];
        for (bool fast : {false, true}) {
            SCOPED_TRACE(std::string(c.from.value_or("-")) + " " + c.to.value_or("-") + (fast ? " fast" : ""));
            Maker maker(testing::Real_Data("07590920.05o"));
            if (c.from) maker.request.from = rinex::Parse_Iso8601(*c.from);
            if (c.to) maker.request.to = rinex::Parse_Iso8601(*c.to);
            maker.request.fastWindow = fast;
            const ProductOutcome outcome = maker.run();
            ASSERT_EQ(outcome.error, "");
            ASSERT_EQ(outcome.files.size(), 1u);
            EXPECT_EQ(outcome.files[0].epochs, c.epochs);
            products[fast] = testing::Read_File(outcome.files[0].temporary);
        }
        EXPECT_EQ(products[0], products[1]);
    }
}

TEST(ProductMaker, FailuresLeaveNoFileBehind) {
    struct Case {
        std::string content;
        std::optional<Ticks> interval;
        std::optional<Ticks> from;
        std::string error;  // after the input's path
        bool usage;
    };
    const std::string good = testing::Read_File(testing::Real_Data("bahr1620.04o"));
    const Case cases[] = {
        {good, 10 * kTicksPerSecond, std::nullopt, "--interval 10 is below the interval of the data (30 s)", true},
        {good, std::nullopt, rinex::Parse_Iso8601("2004-06-11T00:00:00"), ": no observation epoch is left to write", false},
        {good + good.substr(good.find('\n', good.find("END OF HEADER")) + 1), std::nullopt, std::nullopt,
         ":2014: epoch 2004-06-10T00:00:00 is before the epoch 2004-06-10T00:59:30 of line 1997"
         " (--force drops every epoch at or before the latest one kept)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        Maker maker("");
        const std::string input = maker.dir.file("in.04o");
        testing::Write_File(input, c.content);
        maker.request.input = input;
        maker.request.interval = c.interval;
        maker.request.from = c.from;
        maker.request.pieceLength = PieceLength::Parse("15m");
        const ProductOutcome outcome = maker.run();
        EXPECT_EQ(outcome.error, c.usage ? c.error : input + c.error);
        EXPECT_EQ(outcome.usageError, c.usage);
        EXPECT_TRUE(outcome.files.empty());
        size_t left = 0;
        for (const auto& entry : std::filesystem::directory_iterator(maker.dir.path()))
            left += entry.path().filename() != "in.04o" ? 1u : 0u;
        EXPECT_EQ(left, 0u);
    }
}

}  // namespace
}  // namespace zer2ivi::products
