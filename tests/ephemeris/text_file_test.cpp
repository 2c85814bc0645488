#include <string>
#include <vector>

#include "ephemeris_test_support.h"

namespace zer2ivi::testing {
namespace {

class TextFileTest : public TextFileFixture {
protected:
    // Every line (or piece) up to the end of the file.
    std::vector<std::string> All_Lines(const std::string& content) {
        TextFile& file = Open(content);
        std::vector<std::string> lines;
        char buffer[kTextPieceLength + 1];
        while (Read_Text_Line(file, buffer, kTextPieceLength) >= 0) lines.emplace_back(buffer);
        EXPECT_TRUE(file.endOfFile);
        return lines;
    }
};

TEST_F(TextFileTest, LinesComeAsTheWindowsTextModeDeliversThem) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"bare line feeds", "ab\ncd\n", {"ab", "cd"}},
        {"CR LF reads as LF", "ab\r\ncd\r\n", {"ab", "cd"}},
        {"a lone CR stays", "a\rb\r\r\n", {"a\rb\r"}},
        {"last line without line end", "ab\ncd", {"ab", "cd"}},
        {"blank lines", "\n\r\n\n", {"", "", ""}},
        {"Ctrl-Z ends the file", "ab\ncd\x1A" "ef\ngh\n", {"ab", "cd"}},
        {"Ctrl-Z after a CR keeps the CR", "ab\r\x1A\n", {"ab\r"}},
        {"Ctrl-Z first is an empty file", "\x1A" "ab\n", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(All_Lines(c.content), c.expected) << c.name;
    }
}

TEST_F(TextFileTest, OverLongLinesArriveInPiecesOf254) {
    const std::string a254(254, 'a');
    const std::string b46(46, 'b');
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"exactly 254 is one line", a254 + "\nx\n", {a254, "x"}},
        {"exactly 254 with CR LF", a254 + "\r\nx\r\n", {a254, "x"}},
        {"300 in two pieces", a254 + b46 + "\nx\n", {a254, b46, "x"}},
        {"508 in two full pieces", a254 + a254 + "\nx\n", {a254, a254, "x"}},
        {"254 at the end without line end", a254, {a254}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(All_Lines(c.content), c.expected) << c.name;
    }
}

TEST_F(TextFileTest, CrLfAcrossTheReadBufferReadsAsLf) {
    // Lines of every length from 1 to 300, so that CR LF pairs and piece
    // ends fall on every position of the file's read buffer.
    std::string withLf;
    std::string withCrLf;
    for (int length = 1; length <= 300; ++length) {
        const std::string line(static_cast<size_t>(length), static_cast<char>('a' + length % 26));
        withLf += line + "\n";
        withCrLf += line + "\r\n";
    }
    ASSERT_GT(withCrLf.size(), 2u * kTextFileBufferSize);
    const std::vector<std::string> expected = All_Lines(withLf);
    EXPECT_EQ(All_Lines(withCrLf), expected);
    EXPECT_EQ(expected.size(), 300u + 46u);  // lengths 255..300 come in two pieces
}

TEST_F(TextFileTest, EndOfFileIndicatorIsSetOnlyByAReadThatMeetsTheEnd) {
    char buffer[kTextPieceLength + 1];
    TextFile& withLineEnd = Open("ab\n");
    EXPECT_EQ(Read_Text_Line(withLineEnd, buffer, kTextPieceLength), 2);
    EXPECT_FALSE(withLineEnd.endOfFile);
    EXPECT_EQ(Read_Text_Line(withLineEnd, buffer, kTextPieceLength), -1);
    EXPECT_TRUE(withLineEnd.endOfFile);

    TextFile& withoutLineEnd = Open("ab");
    EXPECT_EQ(Read_Text_Line(withoutLineEnd, buffer, kTextPieceLength), 2);
    EXPECT_TRUE(withoutLineEnd.endOfFile);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(Read_Text_Line(withoutLineEnd, buffer, kTextPieceLength), -1);
}

}  // namespace
}  // namespace zer2ivi::testing
