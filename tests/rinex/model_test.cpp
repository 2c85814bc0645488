// The rules every reader user shares: observation codes, the interval of
// the data, numbers, lines, times and the epoch model's header records and
// time order.
#include <gtest/gtest.h>

#include "rinex/fields.h"
#include "rinex/header_records.h"
#include "rinex/interval_estimator.h"
#include "rinex/obs_codes.h"
#include "rinex/obs_reader.h"
#include "rinex/rinex_test_files.h"
#include "textio/line_source.h"

namespace zer2ivi::rinex {
namespace {

using testing::Header_Line;
using testing::Obs;
using testing::Small_Header;

TEST(ObsCodes, Rinex2CodesMapPerSystemAndBack) {
    struct Case {
        char system;
        const char* rinex2;
        const char* code;
    };
    const Case cases[] = {
        {'G', "C1", "C1C"}, {'G', "P1", "C1W"}, {'G', "P2", "C2W"}, {'G', "L2", "L2W"},
        {'G', "C2", "C2L"}, {' ', "L1", "L1C"}, {'R', "P1", "C1P"}, {'R', "L2", "L2P"},
        {'R', "C2", "C2C"}, {'E', "L5", "L5X"}, {'S', "C1", "C1C"},
        {'G', "T1", "T1 "},  // unknown to the table: written back as it was
        {'J', "C1", "C1 "},
    };
    for (const Case& c : cases) {
        const auto code = From_Rinex2_Code(c.system, c.rinex2);
        ASSERT_TRUE(code) << c.rinex2;
        EXPECT_EQ(code->view(), c.code) << c.system << c.rinex2;
        const auto back = To_Rinex2_Code(c.system, *code);
        ASSERT_TRUE(back) << c.code;
        EXPECT_EQ(std::string(back->data(), 2), c.rinex2);
    }
    EXPECT_FALSE(From_Rinex2_Code('G', "C"));
    EXPECT_FALSE(To_Rinex2_Code('G', *Parse_Obs_Code("C1X")));  // no RINEX 2 code
}

TEST(LliBits, NamedBitsOfTheDigit) {
    struct Case {
        uint8_t lli;
        bool lossOfLock, halfCycle, antiSpoofing;
    };
    for (const Case& c : {Case{0, false, false, false}, Case{1, true, false, false},
                          Case{2, false, true, false}, Case{4, false, false, true},
                          Case{7, true, true, true}, Case{6, false, true, true}}) {
        EXPECT_EQ(Has_Lli(c.lli, LliBit::kLossOfLock), c.lossOfLock) << int(c.lli);
        EXPECT_EQ(Has_Lli(c.lli, LliBit::kHalfCycle), c.halfCycle) << int(c.lli);
        EXPECT_EQ(Has_Lli(c.lli, LliBit::kAntiSpoofing), c.antiSpoofing) << int(c.lli);
    }
    EXPECT_EQ(With_Lli(4, LliBit::kLossOfLock), 5);
}

// Steps in 100 ns ticks between consecutive epochs.
TEST(IntervalEstimator, MostFrequentStepRoundedHalfUpToTheMillisecondSmallestOnATie) {
    struct Case {
        const char* name;
        std::vector<Ticks> steps;
        std::optional<Ticks> interval;
    };
    const Ticks s = kTicksPerSecond;
    const Case cases[] = {
        {"regular", {30 * s, 30 * s, 30 * s}, 30 * s},
        {"second epoch missing", {60 * s, 30 * s, 30 * s}, 30 * s},
        {"29.9996 s rounds to 30.000", {299'996'000, 299'996'000}, 30 * s},
        {"0.0005 s rounds up", {5'000, 5'000}, 10'000},
        {"0.0004999 s rounds down", {4'999, 4'999, 30 * s}, 30 * s},
        {"tie: the smaller", {60 * s, 30 * s}, 30 * s},
        {"clock offsets of a few ms", {30 * s + 50'000, 30 * s, 30 * s - 50'000, 30 * s}, 30 * s},
        {"all distinct: the smallest", {30 * s + 50'000, 30 * s - 50'000}, 30 * s - 50'000},
        {"time standing still is no interval", {0, 0, 0, 30 * s}, 30 * s},
        {"backwards only", {-30 * s}, std::nullopt},
        {"one epoch", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        IntervalEstimator estimator;
        Ticks time = 1000 * kTicksPerDay;
        estimator.add(time);
        for (Ticks step : c.steps) estimator.add(time += step);
        EXPECT_EQ(estimator.interval(), c.interval) << c.name;
    }
}

TEST(HeaderRecords, IntervalIsWrittenInTheFormOfTheLineItReplaces) {
    struct Case {
        std::string original;
        Ticks interval;
        std::string data;  // columns 1-60 trimmed on the right
    };
    const Case cases[] = {
        {"    30.000", 299'996'000, "    30.000"},  // a step of 29.9996 s
        {"", 299'996'000, "    30.000"},
        {"    30", 30 * kTicksPerSecond, "    30"},
        {"    30", 15 * kTicksPerSecond / 10, "     1.500"},  // the form cannot show it
        {"    30.0000", 300 * kTicksPerSecond, "   300.0000"},
    };
    for (const Case& c : cases) {
        const std::string line = Write_Interval(c.original, IntervalEstimator::Round_Step(c.interval), "\n");
        EXPECT_EQ(std::string(Trim_Right(line.substr(0, 60))), c.data) << c.original;
        EXPECT_EQ(line.substr(60), "INTERVAL\n");
    }
}

// One number rule for header fields and every command's options.
TEST(Numbers, OneRuleForFieldsAndOptions) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"12.5", 12.5},   {"-.25", -0.25},   {"+5", 5.0},       {"1D3", 1000.0},
        {"1d3", 1000.0},  {"1.0D+03", 1000.0}, {"1e-3", 0.001}, {" 7 ", 7.0},
        {"", std::nullopt},    {"+-5", std::nullopt}, {"--5", std::nullopt},
        {"0x10", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt},
        {"1,5", std::nullopt},  {"1e999", std::nullopt}, {"5 m", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse_Decimal(c.text), c.value) << "'" << c.text << "'";
    EXPECT_EQ(Parse_Triple("1D3,0,-2.5"), (std::array<double, 3>{1000.0, 0.0, -2.5}));
    EXPECT_FALSE(Parse_Triple("1,2"));
    EXPECT_FALSE(Parse_Triple("1,2,3,4"));
}

TEST(Times, FormsUsersType) {
    struct Case {
        const char* text;
        std::optional<const char*> iso;
    };
    const Case cases[] = {
        {"2005-04-02T01:00:00", "2005-04-02T01:00:00"},
        {"2005-04-02 01:00:00.5", "2005-04-02T01:00:00.5"},
        {"2005-04-02", "2005-04-02T00:00:00"},
        {"2005:092", "2005-04-02T00:00:00"},
        {"2005:092:3600", "2005-04-02T01:00:00"},
        {"2004:366:86399", "2004-12-31T23:59:59"},
        {"2005:366", std::nullopt},       // 2005 has 365 days
        {"2005:000", std::nullopt},
        {"2005:092:86400", std::nullopt},
        {"2005-04-02T01:00", std::nullopt},
        {"2005-02-29", std::nullopt},
        {"2005:92", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto ticks = Parse_Time_Option(c.text);
        ASSERT_EQ(ticks.has_value(), c.iso.has_value()) << c.text;
        if (ticks) {
            EXPECT_EQ(Format_Iso8601(*ticks), *c.iso) << c.text;
        }
    }
}

TEST(TextSource, MemoryLinesAndTheOneLineLengthPolicy) {
    const std::string longLine(kMaxLineLength + 1, 'x');
    const std::string bytes = "a\r\nb\n\n" + std::string(kMaxLineLength, 'y') + "\n" + longLine +
                              "\nnever\n";
    textio::TextSource source;
    source.openMemory("mem", bytes);
    struct Expected {
        const char* text;
        size_t rawLength;
    };
    std::string_view text, raw;
    for (const Expected& e : {Expected{"a", 3}, Expected{"b", 2}, Expected{"", 1}}) {
        ASSERT_EQ(source.next(text, raw), LineSource::Status::kLine);
        EXPECT_EQ(text, e.text);
        EXPECT_EQ(raw.size(), e.rawLength);
    }
    ASSERT_EQ(source.next(text, raw), LineSource::Status::kLine);
    EXPECT_EQ(text.size(), kMaxLineLength);
    // A longer line is an error naming it: never cut, never skipped.
    EXPECT_EQ(source.next(text, raw), LineSource::Status::kError);
    EXPECT_EQ(source.error(), "mem:5: line longer than " + std::to_string(kMaxLineLength) + " characters");
    EXPECT_EQ(source.next(text, raw), LineSource::Status::kError);

    source.openMemory("end", "last line without its end");
    ASSERT_EQ(source.next(text, raw), LineSource::Status::kLine);
    EXPECT_EQ(raw, "last line without its end");
    EXPECT_EQ(source.next(text, raw), LineSource::Status::kEnd);
}

std::string Epoch(const char* time, const std::string& satellites, const std::string& lines) {
    return std::string(" 05  1 20 ") + time + "  0" + satellites + "\n" + lines;
}

TEST(ObsModel, HeaderRecordsTypesPerSystemAndPrnCounts) {
    const std::string text =
        Small_Header(Header_Line("    30.000", "INTERVAL") + Header_Line("     2", "# OF SATELLITES") +
                         Header_Line("   G 1     2     1", "PRN / # OF OBS") +
                         Header_Line("   R05     0     3", "PRN / # OF OBS"),
                     "     3    C1    P2    L2") +
        Epoch(" 1  0  0.0000000", "  2G01R05", Obs("1.0") + Obs("2.0") + Obs("3.0") + "\n" +
                                                     Obs("4.0") + Obs("") + Obs("6.0") + "\n");
    ObsReader reader;
    ASSERT_TRUE(reader.openMemory("model.05o", text)) << reader.error();
    const ObsHeader& header = reader.header();
    struct Record {
        HeaderRecord record;
        bool present;
    };
    for (const Record& r : {Record{HeaderRecord::kVersionType, true}, Record{HeaderRecord::kInterval, true},
                            Record{HeaderRecord::kSatelliteCount, true}, Record{HeaderRecord::kPrnObsCount, true},
                            Record{HeaderRecord::kFirstObs, false}, Record{HeaderRecord::kApproxPosition, false},
                            Record{HeaderRecord::kEndOfHeader, true}})
        EXPECT_EQ(header.has(r.record), r.present) << Label_Of(r.record);
    EXPECT_EQ(header.interval, 30 * kTicksPerSecond);
    EXPECT_EQ(header.satelliteCount, 2u);
    struct Types {
        char system;
        const char* codes[3];
    };
    for (const Types& t : {Types{'G', {"C1C", "C2W", "L2W"}}, Types{'R', {"C1C", "C2P", "L2P"}},
                           Types{'E', {"C1X", "P2 ", "L2 "}}}) {
        const SystemTypes& types = header.typesOf(t.system);
        ASSERT_EQ(types.count, 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(types.codes[i].view(), t.codes[i]) << t.system << i;
    }
    EXPECT_EQ(header.typesOf('G').indexOf(*Parse_Obs_Code("L2W")), 2);
    ASSERT_EQ(header.prnObs.size(), 2u);
    EXPECT_EQ(header.prnObs[0].id, (SatelliteId{'G', 1}));
    EXPECT_EQ(header.prnObs[0].counts, (std::vector<uint32_t>{2, 1, 0}));
    EXPECT_EQ(header.prnObs[1].id, (SatelliteId{'R', 5}));
    EXPECT_EQ(header.prnObs[1].counts, (std::vector<uint32_t>{0, 3, 0}));

    ObsEpoch epoch;
    ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
    EXPECT_TRUE(epoch.isObservationEpoch());
    EXPECT_EQ(epoch.satellite(1).id(), (SatelliteId{'R', 5}));
    EXPECT_FALSE(epoch.value(1, 1).present);
}

TEST(ObsModel, EveryFlagSaysWhetherItIsAnObservationEpoch) {
    for (int flag = 0; flag <= 6; ++flag) {
        ObsEpoch epoch;
        epoch.flag = flag;
        EXPECT_EQ(epoch.isObservationEpoch(), flag <= 1) << flag;
    }
}

TEST(ObsModel, TimeStandingStillOrGoingBackwardsIsReportedWithBothTimes) {
    const std::string sat = "  1G01";
    const std::string values = Obs("1.0") + Obs("2.0") + "\n";
    const std::string text = Small_Header() + Epoch(" 1  0  0.0000000", sat, values) +
                             Epoch(" 1  0 30.0000000", sat, values) +
                             Epoch(" 1  0 30.0000000", sat, values) +
                             Epoch(" 1  0  0.0000000", sat, values) +
                             Epoch(" 1  0 30.0000000", sat, values);
    ObsReader reader;
    ASSERT_TRUE(reader.openMemory("order.05o", text));
    const TimeOrder expected[] = {TimeOrder::kForward, TimeOrder::kForward, TimeOrder::kRepeated,
                                  TimeOrder::kBackward, TimeOrder::kForward};
    ObsEpoch epoch;
    std::vector<std::string> messages;
    for (TimeOrder order : expected) {
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch) << reader.error();
        EXPECT_EQ(epoch.order, order) << epoch.firstLine;
        if (epoch.order != TimeOrder::kForward) messages.push_back(reader.orderMessage(epoch));
    }
    EXPECT_EQ(reader.next(epoch), ObsReader::Status::kEnd);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "order.05o:9: epoch 2005-01-20T01:00:30 repeats the epoch "
                            "2005-01-20T01:00:30 of line 7",
                            "order.05o:11: epoch 2005-01-20T01:00:00 is before the epoch "
                            "2005-01-20T01:00:30 of line 9"}));
    EXPECT_EQ(reader.repeatedEpochs(), 1u);
    EXPECT_EQ(reader.backwardJumps(), 1u);
    EXPECT_EQ(reader.firstOrderProblem(), messages[0]);
}

TEST(ObsModel, AFileEndingInsideAnEpochSaysWhereAfterTheWholeEpochs) {
    const std::string whole = Small_Header() + Epoch(" 1  0  0.0000000", "  2G01G02",
                                                     Obs("1.0") + Obs("2.0") + "\n" +
                                                         Obs("3.0") + Obs("4.0") + "\n");
    struct Case {
        std::string tail;
        bool endedShort;
        uint64_t line;
    };
    const Case cases[] = {
        {"", false, 0},
        {Epoch(" 1  0 30.0000000", "  2G01G02", Obs("1.0") + Obs("2.0") + "\n"), true, 10},
        {" 05  1 20  1  0 30.0000000  0  2G01G0", false, 0},  // a malformed line, not an end
    };
    for (const Case& c : cases) {
        const std::string text = whole + c.tail;  // the reader reads it in place
        ObsReader reader;
        ASSERT_TRUE(reader.openMemory("short.05o", text));
        ObsEpoch epoch;
        ASSERT_EQ(reader.next(epoch), ObsReader::Status::kEpoch);
        EXPECT_EQ(reader.next(epoch), c.tail.empty() ? ObsReader::Status::kEnd : ObsReader::Status::kError);
        EXPECT_EQ(reader.endedShort(), c.endedShort) << reader.error();
        EXPECT_EQ(reader.shortAtLine(), c.line);
    }
}

}  // namespace
}  // namespace zer2ivi::rinex
