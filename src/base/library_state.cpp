#include "base/library_state.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace zer2ivi {

LibraryState library;

void Reset_Library_State() { library = LibraryState{}; }

void Set_Message(const char* text) {
    const size_t length = strnlen(text, kMessageSize - 1);
    std::memcpy(library.LastErrorText, text, length);
    library.LastErrorText[length] = '\0';
}

void Format_Message(const char* format, ...) {
    // Formatted into a scratch buffer first, so an argument that points into
    // LastErrorText itself is read before it is overwritten.
    char text[kMessageSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0) text[0] = '\0';
    std::memcpy(library.LastErrorText, text, sizeof text);
}

void Split_Path(const char* path, char (&dirPart)[kPathDirSize],
                char (&filePart)[kPathFileSize]) {
    size_t dirLength = 0;
    size_t length = 0;
    for (; path[length] != '\0'; ++length) {
        if (path[length] == '\\') dirLength = length + 1;
    }
    const size_t dirKept = dirLength < kPathDirSize ? dirLength : kPathDirSize - 1;
    std::memcpy(dirPart, path, dirKept);
    dirPart[dirKept] = '\0';
    const size_t fileLength = length - dirLength;
    const size_t fileKept = fileLength < kPathFileSize ? fileLength : kPathFileSize - 1;
    std::memcpy(filePart, path + dirLength, fileKept);
    filePart[fileKept] = '\0';
}

const char* File_Part_Of(const char* path) {
    Split_Path(path, library.PathDirPart, library.PathFilePart);
    return library.PathFilePart;
}

}  // namespace zer2ivi
