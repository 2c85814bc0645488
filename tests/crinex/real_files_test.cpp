// Compact files of public archives and their plain counterparts: decoding
// gives the plain file column for column, encoding gives the compact file
// byte for byte (line 2, program and date, aside).
#include <gtest/gtest.h>
#include <zlib.h>

#include "crinex/crinex.h"
#include "crinex_test_support.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

const std::string kDataDir = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data/crinex/";

struct Pair {
    const char* compact;
    const char* plain;  // nullptr: compressed only
};
constexpr Pair kPairs[] = {
    {"AJAC3550.21D", "AJAC3550.21O"},
    {"KOSG0010.95D", "KOSG0010.95O"},
    {"aopr0010.17d", "aopr0010.17o"},
    {"wsra0010.21d", "wsra0010.21o"},
    {"DUTH0630.22D", "DUTH0630.22O"},
    {"VLNS0010.22D", "VLNS0010.22O"},
    {"ACOR00ESP_R_20213550000_01D_30S_MO.crx", "ACOR00ESP_R_20213550000_01D_30S_MO.rnx"},
    {"KUNZ00CZE.crx", nullptr},
};

std::string Without_Carriage_Returns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// The plain files come from a decoder that writes ".123" for 0.123 and
// trims trailing blanks: give fractions their leading zero in place (the
// sign moves one column left) and drop trailing blanks.
std::string Normalized(std::string line) {
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] != '.' || i + 1 >= line.size() || line[i + 1] < '0' || line[i + 1] > '9') continue;
        if (line[i - 1] == ' ') {
            line[i - 1] = '0';
        } else if (line[i - 1] == '-' && i >= 2 && line[i - 2] == ' ') {
            line[i - 2] = '-';
            line[i - 1] = '0';
        }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

std::vector<std::string> Without_Line_Two(const std::string& text) {
    std::vector<std::string> lines = Split_Lines(Without_Carriage_Returns(text));
    if (lines.size() > 1) lines.erase(lines.begin() + 1);
    return lines;
}

TEST(CompactRealFiles, DecodeGivesThePlainFileColumnForColumn) {
    for (const Pair& pair : kPairs) {
        if (pair.plain == nullptr) continue;
        SCOPED_TRACE(pair.compact);
        const CodecRun decoded = Decode_Text(Read_File(kDataDir + pair.compact));
        ASSERT_TRUE(decoded.ok) << decoded.error;
        const std::vector<std::string> got = Split_Lines(decoded.text);
        const std::vector<std::string> want = Split_Lines(Without_Carriage_Returns(Read_File(kDataDir + pair.plain)));
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], Normalized(want[i])) << "line " << i + 1;
    }
}

TEST(CompactRealFiles, EncodeGivesTheCompactFileBackByteForByte) {
    for (const Pair& pair : kPairs) {
        SCOPED_TRACE(pair.compact);
        const std::string compact = Read_File(kDataDir + pair.compact);
        // Compressed-only files: their decoded text, encoded again.
        std::string plain = pair.plain != nullptr ? Read_File(kDataDir + pair.plain) : "";
        if (pair.plain == nullptr) {
            const CodecRun decoded = Decode_Text(compact);
            ASSERT_TRUE(decoded.ok) << decoded.error;
            plain = decoded.text;
        }
        const CodecRun encoded = Encode_Text(plain);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        const std::vector<std::string> got = Without_Line_Two(encoded.text);
        const std::vector<std::string> want = Without_Line_Two(compact);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], want[i]) << "line " << i + 1;
    }
}

TEST(CompactRealFiles, LineTwoNamesTheProgramAndDate) {
    const CodecRun encoded = Encode_Text(Read_File(kDataDir + "aopr0010.17o"), "x", "06-Dec-26 16:33");
    ASSERT_TRUE(encoded.ok) << encoded.error;
    const std::vector<std::string> lines = Split_Lines(encoded.text);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "1.0                 COMPACT RINEX FORMAT                    CRINEX VERS   / TYPE");
    EXPECT_EQ(lines[1],
              "zer2ivi                                 06-Dec-26 16:33     CRINEX PROG / DATE");
}

// The files through the file functions: gzip in, gzip out, told by content.
TEST(CompactRealFiles, FilesPlainOrGzipAreToldByContent) {
    TempDir dir;
    const std::string compact = Read_File(kDataDir + "DUTH0630.22D");
    const std::string gzPath = dir.file("duth.crx.gz");
    gzFile packed = gzopen(gzPath.c_str(), "wb6");
    ASSERT_NE(packed, nullptr);
    gzwrite(packed, compact.data(), static_cast<unsigned>(compact.size()));
    gzclose(packed);
    // A first code above 255 (9 bits, least significant first: 300), and a
    // stream of 9-bit codes.
    Write_File(dir.file("damaged.Z"), std::string("\x1f\x9d\x90\x2c\x01", 5));
    Write_File(dir.file("nine.Z"), std::string("\x1f\x9d\x89\x41\x00", 5));

    struct Case {
        std::string path;
        std::string firstLine;  // of the plain text read; empty: an error
        std::string error;
    };
    const Case cases[] = {
        {gzPath, "     3.02           OBSERVATION DATA    M: MIXED            RINEX VERSION / TYPE", ""},
        {kDataDir + "DUTH0630.22O", "     3.02           OBSERVATION DATA    M: MIXED            RINEX VERSION / TYPE", ""},
        {dir.file("damaged.Z"), "", "damaged.Z:1: damaged Unix compress (.Z) data"},
        {dir.file("nine.Z"), "", "nine.Z: Unix compress (.Z) with 9-bit codes"},
        {dir.file("missing"), "", "missing: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        crinex::ObservationLines lines;
        const bool opened = lines.open(c.path);
        std::string_view line, raw;
        if (c.firstLine.empty()) {
            if (opened) {
                EXPECT_EQ(lines.next(line, raw), crinex::LineSource::Status::kError);
            }
            EXPECT_NE(lines.error().find(c.error), std::string::npos) << lines.error();
            continue;
        }
        ASSERT_TRUE(opened) << lines.error();
        ASSERT_EQ(lines.next(line, raw), crinex::LineSource::Status::kLine) << lines.error();
        EXPECT_EQ(Normalized(std::string(line)), Normalized(c.firstLine));
    }

    // Decode to gzip and encode back: the compact bytes again.
    std::string error;
    ASSERT_TRUE(crinex::Decode_File(gzPath, dir.file("duth.rnx.gz"), error)) << error;
    ASSERT_TRUE(crinex::Encode_File(dir.file("duth.rnx.gz"), dir.file("again.crx"), error)) << error;
    EXPECT_EQ(Without_Line_Two(Read_File(dir.file("again.crx"))), Without_Line_Two(compact));
}

// Unix compress files (made with ncompress: 12-bit codes; 16-bit codes;
// 10-bit codes with a table clear) read as their text.
TEST(CompactRealFiles, UnixCompressFilesReadAsTheirText) {
    struct Case {
        const char* packed;
        const char* text;
    };
    const Case cases[] = {
        {"AJAC3550.21D.Z", "AJAC3550.21D"},
        {"wsra0010.21o.Z", "wsra0010.21o"},
        {"ACOR00ESP_R_20213550000_01D_30S_MO.rnx.Z", "ACOR00ESP_R_20213550000_01D_30S_MO.rnx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packed);
        textio::TextSource lines;
        ASSERT_TRUE(lines.open(kDataDir + c.packed)) << lines.error();
        std::string text;
        std::string_view line, raw;
        crinex::LineSource::Status status;
        while ((status = lines.next(line, raw)) == crinex::LineSource::Status::kLine) text.append(line).push_back('\n');
        EXPECT_EQ(status, crinex::LineSource::Status::kEnd) << lines.error();
        EXPECT_EQ(text, Without_Carriage_Returns(Read_File(kDataDir + c.text)));
    }
}

TEST(CompactRealFiles, AFailedConversionLeavesNothing) {
    TempDir dir;
    const std::string compact = Read_File(kDataDir + "aopr0010.17d");
    // Cut inside the last epoch: the last line is a satellite's.
    Write_File(dir.file("cut.crx"), compact.substr(0, compact.rfind('\n', compact.size() - 2) + 1));
    std::string error;
    EXPECT_FALSE(crinex::Decode_File(dir.file("cut.crx"), dir.file("out.rnx"), error));
    EXPECT_NE(error.find("cut.crx:"), std::string::npos) << error;
    EXPECT_NE(error.find("file ends inside an epoch"), std::string::npos) << error;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace zer2ivi::testing
