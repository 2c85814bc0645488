// The reports of a built file: the text summary line for line, JSON and
// HTML escaping of what comes from files, numbers with '.' in any locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "qc/gps_clock.h"
#include "qc/qc_format.h"
#include "qc/qc_report.h"
#include "qc_test_files.h"

namespace zer2ivi::qc {
namespace {

using testing::FileSpec;
using testing::Satellite;
using testing::Smooth;

QcReport Check(const FileSpec& spec, const std::string& name = "built.04o") {
    testing::TempDir dir;
    QcRunOptions options;
    options.observationPath = dir.Write("built.04o", testing::Rinex_Text(spec));
    options.inputName = name;
    QcReport report;
    std::string error;
    EXPECT_TRUE(Run_Quality_Check(options, report, error)) << error;
    return report;
}

FileSpec Two_Satellites() {
    FileSpec spec;
    spec.epoch = [](int k, std::vector<Satellite>& s) {
        Satellite g = Smooth(7, k, 0.8);
        if (k == 40) g.values[1].lli = 1;
        s.push_back(g);
        if (k >= 20) s.push_back(Smooth(5, k, 0, 10, 'R'));
    };
    spec.present = [](int k) { return k < 50 || k >= 53; };
    return spec;
}

TEST(QcReport, TextSummaryLineForLine) {
    const std::string expected =
        "zer2ivi qc: built.04o (marker QCTS)\n"
        "span          2004-06-10T00:00:00 to 2004-06-10T00:59:30 (00:59:30)\n"
        "interval      30 s (header)\n"
        "epochs        117 present of 120 expected, completeness 97.50 %\n"
        "gaps          1, 90 s missing in all\n"
        "              2004-06-10T00:24:30 to 2004-06-10T00:26:30  90 s missing (step 120 s)\n"
        "codes         code 1 P1 else C1, code 2 P2 (per observation), with L1 and L2\n"
        "elevations    none: no navigation file\n"
        "usable        117 satellite epochs, 1 slips, 117.0 observations per slip\n"
        "multipath     MP1 RMS 0.567 m, MP2 RMS 0.000 m\n"
        "\n"
        "sat  observed  usable  arcs  slips  MP1 m  MP2 m      P1     C1     P2     C2  first                last\n"
        "G07       117     117     3      1  0.567  0.000     117      0    117      0  "
        "2004-06-10T00:00:00  2004-06-10T00:59:30\n"
        "R05        97       \xE2\x80\x93     \xE2\x80\x93      \xE2\x80\x93      \xE2\x80\x93      \xE2\x80\x93"
        "       \xE2\x80\x93      \xE2\x80\x93      \xE2\x80\x93      \xE2\x80\x93  "
        "2004-06-10T00:10:00  2004-06-10T00:59:30\n"
        "\n"
        "arc starts (time and rules: a loss of lock, b long step, c geometry-free, d wide lane; - first arc)\n"
        "G07  2004-06-10T00:00:00 -     2004-06-10T00:20:00 a     2004-06-10T00:26:30 b\n";
    EXPECT_EQ(Text_Summary(Check(Two_Satellites())), expected);
}

TEST(QcReport, JsonHoldsTheSameNumbers) {
    const std::string json = Json_Report(Check(Two_Satellites()));
    struct Case {
        const char* member;
        const char* value;
    };
    const Case cases[] = {
        {"first_epoch", "\"2004-06-10T00:00:00\""},
        {"interval_seconds", "30"},
        {"interval_source", "\"header\""},
        {"epochs_expected", "120"},
        {"epochs_present", "117"},
        {"completeness", "0.975"},
        {"gap_count", "1"},
        {"code1_types", "[\"P1\", \"C1\"]"},
        {"code2_types", "[\"P2\"]"},
        {"missing_seconds", "90"},
        {"repeated_epochs", "0"},
        {"backward_jumps", "0"},
        {"no_ephemeris_epochs", "0"},
        {"navigation", "false"},
        {"elevations", "false"},
        {"mask_degrees", "null"},
        {"usable_epochs", "117"},
        {"slips", "1"},
        {"observations_per_slip", "117"},
    };
    for (const Case& c : cases) {
        const std::string member = std::string("\n  \"") + c.member + "\": " + c.value + ",\n";
        EXPECT_NE(json.find(member), std::string::npos) << member << json;
    }
    // MP1 of the sine over the three arcs, worked out apart from the code
    // (0.56673 m); the phases of the file are rounded to 0.001 cycle.
    std::smatch rms;
    ASSERT_TRUE(std::regex_search(json, rms, std::regex("\n  \"mp1_rms\": ([0-9.]+),\n")));
    EXPECT_NEAR(std::stod(rms[1].str()), 0.56673, 2e-4);
    EXPECT_NE(json.find("{\"before\": \"2004-06-10T00:24:30\", \"after\": \"2004-06-10T00:26:30\", "
                        "\"step_seconds\": 120, \"missing_seconds\": 90}"),
              std::string::npos);
    EXPECT_NE(json.find("{\"satellite\": \"R05\", \"system\": \"R\", \"prn\": 5, \"epochs_observed\": 97, "
                        "\"usable_epochs\": null, \"arcs\": null, \"slips\": null, \"mp1_rms\": null, "
                        "\"mp2_rms\": null, \"first_epoch\": \"2004-06-10T00:10:00\", "
                        "\"last_epoch\": \"2004-06-10T00:59:30\", \"codes_used\": null, \"arc_starts\": null}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"codes_used\": {\"P1\": 117, \"C1\": 0, \"P2\": 117, \"C2\": 0}, \"arc_starts\": ["
                        "{\"time\": \"2004-06-10T00:00:00\", \"rules\": \"\"}, "
                        "{\"time\": \"2004-06-10T00:20:00\", \"rules\": \"a\"}, "
                        "{\"time\": \"2004-06-10T00:26:30\", \"rules\": \"b\"}]}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\n  \"warnings\": []\n}"), std::string::npos);
}

TEST(QcReport, TextsFromFilesAreEscaped) {
    struct Case {
        std::string text;
        std::string json;
        std::string html;
    };
    const Case cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", "a&quot;b\\c"},
        {"<script>&'", "\"<script>&'\"", "&lt;script&gt;&amp;&#39;"},
        {"tab\tnl\nbell\x07", "\"tab\\tnl\\nbell\\u0007\"", "tab\tnl\nbell\xEF\xBF\xBD"},
        {"bad \xFF\xC3 end", "\"bad \xEF\xBF\xBD\xEF\xBF\xBD end\"", "bad \xEF\xBF\xBD\xEF\xBF\xBD end"},
        {"\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\"", "\xC3\xA9t\xC3\xA9"},
        {"overlong \xC0\xAF", "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD\"", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Json_String(c.text), c.json);
        EXPECT_EQ(Html_Text(c.text), c.html);
    }
    // A marker and a file name with markup reach the page only escaped.
    FileSpec spec = Two_Satellites();
    spec.marker = "<b>M&M\"</b>";
    const QcReport report = Check(spec, "x<y>.04o");
    const std::string html = Html_Report(report);
    EXPECT_EQ(html.find("<b>M&M"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;M&amp;M&quot;&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(html.find("x<y>"), std::string::npos);
    EXPECT_NE(Json_Report(report).find("\"marker\": \"<b>M&M\\\"</b>\""), std::string::npos);
}

TEST(QcReport, IsoTimesToTheMicrosecond) {
    struct Case {
        double gpsSeconds;
        const char* iso;
    };
    const double day = 770860800.0;  // 2004-06-10
    const Case cases[] = {
        {0.0, "1980-01-06T00:00:00"},
        {day, "2004-06-10T00:00:00"},
        {day + 1170.001, "2004-06-10T00:19:30.001"},
        {day + 1170.0009999, "2004-06-10T00:19:30.001"},  // 100 ns below: the same microsecond
        {day + 59.9999996, "2004-06-10T00:01:00"},
        {day + 86399.5, "2004-06-10T23:59:59.5"},
        {day + 0.000001, "2004-06-10T00:00:00.000001"},
        {Gps_Seconds(CalendarEpoch{2000, 2, 29, 12, 30, 15.25}), "2000-02-29T12:30:15.25"},
        {Gps_Seconds(CalendarEpoch{2026, 12, 31, 23, 59, 59.0}), "2026-12-31T23:59:59"},
    };
    for (const Case& c : cases) EXPECT_EQ(Iso_Time(c.gpsSeconds), c.iso) << c.iso;
}

bool Decimal_Comma() { return std::localeconv()->decimal_point[0] == ','; }

// Switches the process to a locale with a decimal comma: an installed one,
// else one built from the system's locale sources into dir (LOCPATH).  The
// name, or nullptr when neither can be had.
const char* Use_Comma_Locale(const std::string& dir) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name) != nullptr && Decimal_Comma()) return name;
    const std::string command = "localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return nullptr;
    setenv("LOCPATH", dir.c_str(), 1);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr && Decimal_Comma()) return "de_DE.UTF-8 (built)";
    return nullptr;
}

TEST(QcReport, NumbersIgnoreTheLocale) {
    // Under a locale with a decimal comma, the files the test writes and the
    // reports read the same as in the C locale.
    testing::TempDir locales;
    const char* comma = Use_Comma_Locale(locales.Path());
    if (comma == nullptr) std::printf("no comma locale on this host: checked in the C locale\n");
    struct Case {
        double value;
        int decimals;
        const char* fixed;
        const char* trimmed;
    };
    const Case cases[] = {
        {0.35355339, 4, "0.3536", "0.3536"}, {30.0, 3, "30.000", "30"},   {-0.00001, 3, "0.000", "0"},
        {1234567.5, 1, "1234567.5", "1234567.5"}, {0.5, 7, "0.5000000", "0.5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Fixed(c.value, c.decimals), c.fixed) << (comma ? comma : "C");
        EXPECT_EQ(Trimmed(c.value, c.decimals), c.trimmed);
    }
    const std::string text = Text_Summary(Check(Two_Satellites()));
    EXPECT_NE(text.find("completeness 97.50 %"), std::string::npos);
    EXPECT_NE(Json_Report(Check(Two_Satellites())).find("\n  \"interval_seconds\": 30,\n"), std::string::npos);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}

TEST(QcReport, HtmlPlotsAreBoundedForADayAtOneHertz) {
    // 86,400 epochs of 12 satellites with a slip now and then, straight
    // into the engine; directions known, so the sky plot fills up too.
    class Overhead : public SatelliteDirections {
    public:
        bool Knows_Elevations() const override { return true; }
        bool Direction(int prn, double t, double& elevation, double& azimuth) override {
            elevation = 15 + 70 * std::fabs(std::sin(t / 20000 + prn));
            azimuth = std::fmod(t / 100 + prn * 30, 360);
            return true;
        }
    } directions;
    QcSettings settings;
    settings.interval = 1;
    settings.directions = &directions;
    QcEngine engine(settings);
    std::vector<SatelliteObservation> satellites(12);
    for (int k = 0; k < 86400; ++k) {
        for (int prn = 1; prn <= 12; ++prn) {
            const Satellite g = Smooth(prn, k, 0.3, 10 + prn);
            SatelliteObservation& o = satellites[static_cast<size_t>(prn - 1)];
            o.prn = prn;
            o.hasCode1 = o.hasL1 = o.hasL2 = o.hasCode2 = true;
            o.code1 = g.values[3].value;
            o.l1 = g.values[1].value;
            o.l2 = g.values[2].value;
            o.code2 = g.values[4].value;
            o.lliL1 = (k + prn * 977) % 5000 == 0 ? 1 : 0;
        }
        engine.Add({770860800.0 + k, 0, satellites});
    }
    QcReport report;
    report.inputName = "day.04o";
    report.intervalKnown = report.intervalFromHeader = true;
    report.navigation = report.elevationsKnown = true;
    report.result = engine.Finish();
    EXPECT_GT(report.result.slips, 12 * 15);
    const std::string html = Html_Report(report);
    EXPECT_LT(html.size(), 3u * 1024 * 1024);
    size_t svgs = 0;
    for (size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1)) ++svgs;
    // Timeline, MP1 and MP2 against elevation and over time, sky, and a
    // panel per satellite.
    EXPECT_EQ(svgs, 6u + 12u);
}

// Without a navigation file the page says why there is no sky plot.
TEST(QcReport, NoSkyPlotWithoutElevations) {
    const std::string html = Html_Report(Check(Two_Satellites()));
    size_t svgs = 0;
    for (size_t at = html.find("<svg"); at != std::string::npos; at = html.find("<svg", at + 1)) ++svgs;
    EXPECT_EQ(svgs, 3u + 1u);  // timeline, MP1 and MP2 over time, G07's panel
    EXPECT_NE(html.find("No elevations: no navigation file was given."), std::string::npos);
    EXPECT_NE(html.find("aria-label=\"G07: MP1 and MP2 over time\""), std::string::npos);
}

}  // namespace
}  // namespace zer2ivi::qc
