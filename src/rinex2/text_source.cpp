#include "rinex2/text_source.h"

#include <cerrno>
#include <cstring>
#include <zlib.h>

namespace zer2ivi::rinex2 {
namespace {

constexpr unsigned kZlibBufferSize = 1u << 17;

gzFile As_Gz(void* file) { return static_cast<gzFile>(file); }

}  // namespace

TextSource::~TextSource() { close(); }

bool TextSource::open(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    line_ = 0;
    atEnd_ = endedShort_ = false;
    begin_ = end_ = 0;
    errno = 0;
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) {
        error_ = path + ": " + (errno != 0 ? std::strerror(errno) : "cannot be opened");
        return false;
    }
    gzbuffer(file, kZlibBufferSize);
    file_ = file;
    return true;
}

void TextSource::close() {
    if (file_ != nullptr) gzclose_r(As_Gz(file_));
    file_ = nullptr;
}

// Moves the unread bytes to the front and reads more behind them; false on
// a read error (error_ set).
bool TextSource::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (atEnd_ || file_ == nullptr || end_ == buffer_.size()) return true;
    const auto room = static_cast<unsigned>(buffer_.size() - end_);
    const int got = gzread(As_Gz(file_), buffer_.data() + end_, room);
    if (got < 0) {
        int code = 0;
        const char* reason = gzerror(As_Gz(file_), &code);
        error_ = path_ + ":" + std::to_string(line_ + 1) + ": " +
                 (code == Z_ERRNO ? std::strerror(errno) : reason);
        return false;
    }
    if (got == 0) {
        // gzread gives 0 both at the end and for a cut-off compressed
        // stream; only the second leaves an error behind.
        int code = 0;
        const char* reason = gzerror(As_Gz(file_), &code);
        if (code != Z_OK) {
            error_ = path_ + ":" + std::to_string(line_ + 1) + ": " + reason;
            endedShort_ = code == Z_BUF_ERROR;
            return false;
        }
        atEnd_ = true;
    }
    end_ += static_cast<size_t>(got);
    return true;
}

TextSource::Status TextSource::next(std::string_view& text, std::string_view& raw) {
    for (bool refilled = false;; refilled = true) {
        const char* start = buffer_.data() + begin_;
        const size_t available = end_ - begin_;
        const void* newline = std::memchr(start, '\n', available);
        size_t rawLength = 0;
        if (newline != nullptr) {
            rawLength = static_cast<size_t>(static_cast<const char*>(newline) - start) + 1;
        } else if (refilled && atEnd_) {
            if (available == 0) return Status::kEnd;
            rawLength = available;  // last line without a line end
        } else if (refilled && available == buffer_.size()) {
            rawLength = available;  // caught by the length check below
        } else {
            if (!fill()) return Status::kError;
            continue;
        }
        ++line_;
        raw = std::string_view(start, rawLength);
        size_t length = rawLength;
        if (length > 0 && start[length - 1] == '\n') --length;
        if (length > 0 && start[length - 1] == '\r') --length;
        if (length > kMaxLineLength) {
            error_ = path_ + ":" + std::to_string(line_) + ": line longer than " +
                     std::to_string(kMaxLineLength) + " characters";
            return Status::kError;
        }
        text = std::string_view(start, length);
        begin_ += rawLength;
        return Status::kLine;
    }
}

}  // namespace zer2ivi::rinex2
