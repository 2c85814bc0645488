// Builds binary observation files for the observation tests with the
// project's own writer: epochs are described by their time, position flags,
// position, clock offset and measurement records.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "zebfile/zebfile.h"

namespace zer2ivi::testing {

struct TestEpoch {
    double timeOfWeek = 0.0;
    std::vector<MeasurementRecord> measurements;
    double clockOffset = 0.0;
    uint8_t positionFlags = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    float height = 0.0f;
};

// A record of satellite prn with the values as stored in the binary file
// (the carrier phases with the sign opposite to RINEX).
inline MeasurementRecord Measurement(uint8_t prn, uint8_t lockCount, double c1, double l1 = 0.0,
                                     double l2 = 0.0, double p2 = 0.0, double d1 = 0.0) {
    MeasurementRecord record{};
    record.recordSize = kMeasurementRecordSize;
    record.prn = prn;
    record.lockCount = lockCount;
    record.c1 = c1;
    record.l1 = l1;
    record.l2 = l2;
    record.p2 = p2;
    record.d1 = d1;
    return record;
}

inline PositionRecord Position_Of(const TestEpoch& epoch) {
    PositionRecord position{};
    position.recordSize = kPositionRecordSize;
    position.measurementCount = static_cast<uint8_t>(epoch.measurements.size());
    position.positionFlags = epoch.positionFlags;
    position.latitude = epoch.latitude;
    position.longitude = epoch.longitude;
    position.height = epoch.height;
    position.timeOfWeek = epoch.timeOfWeek;
    position.clockOffset = epoch.clockOffset;
    return position;
}

inline void Write_Zeb(const std::string& path, const std::vector<TestEpoch>& epochs,
                      uint8_t receiverType = 6, uint8_t channelCount = EPOCH_CAPACITY) {
    ZebWriter writer;
    ASSERT_TRUE(Zeb_Create(writer, path.c_str(), receiverType, channelCount)) << path;
    for (const TestEpoch& epoch : epochs) {
        ASSERT_TRUE(Zeb_Write_Epoch(writer, Position_Of(epoch), epoch.measurements.data()));
    }
    ASSERT_TRUE(Zeb_Finish(writer));
}

// n satellites 1..n with C1 only.
inline std::vector<MeasurementRecord> C1_Satellites(int n) {
    std::vector<MeasurementRecord> records;
    for (int i = 1; i <= n; ++i) {
        records.push_back(Measurement(static_cast<uint8_t>(i), 1, 20000000.0 + i));
    }
    return records;
}

// printf-style text of the C library, as the reference for formatted values.
inline std::string Printf_Text(const char* format, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace zer2ivi::testing
