// The plain form of the ephemeris file: six lines of bare numbers per
// ephemeris, values separated by any run of spaces, commas and tabs.
#include <bit>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "ephemeris/ephemeris.h"
#include "ephemeris/word_scan.h"
#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

// The six lines of one ephemeris.
constexpr const char* kPlainLine1 = "%d %d %ld %lf %ld %ld";
constexpr const char* kPlainLine2 = "%lf %lf %lf";
constexpr const char* kPlainLine3 = "%ld %lf %lf %lf";
constexpr const char* kPlainLine4 = "%lf %lf %lf %lf";
constexpr const char* kPlainLine5 = "%ld %lf %lf %lf";
constexpr const char* kPlainLine6 = "%lf %lf %lf %lf %lf";

bool Is_Separator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// The index of the first separator at or after position, or length.  Where
// the processor has SSE2, 16 characters are looked at together while that
// many are left.
size_t Value_End(const char* line, size_t position, size_t length) {
#if defined(ZER2IVI_SSE2)
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i tab = _mm_set1_epi8('\t');
    while (length - position >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + position));
        const __m128i separators =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, blank), _mm_cmpeq_epi8(chunk, comma)),
                         _mm_cmpeq_epi8(chunk, tab));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(separators));
        if (mask != 0) return position + static_cast<size_t>(std::countr_zero(mask));
        position += 16;
    }
#endif
    while (position < length && !Is_Separator(line[position])) ++position;
    return position;
}

enum class Conversion { Int, Double, Float, Char, Text, RestOfLine, Unknown };

// Reads the conversion after a "%" and moves the format past it.
Conversion Next_Conversion(const char*& format) {
    const char letter = *format;
    if (letter == '\0') return Conversion::Unknown;
    ++format;
    switch (letter) {
        case 'd': return Conversion::Int;
        case 'f':
        case 'e': return Conversion::Float;
        case 'c': return Conversion::Char;
        case 's': return Conversion::Text;
        case 'S': return Conversion::RestOfLine;
        case 'l':
            switch (*format) {
                case 'd': ++format; return Conversion::Int;
                case 'f':
                case 'e': ++format; return Conversion::Double;
                case '%':
                case '\0': return Conversion::Int;
                default: return Conversion::Unknown;
            }
        default: return Conversion::Unknown;
    }
}

// line holds length characters and a NUL.
int Scan_Values(const char* line, size_t length, const char* format, va_list args) {
    size_t position = 0;  // just after the last value: its separator or the end
    bool afterValue = false;
    int count = 0;
    for (const char* f = format; *f != '\0';) {
        if (*f++ != '%') continue;
        if (position >= length) return count;
        const Conversion conversion = Next_Conversion(f);
        if (conversion == Conversion::RestOfLine) {
            // The rest as it stands, from just after the separator that ended
            // the previous value.
            const size_t from = afterValue ? position + 1 : position;
            char* destination = va_arg(args, char*);
            const size_t restLength = from < length ? length - from : 0;
            std::memcpy(destination, line + (length - restLength), restLength);
            destination[restLength] = '\0';
            return count + 1;
        }
        while (position < length && Is_Separator(line[position])) ++position;
        if (position >= length) return count;
        const size_t end = Value_End(line, position, length);
        // The value is read where it stands, as if it ended with a NUL.
        const char* value = line + position;
        const char* valueEnd = line + end;
        const size_t valueLength = end - position;
        position = end;
        afterValue = true;
        switch (conversion) {
            case Conversion::Int:
                if (value[0] == '.') return count;
                *va_arg(args, int32_t*) = Leading_Int32_In(value, valueEnd);
                break;
            case Conversion::Double:
                *va_arg(args, double*) = Read_Double_In(value, valueEnd, nullptr);
                break;
            case Conversion::Float: {
                char text[kBlockLineSize];
                std::memcpy(text, value, valueLength);
                text[valueLength] = '\0';
                *va_arg(args, float*) = Read_Float(text, nullptr);
                break;
            }
            case Conversion::Char: *va_arg(args, char*) = value[0]; break;
            case Conversion::Text: {
                char* destination = va_arg(args, char*);
                std::memcpy(destination, value, valueLength);
                destination[valueLength] = '\0';
                break;
            }
            case Conversion::RestOfLine:
            case Conversion::Unknown: return -1;
        }
        ++count;
    }
    return count;
}

}  // namespace

int Scan_Line(TextFile& file, const char* format, ...) {
    char line[kBlockLineSize];
    const int length = Read_Text_Line(file, line, kTextPieceLength);
    if (length < 0) return -1;
    va_list args;
    va_start(args, format);
    // A NUL read from the file ends the line's text.
    size_t textLength = static_cast<size_t>(length);
    if (const void* nul = std::memchr(line, '\0', textLength)) {
        textLength = static_cast<size_t>(static_cast<const char*>(nul) - line);
    }
    const int count = Scan_Values(line, textLength, format, args);
    va_end(args);
    return count;
}

int Next_Plain_Ephemeris(TextFile& file, EphemerisRecord& record) {
    // A group of six lines that stores no value at all (blank lines, lines
    // of separators) is no ephemeris; reading goes on with the next group.
    // An ephemeris is dropped only when the file ends before one of its six
    // lines could be read at all, so a last line without a line end counts.
    for (;;) {
        if (file.endOfFile) return -1;
        const int line1 = Scan_Line(file, kPlainLine1, &record.prn, &record.week, &record.aux1,
                                    &record.tgd, &record.iodc, &record.aux2);
        if (line1 < 0) return -1;
        const int line2 = Scan_Line(file, kPlainLine2, &record.af2, &record.af1, &record.af0);
        if (line2 < 0) return -1;
        const int line3 =
            Scan_Line(file, kPlainLine3, &record.iode, &record.crs, &record.deltaN, &record.m0);
        if (line3 < 0) return -1;
        const int line4 =
            Scan_Line(file, kPlainLine4, &record.cuc, &record.ecc, &record.cus, &record.sqrtA);
        if (line4 < 0) return -1;
        const int line5 =
            Scan_Line(file, kPlainLine5, &record.toe, &record.cic, &record.omega0, &record.cis);
        if (line5 < 0) return -1;
        const int line6 = Scan_Line(file, kPlainLine6, &record.i0, &record.crc, &record.omega,
                                    &record.omegaDot, &record.idot);
        if (line6 < 0) return -1;
        if (line1 + line2 + line3 + line4 + line5 + line6 > 0) return 0;
    }
}

}  // namespace zer2ivi
