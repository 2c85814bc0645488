#include "base/library_state.h"

#include <cmath>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <system_error>

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
    Format_Text(text, sizeof text, format, args);
    va_end(args);
    std::memcpy(library.LastErrorText, text, sizeof text);
}

namespace {

// Appends to a text of capacity characters (NUL included), cutting what
// does not fit.
struct TextSink {
    char* text;
    size_t capacity;
    size_t length = 0;
    void append(const char* source, size_t count) {
        const size_t room = capacity - 1 - length;
        const size_t kept = count < room ? count : room;
        std::memcpy(text + length, source, kept);
        length += kept;
        text[length] = '\0';
    }
    void repeat(char c, size_t count) {
        for (size_t i = 0; i < count && length + 1 < capacity; ++i) text[length++] = c;
        text[length] = '\0';
    }
};

// The flags, width and precision of one conversion.
struct Spec {
    bool leftAlign = false;
    bool plusSign = false;
    bool blankSign = false;
    bool zeroPad = false;
    int width = 0;
    int precision = -1;
};

// One floating-point conversion (%f %e %g and their capitals), written with
// std::to_chars: '.' whatever the host's locale.
void Append_Floating(TextSink& sink, double value, char conversion, const Spec& spec) {
    const char lower = static_cast<char>(conversion | 0x20);
    const std::chars_format style = lower == 'f'   ? std::chars_format::fixed
                                    : lower == 'e' ? std::chars_format::scientific
                                                   : std::chars_format::general;
    // The largest double has 309 whole digits; precisions are capped to fit.
    char digits[400];
    const int precision = spec.precision < 0 ? 6 : (spec.precision > 40 ? 40 : spec.precision);
    const auto result = std::to_chars(digits, digits + sizeof digits, value, style, precision);
    if (result.ec != std::errc{}) return;
    const size_t length = static_cast<size_t>(result.ptr - digits);
    if (conversion != lower) {
        for (size_t i = 0; i < length; ++i) {
            if (digits[i] >= 'a' && digits[i] <= 'z') digits[i] = static_cast<char>(digits[i] - 32);
        }
    }
    const bool negative = digits[0] == '-';
    const char* body = negative ? digits + 1 : digits;
    const size_t bodyLength = negative ? length - 1 : length;
    const char sign = negative ? '-' : spec.plusSign ? '+' : spec.blankSign ? ' ' : '\0';
    const size_t total = (sign != '\0' ? 1 : 0) + bodyLength;
    const size_t padding = spec.width > 0 && static_cast<size_t>(spec.width) > total
                               ? static_cast<size_t>(spec.width) - total
                               : 0;
    const bool zeros = spec.zeroPad && !spec.leftAlign && std::isfinite(value);
    if (!spec.leftAlign && !zeros) sink.repeat(' ', padding);
    if (sign != '\0') sink.append(&sign, 1);
    if (zeros) sink.repeat('0', padding);
    sink.append(body, bodyLength);
    if (spec.leftAlign) sink.repeat(' ', padding);
}

}  // namespace

void Format_Text(char* text, size_t capacity, const char* format, va_list args) {
    if (capacity == 0) return;
    TextSink sink{text, capacity};
    text[0] = '\0';
    const char* f = format;
    while (*f != '\0') {
        if (*f != '%') {
            const char* literal = f;
            while (*f != '\0' && *f != '%') ++f;
            sink.append(literal, static_cast<size_t>(f - literal));
            continue;
        }
        // One conversion: %[flags][width][.precision][length]letter.
        const char* start = f++;
        Spec spec;
        for (;; ++f) {
            if (*f == '-') {
                spec.leftAlign = true;
            } else if (*f == '+') {
                spec.plusSign = true;
            } else if (*f == ' ') {
                spec.blankSign = true;
            } else if (*f == '0') {
                spec.zeroPad = true;
            } else if (*f != '#') {
                break;
            }
        }
        while (*f >= '0' && *f <= '9') spec.width = spec.width * 10 + (*f++ - '0');
        if (*f == '.') {
            ++f;
            spec.precision = 0;
            while (*f >= '0' && *f <= '9') spec.precision = spec.precision * 10 + (*f++ - '0');
        }
        char length[3] = {};
        for (size_t n = 0; n < 2 && *f != '\0' && std::strchr("hlz", *f) != nullptr; ++n) {
            length[n] = *f++;
        }
        const char conversion = *f;
        if (conversion == '\0') break;
        ++f;
        if (conversion == '%') {
            sink.append("%", 1);
            continue;
        }
        if (std::strchr("fFeEgG", conversion) != nullptr) {
            Append_Floating(sink, va_arg(args, double), conversion, spec);
            continue;
        }
        // The other conversions (none depends on the locale) as the C
        // library writes them, one at a time.
        char piece[kMessageSize];
        char one[32];
        const size_t specLength = static_cast<size_t>(f - start);
        if (specLength >= sizeof one) break;
        std::memcpy(one, start, specLength);
        one[specLength] = '\0';
        int written = 0;
        if (conversion == 's') {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, const char*));
        } else if (conversion == 'p') {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, void*));
        } else if (length[0] == 'l' && length[1] == 'l') {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, long long));
        } else if (length[0] == 'l') {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, long));
        } else if (length[0] == 'z') {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, size_t));
        } else {
            written = std::snprintf(piece, sizeof piece, one, va_arg(args, int));
        }
        if (written > 0) {
            const size_t count = static_cast<size_t>(written);
            sink.append(piece, count < sizeof piece ? count : sizeof piece - 1);
        }
    }
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
