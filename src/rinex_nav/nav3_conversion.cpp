// The RINEX 3.04 navigation conversion: reads the ephemeris file in the form
// its first line names, writes the file beside the destination and renames
// it there once every record is written, so a failed conversion leaves no
// partial file and an older file of that name untouched.
#include <cstring>
#include <cstdio>
#include <limits>

#include "base/output_file.h"
#include "rinex_nav/nav_texts.h"
#include "rinex_nav/rinex_nav.h"

namespace zer2ivi {
namespace {

using namespace nav_text;

// As the version 2 conversion reads the first line.
constexpr int kFirstLineLength = 249;
constexpr const char* kPartSuffix = ".part";

using RecordSource = int (*)(TextFile&, EphemerisRecord&);

struct Input {
    TextFile file;
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input() { Text_Close(file); }
};

std::string Message(const char* format, const char* text) {
    char buffer[kMessageSize];
    std::snprintf(buffer, sizeof buffer, format, text);
    return buffer;
}

std::string Message(const char* format, int32_t value) {
    char buffer[kMessageSize];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Opens the ephemeris file positioned where its form's reader begins and
// names that reader; a message when it cannot be read.
bool Open_Ephemeris(const char* path, Input& input, RecordSource& source, std::string& message) {
    if (!Text_Open(input.file, path)) {
        message = Message(kMsgUnableToOpen, path);
        return false;
    }
    char firstLine[kFirstLineLength + 1];
    if (Read_Text_Line(input.file, firstLine, kFirstLineLength) < 0) {
        message = kMsgEmptyFile;
        return false;
    }
    if (std::strncmp(firstLine, kTaggedFileMark, std::strlen(kTaggedFileMark)) == 0) {
        source = Next_Tagged_Ephemeris;
        return true;
    }
    // The plain form has no mark line: read it from its start.
    Text_Close(input.file);
    input.file = TextFile{};
    if (!Text_Open(input.file, path)) {
        message = Message(kMsgUnableToOpen, path);
        return false;
    }
    source = Next_Plain_Ephemeris;
    return true;
}

}  // namespace

Nav3Result Ephemeris_To_Nav3(const char* ephemerisPath, const char* navPath,
                             const Nav3Options& options) {
    Nav3Result result;
    Input input;
    RecordSource nextEphemeris = nullptr;
    if (!Open_Ephemeris(ephemerisPath, input, nextEphemeris, result.message)) {
        result.status = 1;
        return result;
    }
    const std::string partPath = std::string(navPath) + kPartSuffix;
    OutputFile output;
    if (!output.open(partPath.c_str())) {
        result.status = -1;
        result.message = Message(kMsgUnableToOpen, partPath.c_str());
        return result;
    }
    output.take_large_buffer();
    bool written = Write_Nav3_Header(output.stream(), options.runBy) == 0;
    NavWeekCounter weeks = options.weeks;
    weeks.previousWeek = kNavPreviousWeekAtLoad;
    weeks.advanceCount = 0;
    EphemerisRecord record{};
    while (written && nextEphemeris(input.file, record) == 0) {
        const int32_t status = Write_Nav3_Record(output.stream(), record, weeks);
        if (status == 1) written = false;
        else if (status == 2 && result.skipped < std::numeric_limits<int32_t>::max()) ++result.skipped;
        else if (status == 0 && result.records < std::numeric_limits<int32_t>::max()) ++result.records;
    }
    Text_Close(input.file);
    written = output.close() && written;
    const bool renamed = written && Replace_File(partPath.c_str(), navPath);
    if (!renamed) {
        std::remove(partPath.c_str());
        result.status = -1;
        result.message = written ? Message(kMsgCannotReplace, navPath) : kMsgDiskFull;
        return result;
    }
    if (result.skipped > 0) result.message = Message(kMsgSkippedPrn, result.skipped);
    return result;
}

}  // namespace zer2ivi
