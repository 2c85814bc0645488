#include "textio/line_source.h"

#include <cerrno>
#include <cstring>
#include <zlib.h>

#include "textio/unix_compress.h"

namespace zer2ivi::textio {
namespace {

constexpr unsigned kZlibBufferSize = 1u << 17;

gzFile As_Gz(void* file) { return static_cast<gzFile>(file); }

}  // namespace

TextSource::TextSource() = default;
TextSource::~TextSource() { close(); }

bool TextSource::open(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    line_ = 0;
    atEnd_ = false;
    endedShort_ = false;
    inMemory_ = false;
    memory_ = {};
    begin_ = end_ = 0;
    errno = 0;
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) {
        error_ = path + ": " + (errno != 0 ? std::strerror(errno) : "cannot be opened");
        return false;
    }
    gzbuffer(file, kZlibBufferSize);
    file_ = file;
    if (!fill()) return false;
    if (gzdirect(file) != 0 && end_ >= 2 && std::memcmp(buffer_.data(), kUnixCompressMagic, 2) == 0) {
        // Unix compress, which zlib does not read: again from the start
        // through the LZW decoder.
        close();
        begin_ = end_ = 0;
        std::FILE* raw = std::fopen(path.c_str(), "rb");
        if (raw == nullptr) {
            error_ = path + ": " + std::strerror(errno);
            return false;
        }
        compress_ = std::make_unique<UnixCompressReader>(raw);
        std::string what;
        if (!compress_->start(what)) {
            error_ = path + ": " + what;
            compress_.reset();
            return false;
        }
    }
    return true;
}

bool TextSource::rewind() {
    if (inMemory_) {
        openMemory(std::string(path_), allMemory_);
        return true;
    }
    return open(std::string(path_));
}

void TextSource::openMemory(const std::string& name, std::string_view bytes) {
    close();
    path_ = name;
    error_.clear();
    line_ = 0;
    atEnd_ = true;
    endedShort_ = false;
    inMemory_ = true;
    memory_ = bytes;
    allMemory_ = bytes;
    begin_ = end_ = 0;
}

void TextSource::close() {
    if (file_ != nullptr) gzclose_r(As_Gz(file_));
    file_ = nullptr;
    compress_.reset();
}

// Moves the unread bytes to the front and reads more behind them; false on
// a read error (error_ set).
bool TextSource::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (atEnd_ || end_ == buffer_.size()) return true;
    if (compress_ != nullptr) {
        std::string what;
        const long got = compress_->read(buffer_.data() + end_, buffer_.size() - end_, what);
        if (got < 0) {
            error_ = path_ + ":" + std::to_string(line_ + 1) + ": " + what;
            return false;
        }
        if (got == 0) atEnd_ = true;
        end_ += static_cast<size_t>(got);
        return true;
    }
    if (file_ == nullptr) return true;
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
            endedShort_ = code == Z_BUF_ERROR;  // the compressed stream is cut short
            std::string_view what(reason);
            // zlib puts the path in front of its message.
            if (what.substr(0, path_.size() + 2) == path_ + ": ") what.remove_prefix(path_.size() + 2);
            error_ = path_ + ":" + std::to_string(line_ + 1) + ": " + std::string(what);
            return false;
        }
        atEnd_ = true;
    }
    end_ += static_cast<size_t>(got);
    return true;
}

TextSource::Status TextSource::handOut(const char* start, size_t rawLength,
                                      std::string_view& text, std::string_view& raw) {
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
    return Status::kLine;
}

TextSource::Status TextSource::next(std::string_view& text, std::string_view& raw) {
    if (!error_.empty()) return Status::kError;
    if (inMemory_) {
        if (memory_.empty()) return Status::kEnd;
        const size_t newline = memory_.find('\n');
        const size_t rawLength = newline == std::string_view::npos ? memory_.size() : newline + 1;
        const char* start = memory_.data();
        memory_.remove_prefix(rawLength);
        return handOut(start, rawLength, text, raw);
    }
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
            rawLength = available;  // caught by the length check
        } else {
            if (!fill()) return Status::kError;
            continue;
        }
        begin_ += rawLength;
        return handOut(start, rawLength, text, raw);
    }
}

}  // namespace zer2ivi::textio
