#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "ephemeris_test_support.h"

namespace zer2ivi::testing {
namespace {

// The lines of one complete "GpsEph" block, without header and "}".
std::vector<std::string> Lines(int prn) {
    return {"  Prn: " + std::to_string(prn),
            "  El1: 1160 0 -4.190951585770e-09 346 0",
            "  El2: 0.0 -4.5474735089e-13 -1.23456789012e-05",
            "  El3: 90 -38.625 5.014494588110e-09 2.371087331250e+00",
            "  El4: -2.177432179450e-06 5.265489802700e-03 1.095049083230e-05 5.153768068310e+03",
            "  El5: 432000 -5.401670932770e-08 -1.520948156890e+00 -9.126961231230e-08",
            "  El6: 9.356178244440e-01 1.513750000000e+02 8.336561823150e-01 "
            "-8.150339494350e-09 -1.242908915000e-10"};
}

std::string Block(const std::vector<std::string>& lines, const std::string& header = "GpsEph {",
                  const std::string& end = "}\n", const std::string& lineEnd = "\n") {
    std::string text = header + lineEnd;
    for (const std::string& line : lines) text += line + lineEnd;
    return text + end;
}

std::string Block(int prn) { return Block(Lines(prn)); }

std::string Without_Last_Line_End(std::string text) {
    text.pop_back();
    return text;
}

// Lines(prn) with line `index` replaced (or removed when replacement is empty).
std::vector<std::string> Changed(int prn, size_t index, const std::string& replacement) {
    std::vector<std::string> lines = Lines(prn);
    if (replacement.empty()) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
    } else {
        lines[index] = replacement;
    }
    return lines;
}

const std::string kFirstLine = "$EPHREC test file\n";

class TaggedFormTest : public TextFileFixture {};

TEST_F(TaggedFormTest, BlockFillsEveryField) {
    const std::vector<EphemerisRecord> records =
        Read_All(kFirstLine + Block(5), Next_Tagged_Ephemeris);
    ASSERT_EQ(records.size(), 1u);
    Expect_Same_Record(records[0], Example_Values(5));
}

TEST_F(TaggedFormTest, WhichBlocksYieldAnEphemeris) {
    std::vector<std::string> mixedCase = Lines(5);
    for (std::string& line : mixedCase) {
        for (char& c : line) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    std::vector<std::string> full32(25, "  Note: filler");
    for (const std::string& line : Lines(5)) full32.push_back(line);  // Prn: is the 26th
    std::vector<std::string> exactly32(25, "  Note: filler");
    exactly32.push_back("  ; a comment line is not stored");
    for (const std::string& line : Lines(5)) exactly32.push_back(line);
    std::vector<std::string> prnLast = Lines(5);
    std::rotate(prnLast.begin(), prnLast.begin() + 1, prnLast.end());
    std::vector<std::string> overflow(26, "  Note: filler");
    for (const std::string& line : prnLast) overflow.push_back(line);  // Prn: is the 33rd

    struct Case {
        const char* name;
        std::string content;
        std::vector<int32_t> prns;
    };
    const Case cases[] = {
        {"file order, text between blocks",
         kFirstLine + "free text\n{ brace first\n" + Block(5) + "Other { x: 1 }\n" + Block(7), {5, 7}},
        {"capital names and tags", kFirstLine + Block(mixedCase, "GPSEPH {") + Block(7), {5, 7}},
        {"tab before the brace", kFirstLine + Block(Lines(5), "gpseph\t{"), {5}},
        {"text after the brace is the first line",
         kFirstLine + Block(Changed(5, 0, ""), "GpsEph { Prn: 12"), {12}},
        {"15 characters before the brace",
         kFirstLine + Block(Lines(5), "GpsEph" + std::string(9, ' ') + "{"), {5}},
        {"16 characters before the brace are no header",
         kFirstLine + Block(Lines(5), "GpsEph" + std::string(10, ' ') + "{") + Block(7), {7}},
        {"no blank before the brace", kFirstLine + Block(Lines(5), "GpsEph{") + Block(7), {7}},
        {"other block names", kFirstLine + Block(Lines(5), "GpsAlm {") + Block(7), {7}},
        {"missing El6:", kFirstLine + Block(Changed(5, 6, "")) + Block(7), {7}},
        {"El2: with two values", kFirstLine + Block(Changed(5, 2, "El2: 0.0 1.0")) + Block(7), {7}},
        {"El2: separated by commas", kFirstLine + Block(Changed(5, 2, "El2: 0.0,1.0,2.0")) + Block(7),
         {7}},
        {"El1: week with a point", kFirstLine + Block(Changed(5, 1, "El1: 1160.0 0 0 0 0")) + Block(7),
         {7}},
        {"tag without its colon", kFirstLine + Block(Changed(5, 0, "Prn 5")) + Block(7), {7}},
        {"extra values are ignored", kFirstLine + Block(Changed(5, 0, "Prn: 5 6 7")), {5}},
        {"duplicate Prn: takes the first", kFirstLine + Block(Changed(9, 0, "Prn: 5\n Prn: 9")), {5}},
        {"quoted values", kFirstLine + Block(Changed(5, 0, "Prn: \"14\"")), {14}},
        {"comment hides a brace", kFirstLine + Block(Changed(5, 0, "Prn: 5 ; } no end")), {5}},
        {"brace ends the block whatever stands before it",
         kFirstLine + Block(Changed(5, 6, Lines(5)[6] + " }")) + Block(7), {7}},
        {"block without brace at the end", kFirstLine + Block(Lines(5), "GpsEph {", ""), {5}},
        // A last line without a line end is stored like any other.
        {"last line without line end",
         Without_Last_Line_End(kFirstLine + Block(Lines(5), "GpsEph {", "")), {5}},
        {"header line ends the file", kFirstLine + Block(5) + "GpsEph { Prn: 3", {5}},
        {"32 stored lines are kept", kFirstLine + Block(exactly32), {5}},
        {"a line past the 32nd is lost", kFirstLine + Block(overflow) + Block(7), {7}},
        {"lines past the 32nd are read as free text",
         kFirstLine + Block(full32, "GpsEph {", "") + Block(7), {5, 7}},
        {"CR LF line ends", kFirstLine + Block(Lines(5), "GpsEph {", "}\r\n", "\r\n"), {5}},
        {"Ctrl-Z ends the file", kFirstLine + Block(5) + "\x1A" + Block(7), {5}},
        {"duplicates kept in order", kFirstLine + Block(5) + Block(5) + Block(3), {5, 5, 3}},
        {"saturated prn", kFirstLine + Block(Changed(5, 0, "Prn: " + std::string(40, '9'))),
         {INT32_MAX}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Prns(c.content, Next_Tagged_Ephemeris), c.prns) << c.name;
    }
}

TEST_F(TaggedFormTest, ReadBlockStoresWordsCutToTheirHolders) {
    // The name is the header line's first word, which may run on past the
    // brace; the rest after the brace is the first line.
    std::string manyWords = "Tag:";
    for (int i = 1; i <= 20; ++i) manyWords += " v" + std::to_string(i);
    TextFile& file = Open(" N{" + std::string(40, 't') + "\n" + manyWords +
                          "\n  \"a b\"  \"c\n   \n}\n");
    TaggedBlock& block = ephemerisReaders.taggedBlock;
    ASSERT_EQ(Read_Block(file, block), 0);
    EXPECT_EQ(std::string(block.name), "N{" + std::string(29, 't'));
    ASSERT_EQ(block.lineCount, 3);
    EXPECT_EQ(std::string(block.lines[0].tag), std::string(31, 't'));
    EXPECT_EQ(block.lines[0].valueCount, 0);
    EXPECT_EQ(block.lines[1].valueCount, 15);
    EXPECT_STREQ(block.lines[1].values[14], "v15");
    EXPECT_STREQ(block.lines[2].tag, "\"a`b\"");
    EXPECT_EQ(block.lines[2].valueCount, 1);
    EXPECT_STREQ(block.lines[2].values[0], "\"c");
    EXPECT_EQ(Read_Block(file, block), -1);
}

TEST_F(TaggedFormTest, GetTaggedValuesScansAsTheStandardScan) {
    struct Case {
        const char* name;
        const char* line;
        const char* format;
        int count;
        double expected[3];
    };
    const Case cases[] = {
        {"three values", "T: 1.5 -2.5e-3 3", "%lf%lf%lf", 3, {1.5, -2.5e-3, 3.0}},
        {"quotes removed", "T: \"1.5\" \"2\"5 3", "%lf%lf%lf", 3, {1.5, 25.0, 3.0}},
        {"quoted stretch stays one word", "T: \"1 2\" 3", "%lf%lf%lf", 1, {1.0, -1, -1}},
        {"commas do not separate", "T: 1.5,2.5,3.5", "%lf%lf%lf", 1, {1.5, -1, -1}},
        {"not a number", "T: x 2", "%lf%lf", 0, {-1, -1, -1}},
        {"no values", "T:", "%lf", 0, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        TextFile& file = Open(std::string("B {\n") + c.line + "\n}\n");
        TaggedBlock& block = ephemerisReaders.taggedBlock;
        ASSERT_EQ(Read_Block(file, block), 0) << c.name;
        double got[3] = {-1, -1, -1};
        EXPECT_EQ(Get_Tagged_Values("t:", block, c.format, &got[0], &got[1], &got[2]), c.count)
            << c.name;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(got[i], c.expected[i]) << c.name << " " << i;
        EXPECT_EQ(Get_Tagged_Values("T:", block, c.format, &got[0], &got[1], &got[2]), -1)
            << c.name << ": the line is used";
    }
}

TEST_F(TaggedFormTest, GetTaggedValuesIntegersSaturateAndStopAtAPoint) {
    TextFile& file = Open("B {\nA: 1160.5 7\nA: -99999999999999999999 2147483648\n}\n");
    TaggedBlock& block = ephemerisReaders.taggedBlock;
    ASSERT_EQ(Read_Block(file, block), 0);
    int32_t first = -1;
    int32_t second = -1;
    EXPECT_EQ(Get_Tagged_Values("A:", block, "%d%ld", &first, &second), 1);
    EXPECT_EQ(first, 1160);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(Get_Tagged_Values("A:", block, "%d%ld", &first, &second), 2);
    EXPECT_EQ(first, INT32_MIN);
    EXPECT_EQ(second, INT32_MAX);
}

// The block-line rules written out plainly, one character at a time: what
// Read_Block must store for a line (nothing when it has no word), and
// whether the line ends the block.
struct ModelLine {
    bool endsBlock = false;
    std::vector<std::string> words;  // tag first, then the values kept
};

ModelLine Model_Block_Line(const std::string& line) {
    ModelLine result;
    std::string text;
    bool quoted = false;
    for (const char c : line) {
        if (c == '\0' || c == ';') break;
        if (c == '}') {
            result.endsBlock = true;
            return result;
        }
        if (c == '"') quoted = !quoted;
        text += (c == ' ' && quoted) ? '`' : c;
    }
    std::string word;
    auto finish = [&] {
        if (word.empty()) return;
        const size_t holder = result.words.empty() ? kTaggedWordSize : kTaggedValueSize;
        if (result.words.size() <= static_cast<size_t>(kTaggedMaxValues)) {
            result.words.push_back(word.substr(0, holder - 1));
        }
        word.clear();
    };
    for (const char c : text) {
        if (Is_White(c)) {
            finish();
        } else {
            word += c;
        }
    }
    finish();
    return result;
}

TEST_F(TaggedFormTest, ReadBlockStoresWhatTheLineRulesGiveForRandomLines) {
    // Random lines of words, blanks of every kind, quotes, comments, braces,
    // NUL and control characters, words longer than their holders and more
    // words than a line keeps.
    std::mt19937 random(20261207);
    const std::string pieces[] = {"El1:", "1.5e-3", "-7", "x", " ", "  ", "\t", "\v", "\f",
                                  "\"", "\" \"", ";", "; c }", "}", std::string(1, '\0'),
                                  "\x01", "\r", std::string(40, 'w'), "a\"b c\"d",
                                  "v v v v v v v v v v v v v v v v v v"};
    constexpr int kBlocks = 3000;
    for (int n = 0; n < kBlocks; ++n) {
        std::vector<std::string> lines;
        const size_t lineCount = 1 + random() % 12;
        for (size_t i = 0; i < lineCount; ++i) {
            std::string line;
            const size_t parts = random() % 9;
            for (size_t k = 0; k < parts; ++k) {
                // Braces and comments are rarer than words and blanks.
                const size_t pick = random() % std::size(pieces);
                if ((pick == 11 || pick == 12 || pick == 13) && random() % 4 != 0) continue;
                line += pieces[pick];
            }
            // A CR right before the line end would be dropped by the reading.
            if (!line.empty() && line.back() == '\r') line.back() = 'x';
            lines.push_back(line);
        }
        std::string content = "B {" + lines[0] + "\n";
        for (size_t i = 1; i < lines.size(); ++i) content += lines[i] + "\n";
        content += "}\n";

        std::vector<ModelLine> expected;
        for (const std::string& line : lines) {
            ModelLine model = Model_Block_Line(line);
            if (model.endsBlock) break;
            if (!model.words.empty()) expected.push_back(model);
        }
        TextFile& file = Open(content);
        TaggedBlock& block = ephemerisReaders.taggedBlock;
        ASSERT_EQ(Read_Block(file, block), 0) << n;
        ASSERT_EQ(block.lineCount, static_cast<int32_t>(expected.size())) << n;
        for (size_t i = 0; i < expected.size(); ++i) {
            const TaggedLine& stored = block.lines[i];
            const std::vector<std::string>& words = expected[i].words;
            EXPECT_EQ(stored.tag, words[0]) << n << " line " << i;
            ASSERT_EQ(stored.valueCount, static_cast<int16_t>(words.size() - 1)) << n;
            for (size_t v = 1; v < words.size(); ++v) {
                EXPECT_EQ(stored.values[v - 1], words[v]) << n << " line " << i;
            }
            EXPECT_EQ(stored.used, 0);
        }
    }
}

TEST_F(TaggedFormTest, GetTaggedValuesTakesTheValuesThatFitTheJoinBuffer) {
    // Values take part, each with a blank after it, while they fit 511
    // characters; quotes do not count.  Full holders may lack their NUL.
    struct Case {
        const char* name;
        std::vector<std::string> values;
        int count;
    };
    const std::string digits200(200, '1');
    const std::string full(kTaggedValueSize, '2');  // no NUL in the holder
    // 402 + 108 + 1 fits; with its two quotes counted it would not.
    const std::string quoted = "\"" + std::string(108, '3') + "\"";
    const Case cases[] = {
        {"two of 200 fit, the third does not", {digits200, digits200, digits200}, 2},
        {"full holders: 255 characters each", {full, full, full}, 1},
        {"quotes are not counted", {digits200, digits200, quoted, "4"}, 3},
        {"short values all fit", {"1", "2", "3", "4"}, 4},
    };
    for (const Case& c : cases) {
        TaggedBlock& block = ephemerisReaders.taggedBlock;
        block.lineCount = 1;
        TaggedLine& line = block.lines[0];
        std::memcpy(line.tag, "T:", 3);
        line.used = 0;
        line.valueCount = static_cast<int16_t>(c.values.size());
        for (size_t v = 0; v < c.values.size(); ++v) {
            const size_t length = std::min(c.values[v].size(), sizeof line.values[v]);
            std::memcpy(line.values[v], c.values[v].data(), length);
            if (length < sizeof line.values[v]) line.values[v][length] = '\0';
        }
        double got[4] = {0, 0, 0, 0};
        EXPECT_EQ(Get_Tagged_Values("T:", block, "%lf%lf%lf%lf", &got[0], &got[1], &got[2],
                                    &got[3]),
                  c.count)
            << c.name;
    }
}

// The bits of a converted value; every not-a-number of one sign is one value.
uint64_t Value_Bits(double value) {
    if (std::isnan(value)) return std::signbit(value) ? 1 : 2;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST_F(TaggedFormTest, MalformedValuesCountAsTheFormattedScanCountsThem) {
    // Where strtod would stop inside a token and the next conversion would
    // go on from there, the formatted scan takes what could still begin a
    // number ("1e", "0x1p") and fails on what cannot ("0x", a second "e").
    struct Case {
        const char* line;
        int count;
        double expected[3];
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"1e 2 3", 3, {1, 2, 3}},
        {"1 2 0x", 2, {1, 2, -1}},
        {"nan(12) 1 2", 1, {nan, -1, -1}},
        {"0x1p 1 2", 3, {1, 1, 2}},
        {"1e5e 2 3", 1, {1e5, -1, -1}},
        {"1..2 3 4", 3, {1, 0.2, 3}},
        {"-0x 1 2", 0, {-1, -1, -1}},
        {"0x. 1 2", 3, {0, 1, 2}},
        {"1e+x 2 3", 1, {1, -1, -1}},
        {"infinity 1 2", 3, {HUGE_VAL, 1, 2}},
        {"infin 1 2", 0, {-1, -1, -1}},
        {"0x.p1 2 3", 1, {0, -1, -1}},
        {"0X1P-2 1e999 -1e-999", 3, {0.25, HUGE_VAL, -0.0}},
    };
    for (const Case& c : cases) {
        TextFile& file = Open(std::string("B {\nT: ") + c.line + "\n}\n");
        TaggedBlock& block = ephemerisReaders.taggedBlock;
        ASSERT_EQ(Read_Block(file, block), 0) << c.line;
        double got[3] = {-1, -1, -1};
        EXPECT_EQ(Get_Tagged_Values("T:", block, "%lf%lf%lf", &got[0], &got[1], &got[2]), c.count)
            << c.line;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(Value_Bits(got[i]), Value_Bits(c.expected[i])) << c.line << " " << i;
        }
    }
}

TEST_F(TaggedFormTest, RandomShortTokensScanAsThePlatformScan) {
#if !defined(__GLIBC__)
    GTEST_SKIP() << "the formatted scan of the C library of Linux is the reference";
#else
    // Tokens of one to five characters that numbers are made of; the line's
    // three values against sscanf over the text the values are joined into.
    const char alphabet[] = "0123456789..eEeE++--xXpPaAnNiIfFty(";
    std::mt19937 random(20261207);
    std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 2);
    std::uniform_int_distribution<int> length(1, 5);
    int mismatches = 0;
    for (int n = 0; n < 100000 && mismatches < 10; ++n) {
        std::string joined;
        for (int t = 0; t < 3; ++t) {
            const int size = length(random);
            for (int i = 0; i < size; ++i) joined += alphabet[pick(random)];
            joined += ' ';
        }
        TaggedBlock& block = ephemerisReaders.taggedBlock;
        block.lineCount = 1;
        TaggedLine& line = block.lines[0];
        std::memcpy(line.tag, "T:", 3);
        line.used = 0;
        line.valueCount = 0;
        for (size_t from = 0; from < joined.size();) {
            const size_t to = joined.find(' ', from);
            const std::string word = joined.substr(from, to - from);
            std::memcpy(line.values[line.valueCount++], word.c_str(), word.size() + 1);
            from = to + 1;
        }
        double got[3] = {-1, -1, -1};
        double want[3] = {-1, -1, -1};
        const int count = Get_Tagged_Values("T:", block, "%lf%lf%lf", &got[0], &got[1], &got[2]);
        const int scanned = std::sscanf(joined.c_str(), "%lf%lf%lf", &want[0], &want[1], &want[2]);
        bool same = count == std::max(scanned, 0);
        for (int i = 0; i < 3; ++i) same = same && Value_Bits(got[i]) == Value_Bits(want[i]);
        if (!same) {
            ++mismatches;
            ADD_FAILURE() << '"' << joined << "\": sscanf " << scanned << " values, got " << count;
        }
    }
    EXPECT_EQ(mismatches, 0);
#endif
}

}  // namespace
}  // namespace zer2ivi::testing
