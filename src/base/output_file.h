// What every conversion needs around its files: a settings text made a C
// string, and the output file with its larger stream buffer, closed on every
// path.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace zer2ivi {

// A settings text may fill its whole field without a NUL.
template <size_t Size>
struct FieldText {
    char text[Size + 1];
    explicit FieldText(const char (&field)[Size]) {
        const size_t length = strnlen(field, Size);
        std::memcpy(text, field, length);
        text[length] = '\0';
    }
};

// An output text file.  close() tells whether everything written reached
// the file; the destructor closes a stream left open.  The buffer outlives
// the stream.
class OutputFile {
public:
    // The larger stream buffer, obtained once per conversion.
    static constexpr size_t kBufferSize = 64 * 1024;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { close(); }

    // Creates or truncates the file; false when it cannot be opened.
    bool open(const char* path) {
        stream_ = std::fopen(path, "w");
        return stream_ != nullptr;
    }

    // Gives the stream the larger buffer; only before anything is written.
    // Without the memory for it the stream keeps its default buffer.
    void take_large_buffer() {
        if (stream_ == nullptr) return;
        buffer_.reset(new (std::nothrow) char[kBufferSize]);
        if (buffer_ != nullptr) std::setvbuf(stream_, buffer_.get(), _IOFBF, kBufferSize);
    }

    std::FILE* stream() const { return stream_; }

    bool close() {
        if (stream_ == nullptr) return false;
        std::FILE* closing = stream_;
        stream_ = nullptr;
        const bool flushed = std::fflush(closing) == 0 && std::ferror(closing) == 0;
        return std::fclose(closing) == 0 && flushed;
    }

private:
    std::unique_ptr<char[]> buffer_;
    std::FILE* stream_ = nullptr;
};

// Renames from to to, replacing a file of that name in one step; false
// when it failed (from is left in place).
bool Replace_File(const char* from, const char* to);

}  // namespace zer2ivi
