// Ephemeris files no ephemeris source writes: one endless line, endless
// blank lines, NUL bytes, a block that never closes, numbers beyond double
// precision, "nan", "inf", hex floats and integers of 40 digits.  The
// conversion must end, write whole records only and count them truthfully.
#include <cmath>
#include <cstdlib>

#include "hardening/hardening_support.h"
#include "numbers/numbers.h"

namespace zer2ivi::testing {
namespace {

class HostileEphemerisTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset_Library_State();
        Set_Utc_Clock(&Fixed_Utc);
    }
    void TearDown() override { Set_Utc_Clock(nullptr); }

    // Converts content; returns the record count of the message, checks the
    // result, the navigation file's shape and the descriptors.
    int Convert(const std::string& content) {
        Write_File(dir.file("in.eph"), content);
        const int descriptors = Open_Descriptor_Count();
        const int32_t result =
            Ephemeris_To_Nav(dir.file("in.eph").c_str(), dir.file("out.nav").c_str(), "RUNNER");
        EXPECT_EQ(Open_Descriptor_Count(), descriptors);
        EXPECT_EQ(result, 0) << library.LastErrorText;
        const int count = Ephemeris_Count_Of(library.LastErrorText);
        EXPECT_GE(count, 0) << library.LastErrorText;
        lines = Read_Lines(dir.file("out.nav"));
        EXPECT_EQ(lines.size(), 3u + 8u * static_cast<size_t>(count < 0 ? 0 : count));
        for (size_t i = 3; i < lines.size(); ++i) {
            if ((i - 3) % 8 == 0) {
                EXPECT_LE(lines[i].size(), static_cast<size_t>(kLineBufferSize)) << lines[i];
            } else {
                EXPECT_LE(lines[i].size(), 80u) << lines[i];
            }
        }
        return count;
    }

    TempDir dir;
    std::vector<std::string> lines;
};

constexpr size_t kMegabyte = 1024 * 1024;

struct HostileFileCase {
    const char* name;
    std::string content;
    int records;  // -1: as many as the message says (checked against the file)
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const HostileFileCase& c, std::ostream* os) { *os << c.name; }

class HostileFileTest : public HostileEphemerisTest,
                        public ::testing::WithParamInterface<HostileFileCase> {};

TEST_P(HostileFileTest, ConversionEndsWithWholeRecordsOnly) {
    const int count = Convert(GetParam().content);
    if (GetParam().records >= 0) {
        EXPECT_EQ(count, GetParam().records);
    }
}

std::string Tagged_Block_Lines() {
    return "  Prn: 9\n"
           "  El1: 1316 0 -3.259629011150e-09 396 0\n"
           "  El2: 0.0 1.705302565820e-12 3.966595977540e-04\n"
           "  El3: 140 -5.21875e+01 4.026596389650e-09 2.871534990340e+00\n"
           "  El4: -2.676621079440e-06 5.957618006510e-03 4.174187779430e-06 5.153636478420e+03\n"
           "  El5: 525600 1.061707735060e-07 -2.493184817740e+00 -9.313225746150e-08\n"
           "  El6: 9.833919144490e-01 3.09375e+02 -1.650496813270e+00 -7.88997e-09 -8.5717e-12\n";
}

std::vector<HostileFileCase> Hostile_Files() {
    std::string blankLines(100000, '\n');
    return {
        {"OneMegabyteLine", std::string(kMegabyte, 'x'), -1},
        {"OneMegabyteLineWithLineFeed", std::string(kMegabyte, '7') + "\n", -1},
        {"TaggedOneMegabyteLine", "$EPHREC\n" + std::string(kMegabyte, 'y'), 0},
        {"TaggedOneMegabyteHeaderLine", "$EPHREC" + std::string(kMegabyte, 'z') + "\n", 0},
        {"TaggedOneMegabyteBlockLine",
         "$EPHREC\nGpsEph {\n  Prn: " + std::string(kMegabyte, '1') + "\n}\n", -1},
        {"HundredThousandBlankLines", blankLines, -1},
        {"TaggedHundredThousandBlankLines", "$EPHREC\n" + blankLines, 0},
        {"NulBytes", std::string(64 * 1024, '\0'), -1},
        {"NulLines", [] {
             std::string text;
             for (int i = 0; i < 6000; ++i) text += std::string(10, '\0') + "\n";
             return text;
         }(), -1},
        {"TaggedNulBytes", "$EPHREC\n" + std::string(64 * 1024, '\0'), 0},
        {"BlockNeverClosesAtEndOfFile", "$EPHREC\nGpsEph {\n" + Tagged_Block_Lines(), 1},
        {"BlockNeverClosesBeforeTheNext",
         "$EPHREC\nGpsEph {\n" + Tagged_Block_Lines() + "GpsEph {\n" + Tagged_Block_Lines() + "}\n",
         -1},
        {"BlockNeverClosesOverManyLines",
         "$EPHREC\nGpsEph {\n" + Tagged_Block_Lines() + [] {
             std::string text;
             for (int i = 0; i < 100000; ++i) text += "  Extra: 1 2 3\n";
             return text;
         }(), -1},
        {"OpenBraceOnly", "$EPHREC\nGpsEph {", -1},
    };
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFileTest, ::testing::ValuesIn(Hostile_Files()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

// The value texts go into af0, the last value of the second plain line and
// of the tagged "El2" line; the field written must be that of the number
// strtod reads from the text.
struct HostileValueCase {
    const char* name;
    const char* text;
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const HostileValueCase& c, std::ostream* os) { *os << c.name; }

class HostileValueTest : public HostileEphemerisTest,
                         public ::testing::WithParamInterface<HostileValueCase> {};

std::string Field_Of(double value) {
    char field[20];
    Format_Rinex_Value(field, value);
    return field;
}

TEST_P(HostileValueTest, PlainFormReadsTheValueAsStrtodDoes) {
    ASSERT_EQ(Convert(Plain_Ephemeris(5, GetParam().text)), 1);
    // Line 1: 22 characters of epoch text, then af0.
    EXPECT_EQ(lines[3].substr(22, 19), Field_Of(std::strtod(GetParam().text, nullptr)));
}

TEST_P(HostileValueTest, TaggedFormReadsTheValueAsStrtodDoes) {
    std::string block = Tagged_Block_Lines();
    const std::string af0 = "3.966595977540e-04";
    block.replace(block.find(af0), af0.size(), GetParam().text);
    ASSERT_EQ(Convert("$EPHREC\nGpsEph {\n" + block + "}\n"), 1);
    EXPECT_EQ(lines[3].substr(22, 19), Field_Of(std::strtod(GetParam().text, nullptr)));
}

INSTANTIATE_TEST_SUITE_P(
    Values, HostileValueTest,
    ::testing::Values(HostileValueCase{"Denormal", "1e-320"}, HostileValueCase{"Huge", "1e308"},
                      HostileValueCase{"HugeNegative", "-1.7e308"},
                      HostileValueCase{"Overflowing", "1e999"},
                      HostileValueCase{"NotANumber", "nan"}, HostileValueCase{"Infinite", "inf"},
                      HostileValueCase{"NegativeInfinite", "-inf"},
                      HostileValueCase{"HexFloat", "0x1p-3"},
                      HostileValueCase{"HexFloatFraction", "-0x1.8p+1"},
                      HostileValueCase{"FortyDigits", "1234567890123456789012345678901234567890"}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

struct HugeIntegerCase {
    const char* name;
    std::string prn;
    std::string week;
    const char* lineStart;  // of the record's first line
};

// Named in test output by what it is (not by its bytes).
void PrintTo(const HugeIntegerCase& c, std::ostream* os) { *os << c.name; }

class HugeIntegerTest : public HostileEphemerisTest,
                        public ::testing::WithParamInterface<HugeIntegerCase> {};

TEST_P(HugeIntegerTest, FortyDigitIntegersSaturate) {
    const HugeIntegerCase& c = GetParam();
    std::string text = Plain_Ephemeris(1, "1.0e-04", c.week);
    text.replace(0, 1, c.prn);
    ASSERT_EQ(Convert(text), 1);
    EXPECT_EQ(lines[3].rfind(c.lineStart, 0), 0u) << lines[3];
}

INSTANTIATE_TEST_SUITE_P(
    Integers, HugeIntegerTest,
    ::testing::Values(
        HugeIntegerCase{"PositivePrn", std::string(40, '9'), "1316", "2147483647 "},
        HugeIntegerCase{"NegativePrn", "-" + std::string(40, '9'), "1316", "-2147483648 "},
        HugeIntegerCase{"PositiveWeek", "3", std::string(40, '9'), " 3 "},
        HugeIntegerCase{"NegativeWeek", "3", "-" + std::string(40, '9'), " 3 "}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace zer2ivi::testing
