// The fixed-width text of RINEX files, shared by every RINEX writer: a line
// built column by column in a fixed buffer, text fields, the header-line
// layout (60 columns of content, the label from column 61), satellite
// labels and the creation date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace zer2ivi {

// Satellite numbers up to this one are GPS ("G"), above it GLONASS ("R").
inline constexpr int32_t kLastGpsSatellite = 32;

// Every line is built in a buffer of this size (80 columns at most, except
// an epoch line whose clock value does not fit its 12 columns).
inline constexpr int kLineBufferSize = 128;
inline constexpr int kHeaderContentWidth = 60;

// Copies source into destination cut or blank-padded to exactly width
// characters, then a NUL (destination holds width + 1).
void Pad_Field(char* destination, const char* source, int32_t width);

// "G%2d" for numbers up to 32, "R%2d" above (destination: 8 characters).
void Satellite_Label(char* destination, int32_t satelliteNumber);

// The creation-date text "%2d-%s-%2d %2d:%02d" (day, month name, year % 100,
// hour, minute) of the current UTC time, 15 characters (destination: 20).
void Rinex_Date_Text(char* destination);
// The same for a given UTC time (tests pass a fixed one).
void Rinex_Date_Text_At(char* destination, const std::tm& utc);
// The creation date of version 3 headers, "yyyymmdd hhmmss UTC" (19
// characters; destination: 20), of the current UTC time or a given one.
inline constexpr int kRinex3DateSize = 20;
void Rinex3_Date_Text(char* destination);
void Rinex3_Date_Text_At(char* destination, const std::tm& utc);
// The clock the header writers use; tests may fix it.  nullptr restores the
// system clock.
using UtcClock = std::tm (*)();
void Set_Utc_Clock(UtcClock clock);
// The current UTC time of that clock (on every platform).
std::tm Utc_Now();

// A line built column by column in a fixed buffer.  field() appends a text
// cut or padded to its width; text() appends as it stands; label() appends
// the header label after the 60 content columns.  Nothing is ever written
// past the buffer: what does not fit is cut.
class LineBuilder {
public:
    LineBuilder() { buffer_[0] = '\0'; }
    LineBuilder& field(const char* text, int width);
    LineBuilder& text(const char* text);
    LineBuilder& text(const char* text, size_t length);
    LineBuilder& fixed(double value, int width, int precision);
    LineBuilder& integer(int32_t value, int width);
    // Brings the line so far to exactly width characters.
    LineBuilder& pad_to(int width);
    LineBuilder& label(const char* label) { return text(label); }
    const char* c_str() const { return buffer_; }
    size_t length() const { return length_; }
    // Writes the line and a line end with one call; false when it failed.
    bool write_to(std::FILE* stream);

private:
    char buffer_[kLineBufferSize + 2];  // room for the line end and NUL
    size_t length_ = 0;
};

// A header line: the content so far cut or padded to the 60 content
// columns, then the label; false when the write failed.
bool Write_Header_Line(std::FILE* stream, LineBuilder& line, const char* label);

}  // namespace zer2ivi
