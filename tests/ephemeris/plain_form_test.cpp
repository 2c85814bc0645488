#include <cstdint>
#include <string>
#include <vector>

#include "ephemeris_test_support.h"

namespace zer2ivi::testing {
namespace {

// Six lines of one plain-form ephemeris.
std::string Plain(int prn, const char* lineEnd = "\n") {
    const std::string end = lineEnd;
    return std::to_string(prn) + " 1160 0 -4.190951585770e-09 346 0" + end +
           "0.0 -4.5474735089e-13 -1.23456789012e-05" + end +
           "90 -38.625 5.014494588110e-09 2.371087331250e+00" + end +
           "-2.177432179450e-06 5.265489802700e-03 1.095049083230e-05 5.153768068310e+03" + end +
           "432000 -5.401670932770e-08 -1.520948156890e+00 -9.126961231230e-08" + end +
           "9.356178244440e-01 1.513750000000e+02 8.336561823150e-01 -8.150339494350e-09 "
           "-1.242908915000e-10" + end;
}

std::string Without_Last_Line_End(std::string text) {
    text.pop_back();
    return text;
}

class PlainFormTest : public TextFileFixture {};

TEST_F(PlainFormTest, SixLinesFillEveryField) {
    const std::vector<EphemerisRecord> records = Read_All(Plain(5), Next_Plain_Ephemeris);
    ASSERT_EQ(records.size(), 1u);
    Expect_Same_Record(records[0], Example_Values(5));
}

TEST_F(PlainFormTest, WhichEphemeridesAFileYields) {
    const std::string sixSeparatorLines = " \n,\n\t\n , \n\n,,\n";
    struct Case {
        const char* name;
        std::string content;
        std::vector<int32_t> prns;
    };
    const Case cases[] = {
        {"file order", Plain(5) + Plain(7), {5, 7}},
        {"duplicates kept in order", Plain(5) + Plain(5) + Plain(3), {5, 5, 3}},
        {"CR LF line ends", Plain(5, "\r\n") + Plain(7, "\r\n"), {5, 7}},
        {"Ctrl-Z ends the file", Plain(5) + "\x1A" + Plain(7), {5}},
        // A last line without a line end is read like any other.
        {"no final line end", Without_Last_Line_End(Plain(5) + Plain(7)), {5, 7}},
        {"file ends inside an ephemeris", Plain(5) + Plain(7).substr(0, 60), {5}},
        // Groups that store no value are no ephemeris.
        {"six blank lines at the end", Plain(5) + "\n\n\n\n\n\n", {5}},
        {"thirteen blank lines at the end", Plain(5) + std::string(13, '\n'), {5}},
        {"three blank lines at the end", Plain(5) + "\n\n\n", {5}},
        {"a group of separators only", Plain(5) + sixSeparatorLines + Plain(7), {5, 7}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Prns(c.content, Next_Plain_Ephemeris), c.prns) << c.name;
    }
}

TEST_F(PlainFormTest, BlankLineInsideShiftsTheFollowingLines) {
    // The blank line is line 1 of the second group, so the second group's
    // line 2 reads the next ephemeris's first line, and so on.
    const std::vector<EphemerisRecord> records =
        Read_All(Plain(5) + "\n" + Plain(7), Next_Plain_Ephemeris);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].prn, 5);        // kept: the blank line stored nothing
    EXPECT_EQ(records[1].af2, 7.0);      // "7 1160 0 ..." read as "%lf %lf %lf"
    EXPECT_EQ(records[1].af1, 1160.0);
    EXPECT_EQ(records[1].iode, 0);       // "0.0 ..." read as "%ld ..."
    EXPECT_EQ(records[1].toe, -2);       // "-2.177e-06 ..." read as "%ld ..."
}

TEST_F(PlainFormTest, GroupWithSomeValuesKeepsTheOthers) {
    // The second group's first line alone holds values; every other field
    // keeps what the first ephemeris put there.
    const std::vector<EphemerisRecord> records =
        Read_All(Plain(5) + "9 1161\n\n\n\n\n\n", Next_Plain_Ephemeris);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].prn, 9);
    EXPECT_EQ(records[1].week, 1161);
    EXPECT_EQ(records[1].iodc, 346);
    EXPECT_EQ(records[1].toe, 432000);
}

TEST_F(PlainFormTest, OverLongLineContinuesAsTheNextLine) {
    // What follows the first 254 characters of line 1 is read as line 2.
    const std::string longLine = "5 1160" + std::string(248, ' ') + "7 8 9\n";
    const std::string content = longLine + Plain(5).substr(Plain(5).find('\n') + 1);
    const std::vector<EphemerisRecord> records = Read_All(content, Next_Plain_Ephemeris);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].prn, 5);
    EXPECT_EQ(records[0].week, 1160);
    EXPECT_EQ(records[0].af2, 7.0);
    EXPECT_EQ(records[0].af1, 8.0);
    EXPECT_EQ(records[0].af0, 9.0);
    EXPECT_EQ(records[0].iode, 0);  // "0.0 -4.5e-13 ..." read as line 3
}

TEST_F(PlainFormTest, ScanLineConversions) {
    struct Ints {
        int32_t a = -1, b = -1, c = -1;
    };
    struct Case {
        const char* name;
        const char* line;
        const char* format;
        int count;
        Ints expected;
    };
    const Case cases[] = {
        {"separator mix", "5,\t 1160 ,,0,", "%d %d %ld", 3, {5, 1160, 0}},
        {"value with a point first stops the scan", "90 .5 3", "%ld %ld %ld", 1, {90, -1, -1}},
        {"only a point first stops", "-.5 7 x8", "%ld %ld %ld", 3, {0, 7, 0}},
        {"decimal digits only", "12.9 1e3 +4", "%d %d %d", 3, {12, 1, 4}},
        {"line used up", "1 2", "%d %d %d", 2, {1, 2, -1}},
        {"separators only", " ,\t", "%d", 0, {}},
        {"saturated", "1234567890123456789012345678901234567890 -99999999999 2147483647",
         "%d %ld %d", 3, {INT32_MAX, INT32_MIN, INT32_MAX}},
        {"%l before a % or the end", "42 43", "%l%l", 2, {42, 43, -1}},
        {"unknown conversion", "7 8", "%d %q", -1, {7, -1, -1}},
        {"unknown conversion after the line", "7", "%d %q", 1, {7, -1, -1}},
    };
    for (const Case& c : cases) {
        Ints got;
        TextFile& file = Open(std::string(c.line) + "\n");
        EXPECT_EQ(Scan_Line(file, c.format, &got.a, &got.b, &got.c), c.count) << c.name;
        EXPECT_EQ(got.a, c.expected.a) << c.name;
        EXPECT_EQ(got.b, c.expected.b) << c.name;
        EXPECT_EQ(got.c, c.expected.c) << c.name;
    }
}

TEST_F(PlainFormTest, ScanLineTextAndFloatConversions) {
    TextFile& file = Open("x,word  rest, of line\n1.5e3junk 2.25 abc\n");
    char letter = 0;
    char word[kBlockLineSize] = {};
    char rest[kBlockLineSize] = {};
    EXPECT_EQ(Scan_Line(file, "%c %s %S", &letter, word, rest), 3);
    EXPECT_EQ(letter, 'x');
    EXPECT_STREQ(word, "word");
    EXPECT_STREQ(rest, " rest, of line");
    double first = 0.0;
    float second = 0.0f;
    double third = -1.0;
    EXPECT_EQ(Scan_Line(file, "%lf %f %le", &first, &second, &third), 3);
    EXPECT_EQ(first, 1500.0);
    EXPECT_EQ(second, 2.25f);
    EXPECT_EQ(third, 0.0);  // not a number: converts to 0 and counts
    EXPECT_EQ(Scan_Line(file, "%lf", &first), -1);
}

}  // namespace
}  // namespace zer2ivi::testing
