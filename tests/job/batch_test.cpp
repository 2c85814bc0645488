// What batch takes from the job: the clash of planned names, and the
// worker's report written and read back whatever its texts hold.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "job/batch.h"
#include "job/temp_files.h"

namespace zer2ivi::job {
namespace {

constexpr double kDay = 86400.0;
constexpr double kHour = 3600.0;

PlannedInput Input(const std::string& station, CalendarDay day, double first, double last) {
    return {station + ".zeb", station, LogSpan{day, first, last}};
}

TEST(NameClash, SameStationAndDayOrACommonPiece) {
    const CalendarDay june10{2004, 6, 10}, june11{2004, 6, 11};
    const double midnight = 1274 * 604800.0 + 4 * kDay;  // 2004-06-10 00:00
    struct Case {
        const char* name;
        std::vector<PlannedInput> inputs;
        std::optional<double> piece;
        std::optional<std::pair<size_t, size_t>> clash;
    };
    const Case cases[] = {
        {"same station, same day", {Input("bahr", june10, midnight, midnight + kHour),
                                    Input("bahr", june10, midnight + 5 * kHour, midnight + 6 * kHour)},
         std::nullopt, std::make_pair(size_t{0}, size_t{1})},
        {"other station", {Input("bahr", june10, midnight, midnight + kHour),
                           Input("site", june10, midnight, midnight + kHour)},
         std::nullopt, std::nullopt},
        {"next day", {Input("bahr", june10, midnight, midnight + kHour),
                      Input("bahr", june11, midnight + kDay, midnight + kDay + kHour)},
         std::nullopt, std::nullopt},
        {"hour pieces apart", {Input("bahr", june10, midnight, midnight + kHour - 30),
                               Input("bahr", june10, midnight + kHour, midnight + 2 * kHour - 30)},
         kHour, std::nullopt},
        {"hour pieces meet at the hour", {Input("bahr", june10, midnight, midnight + kHour),
                                          Input("bahr", june10, midnight + kHour, midnight + 2 * kHour)},
         kHour, std::make_pair(size_t{0}, size_t{1})},
        {"day pieces across midnight", {Input("bahr", june10, midnight - kHour, midnight + kHour),
                                        Input("bahr", june11, midnight + 2 * kHour, midnight + 3 * kHour)},
         kDay, std::make_pair(size_t{0}, size_t{1})},
        {"third against first", {Input("bahr", june10, midnight, midnight + kHour),
                                 Input("site", june10, midnight, midnight + kHour),
                                 Input("bahr", june10, midnight + 9 * kHour, midnight + 10 * kHour)},
         std::nullopt, std::make_pair(size_t{0}, size_t{2})},
        {"undated logs never clash", {PlannedInput{"a.zeb", "bahr", std::nullopt},
                                      PlannedInput{"b.zeb", "bahr", std::nullopt}},
         std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Name_Clash(c.inputs, c.piece), c.clash);
    }
}

TEST(WorkerReport, ReadsBackWhatWasWrittenAndRefusesAPartOfOne) {
    auto directory = TempDirectory::Create();
    ASSERT_TRUE(directory);
    const std::string path = directory->file("report");
    FilesToRemove cleanup;
    cleanup.add(path);
    struct Case {
        const char* name;
        WorkerReport report;
    };
    const Case cases[] = {
        {"converted", {true, 120, {"out/a.04o", "out/a.04n"}, "", false}},
        {"failed", {false, 0, {}, "OBSFILE 'x': No such file or directory", false}},
        {"usage", {false, 0, {}, "--interval 45 is not a multiple", true}},
        {"odd texts", {true, -1, {"a b%0A.o", "line\nbreak\r.o", "100%"}, "50% of\nit", false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(Write_Worker_Report(path, c.report));
        const auto read = Read_Worker_Report(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->converted, c.report.converted);
        EXPECT_EQ(read->epochs, c.report.epochs);
        EXPECT_EQ(read->files, c.report.files);
        EXPECT_EQ(read->error, c.report.error);
        EXPECT_EQ(read->usageError, c.report.usageError);
    }
    const std::string whole = "converted 1\nepochs 5\nfile x.o\nend\n";
    struct Bad {
        const char* name;
        std::string text;
    };
    const Bad bad[] = {
        {"cut before its end", whole.substr(0, whole.size() - 4)},
        {"unknown key", "converted 1\nwhat 2\nend\n"},
        {"epochs not a number", "converted 1\nepochs 5x\nend\n"},
        {"bad escape", "converted 1\nfile a%2\nend\n"},
        {"after its end", whole + "file y.o\n"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        std::ofstream(path, std::ios::binary) << b.text;
        EXPECT_FALSE(Read_Worker_Report(path));
    }
    std::ofstream(path, std::ios::binary) << whole;
    EXPECT_TRUE(Read_Worker_Report(path));
    EXPECT_FALSE(Read_Worker_Report(directory->file("missing")));
}

}  // namespace
}  // namespace zer2ivi::job
