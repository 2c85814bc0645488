// Lines of a text file, plain, gzip-compressed (zlib tells it) or Unix
// compress (.Z, told by its first two bytes), read through one fixed
// buffer, or of bytes in memory (unit tests and fuzz targets need no files).  A line is handed out with and without its line
// end ("\n" or "\r\n") and stays valid until the next call.
//
// The line-length policy, one for every reader: a line longer than
// kMaxLineLength is an error naming its line, never cut or dropped.
//
// Readers take any LineSource.  A decoding filter (the Compact RINEX
// decoder) is a LineSource that reads the lines of another one and hands out
// the lines it decodes: it sits between TextSource and the reader, and its
// lineNumber() names the line of the file a decoded line comes from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace zer2ivi::textio {

// The longest line accepted, line end excluded.  RINEX 2 lines have 80
// columns; a RINEX 3 observation line has 3 + 16 per type of its system
// (no 80-column limit), and a compact satellite line up to about 16
// characters per type as well.
inline constexpr size_t kMaxLineLength = 4095;

class UnixCompressReader;

class LineSource {
public:
    enum class Status { kLine, kEnd, kError };
    virtual ~LineSource() = default;
    // The next line: text without, raw with its line end (the last line of a
    // source may have none).  kError sets error() ("PATH:LINE: reason").
    virtual Status next(std::string_view& text, std::string_view& raw) = 0;
    // Number of the line last handed out (1 for the first).
    virtual uint64_t lineNumber() const = 0;
    virtual const std::string& path() const = 0;
    virtual const std::string& error() const = 0;
    // After kError: the input ended early (a compressed stream cut short),
    // so that what was read before may be kept.
    virtual bool endedShort() const = 0;
};

class TextSource final : public LineSource {
public:
    TextSource();
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;
    ~TextSource();

    // Opens path; false with error() set ("PATH: reason") when it cannot.
    bool open(const std::string& path);
    // Reads from the first line again (the source of open, or the memory).
    bool rewind();
    // Lines of bytes in memory, which must outlive the source; `name`
    // stands for the path in messages.
    void openMemory(const std::string& name, std::string_view bytes);
    void close();

    Status next(std::string_view& text, std::string_view& raw) override;
    uint64_t lineNumber() const override { return line_; }
    const std::string& path() const override { return path_; }
    const std::string& error() const override { return error_; }
    bool endedShort() const override { return endedShort_; }

private:
    bool fill();
    Status handOut(const char* start, size_t rawLength, std::string_view& text,
                   std::string_view& raw);

    void* file_ = nullptr;  // gzFile
    std::unique_ptr<UnixCompressReader> compress_;  // a .Z file
    std::string path_;
    std::string error_;
    uint64_t line_ = 0;
    bool atEnd_ = false;
    bool endedShort_ = false;
    std::string_view memory_;  // the bytes of openMemory not yet read
    std::string_view allMemory_;
    bool inMemory_ = false;
    size_t begin_ = 0;  // first byte not yet handed out
    size_t end_ = 0;    // end of the bytes read
    static constexpr size_t kBufferSize = 1 << 16;
    std::array<char, kBufferSize> buffer_{};
};

}  // namespace zer2ivi::textio
