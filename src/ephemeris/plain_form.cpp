// The plain form of the ephemeris file: six lines of bare numbers per
// ephemeris, values separated by any run of spaces, commas and tabs.
#include <bit>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "ephemeris/ephemeris.h"
#include "ephemeris/ephemeris_layout.h"
#include "ephemeris/word_scan.h"
#include "numbers/numbers.h"

namespace zer2ivi {
namespace {

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

// Where the values of a line go: the destinations of a format (the
// variable arguments of Scan_Line) or the record members of one plain line
// of the ephemeris layout.  more() tells whether another conversion
// follows; conversion() then reads it.
class FormatDestinations {
public:
    FormatDestinations(const char* format, va_list& args) : format_(format), args_(args) {}
    bool more() {
        while (*format_ != '\0' && *format_ != '%') ++format_;
        if (*format_ == '\0') return false;
        ++format_;
        return true;
    }
    Conversion conversion() { return Next_Conversion(format_); }
    template <typename T>
    T* destination() {
        return va_arg(args_, T*);
    }

private:
    const char* format_;
    va_list& args_;
};

class FieldDestinations {
public:
    FieldDestinations(int plainLine, EphemerisRecord& record) : line_(plainLine), record_(record) {
        skip_to_line();
    }
    bool more() const { return entry_ < kEphemerisLineCount; }
    Conversion conversion() {
        current_ = &kEphemerisLines[entry_].fields[field_];
        if (++field_ >= kEphemerisLines[entry_].fieldCount) {
            ++entry_;
            field_ = 0;
            skip_to_line();
        }
        return current_->is_integer() ? Conversion::Int : Conversion::Double;
    }
    template <typename T>
    T* destination() {
        if constexpr (std::is_same_v<T, int32_t>) {
            return &(record_.*current_->integer);
        } else if constexpr (std::is_same_v<T, double>) {
            return &(record_.*current_->real);
        } else {
            // The layout holds only integer and double members: the other
            // conversions never come from it.
            static_assert(std::is_same_v<T, float> || std::is_same_v<T, char>);
            return reinterpret_cast<T*>(unused_);
        }
    }

private:
    void skip_to_line() {
        while (entry_ < kEphemerisLineCount && kEphemerisLines[entry_].plainLine != line_) ++entry_;
    }
    int line_;
    EphemerisRecord& record_;
    int entry_ = 0;
    int field_ = 0;
    const EphemerisField* current_ = nullptr;
    alignas(float) char unused_[kBlockLineSize];
};

// line holds length characters and a NUL.
template <typename Destinations>
int Scan_Values(const char* line, size_t length, Destinations& destinations) {
    size_t position = 0;  // just after the last value: its separator or the end
    bool afterValue = false;
    int count = 0;
    while (destinations.more()) {
        if (position >= length) return count;
        const Conversion conversion = destinations.conversion();
        if (conversion == Conversion::RestOfLine) {
            // The rest as it stands, from just after the separator that ended
            // the previous value.
            const size_t from = afterValue ? position + 1 : position;
            char* destination = destinations.template destination<char>();
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
                *destinations.template destination<int32_t>() = Leading_Int32_In(value, valueEnd);
                break;
            case Conversion::Double:
                *destinations.template destination<double>() =
                    Read_Double_In(value, valueEnd, nullptr);
                break;
            case Conversion::Float: {
                char text[kBlockLineSize];
                std::memcpy(text, value, valueLength);
                text[valueLength] = '\0';
                *destinations.template destination<float>() = Read_Float(text, nullptr);
                break;
            }
            case Conversion::Char: *destinations.template destination<char>() = value[0]; break;
            case Conversion::Text: {
                char* destination = destinations.template destination<char>();
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

// Reads one line of the file with its NUL-free length; -1 at the end.
int Read_Scan_Line(TextFile& file, char (&line)[kBlockLineSize], size_t& textLength) {
    const int length = Read_Text_Line(file, line, kTextPieceLength);
    if (length < 0) return -1;
    // A NUL read from the file ends the line's text.
    textLength = static_cast<size_t>(length);
    if (const void* nul = std::memchr(line, '\0', textLength)) {
        textLength = static_cast<size_t>(static_cast<const char*>(nul) - line);
    }
    return 0;
}

// Scan_Line for one plain line (1..6) of the ephemeris layout.
int Scan_Plain_Line(TextFile& file, int plainLine, EphemerisRecord& record) {
    char line[kBlockLineSize];
    size_t textLength = 0;
    if (Read_Scan_Line(file, line, textLength) < 0) return -1;
    FieldDestinations destinations(plainLine, record);
    return Scan_Values(line, textLength, destinations);
}

}  // namespace

int Scan_Line(TextFile& file, const char* format, ...) {
    char line[kBlockLineSize];
    size_t textLength = 0;
    if (Read_Scan_Line(file, line, textLength) < 0) return -1;
    va_list args;
    va_start(args, format);
    FormatDestinations destinations(format, args);
    const int count = Scan_Values(line, textLength, destinations);
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
        int stored = 0;
        for (int line = 1; line <= kPlainLineCount; ++line) {
            const int count = Scan_Plain_Line(file, line, record);
            if (count < 0) return -1;
            stored += count;
        }
        if (stored > 0) return 0;
    }
}

}  // namespace zer2ivi
