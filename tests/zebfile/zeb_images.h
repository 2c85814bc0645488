// Hand-built little-endian byte images of the binary observation file, made
// without the library's encoders, so reader and writer can be checked
// against an independent picture of the format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace zer2ivi::testing {

// Appends values byte by byte, least significant first.
class LeImage {
public:
    LeImage& u8(unsigned value) {
        bytes_.push_back(static_cast<char>(value & 0xFFu));
        return *this;
    }
    LeImage& u16(uint16_t value) { return put(value, 2); }
    LeImage& i16(int16_t value) { return put(static_cast<uint16_t>(value), 2); }
    LeImage& i32(int32_t value) { return put(static_cast<uint32_t>(value), 4); }
    LeImage& f32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        return put(bits, 4);
    }
    LeImage& f64(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        return put(bits, 8);
    }
    LeImage& fill(size_t count, unsigned value = 0) {
        bytes_.append(count, static_cast<char>(value & 0xFFu));
        return *this;
    }
    LeImage& text(const std::string& value, size_t width) {
        bytes_ += value.substr(0, width);
        if (value.size() < width) bytes_.append(width - value.size(), '\0');
        return *this;
    }
    LeImage& raw(const std::string& value) {
        bytes_ += value;
        return *this;
    }
    const std::string& str() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

private:
    LeImage& put(uint64_t value, int width) {
        for (int i = 0; i < width; ++i) u8(static_cast<unsigned>((value >> (8 * i)) & 0xFFu));
        return *this;
    }
    std::string bytes_;
};

// A 202-byte header: headerSize, formatVersion 1.01, receiverType 3, the
// channel count, creation 2024-05-17 13:45:09, creatorWord 7, a name.
inline std::string Header_Image(unsigned channelCount, int16_t headerSize = 202) {
    return LeImage()
        .i16(headerSize).f32(1.01f).u8(3).u8(channelCount)
        .i16(4).i16(17).i16(124).i16(13).i16(45).i16(9).i32(7)
        .text("C:\\logs\\site.zeb", 144).fill(10, 0xAB).fill(24)
        .str();
}

inline constexpr double kSampleTimeOfWeek = 345600.5;

// A 68-byte position record announcing count measurement records.
inline std::string Position_Image(unsigned count, double timeOfWeek = kSampleTimeOfWeek,
                                  int16_t recordSize = 68) {
    return LeImage()
        .i16(recordSize).u8(count).u8(2).fill(4, 0x11)
        .f64(52.5).f64(-1.25).f32(123.5f).f64(timeOfWeek).fill(8, 0x22)
        .f64(299792.458).fill(16, 0x33)
        .str();
}

// A 44-byte measurement record for satellite prn.
inline std::string Measurement_Image(unsigned prn, int16_t recordSize = 44) {
    return LeImage()
        .i16(recordSize).u8(prn).u8(prn + 100)
        .f64(20000000.0 + prn).f64(-1234.5 * prn).f64(-500.25).f64(20000010.0 + prn).f64(987.5)
        .str();
}

// A position record followed by count measurement records (prn 1, 2, ...).
inline std::string Epoch_Image(unsigned count, double timeOfWeek = kSampleTimeOfWeek) {
    std::string image = Position_Image(count, timeOfWeek);
    for (unsigned i = 0; i < count; ++i) image += Measurement_Image(i + 1);
    return image;
}

inline std::string Bytes(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (unsigned value : values) bytes.push_back(static_cast<char>(value & 0xFFu));
    return bytes;
}

// Two-digit hex dump, for readable failure output.
inline std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x ", static_cast<unsigned>(static_cast<unsigned char>(byte)));
        text += digits;
    }
    return text;
}

}  // namespace zer2ivi::testing
