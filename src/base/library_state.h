// The library-wide state and the messages: the one message buffer, the path
// buffers of Split_Path, the GPS week state shared by both conversions, the
// navigation writer's week counters and the clock of the header dates.  One
// instance for the whole process, never reset by a call; calls into the
// library must not overlap.  Every subsystem may include this header; it
// includes none of theirs (the calendar record lives with the time code, the
// tagged-block holder with the ephemeris readers).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>

namespace zer2ivi {

inline constexpr int kMessageSize = 256;
inline constexpr int kPathDirSize = 256;
inline constexpr int kPathFileSize = 128;
inline constexpr int32_t kNavPreviousWeekAtLoad = 1000000;

struct LibraryState {
    char LastErrorText[kMessageSize] = {};
    char PathDirPart[kPathDirSize] = {};
    char PathFilePart[kPathFileSize] = {};
    // Switched on by a call with useGpsWeek 1; stays on for the process.
    bool weekOverride = false;
    // GPS week of the first observation epoch; under the override also the
    // week from which the navigation writer counts.
    int32_t baseWeek = 0;
    // Navigation writer: week of the record last written, and how many times
    // a record's week was greater than the one before.
    int32_t navPreviousWeek = kNavPreviousWeekAtLoad;
    int32_t navWeekAdvanceCount = 0;
    // Source of the current UTC time for "PGM / RUN BY / DATE" lines;
    // nullptr is the system clock (tests fix it).
    std::tm (*utcClock)() = nullptr;
    // The time code's internal consistency message: printed on standard
    // output by the exports; the conversion API turns it off and reports
    // the count as a warning.
    bool printTimeCodeMessages = true;
    int32_t timeCodeMessages = 0;
};

extern LibraryState library;

// Puts the state back as it is at load (for tests and fuzzing harnesses).
void Reset_Library_State();

// Replaces LastErrorText; a longer text is cut at 255 characters.
void Set_Message(const char* text);

// Formats into LastErrorText; a longer result is cut at 255 characters.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void Format_Message(const char* format, ...);

// vsnprintf into text (capacity characters with the NUL, a longer result
// cut), except that the floating-point conversions (%f %e %g) are written
// with '.' whatever the host's locale.  Flags, widths and precisions are
// written into the format, never taken from the arguments ('*').
void Format_Text(char* text, size_t capacity, const char* format, va_list args);

// Splits a path at its last backslash into library.PathDirPart (directory
// part with its final backslash) and library.PathFilePart; a part longer
// than its buffer is cut to fit.
void Split_Path(const char* path, char (&dirPart)[kPathDirSize], char (&filePart)[kPathFileSize]);

// Split_Path into the library buffers; returns PathFilePart.
const char* File_Part_Of(const char* path);

}  // namespace zer2ivi
