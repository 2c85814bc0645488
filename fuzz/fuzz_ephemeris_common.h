// Bytes -> an ephemeris text file -> one record source until its end, every
// record written as a RINEX navigation record, version 2 and version 3.04,
// into memory streams.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "base/library_state.h"
#include "ephemeris/ephemeris.h"
#include "harness_support.h"
#include "rinex_nav/rinex_nav.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi::fuzz {

using RecordSource = int (*)(TextFile&, EphemerisRecord&);

inline void Run_Ephemeris_Source(const uint8_t* data, size_t size, const char* fileName,
                                 bool skipFirstLine, RecordSource next) {
    const std::string path = ProcessTempDir::instance().file(fileName);
    Reset_Library_State();
    Write_Bytes(path, data, size);

    char* sinkBuffer = nullptr;
    size_t sinkSize = 0;
    std::FILE* sink = open_memstream(&sinkBuffer, &sinkSize);
    Z2I_FUZZ_CHECK(sink != nullptr);
    char* sink3Buffer = nullptr;
    size_t sink3Size = 0;
    std::FILE* sink3 = open_memstream(&sink3Buffer, &sink3Size);
    Z2I_FUZZ_CHECK(sink3 != nullptr);
    NavWeekCounter weeks3;
    size_t records3 = 0;

    static TextFile file;  // 8 KB buffer: kept off the stack
    file = TextFile{};
    Z2I_FUZZ_CHECK(Text_Open(file, path.c_str()));
    if (skipFirstLine) {
        char line[kTextPieceLength + 1];
        Read_Text_Line(file, line, kTextPieceLength);
    }
    // Every record read consumes at least one line, so the loop is bounded
    // by the size of the input; the bound catches a source that stalls.
    const size_t maxRecords = size + 2;
    size_t records = 0;
    EphemerisRecord record{};
    while (next(file, record) == 0) {
        Z2I_FUZZ_CHECK(++records <= maxRecords);
        EphemerisRecord copy = record;  // each writer may raise the week
        const int32_t status3 = Write_Nav3_Record(sink3, copy, weeks3);
        Z2I_FUZZ_CHECK(status3 == 0 || status3 == 2);
        if (status3 == 0) ++records3;
        Z2I_FUZZ_CHECK(Write_Nav_Record(sink, record) == 0);
        record = EphemerisRecord{};
    }
    Text_Close(file);
    Z2I_FUZZ_CHECK(std::fclose(sink) == 0);
    Z2I_FUZZ_CHECK(std::fclose(sink3) == 0);

    // Version 3.04 records: eight lines of at most 80 characters each.
    size_t lines3 = 0;
    size_t length3 = 0;
    for (size_t i = 0; i < sink3Size; ++i) {
        if (sink3Buffer[i] == '\n') {
            length3 = 0;
            ++lines3;
            continue;
        }
        Z2I_FUZZ_CHECK(++length3 <= 80);
    }
    Z2I_FUZZ_CHECK(lines3 == 8 * records3);
    std::free(sink3Buffer);

    // A record is eight lines of 80 characters or less, except that values
    // of the first line's integer fields (prn, date) may widen it; nothing
    // may reach beyond the writers' line buffer.
    size_t lineLength = 0;
    size_t lineIndex = 0;
    for (size_t i = 0; i < sinkSize; ++i) {
        if (sinkBuffer[i] == '\n') {
            lineLength = 0;
            ++lineIndex;
            continue;
        }
        ++lineLength;
        Z2I_FUZZ_CHECK(lineLength <= static_cast<size_t>(kLineBufferSize));
        if (lineIndex % 8 != 0) Z2I_FUZZ_CHECK(lineLength <= 80);
    }
    Z2I_FUZZ_CHECK(lineIndex == 8 * records);
    std::free(sinkBuffer);
}

}  // namespace zer2ivi::fuzz
