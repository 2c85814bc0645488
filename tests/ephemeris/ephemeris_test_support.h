// Helpers of the ephemeris reader tests: a file written into a private
// directory, opened as a TextFile, and every record a source yields.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "api/library_state.h"
#include "ephemeris/ephemeris.h"
#include "support/test_support.h"

namespace zer2ivi::testing {

class TextFileFixture : public ::testing::Test {
protected:
    void SetUp() override { Reset_Library_State(); }
    void TearDown() override { Text_Close(file_); }

    // Writes content and opens it; the previous file is closed first.
    TextFile& Open(const std::string& content) {
        Text_Close(file_);
        const std::string path = dir_.file("input.txt");
        Write_File(path, content);
        EXPECT_TRUE(Text_Open(file_, path.c_str()));
        return file_;
    }

    std::vector<EphemerisRecord> Read_All(const std::string& content,
                                          int (*source)(TextFile&, EphemerisRecord&)) {
        TextFile& file = Open(content);
        std::vector<EphemerisRecord> records;
        EphemerisRecord record{};
        while (source(file, record) == 0) records.push_back(record);
        return records;
    }

    std::vector<int32_t> Prns(const std::string& content,
                              int (*source)(TextFile&, EphemerisRecord&)) {
        std::vector<int32_t> prns;
        for (const EphemerisRecord& r : Read_All(content, source)) prns.push_back(r.prn);
        return prns;
    }

    TempDir dir_;
    TextFile file_;
};

}  // namespace zer2ivi::testing
