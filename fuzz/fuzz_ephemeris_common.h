// Bytes -> an ephemeris text file -> one record source until its end, every
// record written as a RINEX navigation record into a memory stream.
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
        Z2I_FUZZ_CHECK(Write_Nav_Record(sink, record) == 0);
        record = EphemerisRecord{};
    }
    Text_Close(file);
    Z2I_FUZZ_CHECK(std::fclose(sink) == 0);

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
