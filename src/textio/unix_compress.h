// Unix compress (.Z) streams, read from an open file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

namespace zer2ivi::textio {

inline constexpr unsigned char kUnixCompressMagic[2] = {0x1f, 0x9d};

// Unix compress: LZW codes of 9 up to maxbits (at most 16) bits, least
// significant bit first, written in groups of eight codes; where the code
// width grows or the table is cleared (code 256 in block mode) the rest of
// the group is padding.  The decoder adds a table entry one code after the
// encoder did, so it widens one code earlier.
class UnixCompressReader {
public:
    explicit UnixCompressReader(std::FILE* file) : file_(file) {}
    ~UnixCompressReader() { std::fclose(file_); }
    UnixCompressReader(const UnixCompressReader&) = delete;
    UnixCompressReader& operator=(const UnixCompressReader&) = delete;

    // Reads the header; false with what set.
    bool start(std::string& what) {
        unsigned char header[3];
        if (std::fread(header, 1, 3, file_) != 3 || std::memcmp(header, kUnixCompressMagic, 2) != 0) {
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

}  // namespace zer2ivi::textio
