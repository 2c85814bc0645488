// Text-mode reading of the ephemeris file, the same on every platform: a
// CR right before an LF is dropped, a Ctrl-Z ends the file, and the
// end-of-file indicator is set only when a read meets the end.
#include <cstring>

#include "ephemeris/ephemeris.h"

namespace zer2ivi {
namespace {

constexpr unsigned char kCtrlZ = 0x1A;
constexpr unsigned char kCarriageReturn = '\r';
constexpr unsigned char kLineFeed = '\n';

// Makes sure at least `wanted` characters (1 or 2) wait in the buffer, as
// far as the stream has them; returns how many wait.  Once the stream has
// nothing more to give (its end, a read error, or an earlier Ctrl-Z) no
// further read is tried.
size_t Fill(TextFile& file, size_t wanted) {
    size_t waiting = file.filled - file.position;
    if (waiting >= wanted || file.sourceEnded || file.stream == nullptr) return waiting;
    std::memmove(file.buffer, file.buffer + file.position, waiting);
    file.position = 0;
    file.filled = waiting;
    file.plainUntil = 0;
    while (file.filled < wanted) {
        const size_t got =
            std::fread(file.buffer + file.filled, 1, sizeof file.buffer - file.filled, file.stream);
        if (got == 0) {
            file.sourceEnded = true;
            break;
        }
        file.filled += got;
    }
    return file.filled - file.position;
}

// The raw character `offset` (0 or 1) places ahead; EOF when there is none.
int Peek_Raw(TextFile& file, size_t offset) {
    if (Fill(file, offset + 1) <= offset) return EOF;
    return file.buffer[file.position + offset];
}

// The next character as the text-mode rules deliver it, without taking it
// and without touching the end-of-file indicator.
int Peek_Text(TextFile& file) {
    const int c = Peek_Raw(file, 0);
    if (c == EOF || c == kCtrlZ) return EOF;
    if (c == kCarriageReturn && Peek_Raw(file, 1) == kLineFeed) return kLineFeed;
    return c;
}

}  // namespace

bool Text_Open(TextFile& file, const char* path) {
    file.stream = std::fopen(path, "rb");
    file.endOfFile = false;
    file.sourceEnded = false;
    file.position = 0;
    file.filled = 0;
    file.plainUntil = 0;
    return file.stream != nullptr;
}

void Text_Close(TextFile& file) {
    if (file.stream != nullptr) std::fclose(file.stream);
    file.stream = nullptr;
}

int Text_Get_Char(TextFile& file) {
    // Most characters are neither CR nor Ctrl-Z and need no look ahead.
    if (file.position < file.filled) {
        const unsigned char plain = file.buffer[file.position];
        if (plain != kCarriageReturn && plain != kCtrlZ) {
            ++file.position;
            return plain;
        }
    }
    const int c = Peek_Raw(file, 0);
    if (c == EOF || c == kCtrlZ) {
        // A Ctrl-Z stays where it is, so every later read meets it again.
        file.sourceEnded = true;
        file.endOfFile = true;
        return EOF;
    }
    ++file.position;
    if (c == kCarriageReturn && Peek_Raw(file, 0) == kLineFeed) {
        ++file.position;
        return kLineFeed;
    }
    return c;
}

namespace {

// The index of the first CR or Ctrl-Z at or after position, or filled when
// there is none; found once per stretch of the buffer, not once per line.
size_t Plain_Until(TextFile& file) {
    if (file.plainUntil > file.position) return file.plainUntil;
    const unsigned char* start = file.buffer + file.position;
    size_t span = file.filled - file.position;
    if (const void* cr = std::memchr(start, kCarriageReturn, span)) {
        span = static_cast<size_t>(static_cast<const unsigned char*>(cr) - start);
    }
    if (const void* ctrlZ = std::memchr(start, kCtrlZ, span)) {
        span = static_cast<size_t>(static_cast<const unsigned char*>(ctrlZ) - start);
    }
    file.plainUntil = file.position + span;
    return file.plainUntil;
}

// Takes the run of ordinary characters (no LF, CR or Ctrl-Z) that waits in
// the buffer, up to room characters, into destination; a LF right after the
// run is taken too.  Returns the length of the run; lineEnded tells whether
// a LF was taken.  Nothing is read from the stream.
size_t Take_Buffered_Run(TextFile& file, char* destination, size_t room, bool& lineEnded) {
    lineEnded = false;
    const size_t waiting = file.filled - file.position;
    const size_t span = waiting < room ? waiting : room;
    if (span == 0) return 0;
    const unsigned char* start = file.buffer + file.position;
    const size_t plain = Plain_Until(file) - file.position;
    size_t run = span < plain ? span : plain;
    if (const void* lf = std::memchr(start, kLineFeed, run)) {
        run = static_cast<size_t>(static_cast<const unsigned char*>(lf) - start);
    }
    std::memcpy(destination, start, run);
    file.position += run;
    if (run < span && start[run] == kLineFeed) {
        ++file.position;
        lineEnded = true;
    }
    return run;
}

}  // namespace

int Read_Text_Line(TextFile& file, char* buffer, int maxCharacters) {
    int count = 0;
    for (;;) {
        // Ordinary characters already in the buffer go across in one piece;
        // the rest (CR, Ctrl-Z, a refill, the end) one at a time below.
        if (count < maxCharacters) {
            bool lineEnded = false;
            count += static_cast<int>(Take_Buffered_Run(
                file, buffer + count, static_cast<size_t>(maxCharacters - count), lineEnded));
            if (lineEnded) break;
        }
        if (count == maxCharacters) {
            // A line feed right after a full piece ends the line with it.
            // Looking at it is no read, so the end of the file found here is
            // left for the next read to meet.
            if (Peek_Text(file) == kLineFeed) Text_Get_Char(file);
            break;
        }
        const int c = Text_Get_Char(file);
        if (c == EOF) {
            if (count == 0) {
                buffer[0] = '\0';
                return -1;
            }
            break;
        }
        if (c == kLineFeed) break;
        buffer[count++] = static_cast<char>(c);
    }
    buffer[count] = '\0';
    return count;
}

}  // namespace zer2ivi
