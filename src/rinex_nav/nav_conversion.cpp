// The navigation conversion: opens the ephemeris file and the navigation
// file, chooses the form of the ephemeris file from its first line, writes
// the header and then each ephemeris as soon as it is read.
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "base/output_file.h"
#include "base/library_state.h"
#include "rinex_nav/nav_texts.h"
#include "rinex_nav/rinex_nav.h"

namespace zer2ivi {
namespace {

using namespace nav_text;

constexpr int kFirstLineSize = 256;
// The first line is read up to this many characters; the rest of a longer
// one is read as an ordinary line of the file.
constexpr int kFirstLineLength = 249;
// While the week override is off, this ephemeris sets the base week.
constexpr int32_t kBaseWeekRecord = 4;
constexpr size_t kPathFieldSize = sizeof(NavSettings{}.ephemerisFileName);
constexpr size_t kRunByFieldSize = sizeof(NavSettings{}.runBy);

using RecordSource = int (*)(TextFile&, EphemerisRecord&);

// The ephemeris file, closed on every path.
struct EphemerisInput {
    TextFile file;
    EphemerisInput() = default;
    EphemerisInput(const EphemerisInput&) = delete;
    EphemerisInput& operator=(const EphemerisInput&) = delete;
    ~EphemerisInput() { Text_Close(file); }
};

// Opens both files; on failure sets the message, closes what was opened and
// returns false.
bool Open_Files(const char* ephemerisPath, const char* navPath, EphemerisInput& input,
                OutputFile& output) {
    if (!Text_Open(input.file, ephemerisPath)) {
        Format_Message(kMsgUnableToOpen, File_Part_Of(ephemerisPath));
        return false;
    }
    if (!output.open(navPath)) {
        Format_Message(kMsgUnableToOpen, File_Part_Of(navPath));
        Text_Close(input.file);
        return false;
    }
    return true;
}

// Closes both files, the ephemeris file first.
void Close_Files(EphemerisInput& input, OutputFile& output) {
    Text_Close(input.file);
    output.close();
}

// Writes the header and every ephemeris the source yields, then closes
// both files.  0 success, -1 the navigation file could not be written.
int32_t Write_Navigation(EphemerisInput& input, OutputFile& output, const char* runBy,
                         RecordSource nextEphemeris) {
    // Nothing has been written yet, so the stream may still take its larger
    // buffer; without one it keeps its default buffer.
    output.take_large_buffer();
    if (Write_Nav_Header(output.stream(), runBy) != 0) {
        Set_Message(kMsgDiskFull);
        Close_Files(input, output);
        return -1;
    }
    // One record for the whole file; the sources overwrite what they read.
    EphemerisRecord record{};
    int32_t count = 0;
    while (nextEphemeris(input.file, record) == 0) {
        if (Write_Nav_Record(output.stream(), record) != 0) {
            Set_Message(kMsgDiskFull);
            Close_Files(input, output);
            return -1;
        }
        if (count < std::numeric_limits<int32_t>::max()) ++count;
        if (count == kBaseWeekRecord && !library.weekOverride) library.baseWeek = record.week;
    }
    Text_Close(input.file);
    // Whatever still waits in the stream buffer must reach the file too.
    if (!output.close()) {
        Set_Message(kMsgDiskFull);
        return -1;
    }
    Format_Message(kMsgWrote, count);
    return 0;
}

}  // namespace

int32_t Convert_Nav(const NavSettings& settings) {
    if (settings.structSize != ZER2IVI_NAV_SETTINGS_SIZE) {
        Set_Message(kMsgWrongStructSize);
        return 1;
    }
    const FieldText<kPathFieldSize> ephemerisPath(settings.ephemerisFileName);
    const FieldText<kPathFieldSize> navPath(settings.rinexNavFileName);
    const FieldText<kRunByFieldSize> runBy(settings.runBy);
    return Ephemeris_To_Nav(ephemerisPath.text, navPath.text, runBy.text);
}

int32_t Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath, const char* runBy) {
    const int32_t result = Tagged_Ephemeris_To_Nav(ephemerisPath, navPath, runBy);
    if (result == 2) return Plain_Ephemeris_To_Nav(ephemerisPath, navPath, runBy);
    return result;
}

int32_t Tagged_Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath,
                                const char* runBy) {
    EphemerisInput input;
    OutputFile output;
    if (!Open_Files(ephemerisPath, navPath, input, output)) return 1;
    {
        const std::unique_ptr<char[]> firstLine(new (std::nothrow) char[kFirstLineSize]);
        if (firstLine == nullptr) {
            Close_Files(input, output);
            Set_Message(kMsgNotEnoughMemory);
            return 1;
        }
        if (Read_Text_Line(input.file, firstLine.get(), kFirstLineLength) < 0) {
            Close_Files(input, output);
            Set_Message(kMsgEmptyFile);
            return 1;
        }
        if (std::strncmp(firstLine.get(), kTaggedFileMark, std::strlen(kTaggedFileMark)) != 0) {
            // Not the tagged form; the message is left alone.
            Close_Files(input, output);
            return 2;
        }
    }
    return Write_Navigation(input, output, runBy, Next_Tagged_Ephemeris);
}

int32_t Plain_Ephemeris_To_Nav(const char* ephemerisPath, const char* navPath,
                               const char* runBy) {
    EphemerisInput input;
    OutputFile output;
    if (!Open_Files(ephemerisPath, navPath, input, output)) return 1;
    return Write_Navigation(input, output, runBy, Next_Plain_Ephemeris);
}

}  // namespace zer2ivi
