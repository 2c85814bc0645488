#include <gtest/gtest.h>

#include "products/header_counts.h"
#include "products/header_editor.h"
#include "rinex/obs_reader.h"
#include "rinex/obs_labels.h"
#include "rinex/rinex_test_files.h"
#include "support/test_support.h"

namespace zer2ivi::products {
namespace {

using rinex::HeaderLine;
using testing::Header_Line;

std::vector<HeaderLine> Lines(const std::vector<std::string>& texts) {
    std::vector<HeaderLine> lines;
    for (const std::string& text : texts) lines.push_back({text});
    return lines;
}

std::string Joined(const std::vector<HeaderLine>& lines) {
    std::string text;
    for (const HeaderLine& line : lines) text += line.raw;
    return text;
}

TEST(HeaderEditor, ReplacesFieldsInPlaceAndAddsMissingRecordsInUsualOrder) {
    const std::string version = Header_Line("     2.11           OBSERVATION DATA    G", "RINEX VERSION / TYPE");
    const std::string marker = Header_Line("0759", "MARKER NAME");
    const std::string receiver = Header_Line("00000               TRIMBLE 5700        1.24", "REC # / TYPE / VERS");
    const std::string position = Header_Line(" -3976219.5082  3382372.5671  3652512.9849", "APPROX POSITION XYZ");
    const std::string types = Header_Line("     2    C1    L1", "# / TYPES OF OBSERV");
    const std::string comment = Header_Line("a comment after the types", "COMMENT");
    const std::string end = Header_Line("", "END OF HEADER");
    std::vector<HeaderLine> lines = Lines({version, marker, receiver, position, types, comment, end});

    HeaderEdits edits;
    edits.receiverType = "ASHTECH Z-XII3";
    edits.antennaType = "TRM29659.00     NONE";
    edits.markerNumber = "21701S007";
    edits.antennaDelta = std::array<double, 3>{1.2345, 0.0, -0.5};
    edits.comments = {"first", "second"};
    ASSERT_EQ(HeaderEditor::Check(edits), std::nullopt);
    HeaderEditor(edits).apply(lines, "\n");

    EXPECT_EQ(Joined(lines),
              version + Header_Line("first", "COMMENT") + Header_Line("second", "COMMENT") + marker +
                  Header_Line("21701S007", "MARKER NUMBER") +
                  Header_Line("00000               ASHTECH Z-XII3      1.24", "REC # / TYPE / VERS") +
                  Header_Line("                    TRM29659.00     NONE", "ANT # / TYPE") + position +
                  Header_Line("        1.2345        0.0000       -0.5000", "ANTENNA: DELTA H/E/N") +
                  types + comment + end);
}

TEST(HeaderEditor, RefusesWhatDoesNotFitItsColumns) {
    struct Case {
        HeaderEdits edits;
        std::string error;
    };
    std::vector<Case> cases(5);
    cases[0].edits.antennaType = "TRM29659.00     NONE1";
    cases[0].error = "--antenna-type: 'TRM29659.00     NONE1' is longer than 20 characters";
    cases[1].edits.marker = std::string(61, 'M');
    cases[1].error = "--marker: '" + std::string(61, 'M') + "' is longer than 60 characters";
    cases[2].edits.comments = {"ok", "tab\there"};
    cases[2].error = "--comment: only printable ASCII characters fit a RINEX header";
    cases[3].edits.position = std::array<double, 3>{1e10, 0, 0};
    cases[3].error = "--position: a value does not fit F14.4";
    cases[4].edits.agency = std::string(40, 'A');  // exactly fits
    cases[4].error = "";
    for (const Case& c : cases) EXPECT_EQ(HeaderEditor::Check(c.edits).value_or(""), c.error);
}

// The recomputed records keep the form of the lines they replace: our own
// conversion writes F12.6 seconds and "G 4", another producer "30.0000".
TEST(ProductHeader, RecomputedRecordsKeepTheInputsForm) {
    testing::TempDir dir;
    const std::string path = dir.file("in.05o");
    testing::Write_File(
        path, testing::Small_Header(
                  Header_Line("    30.0000", "INTERVAL") +
                  Header_Line("  2004     6    10     0     0    0.000000", "TIME OF FIRST OBS") +
                  Header_Line("  2004     6    10     0    59   30.000000", "TIME OF LAST OBS") +
                  Header_Line("     9", "# OF SATELLITES") +
                  Header_Line("   G 4    34    34", "PRN / # OF OBS") +
                  Header_Line("   G 5   120   120", "PRN / # OF OBS")) +
                  " 05  1 20  1  0  0.0010000  0  2G05 12\n" + testing::Obs("1.0") +
                  testing::Obs("2.0") + "\n" + testing::Obs("3.0") + "\n" +
                  " 05  1 20  1  0 15.0010000  0  1G05\n" + testing::Obs("") + testing::Obs("2.0") +
                  "\n");
    rinex::ObsReader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    HeaderCounts counts;
    rinex::ObsEpoch epoch;
    while (reader.next(epoch) == rinex::ObsReader::Status::kEpoch) counts.add(epoch);
    ASSERT_EQ(reader.error(), "");
    const std::string header = Product_Header(reader.header().lines, counts, std::nullopt, "\n");
    EXPECT_EQ(header,
              Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
                  Header_Line("TEST", "MARKER NAME") +
                  Header_Line("     2    C1    L1", "# / TYPES OF OBSERV") +
                  Header_Line("    15.0000", "INTERVAL") +
                  Header_Line("  2005     1    20     1     0    0.001000", "TIME OF FIRST OBS") +
                  Header_Line("  2005     1    20     1     0   15.001000", "TIME OF LAST OBS") +
                  Header_Line("     2", "# OF SATELLITES") +
                  Header_Line("   G 5     1     2", "PRN / # OF OBS") +
                  Header_Line("   G12     1     0", "PRN / # OF OBS") + Header_Line("", "END OF HEADER"));

    // Without those records only TIME OF FIRST OBS is added, in the RINEX
    // 2.11 form.
    std::vector<HeaderLine> bare = reader.header().lines;
    std::erase_if(bare, [](const HeaderLine& line) {
        return line.label() != rinex::kLabelVersionType && line.label() != rinex::kLabelTypes &&
               line.label() != rinex::kLabelEndOfHeader;
    });
    EXPECT_EQ(Product_Header(bare, counts, std::nullopt, "\n"),
              Header_Line("     2.11           OBSERVATION DATA    G (GPS)", "RINEX VERSION / TYPE") +
                  Header_Line("     2    C1    L1", "# / TYPES OF OBSERV") +
                  Header_Line("  2005     1    20     1     0    0.0010000     GPS", "TIME OF FIRST OBS") +
                  Header_Line("", "END OF HEADER"));
}

}  // namespace
}  // namespace zer2ivi::products
