// What a product keeps and says when the input is not as it should be, and
// the one interval rule that edit and qc share.
#include <gtest/gtest.h>

#include <array>
#include <charconv>

#include "products/product_maker.h"
#include "qc/qc_run.h"
#include "rinex/rinex_test_files.h"
#include "support/test_support.h"

namespace zer2ivi::products {
namespace {

using rinex::kTicksPerSecond;
using rinex::Ticks;
using testing::Header_Line;
using testing::Obs;

// A GPS file of C1 L1 for G01: one epoch per (second of 2005-01-20 01:00,
// LLI digit of L1); seconds of 60 and more go on into the next minutes.
std::string File(const std::string& extraHeader, const std::vector<std::pair<double, char>>& epochs) {
    std::string text = Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
                       Header_Line("prog                me                  20050120 010000 UTC",
                                   "PGM / RUN BY / DATE") +
                       Header_Line("TEST", "MARKER NAME") +
                       Header_Line("     2    C1    L1", "# / TYPES OF OBSERV") + extraHeader +
                       Header_Line("", "END OF HEADER");
    for (auto [second, lli] : epochs) {
        const int minute = static_cast<int>(second / 60);
        std::array<char, 32> digits{};
        const auto written = std::to_chars(digits.data(), digits.data() + digits.size(),
                                           second - 60.0 * minute, std::chars_format::fixed, 7);
        const std::string seconds(digits.data(), written.ptr);
        const std::string minuteText = std::to_string(minute);
        text += " 05  1 20  1 " + std::string(2 - minuteText.size(), ' ') + minuteText +
                std::string(11 - seconds.size(), ' ') + seconds + "  0  1G01\n" +
                Obs("20000000.000") + Obs("100.000", lli) + "\n";
    }
    return text;
}

struct ProductRun {
    testing::TempDir dir;
    ProductRequest request;
    ProductOutcome outcome;
    std::string product;
    int temporaries = 0;

    ProductRun(const std::string& content, std::optional<Ticks> interval) {
        request.input = dir.file("in.05o");
        testing::Write_File(request.input, content);
        request.interval = interval;
        request.finalPath = [this](const NameFacts&) { return dir.file("out.05o"); };
        request.createTemporary = [this](const std::string&) -> std::optional<std::string> {
            const std::string path = dir.file("tmp" + std::to_string(temporaries++));
            testing::Write_File(path, "");
            return path;
        };
    }
    bool make() {
        const bool made = Make_Products(request, outcome);
        if (made) product = testing::Read_File(outcome.files.front().temporary);
        return made;
    }
    size_t epochs() const { return outcome.files.empty() ? 0 : outcome.files.front().epochs; }
};

// A 30 s file without INTERVAL whose second epoch is missing: 30 s for
// edit's check and for qc alike.
TEST(IntervalRule, EditAndQcAgreeOnTheIntervalOfTheData) {
    const std::string content = File("", {{0, ' '}, {60, ' '}, {90, ' '}, {120, ' '}, {150, ' '}});
    struct Case {
        Ticks interval;
        bool force;
        bool made;
        std::string message;  // the error, or the first warning
    };
    const Case cases[] = {
        {30 * kTicksPerSecond, false, true, ""},
        {60 * kTicksPerSecond, false, true, ""},
        {45 * kTicksPerSecond, false, false,
         "--interval 45 is not a whole multiple of the interval of the data (30 s)"},
        {15 * kTicksPerSecond, false, false, "--interval 15 is below the interval of the data (30 s)"},
        {305 * kTicksPerSecond / 10, false, false,
         "--interval 30.5 is not a whole multiple of the interval of the data (30 s)"},
        {45 * kTicksPerSecond, true, true,
         "--interval 45 is not a whole multiple of the interval of the data (30 s); written as asked (--force)"},
    };
    for (const Case& c : cases) {
        ProductRun run(content, c.interval);
        run.request.force = c.force;
        EXPECT_EQ(run.make(), c.made) << c.interval;
        EXPECT_EQ(run.outcome.usageError, !c.made);
        EXPECT_EQ(c.made ? (run.outcome.warnings.empty() ? "" : run.outcome.warnings[0]) : run.outcome.error,
                  c.message);
    }
    ProductRun run(content, std::nullopt);
    qc::QcRunOptions options;
    options.observationPath = run.request.input;
    qc::QcReport report;
    std::string error;
    ASSERT_TRUE(qc::Run_Quality_Check(options, report, error)) << error;
    EXPECT_TRUE(report.intervalKnown);
    EXPECT_DOUBLE_EQ(report.result.interval, 30.0);
}

TEST(IntervalRule, AStepOf29_9996SecondsIsWrittenAs30) {
    std::vector<std::pair<double, char>> epochs;
    for (int i = 0; i < 4; ++i) epochs.push_back({i * 29.9996, ' '});
    ProductRun run(File(Header_Line("     1.000", "INTERVAL"), epochs), std::nullopt);
    run.request.edits.comments = {"x"};
    ASSERT_TRUE(run.make()) << run.outcome.error;
    EXPECT_NE(run.product.find(Header_Line("    30.000", "INTERVAL")), std::string::npos) << run.product;
}

// Epochs a few ms off the grid are kept within --tolerance; those outside
// it but nearer than half the data's interval are counted.
TEST(Tolerance, EpochsOffTheGridAreKeptWithinItAndCountedOutsideIt) {
    const std::vector<std::pair<double, char>> epochs = {
        {0.004, ' '}, {30.004, ' '}, {60.005, ' '}, {90, ' '}, {120.0051, ' '}, {150, ' '}, {179.995, ' '}};
    struct Case {
        Ticks tolerance;
        size_t kept;
        uint64_t dropped;
    };
    for (const Case& c : {Case{Decimator::kDefaultTolerance, 3, 1}, Case{45'000, 1, 3},
                          Case{60'000, 4, 0}}) {
        ProductRun run(File(Header_Line("    30.000", "INTERVAL"), epochs), 60 * kTicksPerSecond);
        run.request.tolerance = c.tolerance;
        ASSERT_TRUE(run.make()) << run.outcome.error;
        EXPECT_EQ(run.epochs(), c.kept) << c.tolerance;
        EXPECT_EQ(run.outcome.droppedNearGrid, c.dropped) << c.tolerance;
        EXPECT_EQ(run.outcome.warnings.size(), c.dropped > 0 ? 1u : 0u);
    }
}

TEST(TimeOrder, RefusedUnlessForcedThenEveryEpochNotAfterTheLatestKeptIsDropped) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, char>> epochs;
        bool force;
        bool made;
        size_t written;
        uint64_t repeated, backward, behind;
    };
    const std::vector<std::pair<double, char>> repeated = {{0, ' '}, {30, ' '}, {30, '1'}, {60, ' '}};
    const std::vector<std::pair<double, char>> backward = {{60, ' '}, {90, ' '}, {0, ' '}, {30, ' '}};
    const std::vector<std::pair<double, char>> twice = {{0, ' '}, {30, ' '}, {60, ' '}, {0, '1'}, {30, '1'}, {60, '1'}};
    // Back into a gap (30 s data): 60 and 90 were never read, yet lie
    // before the latest epoch kept.
    const std::vector<std::pair<double, char>> intoGap = {{0, ' '},  {30, ' '}, {120, ' '}, {150, ' '},
                                                          {60, ' '}, {90, ' '}, {180, ' '}};
    const Case cases[] = {
        {"repeated", repeated, false, false, 0, 1, 0, 0},
        {"repeated, forced", repeated, true, true, 3, 1, 0, 0},
        {"backward", backward, false, false, 0, 0, 1, 0},
        {"backward, forced", backward, true, true, 2, 0, 1, 2},
        {"one stretch twice, forced", twice, true, true, 3, 3, 0, 0},
        {"back into a gap, forced", intoGap, true, true, 5, 0, 1, 2},
    };
    for (const Case& c : cases) {
        ProductRun run(File(Header_Line("    30.000", "INTERVAL"), c.epochs), std::nullopt);
        run.request.force = c.force;
        run.request.from = *rinex::Parse_Iso8601("2005-01-20T01:00:00");  // the fast window is off when forced
        EXPECT_EQ(run.make(), c.made) << c.name << ": " << run.outcome.error;
        EXPECT_EQ(run.epochs(), c.written) << c.name;
        EXPECT_EQ(run.outcome.repeatedEpochs, c.repeated) << c.name;
        EXPECT_EQ(run.outcome.backwardJumps, c.backward) << c.name;
        EXPECT_EQ(run.outcome.behindEpochs, c.behind) << c.name;
        if (!c.made) {
            EXPECT_NE(run.outcome.error.find("in.05o:"), std::string::npos) << run.outcome.error;
        }
        // The first of the repeated epochs is the one kept.
        if (c.made && c.repeated > 0) {
            EXPECT_EQ(run.product.find("100.0001"), std::string::npos);
        }
    }
}

TEST(EndsShort, TheWholeEpochsAreWrittenAndTheLineIsNamed) {
    const std::string whole = File("", {{0, ' '}, {30, ' '}, {60, ' '}});
    const std::string cut = whole.substr(0, whole.size() - 33);  // the last values missing
    ProductRun run(cut, std::nullopt);
    run.request.edits.comments = {"x"};
    ASSERT_TRUE(run.make()) << run.outcome.error;
    EXPECT_EQ(run.epochs(), 2u);
    EXPECT_TRUE(run.outcome.endedShort);
    ASSERT_EQ(run.outcome.warnings.size(), 1u);
    EXPECT_NE(run.outcome.warnings[0].find("in.05o:11: end of file inside an epoch"), std::string::npos)
        << run.outcome.warnings[0];
}

TEST(HistoryNote, OneCommentAfterPgmRunByDate) {
    struct Case {
        std::string note;
        std::string written;
    };
    const Case cases[] = {
        {"zer2ivi edit: --interval 60", "zer2ivi edit: --interval 60"},
        {"zer2ivi edit: " + std::string(60, 'x'), "zer2ivi edit: " + std::string(43, 'x') + "..."},
    };
    for (const Case& c : cases) {
        ProductRun run(File("", {{0, ' '}, {60, ' '}}), std::nullopt);
        run.request.historyNote = c.note;
        ASSERT_TRUE(run.make()) << run.outcome.error;
        const size_t pgm = run.product.find("PGM / RUN BY / DATE\n");
        ASSERT_NE(pgm, std::string::npos);
        const std::string expected = Header_Line(c.written, "COMMENT");
        EXPECT_EQ(run.product.substr(pgm + 20, expected.size()), expected);
    }
}

}  // namespace
}  // namespace zer2ivi::products

namespace zer2ivi::products {
namespace {

// A RINEX 3 product: same version, epochs byte for byte but the carried
// LLI digit, and the recounted records in their 3.x form.
TEST(Rinex3Product, DecimationCarriesLossOfLockAndRecountsPerSystem) {
    const auto line = [](const std::string& text, const std::string& label) {
        return testing::Header_Line(text, label);
    };
    const std::string header =
        line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
        line("G    2 C1C L1C", "SYS / # / OBS TYPES") + line("R    1 C1C", "SYS / # / OBS TYPES") +
        line("    30.000", "INTERVAL") +
        line("  2022    01    01    00    00    0.0000000     GPS", "TIME OF FIRST OBS") +
        line("     9", "# OF SATELLITES") + line("   G01     9     9", "PRN / # OF OBS") +
        line("", "END OF HEADER");
    const std::string g01 = "G01" + Obs("20000000.000");
    const std::string body = "> 2022 01 01 00 00  0.0000000  0  2\n" + g01 + Obs("100.000") + "\nR02" +
                             Obs("1.000") + "\n" + "> 2022 01 01 00 00 30.0000000  0  1\n" + g01 +
                             Obs("130.000", '1') + "\n" + "> 2022 01 01 00 01  0.0000000  0  1\n" + g01 +
                             Obs("160.000") + "\n";
    ProductRun run(header + body, 60 * kTicksPerSecond);
    ASSERT_TRUE(run.make()) << run.outcome.error;
    EXPECT_EQ(run.epochs(), 2u);
    const std::string expected =
        line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
        line("G    2 C1C L1C", "SYS / # / OBS TYPES") + line("R    1 C1C", "SYS / # / OBS TYPES") +
        line("    60.000", "INTERVAL") +
        line("  2022    01    01    00    00    0.0000000     GPS", "TIME OF FIRST OBS") +
        line("     2", "# OF SATELLITES") + line("   G01     2     2", "PRN / # OF OBS") +
        line("   R02     1", "PRN / # OF OBS") + line("", "END OF HEADER") +
        "> 2022 01 01 00 00  0.0000000  0  2\n" + g01 + Obs("100.000") + "\nR02" + Obs("1.000") + "\n" +
        "> 2022 01 01 00 01  0.0000000  0  1\n" + g01 + Obs("160.000", '1') + "\n";
    EXPECT_EQ(run.product, expected);
}

}  // namespace
}  // namespace zer2ivi::products
