// Fixed-width text helpers shared by every RINEX writer of the library.
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "base/library_state.h"
#include "numbers/numbers.h"
#include "rinex_text/rinex_text.h"

namespace zer2ivi {

namespace {

// [1] "JAN" .. [12] "DEC".
constexpr const char* kMonthAbbreviations[13] = {"",    "JAN", "FEB", "MAR", "APR",
                                                 "MAY", "JUN", "JUL", "AUG", "SEP",
                                                 "OCT", "NOV", "DEC"};

constexpr const char* kRinexDateFormat = "%2d-%s-%2d %2d:%02d";
constexpr int kRinexDateSize = 20;

std::tm System_Utc_Now() {
    std::tm utc{};
#if defined(_WIN32)
    SYSTEMTIME now;
    GetSystemTime(&now);
    utc.tm_year = now.wYear - 1900;
    utc.tm_mon = now.wMonth - 1;
    utc.tm_mday = now.wDay;
    utc.tm_hour = now.wHour;
    utc.tm_min = now.wMinute;
    utc.tm_sec = now.wSecond;
#else
    const std::time_t now = std::time(nullptr);
    gmtime_r(&now, &utc);
#endif
    return utc;
}

}  // namespace

void Pad_Field(char* destination, const char* source, int32_t width) {
    if (width < 0) width = 0;
    const size_t length = strnlen(source, static_cast<size_t>(width));
    std::memcpy(destination, source, length);
    std::memset(destination + length, ' ', static_cast<size_t>(width) - length);
    destination[width] = '\0';
}

void Satellite_Label(char* destination, int32_t satelliteNumber) {
    if (satelliteNumber >= 0 && satelliteNumber <= 99) {
        // What the formats below give for one or two digits, without them.
        destination[0] = satelliteNumber <= kLastGpsSatellite ? 'G' : 'R';
        destination[1] = satelliteNumber < 10 ? ' ' : static_cast<char>('0' + satelliteNumber / 10);
        destination[2] = static_cast<char>('0' + satelliteNumber % 10);
        destination[3] = '\0';
        return;
    }
    std::snprintf(destination, 8, satelliteNumber <= kLastGpsSatellite ? "G%2d" : "R%2d",
                  satelliteNumber);
}

void Rinex_Date_Text_At(char* destination, const std::tm& utc) {
    const int month = utc.tm_mon >= 0 && utc.tm_mon <= 11 ? utc.tm_mon + 1 : 1;
    std::snprintf(destination, kRinexDateSize, kRinexDateFormat, utc.tm_mday,
                  kMonthAbbreviations[month], (utc.tm_year + 1900) % 100, utc.tm_hour, utc.tm_min);
}

std::tm Utc_Now() { return library.utcClock != nullptr ? library.utcClock() : System_Utc_Now(); }

void Rinex_Date_Text(char* destination) {
    Rinex_Date_Text_At(destination, Utc_Now());
}

void Rinex3_Date_Text_At(char* destination, const std::tm& utc) {
    // Room for any int fields; a valid time fills exactly 19 characters.
    char text[80];
    std::snprintf(text, sizeof text, "%04d%02d%02d %02d%02d%02d UTC", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    Pad_Field(destination, text, kRinex3DateSize - 1);
}

void Rinex3_Date_Text(char* destination) {
    Rinex3_Date_Text_At(destination, Utc_Now());
}

void Set_Utc_Clock(UtcClock clock) { library.utcClock = clock; }

// ---- LineBuilder ------------------------------------------------------------

LineBuilder& LineBuilder::text(const char* source, size_t length) {
    const size_t room = kLineBufferSize - length_;
    const size_t kept = length < room ? length : room;
    std::memcpy(buffer_ + length_, source, kept);
    length_ += kept;
    buffer_[length_] = '\0';
    return *this;
}

LineBuilder& LineBuilder::text(const char* source) {
    return text(source, strnlen(source, kLineBufferSize - length_));
}

LineBuilder& LineBuilder::field(const char* source, int width) {
    if (width <= 0) return *this;
    const size_t wanted = static_cast<size_t>(width);
    const size_t length = strnlen(source, wanted);
    text(source, length);
    const size_t room = kLineBufferSize - length_;
    const size_t blanks = wanted - length < room ? wanted - length : room;
    std::memset(buffer_ + length_, ' ', blanks);
    length_ += blanks;
    buffer_[length_] = '\0';
    return *this;
}

LineBuilder& LineBuilder::fixed(double value, int width, int precision) {
    length_ += Format_Fixed(buffer_ + length_, kLineBufferSize + 1 - length_, value, width, precision);
    return *this;
}

LineBuilder& LineBuilder::integer(int32_t value, int width) {
    // Most integers of a line (dates, times, counts) are 0..99 in a field of
    // two or three columns: written straight into the buffer.
    if (value >= 0 && value < 100 && width >= 2 && width <= 3 &&
        length_ + static_cast<size_t>(width) <= kLineBufferSize) {
        char* out = buffer_ + length_;
        if (width == 3) *out++ = ' ';
        std::memcpy(out, kDigitPairs + 2 * value, 2);
        if (value < 10) out[0] = ' ';
        length_ += static_cast<size_t>(width);
        buffer_[length_] = '\0';
        return *this;
    }
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    const size_t length = static_cast<size_t>(result.ptr - digits);
    if (width > 0 && static_cast<size_t>(width) > length) {
        field("", width - static_cast<int>(length));
    }
    return text(digits, length);
}

LineBuilder& LineBuilder::pad_to(int width) {
    const size_t wanted = width < 0 ? 0 : static_cast<size_t>(width);
    const size_t target = wanted < kLineBufferSize ? wanted : kLineBufferSize;
    if (length_ < target) {
        std::memset(buffer_ + length_, ' ', target - length_);
    }
    length_ = target;
    buffer_[length_] = '\0';
    return *this;
}

bool LineBuilder::write_to(std::FILE* stream) {
    buffer_[length_] = '\n';
    const size_t written = std::fwrite(buffer_, 1, length_ + 1, stream);
    buffer_[length_] = '\0';
    return written == length_ + 1;
}

bool Write_Header_Line(std::FILE* stream, LineBuilder& line, const char* label) {
    return line.pad_to(kHeaderContentWidth).label(label).write_to(stream);
}

}  // namespace zer2ivi
