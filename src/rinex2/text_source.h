// Lines of a text file, plain or gzip-compressed (zlib tells them apart),
// read through one fixed buffer.  A line is handed out with and without its
// line end ("\n" or "\r\n") and stays valid until the next call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zer2ivi::rinex2 {

// The longest line accepted, line end excluded.  RINEX lines have 80
// columns; some writers add a few, none this many.
inline constexpr size_t kMaxLineLength = 255;

class TextSource {
public:
    TextSource() = default;
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;
    ~TextSource();

    // Opens path; false with error() set ("PATH: reason") when it cannot.
    bool open(const std::string& path);
    void close();

    enum class Status { kLine, kEnd, kError };
    // The next line: text without, raw with its line end (the last line of a
    // file may have none).  kError sets error() ("PATH:LINE: reason").
    Status next(std::string_view& text, std::string_view& raw);

    // Number of the line last handed out (1 for the first).
    uint64_t lineNumber() const { return line_; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // The error is a compressed stream cut short: the lines before it were
    // whole.
    bool endedShort() const { return endedShort_; }

private:
    bool fill();

    void* file_ = nullptr;  // gzFile
    std::string path_;
    std::string error_;
    uint64_t line_ = 0;
    bool atEnd_ = false;
    bool endedShort_ = false;
    size_t begin_ = 0;  // first byte not yet handed out
    size_t end_ = 0;    // end of the bytes read
    static constexpr size_t kBufferSize = 1 << 16;
    std::array<char, kBufferSize> buffer_{};
};

}  // namespace zer2ivi::rinex2
