// Line sources and sinks over memory and files, and the whole-file
// conversions.
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <array>
#include <algorithm>

#include "crinex/compact_text.h"

namespace zer2ivi::crinex {
namespace {

constexpr size_t kReadBufferSize = 1 << 16;
constexpr unsigned char kCompressMagic[2] = {0x1f, 0x9d};
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

gzFile As_Gz(void* file) { return static_cast<gzFile>(file); }

bool Ends_With(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Lines into a file written under a temporary name beside its destination,
// gzip when the destination ends in ".gz"; commit() renames it into place,
// the destructor removes it unless committed.
class FileSink final : public LineSink {
public:
    bool open(const std::string& path) {
        path_ = path;
        temp_ = path + ".partXXXXXX";
        const int descriptor = mkstemp(temp_.data());
        if (descriptor < 0) return failWith(path_ + ": " + std::strerror(errno));
        created_ = true;
        file_ = gzdopen(descriptor, Ends_With(path, ".gz") ? "wb6" : "wbT");
        if (file_ == nullptr) {
            ::close(descriptor);
            return failWith(path_ + ": cannot be written");
        }
        return true;
    }
    bool write(std::string_view line) override {
        if (!line.empty() && gzwrite(As_Gz(file_), line.data(), static_cast<unsigned>(line.size())) <= 0)
            return failWith(path_ + ": write failed (disk full?)");
        if (gzputc(As_Gz(file_), '\n') < 0) return failWith(path_ + ": write failed (disk full?)");
        return true;
    }
    bool commit() {
        const int closed = gzclose_w(As_Gz(file_));
        file_ = nullptr;
        if (closed != Z_OK) return failWith(path_ + ": write failed (disk full?)");
        if (std::rename(temp_.c_str(), path_.c_str()) != 0)
            return failWith(path_ + ": " + std::strerror(errno));
        created_ = false;
        return true;
    }
    ~FileSink() override {
        if (file_ != nullptr) gzclose_w(As_Gz(file_));
        if (created_) std::remove(temp_.c_str());
    }
    const std::string& error() const override { return error_; }

private:
    bool failWith(std::string what) {
        if (error_.empty()) error_ = std::move(what);
        return false;
    }
    std::string path_;
    std::string temp_;
    std::string error_;
    void* file_ = nullptr;
    bool created_ = false;
};

// A compact file read as plain RINEX.
class CompactFileLines final : public LineSource {
public:
    CompactFileLines() : decoder_(file_) {}
    bool open(const std::string& path) { return file_.open(path); }
    const std::string& openError() const { return file_.error(); }
    Status next(std::string_view& line) override { return decoder_.next(line); }
    uint64_t lineNumber() const override { return decoder_.lineNumber(); }
    const std::string& name() const override { return decoder_.name(); }
    const std::string& error() const override { return decoder_.error(); }

private:
    FileLines file_;
    Decoder decoder_;
};

}  // namespace

// Unix compress: LZW codes of 9 up to maxbits (at most 16) bits, least
// significant bit first, written in groups of eight codes; where the code
// width grows or the table is cleared (code 256 in block mode) the rest of
// the group is padding.  The decoder adds a table entry one code after the
// encoder did, so it widens one code earlier.
class LzwReader {
public:
    explicit LzwReader(std::FILE* file) : file_(file) {}
    ~LzwReader() { std::fclose(file_); }
    LzwReader(const LzwReader&) = delete;
    LzwReader& operator=(const LzwReader&) = delete;

    // Reads the header; false with what set.
    bool start(std::string& what) {
        unsigned char header[3];
        if (std::fread(header, 1, 3, file_) != 3 || std::memcmp(header, kCompressMagic, 2) != 0) {
            what = "not a Unix compress file";
            return false;
        }
        maxBits_ = header[2] & 0x1f;
        blockMode_ = (header[2] & 0x80) != 0;
        // 9-bit streams change width in a way of their own: not read.
        if (maxBits_ <= kInitialBits || maxBits_ > kMaxBits) {
            what = "Unix compress (.Z) with " + std::to_string(maxBits_) + "-bit codes";
            return false;
        }
        reset();
        return true;
    }

    // Up to room bytes; 0 at the end, -1 with what set on damage.
    long read(char* out, size_t room, std::string& what) {
        size_t done = 0;
        while (done < room) {
            if (pending_ > 0) {
                const size_t n = std::min(pending_, room - done);
                for (size_t i = 0; i < n; ++i) out[done + i] = static_cast<char>(stack_[--pending_]);
                done += n;
                continue;
            }
            int code = 0;
            if (!nextCode(code)) break;
            if (!decode(code, what)) return -1;
        }
        return static_cast<long>(done);
    }

private:
    static constexpr int kInitialBits = 9;
    static constexpr int kMaxBits = 16;
    static constexpr int kClear = 256;

    void reset() {
        bits_ = kInitialBits;
        limit_ = (1 << bits_) - 1;
        next_ = blockMode_ ? kClear + 1 : kClear;
        previous_ = -1;
        groupBits_ = groupAt_ = 0;
    }

    bool nextCode(int& code) {
        if (next_ > limit_ && bits_ < maxBits_) {
            ++bits_;
            limit_ = bits_ == maxBits_ ? 1 << maxBits_ : (1 << bits_) - 1;
            groupBits_ = groupAt_ = 0;  // the rest of the group is padding
        }
        if (groupBits_ - groupAt_ < static_cast<size_t>(bits_)) {
            const size_t got = std::fread(group_, 1, static_cast<size_t>(bits_), file_);
            groupBits_ = got * 8;
            groupAt_ = 0;
            if (groupBits_ < static_cast<size_t>(bits_)) return false;
        }
        code = 0;
        for (int i = 0; i < bits_; ++i, ++groupAt_)
            code |= ((group_[groupAt_ / 8] >> (groupAt_ % 8)) & 1) << i;
        return true;
    }

    bool decode(int code, std::string& what) {
        if (previous_ < 0) {
            if (code >= kClear) return fail(what);
            stack_[pending_++] = static_cast<unsigned char>(code);
            first_ = static_cast<unsigned char>(code);
            previous_ = code;
            return true;
        }
        if (code == kClear && blockMode_) {
            reset();
            return true;
        }
        const int incoming = code;
        if (code >= next_) {
            if (code > next_) return fail(what);
            stack_[pending_++] = first_;  // the string being defined by this code
            code = previous_;
        }
        while (code >= kClear) {
            stack_[pending_++] = suffix_[static_cast<size_t>(code)];
            code = prefix_[static_cast<size_t>(code)];
        }
        first_ = static_cast<unsigned char>(code);
        stack_[pending_++] = first_;
        if (next_ < (1 << maxBits_)) {
            prefix_[static_cast<size_t>(next_)] = static_cast<uint16_t>(previous_);
            suffix_[static_cast<size_t>(next_)] = first_;
            ++next_;
        }
        previous_ = incoming;
        return true;
    }

    static bool fail(std::string& what) {
        what = "damaged Unix compress (.Z) data";
        return false;
    }

    std::FILE* file_;
    int maxBits_ = kMaxBits;
    bool blockMode_ = true;
    int bits_ = kInitialBits;
    int limit_ = 0;
    int next_ = 0;
    int previous_ = -1;
    unsigned char first_ = 0;
    unsigned char group_[kMaxBits]{};
    size_t groupBits_ = 0;
    size_t groupAt_ = 0;
    size_t pending_ = 0;
    std::array<uint16_t, 1 << kMaxBits> prefix_{};
    std::array<unsigned char, 1 << kMaxBits> suffix_{};
    std::array<unsigned char, 1 << kMaxBits> stack_{};
};

LineSource::Status MemoryLines::next(std::string_view& line) {
    if (at_ >= text_.size()) return Status::kEnd;
    size_t end = text_.find('\n', at_);
    const size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    if (end > at_ && text_[end - 1] == '\r') --end;
    line = text_.substr(at_, end - at_);
    at_ = next;
    ++line_;
    return Status::kLine;
}

FileLines::FileLines() = default;
FileLines::~FileLines() { close(); }

bool FileLines::open(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    line_ = 0;
    atEnd_ = false;
    begin_ = end_ = 0;
    buffer_.resize(kReadBufferSize);
    errno = 0;
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) {
        error_ = path + ": " + (errno != 0 ? std::strerror(errno) : "cannot be opened");
        return false;
    }
    file_ = file;
    if (!fill()) return false;
    if (gzdirect(file) != 0 && end_ >= 2 && std::memcmp(buffer_.data(), kCompressMagic, 2) == 0) {
        // Unix compress: read again from the start through the LZW decoder.
        close();
        begin_ = end_ = 0;
        std::FILE* raw = std::fopen(path.c_str(), "rb");
        if (raw == nullptr) {
            error_ = path + ": " + std::strerror(errno);
            return false;
        }
        lzw_ = std::make_unique<LzwReader>(raw);
        std::string what;
        if (!lzw_->start(what)) {
            error_ = path + ": " + what;
            lzw_.reset();
            return false;
        }
    }
    return true;
}

void FileLines::close() {
    if (file_ != nullptr) gzclose_r(As_Gz(file_));
    file_ = nullptr;
    lzw_.reset();
}

bool FileLines::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (atEnd_ || end_ == buffer_.size()) return true;
    if (lzw_ != nullptr) {
        std::string what;
        const long got = lzw_->read(buffer_.data() + end_, buffer_.size() - end_, what);
        if (got < 0) {
            error_ = path_ + ":" + std::to_string(line_ + 1) + ": " + what;
            return false;
        }
        if (got == 0) atEnd_ = true;
        end_ += static_cast<size_t>(got);
        return true;
    }
    if (file_ == nullptr) return true;
    const int got = gzread(As_Gz(file_), buffer_.data() + end_, static_cast<unsigned>(buffer_.size() - end_));
    int code = Z_OK;
    const char* reason = gzerror(As_Gz(file_), &code);
    if (got < 0 || code != Z_OK) {
        error_ = path_ + ":" + std::to_string(line_ + 1) + ": " + (code == Z_ERRNO ? std::strerror(errno) : reason);
        return false;
    }
    if (got == 0) atEnd_ = true;
    end_ += static_cast<size_t>(got);
    return true;
}

LineSource::Status FileLines::next(std::string_view& line) {
    if (!error_.empty()) return Status::kError;
    for (bool refilled = false;; refilled = true) {
        const char* start = buffer_.data() + begin_;
        const size_t available = end_ - begin_;
        const void* newline = std::memchr(start, '\n', available);
        size_t rawLength = 0;
        if (newline != nullptr) {
            rawLength = static_cast<size_t>(static_cast<const char*>(newline) - start) + 1;
        } else if (refilled && atEnd_) {
            if (available == 0) return Status::kEnd;
            rawLength = available;
        } else if (refilled && available == buffer_.size()) {
            rawLength = available;
        } else {
            if (!fill()) return Status::kError;
            continue;
        }
        ++line_;
        size_t length = rawLength;
        if (length > 0 && start[length - 1] == '\n') --length;
        if (length > 0 && start[length - 1] == '\r') --length;
        if (length > kMaxLineLength) {
            error_ = path_ + ":" + std::to_string(line_) + ": line longer than " + std::to_string(kMaxLineLength) +
                     " characters";
            return Status::kError;
        }
        line = std::string_view(start, length);
        begin_ += rawLength;
        return Status::kLine;
    }
}

std::string Compact_Date_Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%s-%02d %02d:%02d", utc.tm_mday, kMonths[utc.tm_mon % 12],
                  utc.tm_year % 100, utc.tm_hour, utc.tm_min);
    return text;
}

bool Decode_File(const std::string& in, const std::string& out, std::string& error) {
    FileLines lines;
    if (!lines.open(in)) {
        error = lines.error();
        return false;
    }
    Decoder decoder(lines);
    FileSink sink;
    if (!sink.open(out)) {
        error = sink.error();
        return false;
    }
    std::string_view line;
    LineSource::Status status;
    while ((status = decoder.next(line)) == LineSource::Status::kLine) {
        if (!sink.write(line)) {
            error = sink.error();
            return false;
        }
    }
    if (status == LineSource::Status::kError) {
        error = decoder.error();
        return false;
    }
    if (!sink.commit()) {
        error = sink.error();
        return false;
    }
    return true;
}

bool Encode_File(const std::string& in, const std::string& out, std::string& error) {
    FileLines lines;
    if (!lines.open(in)) {
        error = lines.error();
        return false;
    }
    FileSink sink;
    if (!sink.open(out)) {
        error = sink.error();
        return false;
    }
    Encoder encoder(sink, in, Compact_Date_Now());
    std::string_view line;
    LineSource::Status status;
    while ((status = lines.next(line)) == LineSource::Status::kLine) {
        if (encoder.add(line) != Encoder::Status::kOk) {
            error = encoder.error();
            return false;
        }
    }
    if (status == LineSource::Status::kError) {
        error = lines.error();
        return false;
    }
    if (encoder.finish() != Encoder::Status::kOk) {
        error = encoder.error();
        return false;
    }
    if (!sink.commit()) {
        error = sink.error();
        return false;
    }
    return true;
}

std::unique_ptr<LineSource> Open_Observation_Lines(const std::string& path, std::string& error) {
    auto plain = std::make_unique<FileLines>();
    if (!plain->open(path)) {
        error = plain->error();
        return nullptr;
    }
    std::string_view first;
    const bool compact = plain->next(first) == LineSource::Status::kLine && Is_Compact_First_Line(first);
    if (!compact) {
        // Read again from the first line.
        if (!plain->open(path)) {
            error = plain->error();
            return nullptr;
        }
        return plain;
    }
    plain.reset();
    auto decoded = std::make_unique<CompactFileLines>();
    if (!decoded->open(path)) {
        error = decoded->openError();
        return nullptr;
    }
    return decoded;
}

}  // namespace zer2ivi::crinex
