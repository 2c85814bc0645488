// The codec's rules one at a time: numbers, text differences, arcs of each
// order against hand-computed values, and what damaged input gets.
#include <gtest/gtest.h>

#include "crinex/compact_text.h"
#include "crinex_test_support.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

std::string Header_Line(std::string text, std::string_view label) {
    text.resize(60, ' ');
    return text.append(label) + "\n";
}

// A compact file of GPS satellites with the given types, then body.
std::string Compact1(const std::string& body, const std::string& types = "     2    L1    C1") {
    return Header_Line("1.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
           Header_Line("prog                                    06-Dec-26 16:33", "CRINEX PROG / DATE") +
           Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
           Header_Line(types, "# / TYPES OF OBSERV") + Header_Line("", "END OF HEADER") + body;
}

std::string Compact3(const std::string& body) {
    return Header_Line("3.0                 COMPACT RINEX FORMAT", "CRINEX VERS   / TYPE") +
           Header_Line("prog                                    06-Dec-26 16:33", "CRINEX PROG / DATE") +
           Header_Line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           Header_Line("G    2 C1C L1C", "SYS / # / OBS TYPES") + Header_Line("", "END OF HEADER") + body;
}

std::string Plain3(const std::string& body) {
    return Header_Line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE") +
           Header_Line("G    2 C1C L1C", "SYS / # / OBS TYPES") + Header_Line("", "END OF HEADER") + body;
}

std::string Insert_After_Line(std::string text, size_t line, const std::string& inserted) {
    size_t at = 0;
    for (size_t i = 0; i < line; ++i) at = text.find('\n', at) + 1;
    return text.insert(at, inserted);
}

const std::string kFull1 = "&21 12 21  0  0  0.0000000  0  1G01\n";
const std::string kNext1 = "                3\n";  // 30 s later

TEST(CompactNumbers, FixedPointFieldsReadAndWrittenExactly) {
    struct Case {
        std::string_view text;
        int decimals;
        bool ok;
        int64_t value;
    };
    const Case cases[] = {
        {"  131857102.133", 3, true, 131857102133},
        {"        -0.123", 3, true, -123},
        {"          .123", 3, true, 123},
        {"         -.5", 3, true, -500},
        {"  12", 3, true, 12000},
        {" .000000000001", 12, true, 1},
        {"1.2345", 3, false, 0},  // more decimals than the field has
        {"  1.2.3", 3, false, 0},
        {"   -", 3, false, 0},
        {"1 2", 3, false, 0},
        {"9223372036854775.807", 3, true, INT64_MAX},
        {"9223372036854775.808", 3, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        int64_t value = 0;
        EXPECT_EQ(crinex::Parse_Scaled(c.text, c.decimals, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
    struct Out {
        int64_t value;
        int decimals;
        size_t width;
        std::string_view text;  // empty: does not fit
    };
    const Out outs[] = {
        {131857102133, 3, 14, "  131857102.133"},
        {-123, 3, 14, "        -0.123"},
        {5, 3, 14, "         0.005"},
        {0, 12, 15, " 0.000000000000"},
        {9999999999999, 3, 14, "9999999999.999"},
        {10000000000000, 3, 14, ""},
        {-999999999999, 3, 14, "-999999999.999"},
        {-1000000000000, 3, 14, ""},
        {INT64_MIN, 3, 14, ""},
    };
    for (const Out& o : outs) {
        SCOPED_TRACE(o.value);
        std::string text;
        const bool fits = crinex::Append_Scaled(text, o.value, o.decimals, o.width);
        EXPECT_EQ(fits, !o.text.empty());
        if (fits) {
            EXPECT_EQ(text, o.text.substr(o.text.size() - o.width));
        }
    }
}

// One satellite, one field, one epoch per token: the values decoded.
TEST(CompactArcs, EachOrderGivesTheHandComputedValues) {
    struct Case {
        const char* name;
        std::vector<std::string> tokens;
        std::vector<int64_t> thousandths;
    };
    const Case cases[] = {
        // 1000 1003 1010 1025 1050: differences 3 7 15 25; 4 8 10; 4 2.
        {"order 3, cubic steps", {"3&1000", "3", "4", "4", "2"}, {1000, 1003, 1010, 1025, 1050}},
        {"order 1", {"1&500", "-1", "-1", "7"}, {500, 499, 498, 505}},
        {"order 2", {"2&0", "5", "1", "1"}, {0, 5, 11, 18}},
        {"order 9, the highest", {"9&7", "1", "1", "1"}, {7, 8, 10, 14}},
        {"a new arc inside", {"3&1000", "1", "3&-2000", "1"}, {1000, 1001, -2000, -1999}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string body;
        for (size_t i = 0; i < c.tokens.size(); ++i) body += (i == 0 ? kFull1 : kNext1) + "\n" + c.tokens[i] + "\n";
        const CodecRun run = Decode_Text(Compact1(body, "     1    L1"));
        ASSERT_TRUE(run.ok) << run.error;
        const std::vector<std::string> lines = Split_Lines(run.text);
        ASSERT_EQ(lines.size(), 3 + 2 * c.tokens.size());
        for (size_t i = 0; i < c.thousandths.size(); ++i) {
            const int64_t v = c.thousandths[i];
            const int64_t magnitude = v < 0 ? -v : v;
            std::string want = std::to_string(magnitude / 1000) + "." + std::to_string(1000 + magnitude % 1000).substr(1);
            if (v < 0) want = "-" + want;
            want.insert(0, 14 - want.size(), ' ');
            EXPECT_EQ(lines[4 + 2 * i], want) << "epoch " << i + 1;
        }
    }
}

TEST(CompactDecoder, DamagedInputIsNamedWithFileAndLine) {
    const std::string epoch2 = "&21 12 21  0  0  0.0000000  0  2G01G02\n";
    struct Case {
        const char* name;
        std::string text;
        std::string error;  // "in.crx:LINE: ..."
    };
    const Case cases[] = {
        {"difference without an arc", Compact1(kFull1 + "\n5\n"),
         "in.crx:8: satellite G01, field 1: a difference without an arc"},
        {"arc ended by an empty field", Compact1(kFull1 + "\n3&5 3&6\n" + kNext1 + "\n 1\n" + kNext1 + "\n1 1\n"),
         "in.crx:14: satellite G01, field 1: a difference without an arc"},
        {"arc order above 9", Compact1(kFull1 + "\n10&5\n"), "in.crx:8: satellite G01, field 1: arc order 10 above 9"},
        {"more fields than types", Compact1(kFull1 + "\n3&1 3&2 3&333\n"),
         "in.crx:8: satellite G01: more fields than its 2 observation types"},
        {"not a number", Compact1(kFull1 + "\n3&12x\n"), "in.crx:8: satellite G01, field 1: '3&12x' is not"},
        {"beyond 64 bits", Compact1(kFull1 + "\n3&9223372036854775808\n"), "in.crx:8: satellite G01, field 1: '"},
        {"overflow while adding", Compact1(kFull1 + "\n3&9999999999999\n" + kNext1 + "\n9223372036854775807\n"),
         "in.crx:11: satellite G01, field 1: value overflows 64 bits"},
        {"too wide for F14.3", Compact1(kFull1 + "\n3&10000000000000\n"), "value does not fit F14.3"},
        {"clock difference without an arc", Compact1(kFull1 + "7\n3&1\n"),
         "in.crx:7: receiver clock: a difference without an arc"},
        {"cut after the clock line", Compact1(kFull1 + "\n"), "in.crx:7: file ends inside an epoch"},
        {"cut between satellites", Compact1(epoch2 + "\n3&1\n"), "in.crx:8: file ends inside an epoch"},
        {"epoch line begins with a character", Compact1(kFull1 + "\n3&1\nx\n"),
         "in.crx:9: epoch line: column 1 is not blank"},
        {"first epoch is a difference", Compact1(kNext1 + "\n"), "in.crx:6: first epoch line is not a full line"},
        {"count disagrees", Compact1("&21 12 21  0  0  0.0000000  0  3G01G02\n\n"),
         "in.crx:6: epoch line lists 2 satellites, its count says 3"},
        {"not compact", "     2.11           OBSERVATION DATA    G (GPS)             RINEX VERSION / TYPE\n",
         "in.crx:1: not a Compact RINEX file"},
        {"unknown version", Compact1("").replace(0, 3, "2.0"), "in.crx:1: Compact RINEX version 2.0"},
        {"version against RINEX version", Compact1("").replace(0, 3, "3.0"), "does not carry RINEX 2"},
        {"a second RINEX version", Insert_After_Line(Compact1(""), 3, Header_Line("     3.04           OBSERVATION DATA    M", "RINEX VERSION / TYPE")),
         "in.crx:4: a second RINEX VERSION / TYPE"},
        {"cut in the header", Compact1("").substr(0, 250), "in.crx:4: file ends inside the header"},
        {"system without types", Compact3("> 2021 12 21 00 00  0.0000000  0  1      E01\n\n"),
         "in.crx:7: satellite E01: its system has no observation types"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CodecRun run = Decode_Text(c.text);
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(run.error.rfind("in.crx:", 0), 0u) << run.error;
        EXPECT_NE(run.error.find(c.error), std::string::npos) << run.error;
    }
}

TEST(CompactEncoder, DamagedInputIsNamedWithFileAndLine) {
    const std::string epoch = "> 2021 12 21 00 00  0.0000000  0  1\n";
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"more fields than types", Plain3(epoch + "G01         1.000           2.000           3.000\n"),
         "in.rnx:5: satellite G01: more fields than its 2 observation types"},
        {"not a number", Plain3(epoch + "G01     1x.000\n"), "in.rnx:5: observation 1 is not an F14.3 number"},
        {"more decimals than F14.3", Plain3(epoch + "G01     1.0005\n"), "in.rnx:5: observation 1 is not"},
        {"system without types", Plain3(epoch + "E01         1.000\n"), "in.rnx:5: satellite E01: its system has no"},
        {"cut inside an epoch", Plain3("> 2021 12 21 00 00  0.0000000  0  2\nG01         1.000\n"),
         "in.rnx:5: file ends inside an epoch"},
        {"epoch line without '>'", Plain3("  2021 12 21 00 00  0.0000000  0  1\n"),
         "in.rnx:4: epoch line does not begin with '>'"},
        {"not RINEX", "hello\n", "in.rnx:1: not a RINEX file"},
        {"RINEX 2 epoch line begins with a character",
         Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
             Header_Line("     1    L1", "# / TYPES OF OBSERV") + Header_Line("", "END OF HEADER") +
             "321 12 21  0  0  0.0000000  0  1G01\n",
         "in.rnx:4: epoch line: column 1 is not blank"},
        {"clock not a number", Plain3("> 2021 12 21 00 00  0.0000000  0  1       0.00000000x\n"),
         "in.rnx:4: receiver clock is not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CodecRun run = Encode_Text(c.text);
        EXPECT_FALSE(run.ok);
        EXPECT_NE(run.error.find(c.error), std::string::npos) << run.error;
    }
}

// An event record passes whole; the next epoch starts afresh with a full
// line and new arcs.
TEST(CompactEncoder, EventRecordsPassAndTheNextEpochIsFull) {
    const std::string plain =
        Plain3("> 2021 12 21 00 00  0.0000000  0  1\n"
               "G01         1.000           2.000 5\n"
               "> 2021 12 21 00 00 30.0000000  0  1\n"
               "G01         1.500           2.000 5\n"
               ">                              4  1\n" +
               Header_Line("A COMMENT", "COMMENT") +
               "> 2021 12 21 00 01  0.0000000  0  1\n"
               "G01         2.000           2.000 5\n");
    const CodecRun encoded = Encode_Text(plain);
    ASSERT_TRUE(encoded.ok) << encoded.error;
    const std::vector<std::string> lines = Split_Lines(encoded.text);
    const std::vector<std::string> body(lines.begin() + 5, lines.end());
    const std::vector<std::string> want = {
        "> 2021 12 21 00 00  0.0000000  0  1      G01",
        "",
        "3&1000 3&2000 &&&5",
        "                   3",
        "",
        "500 0",
        ">                              4  1",
        Header_Line("A COMMENT", "COMMENT").substr(0, 67),
        "> 2021 12 21 00 01  0.0000000  0  1      G01",
        "",
        "3&2000 3&2000 &&&5",
    };
    EXPECT_EQ(body, want);
    const CodecRun decoded = Decode_Text(encoded.text);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.text, plain);
}

// An event record that brings more observation types: the epochs after it
// have more fields, in both directions.
TEST(CompactEncoder, TypesChangedByAnEventRecord) {
    const std::string plain =
        Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
        Header_Line("     1    L1", "# / TYPES OF OBSERV") + Header_Line("", "END OF HEADER") +
        " 21 12 21  0  0  0.0000000  0  2G01G02\n"
        "         1.000 5\n"
        "         2.000 6\n"
        "                            4  1\n" +
        Header_Line("     7    L1    L2    C1    P2    D1    S1    S2", "# / TYPES OF OBSERV") +
        " 21 12 21  0  0 30.0000000  0  2G01G02\n"
        "         1.000 5         2.000           3.000           4.000           5.000\n"
        "         6.000           7.000\n"
        "         1.500 5         2.500\n"
        "\n";
    const CodecRun encoded = Encode_Text(plain);
    ASSERT_TRUE(encoded.ok) << encoded.error;
    const CodecRun decoded = Decode_Text(encoded.text);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.text, plain);
}

// A difference just below 1e10 in magnitude is sent; one of 1e10 starts a
// new arc.
TEST(CompactEncoder, ANewArcStartsWhereADifferenceReaches1e10) {
    struct Case {
        const char* second;  // value of the second epoch; the first is 1.000
        const char* line;    // its compact satellite line
    };
    const Case cases[] = {
        {"   10000000.999", "9999999999"},
        {"   10000001.000", "3&10000001000"},
        {"   -9999998.999", "-9999999999"},
        {"   -9999999.000", "3&-9999999000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second);
        const std::string plain = Plain3(
            "> 2021 12 21 00 00  0.0000000  0  1\nG01         1.000\n"
            "> 2021 12 21 00 00 30.0000000  0  1\nG01" + std::string(c.second).substr(1) + "\n");
        const CodecRun encoded = Encode_Text(plain);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        const std::vector<std::string> lines = Split_Lines(encoded.text);
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[7], "3&1000  &&&&");  // a new satellite sends every blank flag
        EXPECT_EQ(lines[10], c.line);
        const CodecRun decoded = Decode_Text(encoded.text);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.text, plain);
    }
}

}  // namespace
}  // namespace zer2ivi::testing
