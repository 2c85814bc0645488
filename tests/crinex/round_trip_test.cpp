// Encode -> decode of every observation file of the repository's test data
// gives back its text (trailing blanks aside), and the observation output
// encodes the same whatever the pieces its bytes come in.
#include <gtest/gtest.h>

#include <filesystem>

#include "crinex/crinex.h"
#include "crinex_test_support.h"
#include "rinex/obs_reader.h"
#include "support/test_support.h"

namespace zer2ivi::testing {
namespace {

const std::string kTestData = std::string(ZER2IVI_SOURCE_DIR) + "/tests/data";

// The text of a plain observation file (gzip and .Z read through), lines
// without trailing blanks; nothing for a file that is not one whole plain
// RINEX observation file.
std::optional<std::vector<std::string>> Plain_Observation_Lines(const std::string& path) {
    rinex::ObsReader reader;
    if (!reader.open(path) || reader.isCompact()) return std::nullopt;
    rinex::ObsEpoch epoch;
    rinex::ObsReader::Status status;
    while ((status = reader.next(epoch)) == rinex::ObsReader::Status::kEpoch) {
    }
    if (status != rinex::ObsReader::Status::kEnd) return std::nullopt;
    textio::TextSource source;
    if (!source.open(path)) return std::nullopt;
    std::vector<std::string> lines;
    std::string_view text, raw;
    while (source.next(text, raw) == textio::LineSource::Status::kLine) {
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        lines.emplace_back(text);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text.append(line).push_back('\n');
    return text;
}

// The lines without trailing blanks, and with the leading zero that some
// writers leave out of a fraction (".000000000" for "0.000000000", the
// sign one column left): the decoder always writes it.
std::vector<std::string> Comparable(const std::string& text) {
    std::vector<std::string> lines = Split_Lines(text);
    for (std::string& line : lines) {
        for (size_t i = 1; i + 1 < line.size(); ++i) {
            if (line[i] != '.' || line[i + 1] < '0' || line[i + 1] > '9') continue;
            if (line[i - 1] == ' ') {
                line[i - 1] = '0';
            } else if (line[i - 1] == '-' && i >= 2 && line[i - 2] == ' ') {
                line[i - 2] = '-';
                line[i - 1] = '0';
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
    }
    return lines;
}

// The first line that differs, or nothing.
std::string First_Difference(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
    for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
        const std::string a = i < got.size() ? got[i] : "(none)";
        const std::string b = i < expected.size() ? expected[i] : "(none)";
        if (a != b) return "line " + std::to_string(i + 1) + ":\n  got      '" + a + "'\n  expected '" + b + "'";
    }
    return {};
}

TEST(CompactRoundTrip, EveryObservationFileOfTheTestDataComesBack) {
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kTestData)) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        const auto lines = Plain_Observation_Lines(path);
        if (!lines) continue;
        SCOPED_TRACE(path);
        ++files;
        const std::string plain = Joined(*lines);
        const CodecRun encoded = Encode_Text(plain, path);
        ASSERT_TRUE(encoded.ok) << encoded.error;
        const CodecRun decoded = Decode_Text(encoded.text, path);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(First_Difference(Comparable(decoded.text), Comparable(plain)), "");
    }
    // The RINEX 2, 3 and compact pairs' plain files at least.
    EXPECT_GE(files, 12u);
}

// The bytes of a plain file in pieces of every size from 1 to 97 bytes
// (lines cut anywhere, "\r\n" split) encode as the whole text does; a text
// that ends inside an epoch fails the close, and a staged output then
// leaves nothing.
TEST(CompactRoundTrip, ObservationOutputEncodesWhateverThePieces) {
    TempDir dir;
    const std::string plain = Read_File(kTestData + "/crinex/aopr0010.17o");
    const CodecRun whole = Encode_Text(plain, "x");
    ASSERT_TRUE(whole.ok) << whole.error;
    std::string crlf;
    for (char c : plain) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    struct Case {
        const std::string* text;
        size_t piece;
    };
    const Case cases[] = {{&plain, 1}, {&plain, 7}, {&plain, 97}, {&crlf, 2}, {&crlf, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        const std::string path = dir.file("out.17d");
        crinex::ObservationOutput output;
        ASSERT_TRUE(output.open(path, false, true, "x"));
        for (size_t at = 0; at < c.text->size(); at += c.piece)
            ASSERT_TRUE(output.write(std::string_view(*c.text).substr(at, c.piece))) << output.error();
        ASSERT_TRUE(output.close()) << output.error();
        const auto written = Split_Lines(Read_File(path));
        const auto expected = Split_Lines(whole.text);
        ASSERT_EQ(written.size(), expected.size());
        for (size_t i = 0; i < written.size(); ++i) {
            if (i == 1) continue;  // line 2: the date
            EXPECT_EQ(written[i], expected[i]) << "line " << i + 1;
        }
    }

    // Cut after the first line of an epoch's satellites.
    const size_t header = plain.find("END OF HEADER");
    const size_t cut = plain.find('\n', plain.find('\n', plain.find('\n', header) + 1) + 1) + 1;
    {
        crinex::ObservationOutput staged;
        ASSERT_TRUE(staged.openStaged(dir.file("cut.17d"), true, true, "cut.17o"));
        ASSERT_TRUE(staged.write(std::string_view(plain).substr(0, cut)));
        EXPECT_FALSE(staged.commit());
        EXPECT_EQ(staged.error().rfind("cut.17o:", 0), 0u) << staged.error();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.17d")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // out.17d
}

}  // namespace
}  // namespace zer2ivi::testing
