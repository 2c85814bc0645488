// Helpers of the ephemeris reader tests: a file written into a private
// directory, opened as a TextFile, and every record a source yields.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/library_state.h"
#include "ephemeris/ephemeris.h"
#include "support/test_support.h"

namespace zer2ivi::testing {

// The values both forms' example texts in these tests carry.
inline EphemerisRecord Example_Values(int32_t prn) {
    return {prn, 1160, 0, -4.190951585770e-09, 346, 0, 0.0, -4.5474735089e-13,
            -1.23456789012e-05, 90, 5.014494588110e-09, 2.371087331250e+00, 5.265489802700e-03,
            5.153768068310e+03, 432000, -5.401670932770e-08, 1.513750000000e+02,
            -9.126961231230e-08, -38.625, -2.177432179450e-06, 1.095049083230e-05,
            -1.520948156890e+00, 8.336561823150e-01, 9.356178244440e-01, -8.150339494350e-09,
            -1.242908915000e-10};
}

// Every one of the 26 fields, compared exactly.
inline void Expect_Same_Record(const EphemerisRecord& got, const EphemerisRecord& expected) {
#define Z2I_EXPECT_FIELD(field) EXPECT_EQ(got.field, expected.field) << #field
    Z2I_EXPECT_FIELD(prn);
    Z2I_EXPECT_FIELD(week);
    Z2I_EXPECT_FIELD(aux1);
    Z2I_EXPECT_FIELD(tgd);
    Z2I_EXPECT_FIELD(iodc);
    Z2I_EXPECT_FIELD(aux2);
    Z2I_EXPECT_FIELD(af2);
    Z2I_EXPECT_FIELD(af1);
    Z2I_EXPECT_FIELD(af0);
    Z2I_EXPECT_FIELD(iode);
    Z2I_EXPECT_FIELD(deltaN);
    Z2I_EXPECT_FIELD(m0);
    Z2I_EXPECT_FIELD(ecc);
    Z2I_EXPECT_FIELD(sqrtA);
    Z2I_EXPECT_FIELD(toe);
    Z2I_EXPECT_FIELD(cic);
    Z2I_EXPECT_FIELD(crc);
    Z2I_EXPECT_FIELD(cis);
    Z2I_EXPECT_FIELD(crs);
    Z2I_EXPECT_FIELD(cuc);
    Z2I_EXPECT_FIELD(cus);
    Z2I_EXPECT_FIELD(omega0);
    Z2I_EXPECT_FIELD(omega);
    Z2I_EXPECT_FIELD(i0);
    Z2I_EXPECT_FIELD(omegaDot);
    Z2I_EXPECT_FIELD(idot);
#undef Z2I_EXPECT_FIELD
}

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
